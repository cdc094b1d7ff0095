#include "DialogResourceReader.h"

#include <cstdio>

namespace wintest {

namespace {

class Words {
 public:
  Words(const void* data, size_t size)
      : begin_(static_cast<const unsigned char*>(data)), size_(size) {}
  bool ok() const { return ok_; }
  size_t offset() const { return at_; }
  WORD word() {
    if (at_ + 2 > size_) return fail();
    WORD w = static_cast<WORD>(begin_[at_] | (begin_[at_ + 1] << 8));
    at_ += 2;
    return w;
  }
  DWORD dword() {
    const DWORD low = word();
    return low | (static_cast<DWORD>(word()) << 16);
  }
  void alignToDword() {
    while (at_ % 4 != 0 && ok_) word();
  }
  // A zero-terminated UTF-16 string, in the process's ANSI code page.
  std::string text() {
    std::wstring wide;
    for (WORD c = word(); ok_ && c != 0; c = word()) wide.push_back(static_cast<wchar_t>(c));
    if (wide.empty()) return "";
    const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &narrow[0], length,
                        nullptr, nullptr);
    return narrow;
  }
  // A string or an ordinal (0xFFFF followed by a number): ordinals come back in `ordinal`.
  std::string textOrOrdinal(int& ordinal) {
    ordinal = -1;
    const size_t start = at_;
    const WORD first = word();
    if (first == 0xFFFF) {
      ordinal = word();
      return "";
    }
    at_ = start;
    return text();
  }

 private:
  WORD fail() {
    ok_ = false;
    return 0;
  }
  const unsigned char* begin_;
  size_t size_;
  size_t at_ = 0;
  bool ok_ = true;
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

}  // namespace

bool readDialogTemplate(const void* data, size_t size, ReadDialog& out, std::string& why) {
  Words in(data, size);
  const WORD version = in.word();
  const WORD signature = in.word();
  if (version != 1 || signature != 0xFFFF) {
    why = "not an extended dialog template";
    return false;
  }
  in.dword();  // help id
  in.dword();  // extended style
  out.style = in.dword();
  const WORD count = in.word();
  in.word();  // x
  in.word();  // y
  out.dialog.width = static_cast<short>(in.word());
  out.dialog.height = static_cast<short>(in.word());
  int ordinal = -1;
  in.textOrOrdinal(ordinal);  // menu
  in.textOrOrdinal(ordinal);  // class
  out.dialog.title = in.text();
  if (out.style & (DS_SETFONT | DS_SHELLFONT)) {
    out.dialog.pointSize = in.word();
    in.word();  // weight
    in.word();  // italic, character set
    out.dialog.fontName = in.text();
  }
  for (WORD i = 0; i < count && in.ok(); ++i) {
    in.alignToDword();
    platform::DialogControl c;
    in.dword();  // help id
    in.dword();  // extended style
    const DWORD style = in.dword();
    c.x = static_cast<short>(in.word());
    c.y = static_cast<short>(in.word());
    c.width = static_cast<short>(in.word());
    c.height = static_cast<short>(in.word());
    c.id = static_cast<int>(in.dword());
    int atom = -1;
    const std::string className = in.textOrOrdinal(atom);
    int textOrdinal = -1;
    c.text = in.textOrOrdinal(textOrdinal);
    const WORD extra = in.word();
    for (WORD skip = 0; skip < (extra + 1) / 2 && in.ok(); ++skip) in.word();
    if (!in.ok()) break;
    if (!kindOf(atom, style, c.kind)) {
      char styleText[16];
      std::snprintf(styleText, sizeof styleText, "%#lx", static_cast<unsigned long>(style));
      why = "control " + std::to_string(c.id) + " (class '" + className + "', atom " +
            std::to_string(atom) + ", style " + styleText + ") is of no kind the templates use";
      return false;
    }
    out.dialog.controls.push_back(c);
    out.controlStyles.push_back(style);
  }
  if (!in.ok()) {
    why = "the template ends early";
    return false;
  }
  return true;
}

bool findDialogResource(int id, const void*& data, size_t& size) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(module, found);
  data = loaded != nullptr ? LockResource(loaded) : nullptr;
  size = SizeofResource(module, found);
  return data != nullptr;
}

}  // namespace wintest
