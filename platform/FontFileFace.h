// The font face that a layout's font file name stands for. Layouts written for Windows name
// font files ("arial.ttf", "tahomabd.ttf"); a system may hold the font only under its face
// name (Wine keeps the fonts it finds outside the prefix's fonts folder; fontconfig lists
// families), so the lookups ask for the face when the file itself is not there.
//
// Threading: a plain value; the functions keep no state and are safe from any thread.
#pragma once

#include <string>

namespace platform {

class FontFileFace {
public:
  // The face for a file name, any folder in it ("c:\windows\fonts\", "/usr/...") ignored:
  // - the font files that come with Windows (arial.ttf, arialbd.ttf, tahoma.ttf, verdana.ttf,
  //   ...; letter case ignored): their family and style from a table, and wellKnown set;
  // - any other name: the name without its extension; a last part "-Regular", "-Bold",
  //   "-Italic", "-Oblique", "-BoldItalic" or "-BoldOblique" gives the style and is taken
  //   off ("DejaVuSans-Bold.ttf": the family "DejaVuSans", bold).
  // A name without a file part gives an empty family.
  static FontFileFace forFile(const std::string& name);

  // Family names compare as font systems compare them: letter case, blanks, hyphens and
  // underscores ignored, so that "DejaVuSans" names the family "DejaVu Sans".
  static std::string familyKey(const std::string& family);
  bool isFamily(const std::string& otherFamily) const {
    return !family.empty() && familyKey(otherFamily) == familyKey(family);
  }

  std::string family;
  bool bold = false;
  bool italic = false;
  // One of the files every Windows system has: layouts rely on it without offering another
  // choice, so a similar font may stand in where the family itself is missing.
  bool wellKnown = false;
};

}  // namespace platform
