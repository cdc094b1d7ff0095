#include "platform/FontFiles.h"

#include <fontconfig/fontconfig.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/FontFileFace.h"

namespace platform {

namespace {

struct PatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct FontSetDeleter {
  void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
struct ObjectSetDeleter {
  void operator()(FcObjectSet* s) const { FcObjectSetDestroy(s); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

std::string lowerCase(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string baseName(const std::string& name) {
  size_t slash = name.find_last_of("/\\");
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

bool readable(const char* path) { return path != nullptr && access(path, R_OK) == 0; }

std::string installedFileNamed(const std::string& file) {
  Pattern all(FcPatternCreate());
  std::unique_ptr<FcObjectSet, ObjectSetDeleter> objects(FcObjectSetBuild(FC_FILE, nullptr));
  if (!all || !objects) return std::string();
  std::unique_ptr<FcFontSet, FontSetDeleter> fonts(FcFontList(nullptr, all.get(), objects.get()));
  if (!fonts) return std::string();
  std::string wanted = lowerCase(file);
  for (int i = 0; i < fonts->nfont; ++i) {
    FcChar8* path = nullptr;
    if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &path) != FcResultMatch) continue;
    const char* text = reinterpret_cast<const char*>(path);
    if (lowerCase(baseName(text)) == wanted && readable(text)) return text;
  }
  return std::string();
}

// The best match for family; with exactFamily, only a font of that very family counts.
std::string matchFamily(const std::string& family, int weight, int slant, bool exactFamily) {
  Pattern pattern(FcPatternCreate());
  if (!pattern) return std::string();
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, weight);
  FcPatternAddInteger(pattern.get(), FC_SLANT, slant);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  if (!FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern)) return std::string();
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  Pattern match(FcFontMatch(nullptr, pattern.get(), &result));
  if (!match || result != FcResultMatch) return std::string();
  FcChar8* path = nullptr;
  if (FcPatternGetString(match.get(), FC_FILE, 0, &path) != FcResultMatch) return std::string();
  if (exactFamily) {
    bool same = false;
    FcChar8* found = nullptr;
    for (int i = 0; FcPatternGetString(match.get(), FC_FAMILY, i, &found) == FcResultMatch; ++i)
      same = same || FontFileFace::familyKey(reinterpret_cast<const char*>(found)) ==
                            FontFileFace::familyKey(family);
    if (!same) return std::string();
  }
  const char* text = reinterpret_cast<const char*>(path);
  return readable(text) ? std::string(text) : std::string();
}

std::string lookUp(const std::string& file) {
  // The library initialises itself once and is safe from several threads; it is never
  // finalised here, because the host process may use it too.
  if (!FcInit()) return std::string();
  std::string path = installedFileNamed(file);
  if (!path.empty()) return path;
  // The fonts that layouts rely on without offering another (arial.ttf, tahoma.ttf, ...):
  // the best font the system offers for the family, a metric-compatible or similar one
  // when the family itself is missing. Any other name: only a font of that very family.
  FontFileFace face = FontFileFace::forFile(file);
  if (face.family.empty()) return std::string();
  return matchFamily(face.family, face.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR,
                     face.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN, !face.wellKnown);
}

// Files found before, by the name asked for. Every opening of an editor asks for the same
// few names, and listing the installed fonts each time costs more than the rest of loading
// a font. Only finds are kept (a font installed later can still be found), and a file that
// is no longer readable is looked up afresh. Bounded by the names layouts ask for.
struct Found {
  std::mutex lock;
  std::map<std::string, std::string> paths;
};
Found& found() {
  static Found* table = new Found;  // never destroyed: editors may load fonts late
  return *table;
}

}  // namespace

std::string findFontFile(const std::string& name) {
  std::string file = baseName(name);
  if (file.empty() || file.find('\0') != std::string::npos) return std::string();
  Found& table = found();
  {
    std::lock_guard<std::mutex> guard(table.lock);
    auto known = table.paths.find(file);
    if (known != table.paths.end() && readable(known->second.c_str())) return known->second;
  }
  std::string path = lookUp(file);
  if (!path.empty()) {
    std::lock_guard<std::mutex> guard(table.lock);
    table.paths[file] = path;
  }
  return path;
}

}  // namespace platform
