// The product: 40 parameters, 11 factory programs, the signal path (two channel kernels
// sharing one set of block settings, and the meter block), the MIDI scripting, the OSC
// server, the product's texts and properties, and the editor its factory makes. It knows
// no plug-in format: a face (faces/) carries it to a host through the HostInterface.
//
// Threads: as HvcAuBase; the MIDI scripting and the OSC server state their own.
#pragma once

#include <cstdint>
#include <memory>

#include "dsp/QuorvellaSignalPath.h"
#include "framework/EditorFactory.h"
#include "framework/HvcAuBase.h"
#include "framework/Version.h"

namespace HC {
class LuaMIDIHelper;
class OSCHelper;
}

enum : uint32_t {
  kQuorvellaPropertyMeterValues = 64001,
};

class HvcQuorvella : public HvcAuBase {
public:
  static constexpr int32_t kNumPrograms = 11;
  static constexpr int32_t kNumInputs = QuorvellaSignalPath::kChannels;
  static constexpr int32_t kNumOutputs = QuorvellaSignalPath::kChannels;
  static constexpr int32_t kInitialBlockSize = QuorvellaSignalPath::kInitialBlockSize;
  static constexpr int32_t kVersion =
      quorvella::kMajorVersion << 16 | quorvella::kMinorVersion << 8 | quorvella::kDotVersion;

  // host may be null (tests, tools): nobody is told of anything. editorFactory, when given,
  // makes the editor last, once the parameters, programs and scripts exist.
  explicit HvcQuorvella(HostInterface* host, EditorFactory editorFactory = nullptr);
  ~HvcQuorvella() override;

  // Framework hooks.
  int32_t getValueNames(int32_t scope, int32_t index, CFArray** names) override;
  int32_t getProperty(uint32_t id, int32_t scope, int32_t element, void* data) override;
  int32_t getPropertyInfo(uint32_t id, int32_t scope, int32_t element, uint32_t* size,
                          bool* writable) override;
  void copyMeterValues(void* buffer) override;

  // Host operations.
  // Stores a usable rate (others keep the last one) and tells the host the latency of the
  // new rate when it changed. Host thread, while processing is suspended.
  void setSampleRate(float rate) override;
  // The look-ahead at the current rate.
  int32_t getLatency() const override { return latency; }
  // A host's change (setParameter, or a face's plain value): the base stores and tells the
  // editor; then index 39 (the OSC port offset) retargets the OSC server and registered OSC
  // clients are told of the change. Never waits: safe on the audio thread.
  void setParameterPlain(int32_t index, float plainValue) override;
  // Makes the program current and moves the OSC server to its port offset.
  void setProgram(int32_t program) override;
  void setBlockSize(int32_t size) override;
  void processReplacing(float** inputs, float** outputs, int32_t frames) override;
  // Hands the messages to the MIDI scripts (LuaMIDIHelper::dispatchEvents). Always 1.
  int32_t processEvents(const MIDIEventList& events) override;
  bool awaitsEmptyEventList() const override;
  bool acceptsMIDI() const override { return true; }
  bool getEffectName(char* name) override;
  bool getVendorString(char* text) override;
  bool getProductString(char* text) override;
  int32_t getVendorVersion() override { return kVersion; }

  // Product operations.
  virtual void initialise();
  virtual void stopOSCServer();
  virtual int32_t getVersionNumber() const { return kVersion; }

  // The MIDI scripting of this instance (created in the constructor, never null).
  HC::LuaMIDIHelper* getMIDIHelper() const { return midiHelper.get(); }
  // The OSC server of this instance (created in the constructor, never null).
  HC::OSCHelper* getOSCHelper() const { return oscHelper.get(); }

  // The OSC port base shared by every instance in the process ("OSC Base Port").
  static int32_t getOSCBasePort();
  static void setOSCBasePort(int32_t port);

  // The signal core: block settings, kernels, scratch buffer and meters.
  const QuorvellaSignalPath& getSignalPath() const { return signalPath; }
  QuorvellaSignalPath& getSignalPath() { return signalPath; }
  const MeterValues& getMeters() const { return signalPath.getMeters(); }

private:
  void loadFactoryPrograms();
  // The integer part of the current program's OSC port offset.
  int32_t oscPortOffset() const;

  QuorvellaSignalPath signalPath;
  int32_t latency = 0;  // as last told to the host
  std::unique_ptr<HC::LuaMIDIHelper> midiHelper;
  std::unique_ptr<HC::OSCHelper> oscHelper;
};
