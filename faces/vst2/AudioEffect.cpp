#include "faces/vst2/AudioEffect.h"

#include <cstring>

#include "faces/vst2/AEffEditor.h"

namespace {
AudioEffect* objectOf(AEffect* e) { return static_cast<AudioEffect*>(e->object); }
}  // namespace

AudioEffect::AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams)
    : audioMaster(audioMaster), numPrograms(numPrograms), numParams(numParams) {
  std::memset(&cEffect, 0, sizeof(cEffect));
  cEffect.magic = kEffectMagic;
  cEffect.dispatcher = dispatchEffectClass;
  cEffect.process = processClass;
  cEffect.setParameter = setParameterClass;
  cEffect.getParameter = getParameterClass;
  cEffect.numPrograms = numPrograms;
  cEffect.numParams = numParams;
  cEffect.numInputs = 1;
  cEffect.numOutputs = 2;
  cEffect.flags = effFlagsCanReplacing;
  cEffect.ioRatio = 1.0f;
  cEffect.object = this;
  cEffect.uniqueID = fourCharCode('N', 'o', 'E', 'f');
  cEffect.version = 1;
  cEffect.processReplacing = processReplacingClass;
  cEffect.processDoubleReplacing = processDoubleReplacingClass;
}

AudioEffect::~AudioEffect() { delete editor; }

void AudioEffect::setEditor(AEffEditor* newEditor) {
  editor = newEditor;
  setFlag(effFlagsHasEditor, newEditor != nullptr);
}

void AudioEffect::setFlag(int32_t bit, bool state) {
  if (state)
    cEffect.flags |= bit;
  else
    cEffect.flags &= ~bit;
}

intptr_t AudioEffect::callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  if (!audioMaster) return 0;
  return audioMaster(&cEffect, opcode, index, value, ptr, opt);
}

void AudioEffect::setParameterAutomated(int32_t index, float value) {
  setParameter(index, value);
  callHost(audioMasterAutomate, index, 0, nullptr, value);
}

int32_t AudioEffect::getMasterVersion() {
  return static_cast<int32_t>(callHost(audioMasterVersion));
}

int32_t AudioEffect::getCurrentUniqueId() {
  return static_cast<int32_t>(callHost(audioMasterCurrentId));
}

void AudioEffect::masterIdle() { callHost(audioMasterIdle); }

bool AudioEffect::isInputConnected(int32_t input) {
  // The published interface answers 0 for "connected".
  return audioMaster ? callHost(audioMasterPinConnected, input, 0) == 0 : false;
}

bool AudioEffect::isOutputConnected(int32_t output) {
  return audioMaster ? callHost(audioMasterPinConnected, output, 1) == 0 : false;
}

intptr_t AudioEffect::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                 float opt) {
  switch (opcode) {
    case effOpen: open(); break;
    case effClose: close(); break;
    case effSetProgram:
      // Negative numbers from a misbehaving host are ignored like those past the end.
      if (value >= 0 && value < numPrograms) setProgram(static_cast<int32_t>(value));
      break;
    case effGetProgram: return getProgram();
    case effSetProgramName:
      if (ptr) setProgramName(static_cast<char*>(ptr));
      break;
    case effGetProgramName:
      if (ptr) getProgramName(static_cast<char*>(ptr));
      break;
    case effGetParamLabel:
      if (ptr) getParameterLabel(index, static_cast<char*>(ptr));
      break;
    case effGetParamDisplay:
      if (ptr) getParameterDisplay(index, static_cast<char*>(ptr));
      break;
    case effGetParamName:
      if (ptr) getParameterName(index, static_cast<char*>(ptr));
      break;
    case effGetVu: return static_cast<intptr_t>(getVu() * 32767.0f);
    case effSetSampleRate: setSampleRate(opt); break;
    case effSetBlockSize: setBlockSize(static_cast<int32_t>(value)); break;
    case effMainsChanged:
      if (value == 0)
        suspend();
      else
        resume();
      break;
    case effEditGetRect:
      if (editor && ptr) return editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
      break;
    case effEditOpen:
      if (editor) return editor->open(ptr) ? 1 : 0;
      break;
    case effEditClose:
      if (editor) editor->close();
      break;
    case effEditIdle:
      if (editor) editor->idle();
      break;
    case effIdentify: return fourCharCode('N', 'v', 'E', 'f');
    case effGetChunk: return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk: return setChunk(ptr, static_cast<int32_t>(value), index != 0);
    default: break;
  }
  return 0;
}

intptr_t AudioEffect::dispatchEffectClass(AEffect* e, int32_t opcode, int32_t index,
                                          intptr_t value, void* ptr, float opt) {
  AudioEffect* object = objectOf(e);
  if (opcode == effClose) {
    object->dispatcher(opcode, index, value, ptr, opt);
    // A host that closes the plug-in with its editor still open: the editor's render thread
    // reads the effect, so it stops before any part of the effect goes.
    if (object->editor && object->editor->isOpen()) object->editor->close();
    delete object;
    return 1;
  }
  return object->dispatcher(opcode, index, value, ptr, opt);
}

float AudioEffect::getParameterClass(AEffect* e, int32_t index) {
  return objectOf(e)->getParameter(index);
}

void AudioEffect::setParameterClass(AEffect* e, int32_t index, float value) {
  objectOf(e)->setParameter(index, value);
}

void AudioEffect::processClass(AEffect* e, float** inputs, float** outputs, int32_t frames) {
  objectOf(e)->process(inputs, outputs, frames);
}

void AudioEffect::processReplacingClass(AEffect* e, float** inputs, float** outputs,
                                        int32_t frames) {
  objectOf(e)->processReplacing(inputs, outputs, frames);
}

void AudioEffect::processDoubleReplacingClass(AEffect* e, double** inputs, double** outputs,
                                              int32_t frames) {
  objectOf(e)->processDoubleReplacing(inputs, outputs, frames);
}
