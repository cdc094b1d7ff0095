// The process-wide number of editor windows that exist: EditorWindow counts a window from
// its creation to its destruction. Editors of several plug-in instances (and of several
// copies of the library) share what belongs to all windows; the first and the last window
// are the moments to set that up and tear it down.
//
// Threading: any thread; lock-free.
#pragma once

namespace platform {

class WindowCount {
public:
  // Counts one more window; returns the number before it (0: this is the first).
  static int added();
  // Counts one window fewer; returns the number left (0: that was the last). Never goes
  // below 0.
  static int removed();
  static int current();
};

}  // namespace platform
