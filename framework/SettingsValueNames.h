// Names and defaults of the per-user preference values (kept by Settings).
#pragma once

#include <cstdint>

// UDP port base of the OSC server; 32-bit number.
inline constexpr char kPreferenceOSCBasePort[] = "OSC Base Port";
inline constexpr int32_t kDefaultOSCBasePort = 7000;
// Editor options; 32-bit numbers read as truth values.
inline constexpr char kPreferenceEyeCandy[] = "Enable eye candy";
inline constexpr int32_t kDefaultEyeCandy = 1;
inline constexpr char kPreferenceConstantRedraw[] = "Enable constant redraw";
inline constexpr int32_t kDefaultConstantRedraw = 1;
inline constexpr char kPreferenceFloatingTooltip[] = "Enable floating tooltip";
inline constexpr int32_t kDefaultFloatingTooltip = 0;
// Name of the skin folder to use instead of the built-in layout; text, absent by default.
inline constexpr char kPreferenceSkin[] = "Skin";
