// The parameter model behind the host boundary: mappings, display thresholds, the
// product's texts and properties, the change listener table and the factory values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "dsp/FactoryPrograms.h"
#include "dsp/QuorvellaParameters.h"
#include "effect/HvcQuorvella.h"
#include "framework/HvcEditor.h"
#include "framework/ParameterListenerTable.h"

namespace {

struct Model : ::testing::Test {
  HvcQuorvella fx{nullptr};
  std::string show(int32_t index, float plain) {
    fx.setPlainValue(index, plain);
    char text[64];
    std::memset(text, 0, sizeof(text));
    fx.getParameterDisplay(index, text);
    return text;
  }
};

TEST_F(Model, PrecisionThresholdsAreStrictAndSigned) {
  EXPECT_EQ(show(kPitchLfoAmount, 9.9996f), "10.000");
  EXPECT_EQ(show(kPitchLfoAmount, 10.0f), "10.00");
  EXPECT_EQ(show(kFilterCutoff, 999.96f), "1000.0");
  EXPECT_EQ(show(kFilterCutoff, 1000.0f), "1000");
  EXPECT_EQ(show(kPitchOffset, -24.0f), "-24.000");
  EXPECT_EQ(show(kUseFilteredForDry, 0.0f), "Off");
  EXPECT_EQ(show(kUseFilteredForDry, 0.25f), "On");
  EXPECT_EQ(show(kSyncCycles, 3.0f), "3");
  EXPECT_EQ(show(kFilterType, 2.004f), "Band");
  EXPECT_EQ(show(kFilterType, 2.006f), "2.006");
  EXPECT_EQ(show(kFilterType, -1.0f), "-1.000");
}

TEST_F(Model, MappingsByUnit) {
  EXPECT_FLOAT_EQ(fx.toPlain(kLowpassCutoff, 0.5f), 100.0f);
  EXPECT_FLOAT_EQ(fx.toNormalised(kLowpassCutoff, 100.0f), 0.5f);
  EXPECT_EQ(fx.toPlain(kSyncCycles, 0.5f), 4.0f);
  EXPECT_EQ(fx.toPlain(kSyncCycles, 0.56f), 4.0f);
  EXPECT_EQ(fx.toPlain(kSyncCycles, 0.57f), 5.0f);
  EXPECT_FLOAT_EQ(fx.toPlain(kPitchOffset, 0.75f), 18.0f);
  EXPECT_FLOAT_EQ(fx.toNormalised(kPitchOffset, 72.0f), 1.5f);  // no clamping
  // Frequencies the logarithm cannot take reach the host as the bottom of the range.
  for (float bad : {0.0f, -5.0f, std::nanf("")}) EXPECT_EQ(fx.toNormalised(kLowpassCutoff, bad), 0.0f);
}

TEST(ModelMapping, EqualMinimumAndMaximumReportsTheMinimum) {
  static const ParameterDescriptor table[1] = {{"Fixed", kUnitGeneric, 3.0f, 3.0f, 3.0f}};
  struct Fixed : HvcAuBase {
    Fixed() : HvcAuBase(nullptr, 1, table, 1) {}
    void processReplacing(float**, float**, int32_t) override {}
  } effect;
  EXPECT_EQ(effect.toNormalised(0, 3.0f), 3.0f);
  EXPECT_EQ(effect.getParameter(0), 3.0f);
}

TEST_F(Model, ValueNamesArePerRequestListsOfInternedTexts) {
  CFArray* names = nullptr;
  ASSERT_EQ(fx.getValueNames(0, kPitchLfoShape, &names), kHvcNoErr);
  ASSERT_NE(names, nullptr);
  ASSERT_EQ(names->count(), 5);
  EXPECT_EQ(static_cast<CFString*>(names->at(3))->text(), "Square");
  EXPECT_EQ(names->retainCount(), 1);
  CFArray* again = nullptr;
  fx.getValueNames(0, kPwmLfoShape, &again);
  EXPECT_NE(again, names);
  names->release();
  again->release();
  EXPECT_EQ(fx.getValueNames(1, kPitchLfoShape, &names), kHvcInvalidParameter);
  EXPECT_EQ(fx.getValueNames(0, kSyncCycles, &names), kHvcInvalidParameter);
  EXPECT_EQ(names, nullptr);
}

TEST_F(Model, ValueTextProperty) {
  float value = 0.0f;
  HvcParameterValueString request{kOscPitch, &value, nullptr};
  ASSERT_EQ(fx.getProperty(kHvcPropertyParameterValueString, 0, 0, &request), kHvcNoErr);
  ASSERT_NE(request.text, nullptr);
  EXPECT_EQ(request.text->text(), "Track");
  CFString* first = request.text;
  request = {kOscPitch, &value, nullptr};
  fx.getProperty(kHvcPropertyParameterValueString, 0, 0, &request);
  EXPECT_EQ(request.text, first);  // interned: one object, one more reference per answer
  first->release();
  request.text->release();

  value = 64.0f;
  request = {kOscPitch, &value, nullptr};
  EXPECT_EQ(fx.getProperty(kHvcPropertyParameterValueString, 0, 0, &request), kHvcNoErr);
  EXPECT_EQ(request.text, nullptr);

  request = {kWetLevel, nullptr, nullptr};
  EXPECT_EQ(fx.getProperty(kHvcPropertyParameterValueString, 0, 0, &request), kHvcInvalidParameter);
  EXPECT_EQ(fx.getProperty(12345, 0, 0, &request), kHvcInvalidProperty);
}

TEST_F(Model, PropertyInfoAndMeterBlock) {
  uint32_t size = 0;
  bool writable = true;
  EXPECT_EQ(fx.getPropertyInfo(kHvcPropertyParameterValueString, 0, 0, &size, &writable), kHvcNoErr);
  EXPECT_EQ(size, sizeof(HvcParameterValueString));
  EXPECT_FALSE(writable);
  EXPECT_EQ(fx.getPropertyInfo(kQuorvellaPropertyMeterValues, 0, 0, &size, &writable), kHvcNoErr);
  EXPECT_EQ(size, 40u);
  EXPECT_EQ(fx.getPropertyInfo(7, 0, 0, &size, &writable), kHvcInvalidProperty);

  unsigned char block[48];
  std::memset(block, 0xAA, sizeof(block));
  EXPECT_EQ(fx.getProperty(kQuorvellaPropertyMeterValues, 0, 0, block), kHvcNoErr);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(block[i], 0) << i;
  EXPECT_EQ(block[32], 0);  // fresh meters: nothing measured yet
  EXPECT_EQ(block[40], 0xAA);  // exactly 40 bytes
}

TEST_F(Model, FactoryValuesAreExact) {
  for (int p = 0; p < kNumFactoryPrograms; ++p) {
    float expected[kNumQuorvellaParameters];
    factoryProgramValues(kFactoryPrograms[p], expected);
    for (int i = 0; i < kNumQuorvellaParameters; ++i)
      EXPECT_EQ(fx.program(p)->getValue(i), expected[i]) << p << "/" << i;
  }
  EXPECT_EQ(fx.program(5)->getValue(kPwmLfoSpeed), 1.098f);
  EXPECT_EQ(fx.program(7)->getValue(kFilterCutoff), 462.25f);
  EXPECT_EQ(fx.program(9)->getValue(kFilterEnvDepth), -3.2f);
  EXPECT_EQ(fx.program(0)->getValue(kLowpassCutoff), 800.0f);
  // A fresh instance plays the defaults.
  EXPECT_EQ(fx.getProgram(), 0);
  for (int i = 0; i < kNumQuorvellaParameters; ++i)
    EXPECT_EQ(fx.getPlainValue(i), kQuorvellaParameters[i].defaultValue);
}

// Change notifications for editor controls.
struct Delivery {
  struct Call {
    void* control;
    int32_t index;
    float value;
  };
  std::vector<Call> calls;
  static void deliver(void* user, void* control, int32_t index, float value) {
    static_cast<Delivery*>(user)->calls.push_back({control, index, value});
  }
};

TEST_F(Model, ListenerTableQueuesAndDeliversInOrder) {
  Delivery delivery;
  ParameterListenerTable table(&fx, Delivery::deliver, &delivery);
  int a = 0, b = 0;
  table.registerControl(3, &a);
  table.registerControl(3, &b);
  table.registerControl(7, &a);
  table.registerControl(40, &a);  // outside the table: ignored

  table.parameterChanged(5, 1.0f);  // nobody listens
  table.parameterChanged(7, 100.0f);
  table.parameterChanged(3, 0.5f);
  EXPECT_EQ(table.pendingCount(), 2u);
  EXPECT_TRUE(delivery.calls.empty());
  table.deliver();
  ASSERT_EQ(delivery.calls.size(), 3u);
  EXPECT_EQ(delivery.calls[0].index, 7);
  EXPECT_EQ(delivery.calls[1].control, &a);
  EXPECT_EQ(delivery.calls[2].control, &b);
  EXPECT_EQ(delivery.calls[2].value, 0.5f);
  EXPECT_EQ(table.pendingCount(), 0u);

  delivery.calls.clear();
  fx.setPlainValue(7, 250.0f);
  table.refreshAll();
  ASSERT_EQ(delivery.calls.size(), 3u);
  EXPECT_EQ(delivery.calls[2].index, 7);
  EXPECT_EQ(delivery.calls[2].value, 250.0f);
}

TEST_F(Model, ListenerQueueKeepsTheNewestValuesWhenTheEditorStalls) {
  Delivery delivery;
  ParameterListenerTable table(&fx, Delivery::deliver, &delivery);
  int control = 0;
  table.registerControl(1, &control);
  table.registerControl(2, &control);
  for (int i = 0; i < 5000; ++i) table.parameterChanged(1 + i % 2, static_cast<float>(i));
  // At most the ring's worth plus one mark per parameter waits.
  EXPECT_LE(table.pendingCount(), 1024u + 40u);
  table.deliver();
  ASSERT_GE(delivery.calls.size(), 2u);
  EXPECT_EQ(delivery.calls[delivery.calls.size() - 2].value, 4998.0f);
  EXPECT_EQ(delivery.calls.back().value, 4999.0f);
}

TEST_F(Model, HostSetterTellsTheEditorsListeners) {
  Delivery delivery;
  ParameterListenerTable& table = fx.parameterListeners();
  table.attach(Delivery::deliver, &delivery);
  int control = 0;
  table.registerControl(kLowpassCutoff, &control);
  // An effect with an editor (the plug-in's has one from construction): host changes reach
  // the table.
  fx.setEditor(new HvcEditor(&fx));
  fx.setParameter(kLowpassCutoff, 0.5f);
  EXPECT_EQ(table.pendingCount(), 1u);
  EXPECT_EQ(fx.getPlainValue(kLowpassCutoff), 100.0f);
  // So do the editor's own changes; a detached table forgets them.
  fx.setParameterFromEditor(kLowpassCutoff, 200.0f);
  EXPECT_EQ(table.pendingCount(), 2u);
  table.detach();
  EXPECT_EQ(table.pendingCount(), 0u);
  table.deliver();
  EXPECT_TRUE(delivery.calls.empty());
}

}  // namespace
