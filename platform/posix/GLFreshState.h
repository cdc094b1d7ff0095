// Puts the current GL context's state back to what a fresh context has, so that a context
// can serve another editor: every piece of state that drawing of the editor's kind sets
// (fixed-function 2D and 3D with textures, blending, lighting, shader programs,
// framebuffer objects, client arrays, pixel storage). Set by hand rather than saved with
// glPushAttrib when the context is made: Mesa's attribute stack copies every texture
// unit's objects, some MiB per context kept for as long as the context lives.
//
// Threading: the thread on which the context is current. Viewport and scissor box are left
// as they are: every user sets them for its own window.
#pragma once

namespace platform {

class GLFreshState {
public:
  static void restore();
};

}  // namespace platform
