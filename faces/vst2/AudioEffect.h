// Base of the effect object: owns the effect record handed to the host, routes the
// record's function pointers to virtual operations, and answers dispatcher opcodes 0..24.
// Thread use: dispatcher, setParameter and getParameter arrive on host threads,
// processReplacing on the host's audio thread; this class takes no locks.
#pragma once

#include <atomic>
#include <cstdint>

#include "faces/vst2/AEffect.h"

class AEffEditor;

class AudioEffect {
public:
  AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
  virtual ~AudioEffect();

  AudioEffect(const AudioEffect&) = delete;
  AudioEffect& operator=(const AudioEffect&) = delete;

  virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
  virtual void open() {}
  virtual void close() {}
  virtual void suspend() {}
  virtual void resume() {}
  virtual void setSampleRate(float rate) { sampleRate = rate; }
  virtual void setBlockSize(int32_t size) { blockSize = size; }
  virtual void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) = 0;
  virtual void processDoubleReplacing(double**, double**, int32_t) {}
  virtual void setParameter(int32_t, float) {}
  virtual float getParameter(int32_t) { return 0.0f; }
  virtual void setParameterAutomated(int32_t index, float value);
  virtual int32_t getProgram() { return curProgram.load(std::memory_order_relaxed); }
  virtual void setProgram(int32_t program) { curProgram.store(program, std::memory_order_relaxed); }
  virtual void setProgramName(char*) {}
  virtual void getProgramName(char* name) { *name = 0; }
  virtual void getParameterLabel(int32_t, char* label) { *label = 0; }
  virtual void getParameterDisplay(int32_t, char* text) { *text = 0; }
  virtual void getParameterName(int32_t, char* text) { *text = 0; }
  virtual int32_t getChunk(void**, bool) { return 0; }
  virtual int32_t setChunk(void*, int32_t, bool) { return 0; }
  virtual void setUniqueID(int32_t id) { cEffect.uniqueID = id; }
  virtual void setNumInputs(int32_t inputs) { cEffect.numInputs = inputs; }
  virtual void setNumOutputs(int32_t outputs) { cEffect.numOutputs = outputs; }
  virtual void canProcessReplacing(bool state) { setFlag(effFlagsCanReplacing, state); }
  virtual void canDoubleReplacing(bool state) { setFlag(effFlagsCanDoubleReplacing, state); }
  virtual void programsAreChunks(bool state) { setFlag(effFlagsProgramChunks, state); }
  virtual void setInitialDelay(int32_t delay) { cEffect.initialDelay = delay; }
  virtual AEffEditor* getEditor() { return editor; }
  virtual AEffect* getAeffect() { return &cEffect; }
  virtual float getSampleRate() { return sampleRate; }
  virtual int32_t getBlockSize() { return blockSize; }
  virtual int32_t getMasterVersion();
  virtual int32_t getCurrentUniqueId();
  virtual void masterIdle();
  virtual bool isInputConnected(int32_t input);
  virtual bool isOutputConnected(int32_t output);
  virtual void process(float**, float**, int32_t) {}
  virtual float getVu() { return 0.0f; }
  virtual void hasVu(bool state) { setFlag(effFlagsHasVu, state); }
  virtual void hasClip(bool state) { setFlag(effFlagsHasClip, state); }
  virtual void canMono(bool state) { setFlag(effFlagsCanMono, state); }
  virtual void setRealtimeQualities(int32_t qualities) { cEffect.realQualities = qualities; }
  virtual void setOfflineQualities(int32_t qualities) { cEffect.offQualities = qualities; }

  // Stores the editor (owned from now on) and sets the has-editor flag when it is not null.
  void setEditor(AEffEditor* newEditor);
  audioMasterCallback getAudioMaster() const { return audioMaster; }

protected:
  // Calls the host; answers 0 without calling when there is no host callback.
  intptr_t callHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float opt = 0.0f);
  void setFlag(int32_t bit, bool state);

  audioMasterCallback audioMaster;
  AEffEditor* editor = nullptr;
  float sampleRate = 44100.0f;
  int32_t blockSize = 1024;
  int32_t numPrograms;
  int32_t numParams;
  // Written by the host thread that switches programs, read by every other thread.
  std::atomic<int32_t> curProgram{0};
  AEffect cEffect;

private:
  static intptr_t dispatchEffectClass(AEffect* e, int32_t opcode, int32_t index, intptr_t value,
                                      void* ptr, float opt);
  static float getParameterClass(AEffect* e, int32_t index);
  static void setParameterClass(AEffect* e, int32_t index, float value);
  static void processClass(AEffect* e, float** inputs, float** outputs, int32_t frames);
  static void processReplacingClass(AEffect* e, float** inputs, float** outputs, int32_t frames);
  static void processDoubleReplacingClass(AEffect* e, double** inputs, double** outputs,
                                          int32_t frames);
};
