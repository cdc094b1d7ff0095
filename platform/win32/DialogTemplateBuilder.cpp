#include "platform/win32/DialogTemplateBuilder.h"

#include <string>

namespace platform {

namespace {

constexpr WORD kButtonAtom = 0x80;
constexpr WORD kEditAtom = 0x81;
constexpr WORD kStaticAtom = 0x82;

void putWord(std::vector<WORD>& out, WORD w) { out.push_back(w); }

void putDword(std::vector<WORD>& out, DWORD d) {
  out.push_back(LOWORD(d));
  out.push_back(HIWORD(d));
}

// A zero-terminated UTF-16 string from ANSI text.
void putText(std::vector<WORD>& out, const std::string& text) {
  if (!text.empty()) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0);
    if (length > 0) {
      std::wstring wide(static_cast<size_t>(length), L'\0');
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                          length);
      for (wchar_t c : wide) out.push_back(static_cast<WORD>(c));
    }
  }
  out.push_back(0);
}

// Dialog units are 16-bit in a template; anything larger is no sensible layout.
WORD unit(int value) {
  if (value < -32768) value = -32768;
  if (value > 32767) value = 32767;
  return static_cast<WORD>(static_cast<short>(value));
}

}  // namespace

DialogControlClass dialogControlClass(DialogControlKind kind) {
  switch (kind) {
    case DialogControlKind::pushButton: return {kButtonAtom, BS_PUSHBUTTON | WS_TABSTOP};
    case DialogControlKind::defaultPushButton: return {kButtonAtom, BS_DEFPUSHBUTTON | WS_TABSTOP};
    case DialogControlKind::groupBox: return {kButtonAtom, BS_GROUPBOX};
    case DialogControlKind::numberEdit:
      return {kEditAtom, ES_LEFT | ES_AUTOHSCROLL | ES_NUMBER | WS_BORDER | WS_TABSTOP};
    // The handler sets the mark: the box must not toggle itself as well.
    case DialogControlKind::checkBox: return {kButtonAtom, BS_CHECKBOX | WS_TABSTOP};
    case DialogControlKind::staticText: break;
  }
  return {kStaticAtom, SS_LEFT | WS_GROUP};
}

std::vector<WORD> buildDialogTemplate(const DialogTemplate& dialog) {
  std::vector<WORD> out;
  putWord(out, 1);       // version
  putWord(out, 0xFFFF);  // extended template
  putDword(out, 0);      // help id
  putDword(out, 0);      // extended style
  putDword(out, kDialogStyles | DS_SETFONT);
  putWord(out, static_cast<WORD>(dialog.controls.size() > 0xFFFF ? 0xFFFF : dialog.controls.size()));
  putWord(out, 0);  // x, y: centred by DS_CENTER
  putWord(out, 0);
  putWord(out, unit(dialog.width));
  putWord(out, unit(dialog.height));
  putWord(out, 0);  // no menu
  putWord(out, 0);  // the standard dialog class
  putText(out, dialog.title);
  putWord(out, unit(dialog.pointSize));
  putWord(out, FW_NORMAL);
  putWord(out, 0);  // not italic, default character set
  putText(out, dialog.fontName);

  size_t count = 0;
  for (const DialogControl& c : dialog.controls) {
    if (++count > 0xFFFF) break;
    if (out.size() % 2 != 0) putWord(out, 0);  // every control starts on a DWORD
    const DialogControlClass kind = dialogControlClass(c.kind);
    putDword(out, 0);  // help id
    putDword(out, 0);  // extended style
    putDword(out, WS_CHILD | WS_VISIBLE | kind.style);
    putWord(out, unit(c.x));
    putWord(out, unit(c.y));
    putWord(out, unit(c.width));
    putWord(out, unit(c.height));
    putDword(out, static_cast<DWORD>(c.id));
    putWord(out, 0xFFFF);
    putWord(out, kind.atom);
    putText(out, c.text);
    putWord(out, 0);  // no creation data
  }
  return out;
}

}  // namespace platform
