// The VST 2.4 face over a product, in process: what it hands the product (plain MIDI lists,
// the editor's calls, the frame's settings) and that the samples are the signal core's own.
// The plug-in as a host sees it is PluginBoundaryTest's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <memory>
#include <vector>

#include "dsp/FactoryPrograms.h"
#include "dsp/QuorvellaParameters.h"
#include "dsp/QuorvellaSignalPath.h"
#include "effect/HvcQuorvella.h"
#include "faces/vst2/QuorvellaVst2.h"
#include "faces/vst2/Vst2Effect.h"
#include "framework/HvcAuBase.h"
#include "framework/HvcEditor.h"
#include "support/AllocationCount.h"

namespace {

intptr_t silentHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

const ParameterDescriptor kTable[1] = {{"Level", kUnitGeneric, 0.0f, 1.0f, 0.5f}};

// The editor a test product has: remembers what the face asked of it.
struct SeenEditor : HvcEditor {
  using HvcEditor::HvcEditor;
  EditorRect shown{0, 0, 120, 300};
  int idles = 0;
  bool getRect(EditorRect** rect) override {
    *rect = &shown;
    return true;
  }
  void idle() override { ++idles; }
};

// A product that keeps every MIDI list it is handed, and has an editor when asked to.
struct ListeningProduct : HvcAuBase {
  explicit ListeningProduct(HostInterface* host, bool withEditor) : HvcAuBase(host, 1, kTable, 1) {
    if (withEditor) setEditor(new SeenEditor(this));
  }
  void processReplacing(float**, float**, int32_t) override {}
  int32_t processEvents(const MIDIEventList& list) override {
    lists.emplace_back(list.events, list.events + list.count);
    return 7;
  }
  bool acceptsMIDI() const override { return true; }
  std::vector<std::vector<MIDIEvent>> lists;
};

struct Face {
  explicit Face(bool withEditor = false)
      : effect(new Vst2Effect(silentHost, [&](HostInterface& host) -> HvcAuBase* {
          return product = new ListeningProduct(&host, withEditor);
        })) {}
  ListeningProduct* product = nullptr;
  std::unique_ptr<Vst2Effect> effect;
};

// A host's event block: MIDI events and others, pointers as the host lays them out.
struct HostBlock {
  std::vector<VstMidiEvent> events;
  std::vector<unsigned char> storage;
  void add(int32_t type, uint8_t status, int32_t delta) {
    VstMidiEvent e{};
    e.type = type;
    e.byteSize = sizeof(VstMidiEvent);
    e.deltaFrames = delta;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = 60;
    e.midiData[2] = 100;
    events.push_back(e);
  }
  // withNull: a null pointer among the events (a host fault the face steps over).
  VstEvents* block(bool withNull = false) {
    size_t count = events.size() + (withNull ? 1 : 0);
    storage.assign(offsetof(VstEvents, events) + sizeof(VstEvent*) * (count + 2), 0);
    auto* b = reinterpret_cast<VstEvents*>(storage.data());
    b->numEvents = static_cast<int32_t>(count);
    auto** list = reinterpret_cast<VstEvent**>(storage.data() + offsetof(VstEvents, events));
    size_t at = 0;
    for (size_t i = 0; i < events.size(); ++i) {
      if (withNull && i == 1) list[at++] = nullptr;
      list[at++] = reinterpret_cast<VstEvent*>(&events[i]);
    }
    return b;
  }
};

TEST(Vst2Face, EventBlocksReachTheProductAsPlainMessagesInOrder) {
  Face face;
  HostBlock host;
  host.add(kVstMidiType, 0x90, 3);
  host.add(kVstSysExType, 0x91, 4);
  host.add(kVstMidiType, 0xB2, 5);
  host.add(kVstMidiType, 0xF8, 6);
  EXPECT_EQ(face.effect->dispatcher(effProcessEvents, 0, 0, host.block(true), 0.0f), 7);
  ASSERT_EQ(face.product->lists.size(), 1u);
  const std::vector<MIDIEvent>& got = face.product->lists[0];
  ASSERT_EQ(got.size(), 3u);  // the sysex event and the null pointer are left out
  EXPECT_EQ(got[0].status, 0x90);
  EXPECT_EQ(got[0].deltaFrames, 3);
  EXPECT_EQ(got[0].data1, 60);
  EXPECT_EQ(got[0].data2, 100);
  EXPECT_EQ(got[1].status, 0xB2);
  EXPECT_EQ(got[2].status, 0xF8);  // system messages are the product's to skip
}

TEST(Vst2Face, BlocksWithoutMIDIAreHandedOnEmpty) {
  // The product dispatches messages it had to put aside when the next block comes, with
  // or without messages of its own.
  Face face;
  HostBlock sysexOnly;
  sysexOnly.add(kVstSysExType, 0xF0, 0);
  face.effect->processEvents(sysexOnly.block());
  face.effect->processEvents(nullptr);
  ASSERT_EQ(face.product->lists.size(), 2u);
  EXPECT_TRUE(face.product->lists[0].empty());
  EXPECT_TRUE(face.product->lists[1].empty());
}

TEST(Vst2Face, LongBlocksArriveWholeInSeveralLists) {
  Face face;
  HostBlock host;
  const uint32_t total = 2 * Vst2Effect::kMIDIEventsPerList + 5;
  for (uint32_t i = 0; i < total; ++i) host.add(kVstMidiType, 0x80 | (i % 16), static_cast<int32_t>(i));
  face.effect->processEvents(host.block());
  ASSERT_EQ(face.product->lists.size(), 3u);
  EXPECT_EQ(face.product->lists[0].size(), Vst2Effect::kMIDIEventsPerList);
  EXPECT_EQ(face.product->lists[1].size(), Vst2Effect::kMIDIEventsPerList);
  EXPECT_EQ(face.product->lists[2].size(), 5u);
  int32_t expected = 0;
  for (const auto& list : face.product->lists)
    for (const MIDIEvent& e : list) ASSERT_EQ(e.deltaFrames, expected++);
}

// The face's calls on the audio thread allocate nothing: the event conversion fills the
// buffer made at construction, and Quorvella's processing allocates nothing either.
TEST(Vst2Face, AudioThreadCallsAllocateNothing) {
  struct Counting : HvcAuBase {
    explicit Counting(HostInterface* host) : HvcAuBase(host, 1, kTable, 1) {}
    void processReplacing(float**, float**, int32_t) override {}
    int32_t processEvents(const MIDIEventList& list) override {
      received += list.count;
      return 1;
    }
    uint32_t received = 0;
  };
  Counting* product = nullptr;
  std::unique_ptr<Vst2Effect> face(new Vst2Effect(silentHost, [&](HostInterface& host) -> HvcAuBase* {
    return product = new Counting(&host);
  }));
  HostBlock host;
  for (uint32_t i = 0; i < Vst2Effect::kMIDIEventsPerList + 10; ++i) host.add(kVstMidiType, 0x90, 0);
  VstEvents* block = host.block(true);

  std::unique_ptr<Vst2Effect> quorvella(createQuorvellaVst2(silentHost, nullptr));
  quorvella->dispatcher(effSetBlockSize, 0, 256, nullptr, 0.0f);
  quorvella->dispatcher(effSetProgram, 0, 9, nullptr, 0.0f);
  std::vector<float> left(256, 0.25f), right(256, -0.25f);
  float* io[2] = {left.data(), right.data()};

  testsupport::AllocationCount counting;
  for (int i = 0; i < 8; ++i) {
    face->processEvents(block);
    quorvella->processReplacing(io, io, 256);
  }
  EXPECT_EQ(counting.stop(), 0);
  EXPECT_EQ(product->received, 8 * (Vst2Effect::kMIDIEventsPerList + 10));
}

TEST(Vst2Face, EditorOpcodesReachTheProductsEditor) {
  Face face(true);
  auto* editor = static_cast<SeenEditor*>(face.product->getEditor());
  EXPECT_EQ(face.effect->getAeffect()->flags & effFlagsHasEditor, effFlagsHasEditor);
  ERect* rect = nullptr;
  EXPECT_EQ(face.effect->dispatcher(effEditGetRect, 0, 0, &rect, 0.0f), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->bottom, 120);
  EXPECT_EQ(rect->right, 300);
  int parent = 0;
  EXPECT_EQ(face.effect->dispatcher(effEditOpen, 0, 0, &parent, 0.0f), 0);
  EXPECT_TRUE(editor->isOpen());
  face.effect->dispatcher(effEditIdle, 0, 0, nullptr, 0.0f);
  EXPECT_EQ(editor->idles, 1);
  EXPECT_EQ(face.effect->dispatcher(effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);
  face.effect->dispatcher(effEditClose, 0, 0, nullptr, 0.0f);
  EXPECT_FALSE(editor->isOpen());

  Face without;
  EXPECT_EQ(without.effect->getAeffect()->flags & effFlagsHasEditor, 0);
  EXPECT_EQ(without.effect->dispatcher(effEditGetRect, 0, 0, &rect, 0.0f), 0);
  EXPECT_EQ(without.effect->dispatcher(effEditOpen, 0, 0, &parent, 0.0f), 0);
}

TEST(Vst2Face, BlockSizeOpcodesResizeTheScratchBuffer) {
  std::unique_ptr<Vst2Effect> effect(createQuorvellaVst2(silentHost, nullptr));
  auto& product = static_cast<HvcQuorvella&>(effect->getProduct());
  effect->dispatcher(effSetBlockSize, 0, 64, nullptr, 0.0f);
  EXPECT_EQ(product.getSignalPath().getScratchSize(), 64);
  EXPECT_EQ(effect->dispatcher(effSetBlockSizeAndSampleRate, 0, 4096, nullptr, 48000.0f), 1);
  EXPECT_EQ(product.getSignalPath().getScratchSize(), 4096);
  EXPECT_EQ(effect->getSampleRate(), 48000.0f);
  // Unusable rates from a host keep the last usable one.
  effect->dispatcher(effSetSampleRate, 0, 0, nullptr, 0.0f);
  effect->dispatcher(effSetSampleRate, 0, 0, nullptr, -44100.0f);
  effect->dispatcher(effSetSampleRate, 0, 0, nullptr, NAN);
  EXPECT_EQ(effect->getSampleRate(), 48000.0f);
}

// What a host hears is the signal core's output for the live values, sample for sample:
// the product and the face add nothing to it.
TEST(Vst2Face, SamplesAreTheSignalCoresOwn) {
  const int block = 300;
  std::vector<float> inL(block * 40), inR(block * 40);
  for (size_t i = 0; i < inL.size(); ++i) {
    inL[i] = static_cast<float>(0.6 * std::sin(i * 0.031) * std::exp(-0.0004 * (i % 4000)));
    inR[i] = static_cast<float>(0.4 * std::fmod(i * 0.013, 1.0) - 0.2);
  }
  for (int p : {0, 4, 10}) {
    std::unique_ptr<Vst2Effect> effect(createQuorvellaVst2(silentHost, nullptr));
    effect->dispatcher(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    effect->dispatcher(effSetBlockSize, 0, block, nullptr, 0.0f);
    effect->dispatcher(effSetProgram, 0, p, nullptr, 0.0f);
    QuorvellaSignalPath path;
    path.setBlockSize(block);
    float values[kNumQuorvellaParameters];
    factoryProgramValues(kFactoryPrograms[p], values);
    std::vector<float> outL(block), outR(block), refL(block), refR(block);
    for (size_t start = 0; start < inL.size(); start += block) {
      float* in[2] = {inL.data() + start, inR.data() + start};
      float* out[2] = {outL.data(), outR.data()};
      float* ref[2] = {refL.data(), refR.data()};
      effect->getAeffect()->processReplacing(effect->getAeffect(), in, out, block);
      path.process(values, 48000.0f, in, ref, block);
      ASSERT_EQ(outL, refL) << kFactoryPrograms[p].name << " at " << start;
      ASSERT_EQ(outR, refR) << kFactoryPrograms[p].name << " at " << start;
    }
  }
}

}  // namespace
