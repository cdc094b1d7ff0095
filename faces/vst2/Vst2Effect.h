// The VST 2.4 face: one AudioEffectX over a product (an HvcAuBase) that knows no plug-in
// format. The record's calls and the dispatcher's opcodes go to the product; what the
// product asks of its host (Vst2Host) becomes host callbacks; its editor is shown through
// the editor interface the dispatcher drives (Vst2Editor); the host's event blocks become
// plain lists of MIDI messages.
//
// Threads: as AudioEffect. processEvents and processReplacing run on the host's audio
// thread; the event conversion allocates nothing (its buffer is made at construction).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "faces/vst2/AudioEffectX.h"
#include "faces/vst2/Vst2Host.h"
#include "framework/MIDIEventList.h"

class HvcAuBase;

class Vst2Effect : public AudioEffectX {
public:
  // Makes the product, telling it of its host; may throw std::bad_alloc.
  using ProductFactory = std::function<HvcAuBase*(HostInterface& host)>;
  // Messages handed to the product in one list; a host block with more goes in several.
  static constexpr uint32_t kMIDIEventsPerList = 4096;

  // The record is set up first, so that calls to the host while the product is made (its
  // scripts may change parameters) carry it; then the product, its program and parameter
  // counts, its latency, and the editor when the product has one.
  Vst2Effect(audioMasterCallback audioMaster, const ProductFactory& makeProduct);
  ~Vst2Effect() override;

  HvcAuBase& getProduct() const { return *product; }

  // --- AudioEffect ------------------------------------------------------------------------
  void suspend() override;
  // The framework's rule asks the host for MIDI when the product takes it; the product then
  // asks once more.
  void resume() override;
  void setSampleRate(float rate) override;
  void setBlockSize(int32_t size) override;
  float getSampleRate() override;
  int32_t getBlockSize() override;
  void processReplacing(float** inputs, float** outputs, int32_t frames) override;
  void setParameter(int32_t index, float value) override;
  float getParameter(int32_t index) override;
  int32_t getProgram() override;
  void setProgram(int32_t program) override;
  void setProgramName(char* name) override;
  void getProgramName(char* name) override;
  void getParameterLabel(int32_t index, char* label) override;
  void getParameterDisplay(int32_t index, char* text) override;
  void getParameterName(int32_t index, char* text) override;

  // --- AudioEffectX -----------------------------------------------------------------------
  // Hands the block's MIDI events, in order, to the product; other event types are left out.
  int32_t processEvents(VstEvents* events) override;
  bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;
  bool getEffectName(char* name) override;
  bool getVendorString(char* text) override;
  bool getProductString(char* text) override;
  int32_t getVendorVersion() override;
  // "receiveVstMidiEvent", exactly, when the product takes MIDI: 1; anything else 0.
  int32_t canDo(char* text) override;

  // --- For Vst2Host -----------------------------------------------------------------------
  void automate(int32_t index, float normalisedValue);
  // Stores the new delay in the record and tells the host that it changed.
  void latencyChanged(int32_t samples);

private:
  Vst2Host host;
  std::unique_ptr<MIDIEvent[]> midiEvents;
  std::unique_ptr<HvcAuBase> product;
};
