#include "gui/product/ShaderProgram.h"

#include <GL/glew.h>

namespace HC {

namespace {

void attach(GLhandleARB program, GLenum type, const char* source) {
  if (!source) return;
  GLhandleARB shader = glCreateShaderObjectARB(type);
  glShaderSourceARB(shader, 1, &source, nullptr);
  glCompileShaderARB(shader);
  glAttachObjectARB(program, shader);
}

}  // namespace

bool ShaderProgram::supported() {
  return GLEW_ARB_shader_objects && GLEW_ARB_vertex_shader && GLEW_ARB_fragment_shader;
}

unsigned ShaderProgram::build(const char* vertexSource, const char* fragmentSource) {
  if (!supported()) return 0;
  GLhandleARB program = glCreateProgramObjectARB();
  attach(program, GL_VERTEX_SHADER_ARB, vertexSource);
  attach(program, GL_FRAGMENT_SHADER_ARB, fragmentSource);
  glLinkProgramARB(program);
  return program;
}

void ShaderProgram::destroy(unsigned& program) {
  if (program == 0) return;
  GLhandleARB shaders[2] = {0, 0};
  GLsizei count = 0;
  glGetAttachedObjectsARB(program, 2, &count, shaders);
  for (GLsizei i = 0; i < count; ++i) {
    glDetachObjectARB(program, shaders[i]);
    glDeleteObjectARB(shaders[i]);
  }
  glDeleteObjectARB(program);
  program = 0;
}

int ShaderProgram::uniform(unsigned program, const char* name) {
  return program ? glGetUniformLocationARB(program, name) : -1;
}

}  // namespace HC
