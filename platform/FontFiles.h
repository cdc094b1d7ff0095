// Finding a font file by the name a layout gives, such as "arial.ttf", on the machine's
// installed fonts.
//
// Threading: safe from any thread.
#pragma once

#include <string>

namespace platform {

// The path of the installed font file for name, or the empty text. A name that matches
// nothing gives the empty text rather than some unrelated default font, so that callers can
// try their next choice.
// - Windows: the name itself when it is a readable file; else the file of that name (any
//   folder in the name ignored) in the system's fonts folder, %WINDIR%\fonts (c:\windows
//   when WINDIR is not set), when it is readable there.
// - Linux, through fontconfig: a folder in the name is ignored. Looked for in this order: an
//   installed font file of that name (letter case ignored); for the fonts that every
//   Windows system has (arial.ttf, tahoma.ttf, ...) the best font the system offers for
//   that family, a metric-compatible or similar one when the family itself is missing; for
//   any other name, a font of the family and style the name stands for (FontFileFace:
//   the name without its extension and style suffix, letter case and blanks ignored).
// Windows fonts that are no file of that name are read by face name (SystemFont).
std::string findFontFile(const std::string& name);

}  // namespace platform
