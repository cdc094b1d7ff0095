#include "gui/product/TexturedKnobRenderer.h"

#include <GL/glew.h>

#include <cmath>

#include "gui/elements/EditorOptions.h"
#include "gui/product/ShaderProgram.h"
#include "gui/text/Texture.h"

namespace HC {

namespace {

// The vertex normal carries the knob's rotation (cos, sin of the angle minus a quarter
// turn); the fragment stage turns the normal map's normals by it so the lighting turns
// with the face.
const char* const kVertexShader = R"(#version 110
varying vec2 rotation;
varying vec3 toLight;
void main() {
  gl_TexCoord[0] = gl_MultiTexCoord0;
  rotation = gl_Normal.xy;
  toLight = gl_LightSource[1].position.xyz - gl_Vertex.xyz;
  gl_Position = ftransform();
}
)";

const char* const kFragmentShader = R"(#version 110
uniform sampler2D tex;
uniform sampler2D normalMap;
varying vec2 rotation;
varying vec3 toLight;
void main() {
  vec4 diffuse = texture2D(tex, gl_TexCoord[0].st);
  vec3 m = texture2D(normalMap, gl_TexCoord[0].st).xyz * 2.0 - 1.0;
  vec3 n = vec3(rotation.x * m.x - rotation.y * m.y, rotation.y * m.x + rotation.x * m.y, m.z);
  float dist = length(toLight);
  vec3 lightDir = normalize(toLight);
  vec3 hv = normalize(lightDir + vec3(0.0, 0.0, 1.0));
  float d = 300.0 * max(0.0, dot(n, lightDir)) / (300.0 + dist) + 0.4;
  float s = 0.5 * pow(max(0.0, dot(n, hv)), 10.0);
  gl_FragColor = vec4(diffuse.rgb * d + vec3(0.2, 0.8, 0.2) * s, diffuse.a);
}
)";

}  // namespace

TexturedKnobRenderer::TexturedKnobRenderer(Manager* manager, Texture* atlas, Texture* normalMap,
                                           float cellX, float cellY, float cellSize)
    : Effect(manager),
      atlas(atlas),
      normalMap(normalMap),
      cellX(cellX),
      cellY(cellY),
      cellSize(cellSize) {}

TexturedKnobRenderer::~TexturedKnobRenderer() = default;

int32_t TexturedKnobRenderer::addEntry() {
  entries.emplace_back();
  return entryCount() - 1;
}

void TexturedKnobRenderer::setAngle(int32_t entry, float a) {
  if (!valid(entry)) return;
  entries[entry].angle.store(a, std::memory_order_relaxed);
  entries[entry].dirty.store(true, std::memory_order_release);
}

float TexturedKnobRenderer::angle(int32_t entry) const {
  return valid(entry) ? entries[entry].angle.load(std::memory_order_relaxed) : 0.0f;
}

void TexturedKnobRenderer::setEntryGeometry(int32_t entry, float centreX, float centreY,
                                            float radius) {
  if (!valid(entry)) return;
  Entry& e = entries[entry];
  e.centreX = centreX;
  e.centreY = centreY;
  e.radius = radius;
  e.dirty.store(true, std::memory_order_release);
}

void TexturedKnobRenderer::setEntryVisible(int32_t entry, bool visible) {
  if (valid(entry)) entries[entry].visible.store(visible, std::memory_order_relaxed);
}

void TexturedKnobRenderer::initGL() {
  // An atlas that failed to load has no size; its (absent) texture is then sampled at 0.
  float w = atlas && atlas->width > 0 ? static_cast<float>(atlas->width) : 0.0f;
  float h = atlas && atlas->height > 0 ? static_cast<float>(atlas->height) : 0.0f;
  for (int i = 0; i < 4; ++i) {
    Corner& c = corners[i];
    c.fx = (i & 2) ? -1.0f : 1.0f;
    c.fy = ((i + 1) & 2) ? -1.0f : 1.0f;
    c.s = w > 0 ? (cellX + cellSize * (c.fy + 1) / 2) / w : 0.0f;
    c.t = h > 0 ? (cellY + cellSize * (c.fx + 1) / 2) / h : 0.0f;
  }
  if (ShaderProgram::supported()) {
    programName = ShaderProgram::build(kVertexShader, kFragmentShader);
    texLocation = ShaderProgram::uniform(programName, "tex");
    normalMapLocation = ShaderProgram::uniform(programName, "normalMap");
  }
  vertexData.assign(entries.size() * 4 * kFloatsPerVertex, 0.0f);
  for (int32_t e = 0; e < entryCount(); ++e) {
    for (int i = 0; i < 4; ++i) {
      float* v = &vertexData[(e * 4 + i) * kFloatsPerVertex];
      v[0] = corners[i].s;
      v[1] = corners[i].t;
    }
    entries[e].dirty.store(false, std::memory_order_relaxed);
    writeVertices(e);
  }
}

void TexturedKnobRenderer::writeVertices(int32_t entry) {
  if ((entry + 1) * 4 * kFloatsPerVertex > static_cast<int32_t>(vertexData.size())) return;
  const Entry& e = entries[entry];
  float a = e.angle.load(std::memory_order_relaxed);
  float sa = std::sin(a), ca = std::cos(a);
  for (int i = 0; i < 4; ++i) {
    float fx = corners[i].fx, fy = corners[i].fy;
    float* v = &vertexData[(entry * 4 + i) * kFloatsPerVertex];
    v[2] = sa;
    v[3] = -ca;
    v[4] = 0.0f;
    v[5] = e.centreX + e.radius * (fx * ca + fy * sa);
    v[6] = e.centreY + e.radius * (fy * ca - fx * sa);
    v[7] = 0.0f;
  }
}

void TexturedKnobRenderer::updateVertices() {
  for (int32_t e = 0; e < entryCount(); ++e)
    if (entries[e].dirty.exchange(false, std::memory_order_acquire)) writeVertices(e);
}

void TexturedKnobRenderer::draw() {
  if (vertexData.empty()) return;
  updateVertices();
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.0f);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  unsigned atlasName = atlas ? atlas->glName : 0;
  bool lit = programName != 0 && EditorOptions::eyeCandy();
  if (lit) {
    glUseProgramObjectARB(programName);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glBindTexture(GL_TEXTURE_2D, atlasName);
    glUniform1iARB(texLocation, 0);
    if (normalMap) {
      glActiveTextureARB(GL_TEXTURE1_ARB);
      glBindTexture(GL_TEXTURE_2D, normalMap->glName);
      glUniform1iARB(normalMapLocation, 1);
      glActiveTextureARB(GL_TEXTURE0_ARB);
    }
  } else {
    glBindTexture(GL_TEXTURE_2D, atlasName);
    glEnable(GL_TEXTURE_2D);
  }

  glInterleavedArrays(GL_T2F_N3F_V3F, 0, vertexData.data());
  // One call per run of consecutive visible knobs.
  int32_t count = static_cast<int32_t>(vertexData.size() / (4 * kFloatsPerVertex));
  for (int32_t first = 0; first < count;) {
    if (!entries[first].visible.load(std::memory_order_relaxed)) {
      ++first;
      continue;
    }
    int32_t end = first + 1;
    while (end < count && entries[end].visible.load(std::memory_order_relaxed)) ++end;
    glDrawArrays(GL_QUADS, first * 4, (end - first) * 4);
    first = end;
  }
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);

  if (lit) {
    if (normalMap) {
      glActiveTextureARB(GL_TEXTURE1_ARB);
      glBindTexture(GL_TEXTURE_2D, 0);
      glActiveTextureARB(GL_TEXTURE0_ARB);
    }
    glUseProgramObjectARB(0);
  } else {
    glDisable(GL_TEXTURE_2D);
  }
  glBindTexture(GL_TEXTURE_2D, 0);
  glDisable(GL_BLEND);
  glDisable(GL_ALPHA_TEST);
}

void TexturedKnobRenderer::teardownGL() {
  ShaderProgram::destroy(programName);
  texLocation = normalMapLocation = -1;
}

}  // namespace HC
