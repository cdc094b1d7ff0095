// GLSL programs for the editor's lit drawing, made through the ARB shader-object entry
// points. A GL implementation without shader objects, vertex shaders or fragment shaders
// gets no program (0), and its callers draw unlit.
//
// Threads: render thread only, with the editor's GL context current and GLEW initialised.
#pragma once

namespace HC {

class ShaderProgram {
 public:
  // All three shader capabilities offered by the GL implementation.
  static bool supported();
  // Compiles the given stages (either source may be null: that stage stays fixed-function)
  // and links them; 0 without shader support. Compile and link errors are not reported: a
  // program that failed draws as the implementation draws an unusable one.
  static unsigned build(const char* vertexSource, const char* fragmentSource);
  // Detaches and deletes the program's shaders and the program; program becomes 0.
  static void destroy(unsigned& program);
  // The location of a uniform, -1 when absent or without a program.
  static int uniform(unsigned program, const char* name);
};

}  // namespace HC
