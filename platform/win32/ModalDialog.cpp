#include "platform/ModalDialog.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/DialogControls.h"
#include "platform/win32/DialogTemplateBuilder.h"
#include "platform/win32/ModuleHandle.h"

namespace platform {

namespace {

// What a typed number may hold: the logic reads at most this many characters.
constexpr size_t kMaximumEditLength = 255;
// Posted at initialisation; handled once the dialog is on screen and has the focus.
constexpr UINT kShownMessage = WM_APP + 1;
const LPCSTR kDialogResourceType = MAKEINTRESOURCEA(5);  // RT_DIALOG

// One run of a dialog: the window system's dialog seen through DialogControls.
class DialogWindow : public DialogControls {
 public:
  DialogWindow(const DialogTemplate& dialog, DialogHandler& handler)
      : dialog_(dialog), handler_(handler) {}

  static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Whether the window was made, and what the run answers.
  bool made() const { return everMade_; }
  int result() const { return ended_ ? result_ : DialogHandler::kCancel; }

  void setText(int id, const std::string& text) override {
    if (window_ == nullptr) return;
    const DialogControl* c = find(id);
    const bool limited = c != nullptr && c->kind == DialogControlKind::numberEdit;
    SetDlgItemTextA(window_, id, limited ? text.substr(0, kMaximumEditLength).c_str() : text.c_str());
  }
  std::string text(int id) const override {
    HWND control = window_ != nullptr ? GetDlgItem(window_, id) : nullptr;
    if (control == nullptr) return "";
    std::vector<char> buffer(static_cast<size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    GetDlgItemTextA(window_, id, buffer.data(), static_cast<int>(buffer.size()));
    return buffer.data();
  }
  void setChecked(int id, bool checked) override {
    if (window_ != nullptr) CheckDlgButton(window_, id, checked ? BST_CHECKED : BST_UNCHECKED);
  }
  bool checked(int id) const override {
    return window_ != nullptr && IsDlgButtonChecked(window_, id) == BST_CHECKED;
  }
  void end(int result) override {
    if (window_ == nullptr || ended_) return;
    ended_ = true;
    result_ = result;
    EndDialog(window_, result);
  }

 private:
  const DialogControl* find(int id) const {
    for (const DialogControl& c : dialog_.controls)
      if (c.id == id) return &c;
    return nullptr;
  }
  void initialise(HWND window);
  void shown();
  void command(int id);

  const DialogTemplate& dialog_;
  DialogHandler& handler_;
  HWND window_ = nullptr;
  bool everMade_ = false;
  bool shown_ = false;
  bool ended_ = false;
  int result_ = DialogHandler::kCancel;
};

void DialogWindow::initialise(HWND window) {
  window_ = window;
  everMade_ = true;
  for (const DialogControl& c : dialog_.controls)
    if (c.kind == DialogControlKind::numberEdit)
      SendDlgItemMessageA(window, c.id, EM_LIMITTEXT, kMaximumEditLength, 0);
  // Centred over the window that owns us, where there is one.
  if (HWND owner = GetWindow(window, GW_OWNER)) {
    RECT o{}, d{};
    if (GetWindowRect(owner, &o) && GetWindowRect(window, &d)) {
      const int width = d.right - d.left, height = d.bottom - d.top;
      SetWindowPos(window, nullptr, (o.left + o.right - width) / 2, (o.top + o.bottom - height) / 2,
                   0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  handler_.initialise(*this);
  if (HWND control = GetDlgItem(window, dialog_.initialFocus)) {
    SetFocus(control);
    // Typing replaces what a field shows.
    const DialogControl* c = find(dialog_.initialFocus);
    if (c != nullptr && c->kind == DialogControlKind::numberEdit)
      SendMessageA(control, EM_SETSEL, 0, -1);
  }
  PostMessageA(window, kShownMessage, 0, 0);
}

void DialogWindow::shown() {
  if (shown_ || ended_) return;
  shown_ = true;
  handler_.shown(*this);
}

void DialogWindow::command(int id) {
  if (!ended_) handler_.command(*this, id);
}

INT_PTR CALLBACK DialogWindow::procedure(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<DialogWindow*>(lParam);
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    self->initialise(window);
    return FALSE;  // the focus is set already
  }
  auto* self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrA(window, DWLP_USER));
  if (self == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND:
      // Push buttons and check boxes, and IDCANCEL for Escape and the close box; edit
      // fields' notifications carry other codes.
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      self->command(LOWORD(wParam));
      return TRUE;
    case kShownMessage:
      self->shown();
      return TRUE;
    case WM_NCDESTROY:
      // Also when the owner is destroyed under the dialog: the run ends as cancelled.
      SetWindowLongPtrA(window, DWLP_USER, 0);
      self->window_ = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

int runModalDialog(const DialogTemplate& dialog, uintptr_t ownerWindow, DialogHandler& handler) {
  if (dialog.width <= 0 || dialog.height <= 0) return -1;
  // The editor's child window given as the owner stands for the host's top-level window that
  // holds it: that one is disabled while the dialog runs.
  HWND owner = reinterpret_cast<HWND>(ownerWindow);
  owner = owner != nullptr && IsWindow(owner) ? GetAncestor(owner, GA_ROOT) : nullptr;

  DialogWindow window(dialog, handler);
  const LPARAM self = reinterpret_cast<LPARAM>(&window);
  HMODULE module = ourModule();
  if (dialog.resourceId > 0 && dialog.resourceId <= 0xFFFF &&
      FindResourceA(module, MAKEINTRESOURCEA(dialog.resourceId), kDialogResourceType) != nullptr) {
    DialogBoxParamA(module, MAKEINTRESOURCEA(dialog.resourceId), owner, DialogWindow::procedure,
                    self);
  } else {
    const std::vector<WORD> words = buildDialogTemplate(dialog);
    DialogBoxIndirectParamA(module, reinterpret_cast<LPCDLGTEMPLATEA>(words.data()), owner,
                            DialogWindow::procedure, self);
  }
  return window.made() ? window.result() : -1;
}

}  // namespace platform
