// Plain, text and normalised parameter values resolved against the fixture plug-in, whose
// display mappings are known (see fixture/FixturePlugin.cpp).
#include <gtest/gtest.h>

#include <cmath>

#include "render/ParameterResolver.h"
#include "vsthost/HostedEffect.h"
#include "vsthost/PluginLibrary.h"

namespace {

class ParameterResolverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(library.open(QUORVELLA_FIXTURE_PATH), "");
    effect = std::make_unique<vsthost::HostedEffect>(library);
    ASSERT_TRUE(effect->valid());
    resolver = std::make_unique<render::ParameterResolver>(*effect);
  }

  // Resolves parameter `name` to `value`; returns the error text.
  std::string set(const std::string& name, const std::string& value, bool norm = false) {
    int32_t index = -1;
    std::string error = resolver->find(name, index);
    if (!error.empty()) return error;
    normalised = -1.0f;
    return resolver->apply(index, value, norm, normalised);
  }

  vsthost::PluginLibrary library;
  std::unique_ptr<vsthost::HostedEffect> effect;
  std::unique_ptr<render::ParameterResolver> resolver;
  float normalised = -1.0f;
};

TEST_F(ParameterResolverTest, FindsByIndexExactNameAndCaseInsensitiveName) {
  int32_t index = -1;
  EXPECT_EQ(resolver->find("3", index), "");
  EXPECT_EQ(index, 3);
  EXPECT_EQ(resolver->find("Bypass", index), "");
  EXPECT_EQ(index, 4);
  EXPECT_EQ(resolver->find("bYPASS", index), "");
  EXPECT_EQ(index, 4);
  EXPECT_EQ(resolver->find("6", index),
            "parameter index 6 is out of range (the plug-in has 6 parameters, 0..5)");
  EXPECT_EQ(resolver->find("Volume", index), "unknown parameter 'Volume' (see --list)");
}

TEST_F(ParameterResolverTest, PlainNumbersLandInTheMiddleOfTheirDisplayedStretch) {
  // Linear, rounded to whole samples: 250 is exactly normalised 0.25.
  ASSERT_EQ(set("Delay", "250"), "");
  EXPECT_NEAR(normalised, 0.25f, 0.0002f);
  EXPECT_EQ(effect->parameterDisplay(0), "250");
  // Exponential: 1000 Hz is normalised log(50)/log(1000).
  ASSERT_EQ(set("Freq", "1000"), "");
  EXPECT_NEAR(normalised, std::log(50.0) / std::log(1000.0), 1e-5);
  EXPECT_EQ(effect->parameterDisplay(3), "1000.0");
  // More digits than the display shows: the closest shown value wins.
  ASSERT_EQ(set("Gain", "-6.004"), "");
  EXPECT_EQ(effect->parameterDisplay(1), "-6.00");
  // The ends of the range are used exactly.
  ASSERT_EQ(set("Gain", "-60"), "");
  EXPECT_EQ(normalised, 0.0f);
  ASSERT_EQ(set("Gain", "12"), "");
  EXPECT_EQ(normalised, 1.0f);
}

TEST_F(ParameterResolverTest, TextsAndNormalisedValues) {
  ASSERT_EQ(set("Mode", "dirty"), "");
  EXPECT_EQ(effect->parameterDisplay(2), "Dirty");
  EXPECT_NEAR(normalised, 0.5f, 0.01f);  // middle of the Dirty third
  ASSERT_EQ(set("Bypass", "On"), "");
  EXPECT_EQ(effect->parameterDisplay(4), "On");
  ASSERT_EQ(set("Freq", "0.25n"), "");
  EXPECT_EQ(normalised, 0.25f);
  EXPECT_FLOAT_EQ(effect->getParameter(3), 0.25f);
  ASSERT_EQ(set("Freq", "0.75", true), "");
  EXPECT_FLOAT_EQ(effect->getParameter(3), 0.75f);
}

TEST_F(ParameterResolverTest, ValuesThatCannotBeReachedAreErrors) {
  EXPECT_EQ(set("Gain", "13"),
            "value 13 is outside the range of parameter 'Gain' (1): -60 to 12 dB");
  EXPECT_EQ(set("Freq", "1.5n"),
            "normalised value '1.5n' for parameter 'Freq' (3) is not a number from 0 to 1");
  EXPECT_EQ(set("Mode", "Loud"),
            "parameter 'Mode' (2) never shows 'Loud'; it shows 'Clean', 'Dirty', 'Muted'; give "
            "a plain number, a shown text or a normalised value like 0.5n");
  // Jump shows 0..0.5 and 1.5..2: 1.0 falls in the gap.
  std::string error = set("Jump", "1.0");
  EXPECT_EQ(error.rfind("cannot reach 1 for parameter 'Jump' (5) (closest display '", 0), 0u)
      << error;
  ASSERT_EQ(set("Jump", "1.75"), "");
  EXPECT_EQ(effect->parameterDisplay(5), "1.750");
}

}  // namespace
