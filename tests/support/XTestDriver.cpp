#include "support/XTestDriver.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>

namespace testsupport {

Pixel Image::at(int x, int y) const {
  Pixel p;
  if (x < 0 || y < 0 || x >= width || y >= height) return p;
  const uint8_t* q = &rgb[(static_cast<size_t>(y) * width + x) * 3];
  p.r = q[0];
  p.g = q[1];
  p.b = q[2];
  return p;
}

int Image::count(const Pixel& colour, int x0, int y0, int x1, int y1, int tolerance) const {
  int n = 0;
  for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
    for (int x = std::max(0, x0); x < std::min(width, x1); ++x) {
      Pixel p = at(x, y);
      if (std::abs(p.r - colour.r) <= tolerance && std::abs(p.g - colour.g) <= tolerance &&
          std::abs(p.b - colour.b) <= tolerance)
        ++n;
    }
  return n;
}

XTestDriver::XTestDriver() {
  display_ = XOpenDisplay(nullptr);
  if (display_ == nullptr) return;
  int event, error, major, minor;
  if (!XTestQueryExtension(display_, &event, &error, &major, &minor)) {
    XCloseDisplay(display_);
    display_ = nullptr;
  }
}

XTestDriver::~XTestDriver() {
  if (display_ == nullptr) return;
  // Windows already destroyed by the test give errors that must not end the run.
  XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  for (unsigned long w : windows_) XDestroyWindow(display_, w);
  XSync(display_, False);
  XSetErrorHandler(previous);
  XCloseDisplay(display_);
}

uintptr_t XTestDriver::createWindow(int width, int height, const std::string& title) {
  if (display_ == nullptr) return 0;
  // Side by side, so that no window hides another from a screenshot.
  const int slot = static_cast<int>(created_++ % 8);
  Window w = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 100 + (slot % 4) * 290,
                                 100 + (slot / 4) * 420,
                                 static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                                 0, 0);
  XStoreName(display_, w, title.c_str());
  XMapWindow(display_, w);
  XSync(display_, False);
  windows_.push_back(w);
  return w;
}

void XTestDriver::destroyWindow(uintptr_t window) {
  if (display_ == nullptr) return;
  XDestroyWindow(display_, static_cast<Window>(window));
  XSync(display_, False);
  windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
}

void XTestDriver::closeWindow(uintptr_t window) {
  if (display_ == nullptr) return;
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = static_cast<Window>(window);
  e.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  XSendEvent(display_, static_cast<Window>(window), False, NoEventMask, &e);
  XSync(display_, False);
  XSetErrorHandler(previous);
}

uintptr_t XTestDriver::rootWindow() const {
  return display_ != nullptr ? DefaultRootWindow(display_) : 0;
}

void XTestDriver::moveWindow(uintptr_t window, int x, int y) {
  if (display_ == nullptr) return;
  XMoveWindow(display_, static_cast<Window>(window), x, y);
  XSync(display_, False);
}

void XTestDriver::unmapWindow(uintptr_t window) {
  if (display_ == nullptr) return;
  XUnmapWindow(display_, static_cast<Window>(window));
  XSync(display_, False);
}

void XTestDriver::mapWindow(uintptr_t window) {
  if (display_ == nullptr) return;
  XMapWindow(display_, static_cast<Window>(window));
  XSync(display_, False);
}

void XTestDriver::paintOver(uintptr_t window, const Pixel& colour) {
  int width = 0, height = 0;
  if (display_ == nullptr || !windowSize(window, width, height)) return;
  Visual* visual = DefaultVisual(display_, DefaultScreen(display_));
  auto channel = [](int value, unsigned long mask) {
    unsigned long v = static_cast<unsigned long>(value & 255);
    while (mask != 0 && (mask & 1) == 0) {
      mask >>= 1;
      v <<= 1;
    }
    return v;
  };
  GC gc = XCreateGC(display_, static_cast<Window>(window), 0, nullptr);
  XSetForeground(display_, gc,
                 channel(colour.r, visual->red_mask) | channel(colour.g, visual->green_mask) |
                     channel(colour.b, visual->blue_mask));
  XFillRectangle(display_, static_cast<Window>(window), gc, 0, 0,
                 static_cast<unsigned>(width), static_cast<unsigned>(height));
  XFreeGC(display_, gc);
  XSync(display_, False);
}

std::vector<uintptr_t> XTestDriver::children(uintptr_t window) {
  std::vector<uintptr_t> list;
  if (display_ == nullptr) return list;
  Window root, parent, *kids = nullptr;
  unsigned count = 0;
  XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  if (XQueryTree(display_, static_cast<Window>(window), &root, &parent, &kids, &count) != 0) {
    for (unsigned i = 0; i < count; ++i) list.push_back(kids[i]);
    if (kids != nullptr) XFree(kids);
  }
  XSync(display_, False);
  XSetErrorHandler(previous);
  return list;
}

uintptr_t XTestDriver::findWindow(const std::string& title) {
  if (display_ == nullptr) return 0;
  // Another client's windows may go at any moment (a closing dialog, a tooltip); asking for
  // the name of one that just went is an error to ignore, not the end of the test.
  uintptr_t found = 0;
  XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  for (uintptr_t w : children(DefaultRootWindow(display_))) {
    char* name = nullptr;
    bool same = XFetchName(display_, static_cast<Window>(w), &name) != 0 && name != nullptr &&
                title == name;
    if (name != nullptr) XFree(name);
    if (same) {
      found = w;
      break;
    }
  }
  XSync(display_, False);
  XSetErrorHandler(previous);
  return found;
}

uintptr_t XTestDriver::transientFor(uintptr_t window) {
  if (display_ == nullptr) return 0;
  Window owner = 0;
  XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  if (XGetTransientForHint(display_, static_cast<Window>(window), &owner) == 0) owner = 0;
  XSync(display_, False);
  XSetErrorHandler(previous);
  return owner;
}

bool XTestDriver::windowSize(uintptr_t window, int& width, int& height) {
  if (display_ == nullptr) return false;
  XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  XWindowAttributes a;
  bool ok = XGetWindowAttributes(display_, static_cast<Window>(window), &a) != 0;
  XSync(display_, False);
  XSetErrorHandler(previous);
  if (!ok) return false;
  width = a.width;
  height = a.height;
  return true;
}

void XTestDriver::movePointer(uintptr_t window, int x, int y) {
  if (display_ == nullptr) return;
  int rootX = 0, rootY = 0;
  Window child;
  XTranslateCoordinates(display_, static_cast<Window>(window), DefaultRootWindow(display_), x, y,
                        &rootX, &rootY, &child);
  XTestFakeMotionEvent(display_, DefaultScreen(display_), rootX, rootY, CurrentTime);
  sync();
}

void XTestDriver::pressButton(int button) {
  if (display_ == nullptr) return;
  XTestFakeButtonEvent(display_, static_cast<unsigned>(button), True, CurrentTime);
  sync();
}

void XTestDriver::releaseButton(int button) {
  if (display_ == nullptr) return;
  XTestFakeButtonEvent(display_, static_cast<unsigned>(button), False, CurrentTime);
  sync();
}

void XTestDriver::key(unsigned long keysym, bool down) {
  KeyCode code = XKeysymToKeycode(display_, keysym);
  if (code == 0) return;
  XTestFakeKeyEvent(display_, code, down ? True : False, CurrentTime);
}

static unsigned long keysymOf(XTestDriver::Key k) {
  switch (k) {
    case XTestDriver::Key::Shift: return XK_Shift_L;
    case XTestDriver::Key::Control: return XK_Control_L;
    default: return XK_Alt_L;
  }
}

void XTestDriver::holdKey(Key k) {
  if (display_ == nullptr) return;
  key(keysymOf(k), true);
  sync();
}

void XTestDriver::releaseKey(Key k) {
  if (display_ == nullptr) return;
  key(keysymOf(k), false);
  sync();
}

void XTestDriver::typeText(const std::string& text) {
  if (display_ == nullptr) return;
  for (char c : text) {
    unsigned long sym = c == '\n'     ? XK_Return
                        : c == '\b'   ? XK_BackSpace
                        : c == '\t'   ? XK_Tab
                        : c == '\x1b' ? XK_Escape
                                      : static_cast<unsigned char>(c);
    KeyCode code = XKeysymToKeycode(display_, sym);
    if (code == 0) continue;
    // Characters on the shifted level of their key need Shift held.
    bool shifted = XkbKeycodeToKeysym(display_, code, 0, 0) != sym;
    if (shifted) key(XK_Shift_L, true);
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    if (shifted) key(XK_Shift_L, false);
  }
  sync();
}

void XTestDriver::focus(uintptr_t window) {
  if (display_ == nullptr) return;
  Window target = window != 0 ? static_cast<Window>(window) : DefaultRootWindow(display_);
  // A window that is not (yet, or any more) viewable refuses the focus: not fatal.
  XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  XSetInputFocus(display_, target, RevertToPointerRoot, CurrentTime);
  sync();
  XSetErrorHandler(previous);
}

uintptr_t XTestDriver::focusedWindow() {
  if (display_ == nullptr) return 0;
  Window focused = 0;
  int revert = 0;
  XGetInputFocus(display_, &focused, &revert);
  if (focused == PointerRoot || focused == DefaultRootWindow(display_)) return 0;
  return focused;
}

void XTestDriver::sync() {
  if (display_ != nullptr) XSync(display_, False);
}

bool XTestDriver::screenshot(uintptr_t window, Image& out) {
  int width = 0, height = 0;
  if (!windowSize(window, width, height)) return false;
  XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  XImage* image = XGetImage(display_, static_cast<Window>(window), 0, 0,
                            static_cast<unsigned>(width), static_cast<unsigned>(height),
                            AllPlanes, ZPixmap);
  XSync(display_, False);
  XSetErrorHandler(previous);
  if (image == nullptr) return false;
  auto shiftOf = [](unsigned long mask) {
    int s = 0;
    while (mask != 0 && (mask & 1) == 0) {
      mask >>= 1;
      ++s;
    }
    return s;
  };
  const int rs = shiftOf(image->red_mask), gs = shiftOf(image->green_mask),
            bs = shiftOf(image->blue_mask);
  out.width = width;
  out.height = height;
  out.rgb.assign(static_cast<size_t>(width) * height * 3, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      unsigned long p = XGetPixel(image, x, y);
      uint8_t* q = &out.rgb[(static_cast<size_t>(y) * width + x) * 3];
      q[0] = static_cast<uint8_t>((p & image->red_mask) >> rs);
      q[1] = static_cast<uint8_t>((p & image->green_mask) >> gs);
      q[2] = static_cast<uint8_t>((p & image->blue_mask) >> bs);
    }
  XDestroyImage(image);
  return true;
}

}  // namespace testsupport
