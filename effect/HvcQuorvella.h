// The product: 40 parameters, 11 factory programs, the signal path (two channel kernels
// sharing one set of block settings, and the meter block), the MIDI scripting, the OSC
// server, and the product's texts and properties.
#pragma once

#include <cstdint>
#include <memory>

#include "dsp/QuorvellaSignalPath.h"
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
  static constexpr int32_t kInitialBlockSize = QuorvellaSignalPath::kInitialBlockSize;
  static constexpr int32_t kVersion =
      quorvella::kMajorVersion << 16 | quorvella::kMinorVersion << 8 | quorvella::kDotVersion;

  explicit HvcQuorvella(audioMasterCallback audioMaster);
  ~HvcQuorvella() override;

  // Framework hooks.
  int32_t getValueNames(int32_t scope, int32_t index, CFArray** names) override;
  int32_t getProperty(uint32_t id, int32_t scope, int32_t element, void* data) override;
  int32_t getPropertyInfo(uint32_t id, int32_t scope, int32_t element, uint32_t* size,
                          bool* writable) override;
  void copyMeterValues(void* buffer) override;

  // Host operations.
  // Stores a usable rate (others keep the last one) and reports the look-ahead of the new
  // rate as the initial delay, calling the host's I/O-changed callback when it changed.
  // Dispatcher thread, while processing is suspended.
  void setSampleRate(float rate) override;
  // Host setParameter: the base stores and tells the editor; then index 39 (the OSC port
  // offset) retargets the OSC server and registered OSC clients are told of the change.
  void setParameter(int32_t index, float value) override;
  // Makes the program current and moves the OSC server to its port offset.
  void setProgram(int32_t program) override;
  void setBlockSize(int32_t size) override;
  void processReplacing(float** inputs, float** outputs, int32_t frames) override;
  int32_t processEvents(VstEvents* events) override;
  void resume() override;
  int32_t canDo(char* text) override;
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
  std::unique_ptr<HC::LuaMIDIHelper> midiHelper;
  std::unique_ptr<HC::OSCHelper> oscHelper;
};
