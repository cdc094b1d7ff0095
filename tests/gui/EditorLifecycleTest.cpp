// The test plug-in's editor over its life: changes from the host and from MIDI reaching the
// picture, repeated openings, two editors at once, and the labels layer's two drawing
// paths giving one picture.
#include "support/ScopedEnv.h"
#include "tests/gui/EditorFixture.h"

namespace {

using namespace editortest;

using EditorLifecycle = EditorFixture;

TEST_F(EditorLifecycle, HostAutomationReachesTheKnobAtTheNextIdle) {
  vsthost::HostedEffect effect(library);
  vsthost::EditorHost host(effect);
  openAt(host, 100, 100);
  for (float value : {1.0f, 0.0f}) {
    effect.setParameter(kOffsetParameter, value);
    ASSERT_TRUE(host.idle());
    // Only the render thread from here: the idle above delivered the change.
    EXPECT_TRUE(waitForPicture(driver, editorWindow(host), picture, [&](const Image& image) {
      return knobShows(image, kOffsetKnob, value == 1.0f);
    })) << "value " << value;
  }
}

TEST_F(EditorLifecycle, MidiControllerChangesTheTextFieldAtTheNextFrame) {
  vsthost::HostedEffect effect(library);
  vsthost::EditorHost host(effect);
  openAt(host, 100, 100);
  const std::vector<uint8_t> resting = region(picture, kOffsetField);
  const uintptr_t child = editorWindow(host);
  // Pitch Offset's controller: 127 is the top of the range, 64 exactly its middle (the
  // default). The field reads the value while drawing: no idle is needed.
  effect.sendMidi({{0xB0, 8, 127}});
  EXPECT_FLOAT_EQ(effect.getParameter(kOffsetParameter), 1.0f);
  EXPECT_TRUE(waitForPicture(driver, child, picture,
                             [&](const Image& image) { return region(image, kOffsetField) != resting; }));
  effect.sendMidi({{0xB0, 8, 64}});
  EXPECT_TRUE(waitForPicture(driver, child, picture,
                             [&](const Image& image) { return region(image, kOffsetField) == resting; }));
}

TEST_F(EditorLifecycle, OpensDrawsAndClosesFiftyTimes) {
  vsthost::HostedEffect effect(library);
  vsthost::EditorHost host(effect);
  for (int i = 0; i < 50; ++i) {
    SCOPED_TRACE(i);
    std::string error;
    ASSERT_TRUE(host.open("editor test", error)) << error;
    ASSERT_TRUE(idleUntilDrawn(host));
    uintptr_t parent = host.window();
    effect.dispatch(effEditClose);
    // The child window is gone when the close returns.
    EXPECT_TRUE(driver.children(parent).empty());
    host.close();
  }
}

TEST_F(EditorLifecycle, HostClosingThePluginWithItsEditorOpenStopsTheEditorFirst) {
  vsthost::HostedEffect effect(library);
  vsthost::EditorHost host(effect);
  std::string error;
  ASSERT_TRUE(host.open("editor test", error)) << error;
  ASSERT_TRUE(idleUntilDrawn(host));
  uintptr_t parent = host.window();
  effect.close();  // effClose while the render thread draws
  EXPECT_TRUE(driver.children(parent).empty());
  host.close();
}

TEST_F(EditorLifecycle, TwoInstancesDrawTheirOwnEditorsAtOnce) {
  vsthost::HostedEffect first(library), second(library);
  vsthost::EditorHost firstHost(first), secondHost(second);
  openAt(firstHost, 50, 100);
  openAt(secondHost, 500, 100);
  first.setParameter(kOffsetParameter, 1.0f);
  second.setParameter(kOffsetParameter, 0.0f);
  // Each shows its own value, while both keep drawing.
  for (bool full : {true, false}) {
    ASSERT_TRUE(firstHost.idle());
    ASSERT_TRUE(idleUntil(secondHost, [&](const Image& image) {
      return drawn(image) && knobShows(image, kOffsetKnob, !full);
    }));
    ASSERT_TRUE(idleUntil(firstHost, [&](const Image& image) {
      return drawn(image) && knobShows(image, kOffsetKnob, full);
    }));
    first.setParameter(kOffsetParameter, 0.0f);
    second.setParameter(kOffsetParameter, 1.0f);
  }
}

TEST_F(EditorLifecycle, LabelsLayerLooksTheSameThroughFramebufferAndFallback) {
  auto shoot = [&](Image& out) {
    vsthost::HostedEffect effect(library);
    vsthost::EditorHost host(effect);
    openAt(host, 100, 100);
    // The caption's frame in the labels layer is on show too.
    const Pixel frame{255, 204, 51};
    ASSERT_TRUE(idleUntil(host, [&](const Image& image) {
      return drawn(image) && image.count(frame, static_cast<int>(kCaption.x) - 1, row(kCaption.y + kCaption.height) - 1,
                                         static_cast<int>(kCaption.x + kCaption.width) + 2, row(kCaption.y) + 2,
                                         12) > 200;
    }));
    out = picture;
  };
  Image framebuffer, fallback;
  shoot(framebuffer);
  {
    testsupport::ScopedEnv force(kFallbackVariable, "1");
    shoot(fallback);
  }
  ASSERT_EQ(framebuffer.width, fallback.width);
  ASSERT_EQ(framebuffer.height, fallback.height);
  int differing = 0;
  for (size_t i = 0; i < framebuffer.rgb.size(); i += 3)
    if (framebuffer.rgb[i] != fallback.rgb[i] || framebuffer.rgb[i + 1] != fallback.rgb[i + 1] ||
        framebuffer.rgb[i + 2] != fallback.rgb[i + 2])
      ++differing;
  EXPECT_EQ(differing, 0);
}

}  // namespace
