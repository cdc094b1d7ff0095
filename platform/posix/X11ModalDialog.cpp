#include "platform/posix/X11ModalDialog.h"

#include <X11/Xatom.h>
#include <X11/Xft/Xft.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>

#include "platform/ModalDialog.h"

namespace platform {

namespace {

// What a typed number may hold: the logic reads at most this many characters.
constexpr size_t kMaximumEditLength = 255;
// Dialog templates are laid out for 96 pixels per inch whatever the screen says.
constexpr double kPixelsPerPoint = 96.0 / 72.0;
constexpr int kCheckBoxSize = 13;

}  // namespace

struct X11ModalDialog::Resources {
  Display* display = nullptr;
  XftFont* font = nullptr;
  XftDraw* draw = nullptr;
  GC gc = nullptr;
  XftColor textColour{}, highlightTextColour{};
  bool textAllocated = false, highlightAllocated = false;
  unsigned long face = 0, light = 0, shadow = 0, dark = 0, white = 0, highlight = 0;
  Atom deleteWindow = 0, protocols = 0;
};

int runModalDialog(const DialogTemplate& dialog, uintptr_t ownerWindow, DialogHandler& handler) {
  X11ModalDialog window(dialog, ownerWindow, handler);
  return window.run();
}

X11ModalDialog::X11ModalDialog(const DialogTemplate& dialog, uintptr_t owner,
                               DialogHandler& handler)
    : dialog_(dialog), owner_(owner), handler_(handler) {
  for (const DialogControl& fromTemplate : dialog.controls) {
    Control c;
    c.layout = fromTemplate;
    c.text = fromTemplate.text;
    controls_.push_back(c);
  }
}

X11ModalDialog::~X11ModalDialog() = default;

void X11ModalDialog::setText(int id, const std::string& text) {
  for (Control& c : controls_)
    if (c.layout.id == id) {
      c.text = c.layout.kind == DialogControlKind::numberEdit ? text.substr(0, kMaximumEditLength)
                                                            : text;
    }
}

std::string X11ModalDialog::text(int id) const {
  for (const Control& c : controls_)
    if (c.layout.id == id) return c.text;
  return "";
}

void X11ModalDialog::setChecked(int id, bool checked) {
  for (Control& c : controls_)
    if (c.layout.id == id) c.checked = checked;
}

bool X11ModalDialog::checked(int id) const {
  for (const Control& c : controls_)
    if (c.layout.id == id) return c.checked;
  return false;
}

void X11ModalDialog::end(int result) {
  ended_ = true;
  result_ = result;
}

bool X11ModalDialog::takesFocus(const Control& c) {
  return c.layout.kind != DialogControlKind::staticText &&
         c.layout.kind != DialogControlKind::groupBox;
}

int X11ModalDialog::run() {
  if (!connection_.valid() || controls_.empty() || dialog_.width <= 0 || dialog_.height <= 0)
    return -1;
  Resources r;
  r.display = connection_.display();
  int screen = DefaultScreen(r.display);
  double pixelSize = std::max(1, dialog_.pointSize) * kPixelsPerPoint;
  // The template's face when the system has it, else a metric-compatible or plain sans.
  std::string families = dialog_.fontName + ",Liberation Sans,Arial,DejaVu Sans,sans-serif";
  r.font = XftFontOpen(r.display, screen, XFT_FAMILY, XftTypeString, families.c_str(),
                       XFT_PIXEL_SIZE, XftTypeDouble, pixelSize, nullptr);
  if (r.font == nullptr) return -1;

  // Base units as the classic dialog manager measures them: the average width of the 52
  // Latin letters, rounded, and the font's line height.
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  XGlyphInfo extents;
  XftTextExtentsUtf8(r.display, r.font, reinterpret_cast<const FcChar8*>(kLetters), 52, &extents);
  DialogBaseUnits units;
  units.charWidth = std::max(1, (extents.xOff / 26 + 1) / 2);
  units.charHeight = std::max(1, r.font->ascent + r.font->descent);
  for (Control& c : controls_) {
    c.x = units.toPixelsX(c.layout.x);
    c.y = units.toPixelsY(c.layout.y);
    c.width = units.toPixelsX(c.layout.width);
    c.height = units.toPixelsY(c.layout.height);
  }
  int width = std::max(1, units.toPixelsX(dialog_.width));
  int height = std::max(1, units.toPixelsY(dialog_.height));

  bool made = createWindow(r, width, height);
  int result = -1;
  if (made) {
    for (size_t i = 0; i < controls_.size(); ++i)
      if (controls_[i].layout.id == dialog_.initialFocus && takesFocus(controls_[i]))
        setFocus(static_cast<int>(i));
    handler_.initialise(*this);
    XMapRaised(r.display, window_);
    XFlush(r.display);
    bool shown = false;
    XEvent event;
    while (!ended_ && !connection_.dead()) {
      XNextEvent(r.display, &event);
      if (connection_.dead()) break;
      if (event.type == MapNotify && event.xmap.window == window_ && !shown) {
        XSetInputFocus(r.display, window_, RevertToParent, CurrentTime);
        XSync(r.display, False);
        connection_.takeError();
        shown = true;
        handler_.shown(*this);
        continue;
      }
      handle(r, event);
    }
    result = ended_ ? result_ : DialogHandler::kCancel;
  }

  if (r.draw != nullptr) XftDrawDestroy(r.draw);
  Visual* visual = DefaultVisual(r.display, screen);
  Colormap colormap = DefaultColormap(r.display, screen);
  if (r.textAllocated) XftColorFree(r.display, visual, colormap, &r.textColour);
  if (r.highlightAllocated) XftColorFree(r.display, visual, colormap, &r.highlightTextColour);
  if (r.gc != nullptr) XFreeGC(r.display, r.gc);
  XftFontClose(r.display, r.font);
  if (window_ != 0 && !connection_.dead()) {
    XDestroyWindow(r.display, window_);
    // Stop hearing about the owner: another run may use this id on a new connection.
    XSync(r.display, False);
    connection_.takeError();
  }
  window_ = 0;
  return result;
}

bool X11ModalDialog::createWindow(Resources& r, int width, int height) {
  Display* d = r.display;
  int screen = DefaultScreen(d);
  Window root = RootWindow(d, screen);
  Colormap colormap = DefaultColormap(d, screen);
  auto colour = [&](unsigned short red, unsigned short green, unsigned short blue) {
    XColor c{};
    c.red = static_cast<unsigned short>(red * 257);
    c.green = static_cast<unsigned short>(green * 257);
    c.blue = static_cast<unsigned short>(blue * 257);
    return XAllocColor(d, colormap, &c) ? c.pixel : BlackPixel(d, screen);
  };
  r.face = colour(212, 208, 200);
  r.light = WhitePixel(d, screen);
  r.white = WhitePixel(d, screen);
  r.shadow = colour(128, 128, 128);
  r.dark = BlackPixel(d, screen);
  r.highlight = colour(10, 36, 106);

  // An editor's child window given as the owner stands for the host's top-level window that
  // holds it: the dialog belongs to that one.
  for (Window w = owner_; w != 0;) {
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(d, w, &rootReturn, &parent, &children, &count) == 0) break;
    if (children != nullptr) XFree(children);
    if (parent == 0 || parent == root) {
      owner_ = w;
      break;
    }
    w = parent;
  }
  connection_.takeError();  // an owner that is already gone is no owner

  // Centred over the owner, or over the screen without one.
  int centreX = DisplayWidth(d, screen) / 2, centreY = DisplayHeight(d, screen) / 2;
  XWindowAttributes ownerAttributes;
  Window child = 0;
  int ox = 0, oy = 0;
  if (owner_ != 0 && XGetWindowAttributes(d, owner_, &ownerAttributes) != 0 &&
      XTranslateCoordinates(d, owner_, root, 0, 0, &ox, &oy, &child) != 0) {
    centreX = ox + ownerAttributes.width / 2;
    centreY = oy + ownerAttributes.height / 2;
    // Closing the owner under an open dialog ends the dialog.
    XSelectInput(d, owner_, StructureNotifyMask);
  }
  connection_.takeError();

  XSetWindowAttributes attributes{};
  attributes.background_pixel = r.face;
  attributes.event_mask = KeyPressMask | ButtonPressMask | ButtonReleaseMask | ExposureMask |
                          StructureNotifyMask;
  int x = std::max(0, centreX - width / 2), y = std::max(0, centreY - height / 2);
  window_ = XCreateWindow(d, root, x, y, width, height, 0, CopyFromParent, InputOutput,
                          CopyFromParent, CWBackPixel | CWEventMask, &attributes);
  if (window_ == 0 || connection_.takeError() != 0) {
    window_ = 0;
    return false;
  }
  // A dialog has the one size its template gives.
  XSizeHints* hints = XAllocSizeHints();
  if (hints != nullptr) {
    hints->flags = PPosition | PMinSize | PMaxSize;
    hints->x = x;
    hints->y = y;
    hints->min_width = hints->max_width = width;
    hints->min_height = hints->max_height = height;
    XSetWMNormalHints(d, window_, hints);
    XFree(hints);
  }
  XStoreName(d, window_, dialog_.title.c_str());
  Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  XChangeProperty(d, window_, XInternAtom(d, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(dialog_.title.data()),
                  static_cast<int>(dialog_.title.size()));
  if (owner_ != 0) XSetTransientForHint(d, window_, owner_);
  Atom type = XInternAtom(d, "_NET_WM_WINDOW_TYPE_DIALOG", False);
  XChangeProperty(d, window_, XInternAtom(d, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                  PropModeReplace, reinterpret_cast<unsigned char*>(&type), 1);
  Atom modal = XInternAtom(d, "_NET_WM_STATE_MODAL", False);
  XChangeProperty(d, window_, XInternAtom(d, "_NET_WM_STATE", False), XA_ATOM, 32,
                  PropModeReplace, reinterpret_cast<unsigned char*>(&modal), 1);
  r.protocols = XInternAtom(d, "WM_PROTOCOLS", False);
  r.deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(d, window_, &r.deleteWindow, 1);
  XClassHint classHint{const_cast<char*>("quorvella"), const_cast<char*>("Quorvella")};
  XSetClassHint(d, window_, &classHint);

  r.gc = XCreateGC(d, window_, 0, nullptr);
  r.draw = XftDrawCreate(d, window_, DefaultVisual(d, screen), colormap);
  XRenderColor black{0, 0, 0, 0xffff};
  XRenderColor whiteText{0xffff, 0xffff, 0xffff, 0xffff};
  r.textAllocated =
      XftColorAllocValue(d, DefaultVisual(d, screen), colormap, &black, &r.textColour) != 0;
  r.highlightAllocated = XftColorAllocValue(d, DefaultVisual(d, screen), colormap, &whiteText,
                                            &r.highlightTextColour) != 0;
  return r.draw != nullptr && r.textAllocated && r.highlightAllocated;
}

void X11ModalDialog::handle(Resources& r, const XEvent& event) {
  switch (event.type) {
    case Expose:
      if (event.xexpose.window == window_ && event.xexpose.count == 0) draw(r);
      break;
    case KeyPress:
      key(r, event);
      break;
    case ButtonPress:
      if (event.xbutton.button == Button1) {
        int index = controlAt(event.xbutton.x, event.xbutton.y);
        if (index >= 0 && takesFocus(controls_[index])) {
          setFocus(index);
          if (controls_[index].layout.kind != DialogControlKind::numberEdit) pressed_ = index;
          draw(r);
        }
      }
      break;
    case ButtonRelease:
      if (event.xbutton.button == Button1 && pressed_ >= 0) {
        int index = pressed_;
        pressed_ = -1;
        // A press dragged off the control and released elsewhere does nothing, as usual.
        if (controlAt(event.xbutton.x, event.xbutton.y) == index) activate(index);
        if (!ended_) draw(r);
      }
      break;
    case ClientMessage:
      if (event.xclient.window == window_ && event.xclient.message_type == r.protocols &&
          static_cast<Atom>(event.xclient.data.l[0]) == r.deleteWindow)
        handler_.command(*this, DialogHandler::kCancel);
      break;
    case DestroyNotify:
      if (owner_ != 0 && event.xdestroywindow.window == owner_) end(DialogHandler::kCancel);
      break;
    default:
      break;
  }
}

void X11ModalDialog::key(Resources& r, const XEvent& event) {
  XKeyEvent copy = event.xkey;
  char buffer[8] = {};
  KeySym sym = NoSymbol;
  int length = XLookupString(&copy, buffer, sizeof buffer, &sym, nullptr);
  Control* focused = focus_ >= 0 ? &controls_[focus_] : nullptr;
  if (sym == XK_Tab || sym == XK_ISO_Left_Tab) {
    moveFocus(sym == XK_ISO_Left_Tab || (event.xkey.state & ShiftMask) ? -1 : 1);
  } else if (sym == XK_Escape) {
    handler_.command(*this, DialogHandler::kCancel);
  } else if (sym == XK_Return || sym == XK_KP_Enter) {
    if (focused != nullptr && focused->layout.kind == DialogControlKind::pushButton) {
      activate(focus_);
    } else {
      for (size_t i = 0; i < controls_.size(); ++i)
        if (controls_[i].layout.kind == DialogControlKind::defaultPushButton) {
          activate(static_cast<int>(i));
          break;
        }
    }
  } else if (focused != nullptr && focused->layout.kind == DialogControlKind::numberEdit) {
    if (sym == XK_BackSpace) {
      if (selectAll_) focused->text.clear();
      else if (!focused->text.empty()) focused->text.pop_back();
      selectAll_ = false;
    } else if (length == 1 && buffer[0] >= '0' && buffer[0] <= '9') {
      if (selectAll_) focused->text.clear();
      selectAll_ = false;
      if (focused->text.size() < kMaximumEditLength) focused->text += buffer[0];
    }
  } else if (sym == XK_space && focused != nullptr) {
    activate(focus_);
  }
  if (!ended_) draw(r);
}

void X11ModalDialog::activate(int index) {
  const Control& c = controls_[index];
  if (c.layout.kind == DialogControlKind::pushButton ||
      c.layout.kind == DialogControlKind::defaultPushButton ||
      c.layout.kind == DialogControlKind::checkBox)
    handler_.command(*this, c.layout.id);
}

void X11ModalDialog::setFocus(int index) {
  if (index == focus_) return;
  focus_ = index;
  selectAll_ = index >= 0 && controls_[index].layout.kind == DialogControlKind::numberEdit;
}

void X11ModalDialog::moveFocus(int step) {
  int count = static_cast<int>(controls_.size());
  int index = focus_ < 0 ? (step > 0 ? -1 : 0) : focus_;
  for (int k = 0; k < count; ++k) {
    index = ((index + step) % count + count) % count;
    if (takesFocus(controls_[index])) {
      setFocus(index);
      return;
    }
  }
}

int X11ModalDialog::controlAt(int x, int y) const {
  // Later controls lie on top (the check boxes inside their group box).
  for (int i = static_cast<int>(controls_.size()) - 1; i >= 0; --i) {
    const Control& c = controls_[i];
    if (x >= c.x && x < c.x + c.width && y >= c.y && y < c.y + c.height) return i;
  }
  return -1;
}

void X11ModalDialog::draw(Resources& r) {
  XClearWindow(r.display, window_);
  for (size_t i = 0; i < controls_.size(); ++i) drawControl(r, static_cast<int>(i));
  XFlush(r.display);
}

void X11ModalDialog::drawText(Resources& r, const std::string& text, int x, int y, int width,
                              int height, bool centred, bool highlighted) {
  if (text.empty()) return;
  XGlyphInfo extents;
  const FcChar8* bytes = reinterpret_cast<const FcChar8*>(text.data());
  int length = static_cast<int>(text.size());
  XftTextExtentsUtf8(r.display, r.font, bytes, length, &extents);
  int left = centred ? x + (width - extents.xOff) / 2 : x;
  int lineHeight = r.font->ascent + r.font->descent;
  int baseline = y + (height - lineHeight) / 2 + r.font->ascent;
  if (highlighted) {
    XSetForeground(r.display, r.gc, r.highlight);
    XFillRectangle(r.display, window_, r.gc, left, baseline - r.font->ascent, extents.xOff,
                   lineHeight);
  }
  XRectangle clip{static_cast<short>(x), static_cast<short>(y),
                  static_cast<unsigned short>(std::max(0, width)),
                  static_cast<unsigned short>(std::max(0, height))};
  XftDrawSetClipRectangles(r.draw, 0, 0, &clip, 1);
  XftDrawStringUtf8(r.draw, highlighted ? &r.highlightTextColour : &r.textColour, r.font, left,
                    baseline, bytes, length);
  XftDrawSetClip(r.draw, nullptr);
}

void X11ModalDialog::drawControl(Resources& r, int index) {
  const Control& c = controls_[index];
  Display* d = r.display;
  GC gc = r.gc;
  bool focused = index == focus_;
  auto line = [&](unsigned long colour, int x0, int y0, int x1, int y1) {
    XSetForeground(d, gc, colour);
    XDrawLine(d, window_, gc, x0, y0, x1, y1);
  };
  auto bevel = [&](int x, int y, int w, int h, unsigned long topLeft, unsigned long bottomRight) {
    line(topLeft, x, y, x + w - 1, y);
    line(topLeft, x, y, x, y + h - 1);
    line(bottomRight, x, y + h - 1, x + w - 1, y + h - 1);
    line(bottomRight, x + w - 1, y, x + w - 1, y + h - 1);
  };
  auto focusFrame = [&](int x, int y, int w, int h) {
    XSetLineAttributes(d, gc, 1, LineOnOffDash, CapButt, JoinMiter);
    XSetForeground(d, gc, r.dark);
    XDrawRectangle(d, window_, gc, x, y, std::max(0, w - 1), std::max(0, h - 1));
    XSetLineAttributes(d, gc, 1, LineSolid, CapButt, JoinMiter);
  };
  switch (c.layout.kind) {
    case DialogControlKind::staticText:
      drawText(r, c.text, c.x, c.y, c.width, c.height, false, false);
      break;
    case DialogControlKind::groupBox: {
      int top = c.y + (r.font->ascent + r.font->descent) / 2;
      bevel(c.x, top, c.width, c.height - (top - c.y), r.shadow, r.light);
      bevel(c.x + 1, top + 1, c.width - 2, c.height - (top - c.y) - 2, r.light, r.shadow);
      XGlyphInfo extents;
      XftTextExtentsUtf8(d, r.font, reinterpret_cast<const FcChar8*>(c.text.data()),
                         static_cast<int>(c.text.size()), &extents);
      XSetForeground(d, gc, r.face);
      XFillRectangle(d, window_, gc, c.x + 6, c.y, extents.xOff + 4,
                     r.font->ascent + r.font->descent);
      drawText(r, c.text, c.x + 8, c.y, c.width - 8, r.font->ascent + r.font->descent, false,
               false);
      break;
    }
    case DialogControlKind::pushButton:
    case DialogControlKind::defaultPushButton: {
      bool down = index == pressed_;
      bool framed = c.layout.kind == DialogControlKind::defaultPushButton || focused;
      int x = c.x, y = c.y, w = c.width, h = c.height;
      if (framed) {
        XSetForeground(d, gc, r.dark);
        XDrawRectangle(d, window_, gc, x, y, w - 1, h - 1);
        ++x, ++y, w -= 2, h -= 2;
      }
      if (down) {
        bevel(x, y, w, h, r.shadow, r.shadow);
      } else {
        bevel(x, y, w, h, r.light, r.dark);
        bevel(x + 1, y + 1, w - 2, h - 2, r.face, r.shadow);
      }
      int shift = down ? 1 : 0;
      drawText(r, c.text, x + 2 + shift, y + shift, w - 4, h, true, false);
      if (focused) focusFrame(x + 3, y + 3, w - 6, h - 6);
      break;
    }
    case DialogControlKind::numberEdit: {
      XSetForeground(d, gc, r.white);
      XFillRectangle(d, window_, gc, c.x, c.y, c.width, c.height);
      bevel(c.x, c.y, c.width, c.height, r.shadow, r.light);
      bevel(c.x + 1, c.y + 1, c.width - 2, c.height - 2, r.dark, r.face);
      drawText(r, c.text, c.x + 3, c.y, c.width - 6, c.height, false, focused && selectAll_);
      if (focused && !selectAll_) {
        XGlyphInfo extents;
        XftTextExtentsUtf8(d, r.font, reinterpret_cast<const FcChar8*>(c.text.data()),
                           static_cast<int>(c.text.size()), &extents);
        int caret = std::min(c.x + c.width - 3, c.x + 3 + extents.xOff);
        line(r.dark, caret, c.y + 2, caret, c.y + c.height - 3);
      }
      break;
    }
    case DialogControlKind::checkBox: {
      int size = std::min(kCheckBoxSize, c.height);
      int bx = c.x, by = c.y + (c.height - size) / 2;
      XSetForeground(d, gc, index == pressed_ ? r.face : r.white);
      XFillRectangle(d, window_, gc, bx, by, size, size);
      bevel(bx, by, size, size, r.shadow, r.light);
      bevel(bx + 1, by + 1, size - 2, size - 2, r.dark, r.face);
      if (c.checked) {
        XSetLineAttributes(d, gc, 2, LineSolid, CapButt, JoinMiter);
        line(r.dark, bx + 3, by + size / 2, bx + size / 2 - 1, by + size - 4);
        line(r.dark, bx + size / 2 - 1, by + size - 4, bx + size - 4, by + 3);
        XSetLineAttributes(d, gc, 1, LineSolid, CapButt, JoinMiter);
      }
      int textX = bx + size + 4;
      drawText(r, c.text, textX, c.y, c.x + c.width - textX, c.height, false, false);
      if (focused) {
        XGlyphInfo extents;
        XftTextExtentsUtf8(d, r.font, reinterpret_cast<const FcChar8*>(c.text.data()),
                           static_cast<int>(c.text.size()), &extents);
        focusFrame(textX - 1, c.y, std::min(extents.xOff + 3, c.x + c.width - textX + 1),
                   c.height);
      }
      break;
    }
  }
}

}  // namespace platform
