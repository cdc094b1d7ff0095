// One plug-in instance driven the way a VST 2.4 host drives it.
//
// Construction calls the library's entry with the shared host callback (see
// CallbackRegistry) and checks the record it returns. Every callback the plug-in makes,
// from any thread, is recorded on this instance, including those made during the entry
// itself with a null record.
//
// Contract:
// - valid() is false when the entry returned null or a record without the VST magic or
//   without a dispatcher; error() then says why. On an invalid or closed instance every
//   operation is a no-op that returns 0, 0.0f or an empty string.
// - close() sends effClose; the plug-in destroys its record there, so record() is null
//   afterwards. The destructor closes an instance that was not closed.
// - The instance keeps the library loaded until it is destroyed.
// - Thread rules are the plug-in's: the host side adds no locking around dispatch,
//   setParameter or processing. callbacks() and clearCallbacks() may be called from any
//   thread at any time.
// - Text queries pass zeroed 256-byte buffers, well beyond the sizes VST 2.4 names, since
//   plug-ins often overrun them.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "faces/vst2/AEffect.h"
#include "vsthost/CallbackRecord.h"
#include "vsthost/HostInstance.h"
#include "vsthost/HostOptions.h"
#include "vsthost/PluginLibrary.h"

namespace vsthost {

class HostedEffect {
 public:
  using MidiMessage = std::array<uint8_t, 3>;

  // Creates an instance from an open library (an unopened one gives an invalid instance).
  explicit HostedEffect(const PluginLibrary& library, HostOptions options = {});
  ~HostedEffect();
  HostedEffect(const HostedEffect&) = delete;
  HostedEffect& operator=(const HostedEffect&) = delete;

  bool valid() const { return effect_ != nullptr; }
  const std::string& error() const { return error_; }
  // The plug-in's record; null when invalid or closed.
  AEffect* record() const { return effect_; }

  intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0,
                    void* ptr = nullptr, float opt = 0.0f);
  void setParameter(int32_t index, float normalised);
  float getParameter(int32_t index);
  // in and out hold numInputs and numOutputs channel pointers of `frames` samples.
  // Uses processReplacing; a plug-in without it gets cleared outputs and the
  // accumulating process call.
  void processReplacing(float** in, float** out, int32_t frames);

  // The usual host sequence around processing.
  void open();                          // effOpen
  void setSampleRate(float rate);       // effSetSampleRate; also what the host reports
  void setBlockSize(int32_t frames);    // effSetBlockSize; also what the host reports
  void resume();                        // effMainsChanged 1
  void suspend();                       // effMainsChanged 0

  std::string parameterName(int32_t index);
  std::string parameterDisplay(int32_t index);
  std::string parameterLabel(int32_t index);
  std::string programName();            // the current program's
  // Name of program `index` via effGetProgramNameIndexed; false when the plug-in does
  // not answer it.
  bool programNameIndexed(int32_t index, std::string& name);
  void setProgram(int32_t index);
  int32_t program();
  std::string effectName();
  std::string vendorString();
  std::string productString();

  // Sends the messages as one VstEvents block of VstMidiEvent entries (delta 0) with
  // effProcessEvents; returns the plug-in's answer.
  intptr_t sendMidi(const std::vector<MidiMessage>& messages);

  // Snapshot of the callbacks attributed to this instance, in arrival order.
  std::vector<CallbackRecord> callbacks() const;
  void clearCallbacks();

  // effClose, then the record is forgotten. Safe to call twice.
  void close();

  // Callbacks that reached the host without a known record and outside any construction.
  static std::vector<CallbackRecord> unattributedCallbacks();

 private:
  std::string textQuery(int32_t opcode, int32_t index);

  std::shared_ptr<void> library_;
  std::shared_ptr<HostInstance> host_;
  AEffect* effect_ = nullptr;
  std::string error_;
};

}  // namespace vsthost
