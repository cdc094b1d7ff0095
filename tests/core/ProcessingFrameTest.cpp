// The product's processing frame behind the host's opcodes: sample rate and block size
// reach the signal path as the host sets them.
#include <gtest/gtest.h>

#include <cmath>

#include "effect/HvcQuorvella.h"

namespace {

TEST(ProcessingFrame, BlockSizeOpcodesResizeTheScratchBuffer) {
  HvcQuorvella effect(nullptr);
  effect.dispatcher(effSetBlockSize, 0, 64, nullptr, 0.0f);
  EXPECT_EQ(effect.getSignalPath().getScratchSize(), 64);
  EXPECT_EQ(effect.dispatcher(effSetBlockSizeAndSampleRate, 0, 4096, nullptr, 48000.0f), 1);
  EXPECT_EQ(effect.getSignalPath().getScratchSize(), 4096);
  EXPECT_EQ(effect.getSampleRate(), 48000.0f);
  // Unusable rates from a host keep the last usable one.
  effect.dispatcher(effSetSampleRate, 0, 0, nullptr, 0.0f);
  effect.dispatcher(effSetSampleRate, 0, 0, nullptr, -44100.0f);
  effect.dispatcher(effSetSampleRate, 0, 0, nullptr, NAN);
  EXPECT_EQ(effect.getSampleRate(), 48000.0f);
}

}  // namespace
