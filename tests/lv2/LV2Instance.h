// One instance of the bundle's plug-in driven as an LV2 host drives it, through lilv: the
// features a host gives (urid:map, the options feature with the block length, or none),
// a buffer for every port, presets restored into the control ports, MIDI events written
// into the atom port's sequence before a run, and the instance's product reached through
// instance-access as the UI reaches it.
//
// Threading: one thread, as lilv.
#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/options/options.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "faces/lv2/LV2Ports.h"
#include "lv2/BundleWorld.h"
#include "lv2/UridMap.h"

class HvcAuBase;

namespace lv2face {
class LV2InstanceLink;
}

namespace lv2test {

class LV2Instance {
 public:
  struct Setup {
    double sampleRate = 44100.0;
    // The maxBlockLength the options feature names; 0 gives no options feature.
    int32_t blockLength = 512;
    // Without it the host gives no features at all.
    bool uridMap = true;
  };

  LV2Instance(const BundleWorld& bundle, const Setup& setup);
  ~LV2Instance();
  LV2Instance(const LV2Instance&) = delete;
  LV2Instance& operator=(const LV2Instance&) = delete;

  bool valid() const { return instance != nullptr; }
  LV2_Handle handle() const;
  lv2face::LV2InstanceLink& link() const;
  HvcAuBase& product() const;

  // Control ports' buffers (inputs and outputs), by port index.
  float& control(uint32_t port) { return controls[port]; }
  // The factory program's preset, restored as hosts restore presets: into the ports.
  bool restorePreset(int32_t program);
  // Connects (or, with null, disconnects) the MIDI port; it starts connected.
  void connectMIDI(bool connected);
  // Appends an event to the next run's sequence (type: midi:MidiEvent unless given).
  void queueEvent(int64_t frame, const std::vector<uint8_t>& bytes, LV2_URID type = 0);
  // The sequence as it stands, for tests that write malformed atoms into it.
  LV2_Atom_Sequence* sequence();

  void activate();
  void deactivate();
  // One run over the given buffers (null leaves that audio port unconnected); the
  // sequence is emptied afterwards, as a host refills it for every run.
  void run(const float* inL, const float* inR, float* outL, float* outR, uint32_t frames);
  // Renders a stereo input in runs of `piece` frames; out gets the same length.
  void render(const std::vector<float>& inL, const std::vector<float>& inR, uint32_t piece,
              std::vector<float>& outL, std::vector<float>& outR);

  UridMap& uridMap() { return map; }

 private:
  static void setPortValue(const char* symbol, void* data, const void* value, uint32_t size,
                           uint32_t type);
  void clearSequence();

  const BundleWorld& bundle;
  const LilvPlugin* plugin = nullptr;
  UridMap map;
  LV2_URID intType = 0;
  int32_t blockLength = 0;
  std::array<LV2_Options_Option, 2> options{};
  LV2_Feature mapFeature{};
  LV2_Feature optionsFeature{};
  std::vector<const LV2_Feature*> features;
  LilvInstance* instance = nullptr;
  std::array<float, lv2face::kNumPorts> controls{};
  // 64-bit words, so that the sequence is aligned as atoms must be.
  std::vector<uint64_t> sequenceBuffer;
};

}  // namespace lv2test
