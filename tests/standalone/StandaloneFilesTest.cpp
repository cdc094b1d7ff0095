// The standalone application's command line and its saved state, as pure functions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "dsp/FactoryPrograms.h"
#include "dsp/QuorvellaParameters.h"
#include "faces/standalone/StandaloneOptions.h"
#include "faces/standalone/StandaloneState.h"

namespace {

constexpr size_t kNameLimit = 63;

std::string parse(std::vector<std::string> args, StandaloneOptions& options) {
  return StandaloneOptions::parse(args, options, kNameLimit);
}

TEST(StandaloneOptions, ReadsEveryOptionInBothForms) {
  StandaloneOptions options;
  EXPECT_EQ(parse({"--program", "Madness", "--connect", "--name=Bass", "--no-gui", "-s", "x"},
                  options),
            "");
  EXPECT_EQ(options.program, "Madness");
  EXPECT_TRUE(options.connect);
  EXPECT_EQ(options.name, "Bass");
  EXPECT_TRUE(options.noGui);
  EXPECT_EQ(options.server, "x");

  StandaloneOptions defaults;
  EXPECT_EQ(parse({}, defaults), "");
  EXPECT_EQ(defaults.name, "Quorvella");
  EXPECT_FALSE(defaults.connect || defaults.noGui || defaults.help);
}

TEST(StandaloneOptions, RejectsWhatJackOrTheUserCouldNotMean) {
  StandaloneOptions options;
  EXPECT_EQ(parse({"--program"}, options), "option --program needs a value");
  EXPECT_EQ(parse({"--name="}, options), "option --name needs a value");
  EXPECT_EQ(parse({"--connect=yes"}, options), "option --connect takes no value");
  EXPECT_EQ(parse({"--loud"}, options), "unknown option --loud (see --help)");
  EXPECT_EQ(parse({"--name", "a:b"}, options),
            "the client name must not contain ':' (JACK separates client and port with it)");
  EXPECT_EQ(parse({"--name", std::string(kNameLimit + 1, 'q')}, options),
            "the client name is longer than JACK's 63 characters");
}

StandaloneState factoryState() {
  StandaloneState state;
  state.current = 3;
  for (const FactoryProgram& factory : kFactoryPrograms) {
    StandaloneState::Program program;
    program.name = factory.name;
    for (int32_t i = 0; i < kNumQuorvellaParameters; ++i)
      program.values.push_back(kQuorvellaParameters[i].defaultValue);
    state.programs.push_back(program);
  }
  return state;
}

std::string format(const StandaloneState& state) {
  return state.format(kQuorvellaParameters, kNumQuorvellaParameters);
}

bool parseState(const std::string& text, StandaloneState& state, std::string& damage) {
  return state.parse(text, kQuorvellaParameters, kNumQuorvellaParameters, kNumFactoryPrograms,
                     damage);
}

TEST(StandaloneState, RoundTripsNamesAndEveryFloatExactly) {
  StandaloneState saved = factoryState();
  saved.programs[2].name = "back\\slash\nand line";
  saved.programs[4].values[25] = std::nextafter(1000.0f, 0.0f);  // a hair below 1000
  saved.programs[10].values[0] = 0.1f;
  StandaloneState loaded;
  std::string damage;
  ASSERT_TRUE(parseState(format(saved), loaded, damage)) << damage;
  EXPECT_EQ(loaded.current, 3);
  ASSERT_EQ(loaded.programs.size(), saved.programs.size());
  for (size_t p = 0; p < saved.programs.size(); ++p) {
    EXPECT_EQ(loaded.programs[p].name, saved.programs[p].name);
    EXPECT_EQ(loaded.programs[p].values, saved.programs[p].values) << "program " << p;
  }
}

TEST(StandaloneState, DamageKeepsNothingAndSaysWhere) {
  const std::string good = format(factoryState());
  struct Case {
    std::string text, damage;
  };
  const std::string firstValue = std::string(kQuorvellaParameters[0].name) + "=";
  const size_t at = good.find(firstValue);
  const size_t lineOfFirstValue =
      static_cast<size_t>(std::count(good.begin(), good.begin() + at, '\n')) + 1;
  std::vector<Case> cases = {
      {"", "line 1: not a Quorvella state"},
      {"Some other file\n", "line 1: not a Quorvella state"},
      {good.substr(0, good.size() - 1), "the file ends in the middle of a line"},
      {good.substr(0, at), "the file ends before the last program"},
      {good.substr(0, at) + firstValue + "loud\n", "line " + std::to_string(lineOfFirstValue) +
                                                       ": not a number"},
      {good.substr(0, at) + firstValue + "nan\n", "not a number"},
      {good.substr(0, at) + "Unknown=1\n", "expected " + firstValue},
      {good + "program Twelfth\n", "too many programs"},
  };
  for (const Case& c : cases) {
    StandaloneState state = factoryState();
    std::string damage;
    EXPECT_FALSE(parseState(c.text, state, damage)) << c.damage;
    EXPECT_NE(damage.find(c.damage), std::string::npos) << damage;
    EXPECT_TRUE(state.programs.empty());
  }
  std::string noCurrent = good;
  noCurrent.replace(noCurrent.find("current 3"), 9, "current 11");
  StandaloneState state;
  std::string damage;
  EXPECT_FALSE(parseState(noCurrent, state, damage));
  EXPECT_NE(damage.find("no program 11"), std::string::npos) << damage;
}

}  // namespace
