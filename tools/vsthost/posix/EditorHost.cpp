#include "vsthost/EditorHost.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>

namespace vsthost {

struct EditorHost::Native {
  Display* display = nullptr;
  Atom deleteWindow = 0;
};

namespace {
// The parent may be destroyed by another client at any moment; as the host we own the
// process's error handler, and a vanished window must not end the host.
int tolerateErrors(Display*, XErrorEvent*) { return 0; }
}  // namespace

EditorHost::EditorHost(HostedEffect& effect) : effect_(effect) {}

EditorHost::~EditorHost() { close(); }

bool EditorHost::open(const std::string& title, std::string& error) {
  if (open_) return true;
  if (effect_.record() == nullptr) {
    error = "no plug-in instance";
    return false;
  }
  if ((effect_.record()->flags & effFlagsHasEditor) == 0) {
    error = "the plug-in has no editor";
    return false;
  }
  auto native = std::make_unique<Native>();
  native->display = XOpenDisplay(nullptr);
  if (native->display == nullptr) {
    error = "cannot open the X display (is DISPLAY set?)";
    return false;
  }
  XSetErrorHandler(tolerateErrors);
  Display* display = native->display;

  ERect* rect = nullptr;
  effect_.dispatch(effEditGetRect, 0, 0, &rect);
  width_ = height_ = 0;
  if (rect != nullptr) {
    width_ = std::max(0, rect->right - rect->left);
    height_ = std::max(0, rect->bottom - rect->top);
  }
  Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0,
                                      static_cast<unsigned>(std::max(1, width_)),
                                      static_cast<unsigned>(std::max(1, height_)), 0, 0, 0);
  XStoreName(display, window, title.c_str());
  XSelectInput(display, window, StructureNotifyMask);
  native->deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &native->deleteWindow, 1);
  // A fixed size: the editor does not follow a resized parent.
  XSizeHints* hints = XAllocSizeHints();
  if (hints != nullptr) {
    hints->flags = PMinSize | PMaxSize;
    hints->min_width = hints->max_width = std::max(1, width_);
    hints->min_height = hints->max_height = std::max(1, height_);
    XSetWMNormalHints(display, window, hints);
    XFree(hints);
  }
  XMapWindow(display, window);
  XSync(display, False);

  native_ = std::move(native);
  window_ = window;
  windowGone_ = false;
  open_ = true;
  openAnswer_ = effect_.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(window_));
  return true;
}

bool EditorHost::idle() {
  if (!open_) return false;
  if (!windowGone_) effect_.dispatch(effEditIdle);
  Display* display = native_->display;
  while (!windowGone_ && XPending(display) > 0) {
    XEvent e;
    XNextEvent(display, &e);
    if (e.xany.window != static_cast<Window>(window_)) continue;
    if (e.type == DestroyNotify) windowGone_ = true;
    if (e.type == ClientMessage &&
        static_cast<Atom>(e.xclient.data.l[0]) == native_->deleteWindow)
      windowGone_ = true;
  }
  return !windowGone_;
}

bool EditorHost::capture(std::vector<uint8_t>& rgb, std::string& error) {
  if (!open_ || windowGone_ || width_ < 1 || height_ < 1) {
    error = "the editor's window is not open";
    return false;
  }
  Display* display = native_->display;
  XImage* image = XGetImage(display, static_cast<Window>(window_), 0, 0,
                            static_cast<unsigned>(width_), static_cast<unsigned>(height_),
                            AllPlanes, ZPixmap);
  if (image == nullptr) {
    error = "cannot read the editor's window from the X server";
    return false;
  }
  const bool trueColour = image->red_mask == 0xff0000 && image->green_mask == 0xff00 &&
                          image->blue_mask == 0xff && image->bits_per_pixel >= 24;
  if (trueColour) {
    rgb.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 3);
    size_t i = 0;
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        unsigned long pixel = XGetPixel(image, x, y);
        rgb[i++] = static_cast<uint8_t>(pixel >> 16);
        rgb[i++] = static_cast<uint8_t>(pixel >> 8);
        rgb[i++] = static_cast<uint8_t>(pixel);
      }
    }
  } else {
    error = "the X server's visual is not 24-bit true colour";
  }
  XDestroyImage(image);
  return trueColour;
}

void EditorHost::close() {
  if (!open_) return;
  effect_.dispatch(effEditClose);
  Display* display = native_->display;
  XDestroyWindow(display, static_cast<Window>(window_));
  XSync(display, False);
  XCloseDisplay(display);
  native_.reset();
  open_ = false;
  window_ = 0;
}

}  // namespace vsthost
