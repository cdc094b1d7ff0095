// The manager: hit testing and hover tracking, the parameter-change flow, the banner and
// tooltip state of the overlay, button ids and the static text.
#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "gui/elements/Button.h"
#include "gui/elements/EditorOptions.h"
#include "gui/elements/Knob.h"
#include "gui/elements/NamedGroup.h"
#include "gui/elements/StaticText.h"

namespace {

using namespace guitest;

struct Tree : ::testing::Test, Rig {
  HC::NamedGroup* group = new HC::NamedGroup(&manager, "Filter");
  HC::Knob* a = new HC::Knob(kCutoff, &manager, 0, 0, 40);
  HC::Knob* b = new HC::Knob(kOffset, &manager, 50, 0, 40);
  Tree() {
    group->add(a);
    group->add(b);
    group->setOffset(100, 100);
    manager.getRoot()->add(group);
    group->layout1();  // the window box: (90, 90)-(200, 150)
  }
  ~Tree() override { HC::EditorOptions::setFloatingTooltip(false); }
};

TEST_F(Tree, ElementsStayHoveredInsideTheirBoxesAndTheGroupStaysLitOverItsKnobs) {
  manager.pointerMoved(95, 95);  // inside the margin: the group alone
  EXPECT_EQ(manager.hoveredElement(), group);
  EXPECT_EQ(manager.hoveredIndex(), -1);
  EXPECT_FLOAT_EQ(group->getTargetColour().r, HC::EditorOptions::activeGroupColour().r);

  manager.pointerMoved(120, 120);
  EXPECT_EQ(manager.hoveredElement(), a);
  EXPECT_EQ(manager.hoveredIndex(), kCutoff);
  EXPECT_TRUE(manager.isHovered(group));

  manager.pointerMoved(140, 120);  // the edge: a stays hovered
  EXPECT_TRUE(manager.isHovered(a));
  manager.pointerMoved(160, 120);
  EXPECT_EQ(manager.hoveredIndex(), kOffset);
  EXPECT_FALSE(manager.isHovered(a));

  manager.pointerMoved(300, 300);
  EXPECT_EQ(manager.hoveredElement(), nullptr);
  EXPECT_EQ(manager.hoveredIndex(), -1);
  EXPECT_FALSE(manager.isHovered(group));
  EXPECT_FLOAT_EQ(group->getTargetColour().r, HC::EditorOptions::inactiveGroupColour().r);
}

TEST_F(Tree, HitTestOrderAndVisibility) {
  // Overlapping siblings: the one added first takes the press.
  auto* over = new HC::Knob(kMode, &manager, 0, 0, 40);
  group->add(over);
  manager.pointerPressed(120, 120, 0);
  EXPECT_EQ(hostCalls().front().index, kCutoff);

  // A hidden element in a visible group still answers; a hidden group answers nothing.
  a->setVisible(false);
  EXPECT_EQ(manager.getRoot()->hitTest({120, 120}), a);
  group->setVisible(false);
  EXPECT_FALSE(b->isVisible());
  EXPECT_EQ(manager.getRoot()->hitTest({120, 120}), nullptr);
  manager.pointerMoved(95, 95);
  EXPECT_EQ(manager.hoveredElement(), nullptr);

  // Groups are never the target of a press.
  group->setVisible(true);
  testHost().clear();
  manager.pointerPressed(95, 95, 0);
  EXPECT_TRUE(hostCalls().empty());
  EXPECT_EQ(window.captures, 1);

  // A group cannot be put inside itself or its children.
  group->add(manager.getRoot());
  group->add(group);
  EXPECT_EQ(group->getChildren().size(), 3u);
}

TEST_F(Tree, HostChangesReachKnobsAtTheNextDelivery) {
  fx.setParameter(kOffset, 0.75f);
  EXPECT_FLOAT_EQ(b->getNormalised(), 0.0f);
  manager.deliverPendingChanges();
  EXPECT_FLOAT_EQ(b->getNormalised(), 0.75f);
  EXPECT_FLOAT_EQ(a->getNormalised(), 0.0f);
  // An empty slot is never listened to.
  auto* none = new HC::Knob(kEmpty, &manager, 0, 0, 1);
  fx.setParameter(kEmpty, 0.5f);
  EXPECT_EQ(manager.listeners().pendingCount(), 0u);
  (void)none;
}

TEST_F(Tree, BannerPrefersTheDraggedParameterAndNeedsAFont) {
  manager.pointerMoved(160, 120);
  manager.prepareOverlay();
  EXPECT_FALSE(manager.banner().shown);

  manager.setMainFont(new FixedFont);
  manager.bannerFlag = false;
  manager.prepareOverlay();
  EXPECT_EQ(manager.banner().x, 25.0f);
  EXPECT_EQ(manager.banner().index, kOffset);
  EXPECT_EQ(manager.banner().tooltipText, "Offset 6.000");

  manager.setDraggedIndex(kCutoff);
  manager.bannerFlag = true;
  manager.prepareOverlay();
  EXPECT_EQ(manager.banner().x, 400 / 2 + 15.0f);
  EXPECT_EQ(manager.banner().name, "Cutoff");
  EXPECT_EQ(manager.banner().label, "Hz");
  EXPECT_EQ(manager.banner().tooltipText, "Cutoff 100.0 Hz");

  manager.setDraggedIndex(-1);
  int32_t id = manager.buttonIdForText("Open the preferences");
  manager.setHoveredIndex(id);
  manager.prepareOverlay();
  EXPECT_EQ(manager.banner().buttonText, "Open the preferences");
  EXPECT_TRUE(manager.banner().name.empty());
}

TEST_F(Tree, TooltipFadesAndStaysInsideTheWindow) {
  manager.setMainFont(new FixedFont);
  HC::EditorOptions::setFloatingTooltip(true);
  auto* left = new HC::Button("L", &manager, nullptr, 0, 0, 200, 10, 10, -2);
  auto* right = new HC::Button("R", &manager, nullptr, 0, 390, 200, 10, 10, -3);
  manager.getRoot()->add(left);
  manager.getRoot()->add(right);
  manager.setButtonText(-2, "a long text for the left");  // 24 characters, 144 pixels
  manager.setButtonText(-3, std::string(300, 'w'));       // wider than the window

  manager.pointerMoved(5, 205);
  manager.prepareOverlay();
  EXPECT_FLOAT_EQ(manager.tooltipAlpha, 0.16f);
  EXPECT_FLOAT_EQ(manager.tooltipX, 5.0f);
  EXPECT_FLOAT_EQ(manager.tooltipY, 205.0f);
  manager.prepareOverlay();
  EXPECT_FLOAT_EQ(manager.tooltipAlpha, 0.84f * 0.16f + 0.16f);

  // Cut to what the tooltip holds; the right limit wins when both cannot hold.
  manager.pointerMoved(395, 205);
  manager.prepareOverlay();
  EXPECT_EQ(std::string(manager.tooltipText).size(), 255u);
  EXPECT_FLOAT_EQ(manager.tooltipX, 400 - 5 - 255 * 6.0f);

  manager.pointerMoved(300, 5);  // nothing: fade out at 0.89 per frame down to zero
  float before = manager.tooltipAlpha;
  manager.prepareOverlay();
  EXPECT_FLOAT_EQ(manager.tooltipAlpha, 0.89f * before);
  for (int i = 0; i < 60; ++i) manager.prepareOverlay();
  EXPECT_EQ(manager.tooltipAlpha, 0.0f);
}

TEST_F(Tree, HoverLightMovesAFixedFractionTowardsTheHoveredElement) {
  manager.lightX = manager.lightY = 0.0f;
  manager.pointerMoved(120, 120);
  manager.prepareOverlay();
  EXPECT_FLOAT_EQ(manager.lightTargetX, 120.0f);
  EXPECT_FLOAT_EQ(manager.lightX, 12.0f);
  manager.prepareOverlay();
  EXPECT_FLOAT_EQ(manager.lightX, 12.0f * 0.9f + 12.0f);
}

TEST(ButtonIds, OneIdPerTextCountingDownFromMinusTwo) {
  TestEffect fx;
  HC::Manager manager(nullptr, &fx);
  EXPECT_EQ(manager.buttonIdForText("a"), -2);
  EXPECT_EQ(manager.buttonIdForText("b"), -3);
  EXPECT_EQ(manager.buttonIdForText("a"), -2);
  manager.setButtonText(-10, "product");
  EXPECT_EQ(manager.buttonIdForText("c"), -11);
}

TEST(StaticTextLayout, LabelsGetConsecutiveRunsAndTitlesFollowTheirGroup) {
  TestEffect fx;
  HC::Manager manager(nullptr, &fx);
  const float grey[4] = {0.5f, 0.5f, 0.5f, 1.0f};
  HC::StaticText* text = manager.getStaticText();
  text->addLabel("a b", 0, 0, grey);
  text->rebuild();  // without a font nothing is laid out
  EXPECT_TRUE(text->getVertices().empty());

  manager.setMainFont(new FixedFont);
  auto* group = new HC::NamedGroup(&manager, "Env");
  group->add(new HC::Knob(kCutoff, &manager, 0, 0, 10));
  manager.getRoot()->add(group);
  group->layout1();
  text->addLabel("xy", 0, 0, grey);
  text->rebuild();
  EXPECT_EQ(text->label(0)->vertexCount, 8);  // the space has no glyph
  EXPECT_EQ(text->label(1)->firstVertex, 12);
  EXPECT_EQ(text->label(2)->firstVertex, 12 + 12);
  EXPECT_EQ(text->getVertices().size(), 5u * (12 + 12 + 8));
  const HC::StaticTextLabel* title = text->label(group->getTitleLabel());
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->text, "Env");
  EXPECT_FLOAT_EQ(title->x, -10.0f + 10.0f);
  EXPECT_FLOAT_EQ(title->y, 20.0f - 7.0f + 3.0f);
  group->setVisible(false);
  EXPECT_FALSE(title->isVisible());
  // The frame leaves a gap as wide as the title.
  EXPECT_FLOAT_EQ(group->getOutline()[5][0] - group->getOutline()[0][0], 18.0f);
}

}  // namespace
