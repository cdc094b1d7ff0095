// The port list against the parameter table, and the bundle writer's refusals and number
// literals: what would make a host show or restore a value other than the table's.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "dsp/FactoryPrograms.h"
#include "faces/lv2/LV2BundleWriter.h"
#include "faces/lv2/LV2Ports.h"
#include "faces/lv2/LV2Uris.h"
#include "lv2/BundleWorld.h"
#include "lv2/UridMap.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

using namespace lv2face;
using namespace lv2test;

namespace {

// Today's rule for a parameter's symbol: its name in lower case, each run of other
// characters one '_'. Released symbols never change: a parameter renamed later keeps its
// symbol, and this test gets an exception for it rather than the symbol a new name.
std::string symbolFromName(const char* name) {
  std::string symbol;
  bool gap = false;
  for (const char* c = name; *c; ++c) {
    if (std::isalnum(static_cast<unsigned char>(*c))) {
      if (gap && !symbol.empty()) symbol += '_';
      symbol += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
      gap = false;
    } else {
      gap = true;
    }
  }
  return symbol;
}

TEST(LV2Ports, ParameterSymbolsAreTheTablesNamesInLowerCase) {
  for (int32_t p = 0; p < kNumQuorvellaParameters; ++p)
    EXPECT_EQ(kPortSymbols[parameterPort(p)], symbolFromName(kQuorvellaParameters[p].name));
}

// Validity and uniqueness of the symbols are the writer's checks (no faults below).
TEST(LV2Ports, PortsMapToParametersBothWaysAndTheOthersHaveNames) {
  for (uint32_t i = 0; i < kNumPorts; ++i) {
    int32_t parameter = portParameter(i);
    EXPECT_EQ(parameter >= 0, fixedPortName(i) == nullptr) << i;
    if (parameter >= 0) {
      EXPECT_EQ(parameterPort(parameter), i);
    }
  }
  for (int32_t p = 0; p < kNumQuorvellaParameters; ++p)
    EXPECT_EQ(portParameter(parameterPort(p)), p);
}

std::vector<ParameterDescriptor> productTable() {
  return std::vector<ParameterDescriptor>(kQuorvellaParameters,
                                          kQuorvellaParameters + kNumQuorvellaParameters);
}

TEST(LV2BundleWriter, TheProductsTableAndProgramsHaveNoFaults) {
  LV2BundleWriter writer(kQuorvellaParameters, LV2BundleWriter::factoryPrograms());
  std::vector<std::string> faults = writer.faults();
  EXPECT_TRUE(faults.empty()) << faults.front();
  EXPECT_EQ(LV2BundleWriter::factoryPrograms().size(), static_cast<size_t>(kNumFactoryPrograms));
}

TEST(LV2BundleWriter, RefusesParametersAHostWouldShowWrongly) {
  struct Case {
    int32_t parameter;
    std::function<void(ParameterDescriptor&)> change;
    const char* expected;
  };
  const Case cases[] = {
      {kLowpassCutoff, [](ParameterDescriptor& d) { d.minimum = 0.0f; }, "above 0"},
      {kFilterQ, [](ParameterDescriptor& d) { d.defaultValue = 2.0f; }, "lies outside"},
      {kEnvGate, [](ParameterDescriptor& d) { d.maximum = d.minimum; }, "is empty"},
      {kFilterType, [](ParameterDescriptor& d) { d.maximum = INFINITY; }, "not a finite"},
      {kSyncCycles, [](ParameterDescriptor& d) { d.defaultValue = 0.5f; }, "whole numbers"},
      {kPitchLfoShape, [](ParameterDescriptor& d) { d.maximum = 5.0f; }, "value names"},
  };
  for (const Case& c : cases) {
    std::vector<ParameterDescriptor> table = productTable();
    c.change(table[c.parameter]);
    LV2BundleWriter writer(table.data(), LV2BundleWriter::factoryPrograms());
    std::vector<std::string> faults = writer.faults();
    ASSERT_EQ(faults.size(), 1u) << c.expected;
    EXPECT_NE(faults[0].find(kQuorvellaParameters[c.parameter].name), std::string::npos)
        << faults[0];
    EXPECT_NE(faults[0].find(c.expected), std::string::npos) << faults[0];
  }
}

TEST(LV2BundleWriter, RefusesProgramValuesAHostWouldMoveOrRound) {
  std::vector<LV2BundleWriter::Program> programs = LV2BundleWriter::factoryPrograms();
  programs[4].values[kFilterQ] = 1.5f;      // above its range
  programs[5].values[kFilterCutoff] = NAN;  // no number at all
  programs[6].values[kSyncCycles] = 2.5f;   // an integer port rounds it
  LV2BundleWriter writer(kQuorvellaParameters, programs);
  std::vector<std::string> faults = writer.faults();
  ASSERT_EQ(faults.size(), 3u);
  EXPECT_NE(faults[0].find(programs[4].name), std::string::npos) << faults[0];
  EXPECT_NE(faults[0].find("Filter Q"), std::string::npos) << faults[0];
  EXPECT_NE(faults[1].find("not a finite number"), std::string::npos) << faults[1];
  EXPECT_NE(faults[2].find("not a whole number"), std::string::npos) << faults[2];
}

TEST(LV2BundleWriter, WritesNoFileWhenItFindsAFault) {
  testsupport::TempFolder folder;
  std::vector<ParameterDescriptor> table = productTable();
  table[kFilterCutoff].minimum = -1.0f;
  LV2BundleWriter writer(table.data(), LV2BundleWriter::factoryPrograms());
  std::string error;
  EXPECT_FALSE(writer.writeBundle(folder.file(kBundleFolder), error));
  EXPECT_NE(error.find("Filter Cutoff"), std::string::npos) << error;
  EXPECT_FALSE(testsupport::entryExists(folder.file(kBundleFolder)));
}

TEST(LV2BundleWriter, NumbersReadBackExactlyAsFloatsAndThroughDoubles) {
  std::vector<float> values = {0.0f,
                               -0.0f,
                               1.0f,
                               -16.0f,
                               0.1f,
                               0.755f,
                               45.955f,
                               1902.25f,
                               1e-7f,
                               3.0e-39f,
                               16777217.0f,
                               3.4028235e38f,
                               std::nextafter(0.2f, 1.0f),
                               std::numeric_limits<float>::min()};
  for (const LV2BundleWriter::Program& program : LV2BundleWriter::factoryPrograms())
    values.insert(values.end(), program.values.begin(), program.values.end());
  for (int32_t p = 0; p < kNumQuorvellaParameters; ++p)
    values.insert(values.end(), {kQuorvellaParameters[p].minimum, kQuorvellaParameters[p].maximum});

  for (float v : values) {
    std::string text = LV2BundleWriter::number(v);
    SCOPED_TRACE(text);
    EXPECT_EQ(std::strtof(text.c_str(), nullptr), v);
    EXPECT_EQ(static_cast<float>(std::strtod(text.c_str(), nullptr)), v);
    EXPECT_EQ(std::signbit(std::strtof(text.c_str(), nullptr)), std::signbit(v));
    // With neither, Turtle reads an integer literal.
    EXPECT_NE(text.find_first_of(".e"), std::string::npos);
  }
  // The shortest form: what a person reads in the files is what the table says.
  EXPECT_EQ(LV2BundleWriter::number(0.1f), "0.1");
  EXPECT_EQ(LV2BundleWriter::number(800.0f), "800.0");
}

TEST(LV2BundleWriter, NamesWithQuotesAndBackslashesReachHostsIntact) {
  std::vector<LV2BundleWriter::Program> programs = LV2BundleWriter::factoryPrograms();
  programs[0].name = "Say \"Hi\" \\ then\ttab";
  LV2BundleWriter writer(kQuorvellaParameters, programs);
  testsupport::TempFolder folder;
  std::string error;
  ASSERT_TRUE(writer.writeBundle(folder.file(kBundleFolder), error)) << error;

  BundleWorld bundle(folder.file(kBundleFolder));
  ASSERT_NE(bundle.plugin(kPluginUri), nullptr);
  NodeOwner preset = bundle.uri(presetUri(0));
  ASSERT_GT(lilv_world_load_resource(bundle.world(), preset.get()), 0);
  UridMap map;
  StateOwner state(lilv_state_new_from_world(bundle.world(), map.feature(), preset.get()));
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(std::string(lilv_state_get_label(state.get())), programs[0].name);
}

}  // namespace
