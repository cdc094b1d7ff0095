// The editor through the real boundary: the test plug-in's editor opened by the host tool in
// a parent window on the test display, its picture read back from the X server, input
// driven through XTEST.
#include "tests/gui/EditorFixture.h"

namespace {

using namespace editortest;

using EditorTest = EditorFixture;

TEST_F(EditorTest, RectangleIsTheLayoutsSizeBeforeDuringAndAfterAnOpening) {
  vsthost::HostedEffect effect(library);
  ASSERT_TRUE(effect.valid());
  EXPECT_TRUE(effect.record()->flags & effFlagsHasEditor);
  ERect* rect = nullptr;
  ASSERT_EQ(effect.dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, kHeight);
  EXPECT_EQ(rect->right, kWidth);

  vsthost::EditorHost host(effect);
  std::string error;
  ASSERT_TRUE(host.open("editor test", error)) << error;
  EXPECT_EQ(host.width(), kWidth);
  EXPECT_EQ(host.height(), kHeight);
  ASSERT_TRUE(idleUntilDrawn(host));
  host.close();
  rect = nullptr;
  ASSERT_EQ(effect.dispatch(effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect->bottom, kHeight);
  EXPECT_EQ(rect->right, kWidth);
}

TEST_F(EditorTest, PictureShowsBackgroundGroupsKnobFieldAndBanner) {
  vsthost::HostedEffect effect(library);
  vsthost::EditorHost host(effect);
  std::string error;
  ASSERT_TRUE(host.open("editor test", error)) << error;
  ASSERT_TRUE(idleUntilDrawn(host));
  // The bipolar knob stands at its default 0 of -36..36: the lower half of its box white,
  // the upper half dark.
  const Pixel white{255, 255, 255}, black{0, 0, 0};
  int x0 = static_cast<int>(kOffsetKnob.x) + 5, x1 = static_cast<int>(kOffsetKnob.x + kOffsetKnob.width) - 5;
  EXPECT_EQ(picture.count(white, x0, row(kOffsetKnob.y + 20), x1, row(kOffsetKnob.y + 5)),
            (x1 - x0) * 15);
  EXPECT_EQ(picture.count(black, x0, row(kOffsetKnob.y + 55), x1, row(kOffsetKnob.y + 40)),
            (x1 - x0) * 15);
  // The text field's green outline along its bottom edge.
  const Pixel green{0, 255, 0};
  EXPECT_GT(picture.count(green, static_cast<int>(kOffsetField.x) + 2, row(kOffsetField.y) - 1,
                          static_cast<int>(kOffsetField.x + kOffsetField.width) - 2,
                          row(kOffsetField.y) + 2, 40),
            40);
  // Group outlines: the "Pitch" group's frame runs left of its knob, the margin away.
  const Pixel grey{static_cast<int>(0.5 * 255 * 0.5 + kBackground[0] * 255 * 0.5),
                   static_cast<int>(0.5 * 255 * 0.5 + kBackground[1] * 255 * 0.5),
                   static_cast<int>(0.5 * 255 * 0.5 + kBackground[2] * 255 * 0.5)};
  int frameX = static_cast<int>(kOffsetKnob.x) - 10;
  EXPECT_GT(picture.count(grey, frameX - 1, row(140), frameX + 2, row(70), 30), 40);
  // The version label and the banner strip carry text: lighter pixels than the background
  // along the banner line.
  int lit = 0;
  for (int x = 60; x < 250; ++x)
    for (int y = row(kBannerY + 12); y <= row(kBannerY); ++y) {
      Pixel p = picture.at(x, y);
      if (p.r > 100 && p.g > 100 && p.b > 100) ++lit;
    }
  EXPECT_GT(lit, 30) << "no banner text";
}

}  // namespace
