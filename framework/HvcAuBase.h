// Effect framework in the audio-unit style: parameter descriptors and their plain values in
// the current program, the two mappings to the host's normalised values, names, labels and
// display texts, the program table and the property interface. The product brings its own
// signal path.
//
// Threads: parameter setters and getters may run on any host thread and on the script and
// OSC threads; values are single lock-free 32-bit stores. processReplacing runs on the
// audio thread. Nothing here takes a lock.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "dsp/ParameterDescriptor.h"
#include "framework/CFArray.h"
#include "framework/HvcProgram.h"
#include "host/AudioEffectX.h"

class ParameterListenerTable;

// Property result codes.
enum : int32_t {
  kHvcNoErr = 0,
  kHvcInvalidProperty = -10879,
  kHvcInvalidParameter = -10878,
};

// Property ids.
enum : uint32_t {
  kHvcPropertyParameterValueString = 33,
};

// Data record of property 33: the text of a parameter value.
struct HvcParameterValueString {
  int32_t index;
  const float* value;  // null: the current value
  CFString* text;      // out: null when there is no text; otherwise one reference for the caller
};

typedef void (*HvcPropertyListenerProc)(void* userData, void* effect, uint32_t propertyId,
                                        int32_t scope, int32_t element);

class HvcAuBase : public AudioEffectX {
public:
  HvcAuBase(audioMasterCallback audioMaster, int32_t numPrograms,
            const ParameterDescriptor* descriptors, int32_t numParams);
  ~HvcAuBase() override;

  // --- Parameters -------------------------------------------------------------------------
  int32_t getNumParameters() const { return numParams; }
  bool isValidParameter(int32_t index) const { return index >= 0 && index < numParams; }
  const ParameterDescriptor& descriptor(int32_t index) const { return descriptors[index]; }

  float toPlain(int32_t index, float normalised) const;
  float toNormalised(int32_t index, float plain) const;

  // Live plain values of the current program (no host notification; index must be valid).
  float getPlainValue(int32_t index) const { return currentProgram()->getValue(index); }
  void setPlainValue(int32_t index, float value) { currentProgram()->setValue(index, value); }

  // Host path: stores toPlain(value), tells the editor. Out-of-range indices are ignored.
  void setParameter(int32_t index, float value) override;
  float getParameter(int32_t index) override;
  void getParameterName(int32_t index, char* text) override;
  void getParameterLabel(int32_t index, char* label) override;
  void getParameterDisplay(int32_t index, char* text) override;

  // A change made by an editor control: store, tell the editor, tell the host (automate).
  intptr_t setParameterFromEditor(int32_t index, float plainValue);

  // The editor's change listener: lives as long as the effect; an open editor's manager
  // attaches to it (host threads may tell it of changes at any moment).
  ParameterListenerTable& parameterListeners() { return *listenerTable; }

  // --- Programs ---------------------------------------------------------------------------
  HvcProgram* program(int32_t index) const { return programs[static_cast<size_t>(index)]; }
  HvcProgram* currentProgram() const { return programs[static_cast<size_t>(getCurrentIndex())]; }
  void setProgramName(char* name) override;
  void getProgramName(char* name) override;
  bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;

  // --- Framework operations that products override ---------------------------------------
  virtual int32_t getValueNames(int32_t scope, int32_t index, CFArray** names);
  virtual int32_t getProperty(uint32_t id, int32_t scope, int32_t element, void* data);
  virtual int32_t getPropertyInfo(uint32_t id, int32_t scope, int32_t element, uint32_t* size,
                                  bool* writable);
  virtual int32_t setProperty(uint32_t id, int32_t scope, int32_t element, const void* data,
                              uint32_t size);
  virtual int32_t addPropertyListener(uint32_t id, HvcPropertyListenerProc proc, void* userData);
  virtual int32_t removePropertyListener(uint32_t id, HvcPropertyListenerProc proc);
  virtual void copyMeterValues(void* buffer);

protected:
  int32_t getCurrentIndex() const { return curProgram.load(std::memory_order_relaxed); }

  // Copies a value text into a host buffer of 24 bytes when it fits there.
  static bool copyDisplayText(const CFString* text, char* out);

private:
  struct PropertyListener {
    uint32_t id;
    HvcPropertyListenerProc proc;
    void* userData;
  };

  const ParameterDescriptor* descriptors;
  std::vector<HvcProgram*> programs;
  std::vector<PropertyListener> propertyListeners;
  std::unique_ptr<ParameterListenerTable> listenerTable;
};
