// A font that the system holds, as the bytes of one TrueType or OpenType font file for
// FreeType. It serves the layouts whose font files are not there as files: a host's Wine
// prefix has no arial.ttf or tahoma.ttf in its fonts folder (Wine maps the machine's fonts
// by face name), and trimmed or localised Windows installations lack them too.
//
// Threading: any thread; every lookup works on a device context of its own and keeps no
// state between calls. An object belongs to one thread at a time.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace platform {

class SystemFont {
public:
  SystemFont() = default;  // nothing found

  // The installed font of the face that the layout's file name stands for (FontFileFace:
  // "arial.ttf" is Arial, "DejaVuSans-Bold.ttf" DejaVu Sans bold). Only a font of that
  // very family counts, never one that the system's font mapper offers in its place.
  // - Windows: the families the system lists (EnumFontFamiliesEx) are searched for the
  //   family, that face is selected (GDI) and kept only when the selected face is the one
  //   asked for (GetTextFace); its bytes come from GetFontData, a font of a collection
  //   (.ttc) as a file of its own (StandaloneFont).
  // - Linux: never found here; fontconfig finds fonts by family as files (findFontFile).
  static SystemFont named(const std::string& fileName);

  // The system's default interface font, for layouts none of whose fonts the system has.
  // - Windows: the message font of the non-client metrics (the font of dialogs and message
  //   boxes), else the face of the default GUI font, else whatever outline font the font
  //   mapper picks, else the first listed family whose bytes can be read: text shows
  //   wherever the system has an outline font at all.
  // - Linux: none; findFontFile already gives similar fonts for the Windows fonts that
  //   layouts rely on, and a layout naming only fonts that fontconfig cannot place keeps
  //   the empty result it always had.
  static SystemFont interfaceDefault();

  bool found() const { return !bytes.empty(); }
  // The face the system gave, as it names it, with " Bold" or " Italic" when asked for
  // ("Tahoma", "DejaVu Sans Bold"); empty when nothing was found.
  const std::string& faceName() const { return face; }
  // The font file's bytes; empty when nothing was found. The caller may move them out.
  std::vector<unsigned char>& data() { return bytes; }

private:
  SystemFont(std::string name, std::vector<unsigned char>&& font)
      : face(std::move(name)), bytes(std::move(font)) {}

  std::string face;
  std::vector<unsigned char> bytes;
};

}  // namespace platform
