#include "DialogResourceReader.h"

#include <cstdio>

namespace wintest {

namespace {

// Little-endian words from a bounded block; past its end every read gives 0 and ok() false.
struct Words {
  const BYTE* data;
  size_t size;
  size_t at = 0;
  bool ok = true;

  WORD word() {
    if (at + 2 > size) return static_cast<WORD>(ok = false);
    const WORD w = static_cast<WORD>(data[at] | (data[at + 1] << 8));
    at += 2;
    return w;
  }
  DWORD dword() { return word() | (static_cast<DWORD>(word()) << 16); }
  short number() { return static_cast<short>(word()); }
  // A zero-terminated UTF-16 text (ASCII here), or an ordinal: 0xFFFF and a number.
  std::string text(int* ordinal = nullptr) {
    std::string s;
    WORD c = word();
    if (c == 0xFFFF) {
      const WORD n = word();
      if (ordinal != nullptr) *ordinal = n;
      return s;
    }
    for (; ok && c != 0; c = word()) s.push_back(c < 128 ? static_cast<char>(c) : '?');
    return s;
  }
};

bool kindOf(int atom, DWORD style, platform::DialogControlKind& kind) {
  using K = platform::DialogControlKind;
  const DWORD type = style & 0x0F;
  if (atom == 0x80 && type == BS_PUSHBUTTON) kind = K::pushButton;
  else if (atom == 0x80 && type == BS_DEFPUSHBUTTON) kind = K::defaultPushButton;
  else if (atom == 0x80 && type == BS_GROUPBOX) kind = K::groupBox;
  else if (atom == 0x80 && type == BS_CHECKBOX) kind = K::checkBox;
  else if (atom == 0x81 && (style & ES_NUMBER)) kind = K::numberEdit;
  else if (atom == 0x82) kind = K::staticText;
  else return false;
  return true;
}

bool fail(std::string& why, const std::string& text) {
  why = text;
  return false;
}

}  // namespace

bool readDialogTemplate(const void* data, size_t size, ReadDialog& out, std::string& why) {
  Words in{static_cast<const BYTE*>(data), size};
  if (in.word() != 1 || in.word() != 0xFFFF) return fail(why, "not an extended dialog template");
  in.dword();  // help id
  in.dword();  // extended style
  out.style = in.dword();
  const WORD count = in.word();
  in.number();  // x, y
  in.number();
  out.dialog.width = in.number();
  out.dialog.height = in.number();
  in.text();  // menu
  in.text();  // class
  out.dialog.title = in.text();
  if (!(out.style & DS_SETFONT)) return fail(why, "no font");
  out.dialog.pointSize = in.word();
  in.word();  // weight
  in.word();  // italic, character set
  out.dialog.fontName = in.text();
  for (WORD i = 0; i < count && in.ok; ++i) {
    in.at = (in.at + 3) & ~static_cast<size_t>(3);  // every control starts on a DWORD
    platform::DialogControl c;
    in.dword();  // help id
    in.dword();  // extended style
    const DWORD style = in.dword();
    c.x = in.number();
    c.y = in.number();
    c.width = in.number();
    c.height = in.number();
    c.id = static_cast<int>(in.dword());
    int atom = -1;
    in.text(&atom);
    c.text = in.text();
    in.at += in.word();  // creation data
    if (in.ok && !kindOf(atom, style, c.kind)) {
      char text[96];
      std::snprintf(text, sizeof text, "control %d (class %d, style %#lx) is of no kind we use",
                    c.id, atom, static_cast<unsigned long>(style));
      return fail(why, text);
    }
    out.dialog.controls.push_back(c);
    out.controlStyles.push_back(style);
  }
  if (!in.ok) return fail(why, "the template ends early");
  return true;
}

bool findDialogResource(int id, const void*& data, size_t& size) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  data = loaded != nullptr ? LockResource(loaded) : nullptr;
  size = found != nullptr ? SizeofResource(module, found) : 0;
  return data != nullptr;
}

}  // namespace wintest
