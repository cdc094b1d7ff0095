#include "gui/product/ALmanager.h"

#include <GL/glew.h>

#include "gui/elements/EditorOptions.h"
#include "gui/product/ShaderProgram.h"
#include "gui/text/Texture.h"

namespace HC {

namespace {

// The labels layer is 1024 x 512; the tile's normal map repeats every 64 pixels of it.
// Pixels holding label text (alpha 0.16 and more) are drawn unlit.
const char* const kBackgroundShader = R"(#version 110
uniform sampler2D tex;
uniform sampler2D normalMap;
uniform float viewportH;
void main() {
  vec2 st = gl_TexCoord[0].st;
  vec4 diffuse = texture2D(tex, st);
  vec3 n = texture2D(normalMap, st * vec2(16.0, 8.0)).xyz * 2.0 - 1.0;
  vec3 p = vec3(1024.0 * st.s, viewportH - 512.0 * st.t, 0.0);
  vec3 l = gl_LightSource[1].position.xyz - p;
  vec3 lightDir = normalize(l);
  float d = 300.0 * max(0.0, dot(n, lightDir)) / (300.0 + length(l)) + 0.2;
  float label = min(1.0, diffuse.a / 0.16);
  d = d * (1.0 - label) + label;
  vec3 hv = normalize(lightDir + vec3(0.0, 0.0, 1.0));
  float s = 0.5 * pow(max(0.0, dot(n, hv)), 30.0) * (1.0 - label);
  gl_FragColor = vec4(diffuse.rgb * d + vec3(0.8, 0.2, 0.2) * s, diffuse.a);
}
)";

void repeatWrapping(unsigned texture) {
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
}

}  // namespace

ALmanager::ALmanager(Editor* editor, HvcAuBase* effect) : Manager(editor, effect) {}

ALmanager::~ALmanager() = default;

void ALmanager::setBackgroundTexture(Texture* texture, Texture* normalMap) {
  backgroundTexture = texture;
  backgroundNormalMap = normalMap;
  if (texture) texture->skipAutoLoad = true;
}

void ALmanager::initGL() {
  if (ShaderProgram::supported()) {
    programName = ShaderProgram::build(nullptr, kBackgroundShader);
    texLocation = ShaderProgram::uniform(programName, "tex");
    normalMapLocation = ShaderProgram::uniform(programName, "normalMap");
    viewportHLocation = ShaderProgram::uniform(programName, "viewportH");
  }
  if (backgroundNormalMap && backgroundNormalMap->glName) {
    repeatWrapping(backgroundNormalMap->glName);
    glBindTexture(GL_TEXTURE_2D, 0);
  }
}

void ALmanager::teardownGL() {
  ShaderProgram::destroy(programName);
  texLocation = normalMapLocation = viewportHLocation = -1;
}

void ALmanager::drawLabelsBackground() {
  if (!backgroundTexture) return;
  backgroundTexture->load();
  float w = static_cast<float>(getWidth());
  float h = static_cast<float>(getHeight());
  float top = bannerY - 7.0f;
  if (backgroundTexture->glName && backgroundTexture->width > 0 &&
      backgroundTexture->height > 0) {
    repeatWrapping(backgroundTexture->glName);
    glEnable(GL_TEXTURE_2D);
    float s = w / static_cast<float>(backgroundTexture->width);
    float t = top / static_cast<float>(backgroundTexture->height);
    glBegin(GL_QUADS);
    glColor4f(0.85f, 0.8f, 0.8f, 0.0f);
    glTexCoord2f(0.0f, t);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(s, t);
    glVertex2f(w, 0.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 0.0f);
    glTexCoord2f(s, 0.0f);
    glVertex2f(w, top);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.0f, top);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  glColor4f(backgroundColour[0], backgroundColour[1], backgroundColour[2], 0.16f);
  glBegin(GL_QUADS);
  glVertex2f(0.0f, top);
  glVertex2f(w, top);
  glVertex2f(w, h);
  glVertex2f(0.0f, h);
  glEnd();
}

void ALmanager::drawBackground() {
  if (programName == 0 || !EditorOptions::eyeCandy()) {
    Manager::drawBackground();
    return;
  }
  // The plain pass draws the same quad with the labels layer on unit 0; the program turns
  // it into the lit one.
  glUseProgramObjectARB(programName);
  glUniform1iARB(texLocation, 0);
  if (backgroundNormalMap) {
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glBindTexture(GL_TEXTURE_2D, backgroundNormalMap->glName);
    glUniform1iARB(normalMapLocation, 1);
    glActiveTextureARB(GL_TEXTURE0_ARB);
  }
  glUniform1fARB(viewportHLocation, static_cast<float>(getHeight()));
  Manager::drawBackground();
  if (backgroundNormalMap) {
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTextureARB(GL_TEXTURE0_ARB);
  }
  glBindTexture(GL_TEXTURE_2D, 0);
  glUseProgramObjectARB(0);
}

}  // namespace HC
