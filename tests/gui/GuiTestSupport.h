// Doubles for the element framework's tests: a small effect whose host records every call, a window that replays a scripted press gesture, and a font with fixed
// metrics. No display and no GL are needed.
#pragma once

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "framework/HvcAuBase.h"
#include "framework/HvcEditor.h"
#include "gui/elements/GestureSource.h"
#include "gui/elements/Manager.h"
#include "gui/text/Font.h"
#include "support/RecordingHost.h"

namespace guitest {

enum Param { kCutoff, kMode, kSwitch, kOffset, kEmpty, kParamCount };

inline const ParameterDescriptor kParams[kParamCount] = {
    {"Cutoff", kUnitHertz, 10.0f, 1000.0f, 100.0f}, {"Mode", kUnitIndexed, 0.0f, 8.0f, 2.0f},
    {"Switch", kUnitBoolean, 0.0f, 1.0f, 0.0f},     {"Offset", kUnitGeneric, -24.0f, 24.0f, 6.0f},
    {"", kUnitGeneric, 0.0f, 0.0f, 0.0f},
};

using HostCall = RecordingHost::Call;

// The host of the test effects; one effect at a time per test.
inline RecordingHost& testHost() {
  static RecordingHost host;
  return host;
}

// Its calls so far, in order.
inline std::vector<HostCall> hostCalls() { return testHost().calls(); }

struct TestEffect : HvcAuBase {
  explicit TestEffect(int32_t programs = 1)
      : HvcAuBase(&testHost(), programs, kParams, kParamCount) {
    // An editor makes the host setter tell the listeners, as in the plug-in.
    setEditor(new HvcEditor(this));
    testHost().clear();
  }
  void processReplacing(float**, float**, int32_t) override {}
};

// Replays events; `step` runs before each one is handed out (to look at state mid-gesture).
struct ScriptedWindow : HC::GestureSource {
  std::vector<HC::GestureEvent> events;
  size_t next = 0;
  int captures = 0, releases = 0, focusRequests = 0;
  std::function<void(size_t)> step;

  void beginCapture() override { ++captures; }
  bool nextGestureEvent(HC::GestureEvent& out) override {
    if (step) step(next);
    if (next >= events.size()) return false;
    out = events[next++];
    return true;
  }
  void endCapture() override { ++releases; }
  int currentModifiers() override { return 0; }
  void takeKeyboardFocus() override { ++focusRequests; }
};

// 6 pixels per character, 14 high, 3 below the baseline; a space has no glyph.
struct FixedFont : HC::Font {
  float lineHeight() const override { return 14.0f; }
  float descender() const override { return -3.0f; }
  float advance(const char* text) const override {
    return 6.0f * static_cast<float>(std::strlen(text));
  }
  void drawText(const char*, float, float) const override {}
  int fillTextQuads(const char* text, float* out, float x, float y) const override {
    int written = 0;
    for (; *text; ++text, x += 6) {
      if (*text == ' ') continue;
      const float corners[4][2] = {{x, y + 10}, {x, y}, {x + 6, y}, {x + 6, y + 10}};
      for (const auto& c : corners) {
        const float v[5] = {0, 0, c[0], c[1], 0};
        std::memcpy(out + 5 * written++, v, sizeof v);
      }
    }
    return written;
  }
  unsigned glyphTexture() const override { return 0; }
};

// A 400 x 300 editor over a fresh effect, its window replaying `window.events`.
struct Rig {
  TestEffect fx;
  HC::Manager manager{nullptr, &fx};
  ScriptedWindow window;
  Rig() {
    manager.setWindowSize(400, 300);
    manager.setGestureSource(&window);
  }
  // Queues a pointer event at window pixels with the origin at the bottom left.
  void then(HC::GestureEvent::Type type, int x, int y, int modifiers = 0) {
    window.events.push_back({type, x, 300 - y, modifiers});
  }
  std::vector<RecordingHost::Kind> calls() const { return testHost().kinds(); }
};

}  // namespace guitest
