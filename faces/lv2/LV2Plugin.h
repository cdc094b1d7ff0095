// The LV2 face: one plug-in instance over a product (an HvcAuBase) that knows no plug-in
// format. The host's ports are the product's audio, MIDI, parameters, latency and meters
// (LV2Ports.h); what the product asks of its host (HostInterface) goes to the UI attached
// through instance-access, which turns edits into port writes; LV2 has no other way back.
//
// Parameters: control input ports carry plain values. A port's value is applied (through
// the product's host path, setParameterPlain) only in a run where it differs from the
// value last applied, so values that MIDI scripts, OSC or the editor set stand until the
// host moves that port again. The first run applies every connected port.
//
// Threading: construction, activate, deactivate and the destructor on the host's
// instantiation thread; connectPort and run on the audio thread (connectPort may also come
// from the instantiation thread while not running). run() allocates nothing, takes no lock
// and never waits: every buffer it uses is made at construction. The HostInterface calls
// come from the product: edits on the UI thread, display refreshes from any thread.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "faces/lv2/LV2InstanceLink.h"
#include "faces/lv2/LV2MIDIReader.h"
#include "faces/lv2/LV2Ports.h"
#include "framework/HostInterface.h"
#include "framework/MIDIEventList.h"

class HvcAuBase;

namespace lv2face {

class LV2Plugin final : public HostInterface, public LV2InstanceLink {
 public:
  // Makes the product, telling it of its host; may throw.
  using ProductFactory = std::function<HvcAuBase*(HostInterface& host)>;
  // The longest piece of audio handed to the product at once when the host names no block
  // length (options feature, buf-size's maxBlockLength or nominalBlockLength).
  static constexpr uint32_t kDefaultBlockLength = 4096;
  // The longest the host may name: a larger one is taken as this (the product's scratch
  // buffer is one piece long).
  static constexpr uint32_t kMostBlockLength = 1u << 16;
  // Messages handed to the product in one list; a sequence with more goes in several.
  static constexpr uint32_t kMIDIEventsPerList = 4096;

  // The product at sampleRate; features may be null. Without urid:map, MIDI is not read.
  LV2Plugin(double sampleRate, const LV2_Feature* const* features,
            const ProductFactory& makeProduct);
  ~LV2Plugin() override;
  LV2Plugin(const LV2Plugin&) = delete;
  LV2Plugin& operator=(const LV2Plugin&) = delete;

  // A null location disconnects the port; unknown ports are ignored.
  void connectPort(uint32_t port, void* location) noexcept;
  void activate();
  void deactivate();
  // Applies changed control ports, hands the block's MIDI to the product, processes the
  // audio in pieces of at most blockLength() frames and writes latency and meters.
  void run(uint32_t frames) noexcept;

  uint32_t blockLength() const { return maxBlock; }
  bool readsMIDI() const { return midiReader.has_value(); }

  // --- HostInterface ---------------------------------------------------------------------
  void beginEdit(int32_t index) override;
  void endEdit(int32_t index) override;
  void automate(int32_t index, float plainValue, float normalisedValue) override;
  // LV2 hosts read nothing back from a plug-in but its output ports: nothing to tell.
  void updateDisplay() override {}
  // The latency port is written at every run.
  void latencyChanged(int32_t) override {}

  // --- LV2InstanceLink -------------------------------------------------------------------
  HvcAuBase& product() override { return *effect; }
  bool attachUI(LV2EditSink* sink) override;
  void detachUI(LV2EditSink* sink) override;
  float appliedPortValue(uint32_t port) const override;

 private:
  void applyControlPorts() noexcept;
  void deliverMIDI(uint32_t frames) noexcept;
  void process(uint32_t frames) noexcept;
  void writeOutputPorts() noexcept;

  // Present only when the host gave urid:map.
  std::optional<LV2MIDIReader> midiReader;

  std::unique_ptr<HvcAuBase> effect;
  uint32_t maxBlock = kDefaultBlockLength;

  const float* audioIn[2] = {nullptr, nullptr};
  float* audioOut[2] = {nullptr, nullptr};
  const LV2_Atom_Sequence* midiIn = nullptr;
  const float* controls[kPortLatency - kPortFirstParameter] = {};
  float* outputs[kNumPorts - kPortLatency] = {};

  static constexpr uint32_t kParameters = kPortLatency - kPortFirstParameter;
  // Raw port values as last applied; NaN before the first. Read by the UI thread.
  std::array<std::atomic<float>, kParameters> applied;

  std::unique_ptr<MIDIEvent[]> midiEvents;
  // Silence for unconnected inputs, a sink for unconnected outputs, copies of inputs that
  // share memory with an output (hosts may process in place; one channel's kernel writes its
  // output before the other reads its input).
  std::vector<float> silence;
  std::vector<float> discard[2];
  std::vector<float> inputCopy[2];

  std::atomic<LV2EditSink*> ui{nullptr};
};

}  // namespace lv2face
