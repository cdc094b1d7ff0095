#include "platform/posix/StandaloneWindow.h"

#include <X11/Xatom.h>
#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>

#include "platform/posix/XConnection.h"

namespace platform {

namespace {

constexpr int kArrowWidth = 28;
constexpr int kMinimumWidth = 360;
constexpr const char* kHint = "Page Up / Page Down";
const XRenderColor kBackground{0x2600, 0x2800, 0x2c00, 0xffff};
const XRenderColor kText{0xe800, 0xe800, 0xe800, 0xffff};
const XRenderColor kDim{0x9000, 0x9400, 0x9c00, 0xffff};

}  // namespace

struct StandaloneWindow::Native {
  XConnection connection;
  Window window = 0, editorArea = 0;
  int width = 0;
  Atom deleteWindow = 0;
  GC gc = nullptr;
  XftFont* font = nullptr;
  XftDraw* draw = nullptr;
  XftColor text{}, dim{}, background{};
  bool coloursAllocated = false;

  ~Native() {
    Display* d = connection.display();
    if (!d) return;
    const int screen = DefaultScreen(d);
    if (draw) XftDrawDestroy(draw);
    if (coloursAllocated) {
      for (XftColor* c : {&text, &dim, &background})
        XftColorFree(d, DefaultVisual(d, screen), DefaultColormap(d, screen), c);
    }
    if (font) XftFontClose(d, font);
    if (gc) XFreeGC(d, gc);
    if (window && !connection.dead()) {
      XDestroyWindow(d, window);
      XSync(d, False);
    }
  }
};

StandaloneWindow::StandaloneWindow(const std::string& title, int editorWidth, int editorHeight,
                                   Listener& listener)
    : native(std::make_unique<Native>()), listener(listener) {
  Native& n = *native;
  Display* d = n.connection.display();
  if (!n.connection.valid()) {
    errorText = "cannot open the X display (is DISPLAY set?)";
    return;
  }
  const int screen = DefaultScreen(d);
  n.font = XftFontOpen(d, screen, XFT_FAMILY, XftTypeString, "Liberation Sans,DejaVu Sans,sans-serif",
                       XFT_PIXEL_SIZE, XftTypeDouble, 14.0, nullptr);
  if (!n.font) {
    errorText = "no font for the program strip";
    return;
  }
  Visual* visual = DefaultVisual(d, screen);
  Colormap colormap = DefaultColormap(d, screen);
  n.coloursAllocated = XftColorAllocValue(d, visual, colormap, &kText, &n.text) &&
                       XftColorAllocValue(d, visual, colormap, &kDim, &n.dim) &&
                       XftColorAllocValue(d, visual, colormap, &kBackground, &n.background);

  n.width = std::max({1, editorWidth, kMinimumWidth});
  const int height = kStripHeight + std::max(1, editorHeight);
  n.window = XCreateSimpleWindow(d, RootWindow(d, screen), 0, 0, static_cast<unsigned>(n.width),
                                 static_cast<unsigned>(height), 0, 0, n.background.pixel);
  XStoreName(d, n.window, title.c_str());
  XSelectInput(d, n.window,
               ExposureMask | ButtonPressMask | KeyPressMask | StructureNotifyMask);
  n.deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(d, n.window, &n.deleteWindow, 1);
  // A fixed size: the editor does not follow a resized parent.
  if (XSizeHints* hints = XAllocSizeHints()) {
    hints->flags = PMinSize | PMaxSize;
    hints->min_width = hints->max_width = n.width;
    hints->min_height = hints->max_height = height;
    XSetWMNormalHints(d, n.window, hints);
    XFree(hints);
  }
  n.editorArea = XCreateSimpleWindow(d, n.window, (n.width - std::max(1, editorWidth)) / 2,
                                     kStripHeight, static_cast<unsigned>(std::max(1, editorWidth)),
                                     static_cast<unsigned>(std::max(1, editorHeight)), 0, 0,
                                     n.background.pixel);
  n.gc = XCreateGC(d, n.window, 0, nullptr);
  n.draw = XftDrawCreate(d, n.window, visual, colormap);
  XMapWindow(d, n.editorArea);
  XMapWindow(d, n.window);
  XSync(d, False);
  if (n.connection.takeError() != 0 || !n.draw || !n.coloursAllocated) {
    errorText = "cannot make the application's window";
    return;
  }
}

StandaloneWindow::~StandaloneWindow() = default;

bool StandaloneWindow::ok() const { return errorText.empty() && native->connection.valid(); }

uintptr_t StandaloneWindow::window() const { return native->window; }

uintptr_t StandaloneWindow::editorParent() const { return native->editorArea; }

void StandaloneWindow::showProgram(const std::string& text) {
  program = text;
  draw();
}

void StandaloneWindow::draw() {
  if (!ok()) return;
  Native& n = *native;
  Display* d = n.connection.display();
  XSetForeground(d, n.gc, n.background.pixel);
  XFillRectangle(d, n.window, n.gc, 0, 0, static_cast<unsigned>(n.width), kStripHeight);
  // The two arrows, as filled triangles: no glyph of any font is needed for them.
  const int middle = kStripHeight / 2;
  XSetForeground(d, n.gc, n.text.pixel);
  XPoint left[3] = {{10, static_cast<short>(middle)},
                    {20, static_cast<short>(middle - 6)},
                    {20, static_cast<short>(middle + 6)}};
  XPoint right[3] = {{static_cast<short>(n.width - 10), static_cast<short>(middle)},
                     {static_cast<short>(n.width - 20), static_cast<short>(middle - 6)},
                     {static_cast<short>(n.width - 20), static_cast<short>(middle + 6)}};
  XFillPolygon(d, n.window, n.gc, left, 3, Convex, CoordModeOrigin);
  XFillPolygon(d, n.window, n.gc, right, 3, Convex, CoordModeOrigin);

  const int baseline = (kStripHeight + n.font->ascent - n.font->descent) / 2;
  XGlyphInfo hint;
  XftTextExtentsUtf8(d, n.font, reinterpret_cast<const FcChar8*>(kHint),
                     static_cast<int>(std::char_traits<char>::length(kHint)), &hint);
  const int hintX = n.width - kArrowWidth - 8 - hint.xOff;
  XRectangle clip{static_cast<short>(kArrowWidth), 0,
                  static_cast<unsigned short>(std::max(0, hintX - 12 - kArrowWidth)),
                  static_cast<unsigned short>(kStripHeight)};
  XftDrawSetClipRectangles(n.draw, 0, 0, &clip, 1);
  XftDrawStringUtf8(n.draw, &n.text, n.font, kArrowWidth + 6, baseline,
                    reinterpret_cast<const FcChar8*>(program.data()), static_cast<int>(program.size()));
  XftDrawSetClip(n.draw, nullptr);
  if (hintX > kArrowWidth + 120)
    XftDrawStringUtf8(n.draw, &n.dim, n.font, hintX, baseline,
                      reinterpret_cast<const FcChar8*>(kHint),
                      static_cast<int>(std::char_traits<char>::length(kHint)));
  XFlush(d);
}

bool StandaloneWindow::poll() {
  if (closed || !ok()) return false;
  Native& n = *native;
  Display* d = n.connection.display();
  while (!closed && !n.connection.dead() && XPending(d) > 0) {
    XEvent e;
    XNextEvent(d, &e);
    if (e.xany.window != n.window) continue;
    switch (e.type) {
      case Expose:
        if (e.xexpose.count == 0) draw();
        break;
      case ButtonPress:
        if (e.xbutton.y >= kStripHeight) break;
        if (e.xbutton.button == Button4) listener.stepProgram(-1);
        else if (e.xbutton.button == Button5) listener.stepProgram(+1);
        else if (e.xbutton.button == Button1 && e.xbutton.x < kArrowWidth) listener.stepProgram(-1);
        else if (e.xbutton.button == Button1 && e.xbutton.x >= n.width - kArrowWidth)
          listener.stepProgram(+1);
        break;
      case KeyPress: {
        const KeySym key = XLookupKeysym(&e.xkey, 0);
        if (key == XK_Page_Up || key == XK_KP_Page_Up) listener.stepProgram(-1);
        if (key == XK_Page_Down || key == XK_KP_Page_Down) listener.stepProgram(+1);
        break;
      }
      case DestroyNotify:
        n.window = 0;
        closed = true;
        break;
      case ClientMessage:
        if (static_cast<Atom>(e.xclient.data.l[0]) == n.deleteWindow) closed = true;
        break;
      default:
        break;
    }
  }
  if (n.connection.dead()) closed = true;
  return !closed;
}

}  // namespace platform
