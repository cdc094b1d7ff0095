// Effect framework in the audio-unit style, free of any plug-in format: parameter
// descriptors and their plain values in the current program, the two mappings to the host's
// normalised values, names, labels and display texts, the program table, the property
// interface, the processing frame's settings (sample rate, block size) and the editor. It
// reaches its host through the HostInterface a face gives it; each face (faces/) turns its
// host's calls into the operations below. The product brings its own signal path.
//
// Threads: parameter setters and getters may run on any host thread and on the script and
// OSC threads; values are single lock-free 32-bit stores. processReplacing and
// processEvents run on the host's audio thread; the sample rate and block size are set by
// a host thread while processing is suspended; the editor belongs to the user-interface
// thread. Nothing here takes a lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "dsp/ParameterDescriptor.h"
#include "framework/CFArray.h"
#include "framework/HvcProgram.h"
#include "framework/MIDIEventList.h"

class HostInterface;
class HvcEditor;
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

class HvcAuBase {
public:
  // host may be null (nothing is told to anyone); it must outlive the effect.
  HvcAuBase(HostInterface* host, int32_t numPrograms, const ParameterDescriptor* descriptors,
            int32_t numParams);
  virtual ~HvcAuBase();
  HvcAuBase(const HvcAuBase&) = delete;
  HvcAuBase& operator=(const HvcAuBase&) = delete;

  // --- The host ---------------------------------------------------------------------------
  HostInterface* getHost() const { return host; }
  // Each tells the host, when there is one.
  void beginEdit(int32_t index);
  void endEdit(int32_t index);
  void updateDisplay();

  // --- Parameters -------------------------------------------------------------------------
  int32_t getNumParameters() const { return numParams; }
  bool isValidParameter(int32_t index) const { return index >= 0 && index < numParams; }
  const ParameterDescriptor& descriptor(int32_t index) const { return descriptors[index]; }

  float toPlain(int32_t index, float normalised) const;
  float toNormalised(int32_t index, float plain) const;

  // Live plain values of the current program (no host notification; index must be valid).
  float getPlainValue(int32_t index) const { return currentProgram()->getValue(index); }
  void setPlainValue(int32_t index, float value) { currentProgram()->setValue(index, value); }

  // Host path: setParameterPlain(toPlain(value)). Out-of-range indices are ignored.
  virtual void setParameter(int32_t index, float value);
  // Host path in plain units, for faces whose hosts speak plain values (LV2's control
  // ports): stores the value and tells the editor; products add what else a host change
  // tells. Lock-free and allocation-free: faces call it on the audio thread. Out-of-range
  // indices are ignored.
  virtual void setParameterPlain(int32_t index, float plainValue);
  virtual float getParameter(int32_t index);
  // Texts for the host, written into its buffers: the name (at most 15 characters), the
  // unit label and the display text of the current value (at most 23 characters each).
  // Out-of-range indices give empty texts.
  virtual void getParameterName(int32_t index, char* text);
  virtual void getParameterLabel(int32_t index, char* label);
  virtual void getParameterDisplay(int32_t index, char* text);

  // A change made by an editor control: store, tell the editor, tell the host (automate).
  void setParameterFromEditor(int32_t index, float plainValue);

  // The editor's change listener: lives as long as the effect; an open editor's manager
  // attaches to it (host threads may tell it of changes at any moment).
  ParameterListenerTable& parameterListeners() { return *listenerTable; }

  // --- Programs ---------------------------------------------------------------------------
  int32_t getNumPrograms() const { return numPrograms; }
  HvcProgram* program(int32_t index) const { return programs[static_cast<size_t>(index)]; }
  HvcProgram* currentProgram() const { return programs[static_cast<size_t>(getCurrentIndex())]; }
  virtual int32_t getProgram() { return getCurrentIndex(); }
  // Makes the program current; the caller checks that it exists.
  virtual void setProgram(int32_t index) { curProgram.store(index, std::memory_order_relaxed); }
  // Names: at most 31 characters stored, at most 23 handed out into the host's buffer.
  virtual void setProgramName(char* name);
  virtual void getProgramName(char* name);
  // False, writing nothing, for a program that does not exist.
  virtual bool getProgramNameIndexed(int32_t category, int32_t index, char* text);

  // --- Processing frame -------------------------------------------------------------------
  virtual void suspend() {}
  virtual void resume() {}
  virtual void setSampleRate(float rate) { sampleRate = rate; }
  virtual void setBlockSize(int32_t size) { blockSize = size; }
  float getSampleRate() const { return sampleRate; }
  int32_t getBlockSize() const { return blockSize; }
  // inputs and outputs hold one sample pointer per channel; frames is at most the block
  // size the host announced.
  virtual void processReplacing(float** inputs, float** outputs, int32_t frames) = 0;
  // The block's MIDI messages, before the block is processed. The base takes none: 0.
  virtual int32_t processEvents(const MIDIEventList&) { return 0; }
  // On the audio thread: whether handing processEvents an empty list would do anything
  // now. A face whose host delivers a list every block may skip the empty ones when this
  // is false; a product that cannot tell answers true and is handed them all.
  virtual bool awaitsEmptyEventList() const { return true; }
  // Whether the product takes MIDI at all (faces ask their hosts for it).
  virtual bool acceptsMIDI() const { return false; }
  // The delay of the output in samples at the current sample rate.
  virtual int32_t getLatency() const { return 0; }

  // --- What the product is called ---------------------------------------------------------
  // Written into buffers of at least 64 bytes; false when the product has no such text.
  virtual bool getEffectName(char*) { return false; }
  virtual bool getVendorString(char*) { return false; }
  virtual bool getProductString(char*) { return false; }
  virtual int32_t getVendorVersion() { return 0; }

  // --- The editor -------------------------------------------------------------------------
  // The effect's editor, or null. setEditor hands the effect a new one to own (closing and
  // destroying the one it had); null leaves it without.
  HvcEditor* getEditor() const { return editor; }
  void setEditor(HvcEditor* newEditor);

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

  HostInterface* host;
  HvcEditor* editor = nullptr;
  float sampleRate = 44100.0f;
  int32_t blockSize = 1024;
  int32_t numPrograms;
  int32_t numParams;
  // Written by the host thread that switches programs, read by every other thread.
  std::atomic<int32_t> curProgram{0};

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
