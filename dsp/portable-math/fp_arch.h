/* No architecture-specific floating-point helpers: the generic C definitions only. */
