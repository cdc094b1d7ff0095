// Windows backend of the system fonts: faces selected through GDI into a memory device
// context of our own and read back with GetFontData.
#include "platform/SystemFont.h"

#include <windows.h>

#include <cstddef>
#include <cwchar>

#include "platform/FontFileFace.h"
#include "platform/StandaloneFont.h"

namespace platform {

namespace {

// GetFontData takes a table's tag as the four characters lie in memory: on this
// little-endian system the first character is the least significant byte.
constexpr DWORD kCollectionTag = 0x66637474;  // "ttcf"

DWORD gdiTag(uint32_t tag) {
  return (tag >> 24) | ((tag >> 8) & 0xFF00) | ((tag << 8) & 0xFF0000) | (tag << 24);
}

// A memory device context: fonts are selected into it only to be read.
class MemoryDC {
public:
  MemoryDC() : dc(CreateCompatibleDC(nullptr)) {}
  ~MemoryDC() {
    if (dc) DeleteDC(dc);
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  HDC get() const { return dc; }

private:
  HDC dc;
};

// A font made from a description, selected into a device context for the object's life.
class SelectedFont {
public:
  SelectedFont(HDC dc, const LOGFONTW& description)
      : dc(dc), font(CreateFontIndirectW(&description)) {
    if (font) previous = SelectObject(dc, font);
  }
  ~SelectedFont() {
    if (selected()) SelectObject(dc, previous);
    if (font) DeleteObject(font);
  }
  SelectedFont(const SelectedFont&) = delete;
  SelectedFont& operator=(const SelectedFont&) = delete;
  bool selected() const { return previous != nullptr && previous != HGDI_ERROR; }

private:
  HDC dc;
  HFONT font;
  HGDIOBJ previous = nullptr;
};

std::string utf8(const std::wstring& text) {
  int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0,
                                   nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string out(size_t(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), &out[0], length, nullptr,
                      nullptr);
  return out;
}

// Layouts' names are in the code page of the ANSI file functions that look for the files.
std::wstring wide(const std::string& text) {
  int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), int(text.size()), nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring out(size_t(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), int(text.size()), &out[0], length);
  return out;
}

int CALLBACK collectFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM list) {
  auto* names = reinterpret_cast<std::vector<std::wstring>*>(list);
  std::wstring name(font->lfFaceName);
  // '@' names the same family turned for vertical writing.
  if (name.empty() || name[0] == L'@') return 1;
  for (const std::wstring& known : *names)
    if (known == name) return 1;  // listed once per character set
  names->push_back(name);
  return 1;
}

// The installed families, in the system's order.
std::vector<std::wstring> families(HDC dc) {
  LOGFONTW all = {};
  all.lfCharSet = DEFAULT_CHARSET;
  std::vector<std::wstring> names;
  EnumFontFamiliesExW(dc, &all, collectFamily, reinterpret_cast<LPARAM>(&names), 0);
  return names;
}

// Outline fonts only: GetFontData reads nothing else, and FreeType needs the outlines to
// render at any size.
LOGFONTW outlineFont(const std::wstring& face, bool bold, bool italic) {
  LOGFONTW font = {};
  font.lfHeight = -32;  // the bytes are those of the font file whatever the size
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfItalic = italic ? TRUE : FALSE;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return font;
}

std::wstring selectedFace(HDC dc) {
  wchar_t name[LF_FACESIZE + 1] = {};
  if (GetTextFaceW(dc, LF_FACESIZE, name) <= 0) return std::wstring();
  return name;
}

bool readBytes(HDC dc, DWORD table, DWORD offset, unsigned char* out, DWORD size) {
  return GetFontData(dc, table, offset, out, size) == size;
}

// The selected font as one font file.
bool readSelectedFont(HDC dc, std::vector<unsigned char>& out) {
  out.clear();
  // A font of a collection: "ttcf" gives the whole collection, whose first bytes say so.
  // Its own tables are put together as a file of their own.
  unsigned char mark[4] = {};
  if (readBytes(dc, kCollectionTag, 0, mark, sizeof mark) && mark[0] == 't' && mark[1] == 't' &&
      mark[2] == 'c' && mark[3] == 'f')
    return StandaloneFont::assemble(
        [dc](uint32_t tag, uint32_t offset, unsigned char* bytes, uint32_t size) {
          return readBytes(dc, tag == 0 ? 0 : gdiTag(tag), offset, bytes, size);
        },
        out);
  DWORD size = GetFontData(dc, 0, 0, nullptr, 0);
  if (size == GDI_ERROR || size < 12 || size > StandaloneFont::kMaxBytes) return false;
  out.resize(size);
  if (!readBytes(dc, 0, 0, out.data(), size)) out.clear();
  return !out.empty();
}

// The font of the description as the font mapper realises it, whatever face that is.
bool readRealised(HDC dc, LOGFONTW description, std::wstring& face,
                  std::vector<unsigned char>& bytes) {
  description.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  SelectedFont font(dc, description);
  if (!font.selected()) return false;
  face = selectedFace(dc);
  return readSelectedFont(dc, bytes);
}

std::wstring styled(std::wstring face, bool bold, bool italic) {
  if (bold) face += L" Bold";
  if (italic) face += L" Italic";
  return face;
}

}  // namespace

SystemFont SystemFont::named(const std::string& fileName) {
  FontFileFace wanted = FontFileFace::forFile(fileName);
  if (wanted.family.empty()) return SystemFont();
  wanted.family = utf8(wide(wanted.family));
  MemoryDC dc;
  if (!dc.get()) return SystemFont();
  for (const std::wstring& family : families(dc.get())) {
    if (!wanted.isFamily(utf8(family))) continue;
    SelectedFont font(dc.get(), outlineFont(family, wanted.bold, wanted.italic));
    // The mapper may still give another face (a bitmap-only family has no outline font).
    if (!font.selected() || !wanted.isFamily(utf8(selectedFace(dc.get())))) return SystemFont();
    std::vector<unsigned char> bytes;
    if (!readSelectedFont(dc.get(), bytes)) return SystemFont();
    return SystemFont(utf8(styled(family, wanted.bold, wanted.italic)), std::move(bytes));
  }
  return SystemFont();
}

SystemFont SystemFont::interfaceDefault() {
  MemoryDC dc;
  if (!dc.get()) return SystemFont();
  std::vector<LOGFONTW> choices;
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  // Systems before Vista know the structure without its last member only.
  bool haveMetrics = SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
  if (!haveMetrics) {
    metrics.cbSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
    haveMetrics = SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
  }
  if (haveMetrics) choices.push_back(metrics.lfMessageFont);
  LOGFONTW gui = {};
  if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui) == sizeof gui)
    choices.push_back(gui);
  // No face at all: the mapper's own choice of a proportional sans-serif outline font.
  LOGFONTW any = outlineFont(std::wstring(), false, false);
  any.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  choices.push_back(any);
  std::wstring face;
  std::vector<unsigned char> bytes;
  for (const LOGFONTW& choice : choices)
    if (readRealised(dc.get(), choice, face, bytes))
      return SystemFont(utf8(face), std::move(bytes));
  for (const std::wstring& family : families(dc.get()))
    if (readRealised(dc.get(), outlineFont(family, false, false), face, bytes))
      return SystemFont(utf8(face), std::move(bytes));
  return SystemFont();
}

}  // namespace platform
