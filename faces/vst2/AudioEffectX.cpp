#include "faces/vst2/AudioEffectX.h"

#include <cstring>

#include "faces/vst2/AEffEditor.h"

intptr_t AudioEffectX::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                  float opt) {
  switch (opcode) {
    case effCanBeAutomated: return canParameterBeAutomated(index) ? 1 : 0;
    case effString2Parameter:
      return ptr ? (string2parameter(index, static_cast<char*>(ptr)) ? 1 : 0) : 0;
    case effGetNumProgramCategories: return getNumCategories();
    case effGetProgramNameIndexed:
      return ptr ? (getProgramNameIndexed(static_cast<int32_t>(value), index,
                                          static_cast<char*>(ptr)) ? 1 : 0)
                 : 0;
    case effCopyProgram: return copyProgram(index) ? 1 : 0;
    case effConnectInput:
    case effConnectOutput: return 1;
    case effGetInputProperties: return getInputProperties(index, ptr) ? 1 : 0;
    case effGetOutputProperties: return getOutputProperties(index, ptr) ? 1 : 0;
    case effGetPlugCategory: return getPlugCategory();
    case effGetCurrentPosition:
    case effGetDestinationBuffer: return 0;
    case effOfflineNotify: return offlineNotify(ptr, static_cast<int32_t>(value), index != 0);
    case effOfflinePrepare: return offlinePrepare(ptr, static_cast<int32_t>(value));
    case effOfflineRun: return offlineRun(ptr, static_cast<int32_t>(value));
    case effProcessVarIo: return processVariableIo(ptr);
    case effSetSpeakerArrangement:
      return setSpeakerArrangement(reinterpret_cast<void*>(value), ptr) ? 1 : 0;
    case effSetBlockSizeAndSampleRate:
      setSampleRate(opt);
      setBlockSize(static_cast<int32_t>(value));
      return 1;
    case effSetBypass: return setBypass(value != 0) ? 1 : 0;
    case effGetEffectName: return ptr ? (getEffectName(static_cast<char*>(ptr)) ? 1 : 0) : 0;
    case effGetErrorText: return ptr ? (getErrorText(static_cast<char*>(ptr)) ? 1 : 0) : 0;
    case effGetVendorString: return ptr ? (getVendorString(static_cast<char*>(ptr)) ? 1 : 0) : 0;
    case effGetProductString:
      return ptr ? (getProductString(static_cast<char*>(ptr)) ? 1 : 0) : 0;
    case effGetVendorVersion: return getVendorVersion();
    case effVendorSpecific: return vendorSpecific(index, value, ptr, opt);
    case effCanDo: return ptr ? canDo(static_cast<char*>(ptr)) : 0;
    case effGetTailSize: return getGetTailSize();
    case effIdle:
    case effGetIcon:
    case effSetViewPosition: return 0;
    case effGetParameterProperties: return getParameterProperties(index, ptr) ? 1 : 0;
    case effKeysRequired: return needsKeys() ? 0 : 1;
    case effGetVstVersion: return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp:
      if (editor) {
        VstKeyCode key{index, static_cast<unsigned char>(value), static_cast<unsigned char>(opt)};
        bool handled = opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
        return handled ? 1 : 0;
      }
      return 0;
    case effSetEditKnobMode:
      return editor ? (editor->setKnobMode(static_cast<int32_t>(value)) ? 1 : 0) : 0;
    case effGetMidiProgramName: return getMidiProgramName(index, ptr);
    case effGetCurrentMidiProgram: return getCurrentMidiProgram(index, ptr);
    case effGetMidiProgramCategory: return getMidiProgramCategory(index, ptr);
    case effHasMidiProgramsChanged: return hasMidiProgramsChanged(index) ? 1 : 0;
    case effGetMidiKeyName: return getMidiKeyName(index, ptr) ? 1 : 0;
    case effBeginSetProgram: return beginSetProgram() ? 1 : 0;
    case effEndSetProgram: return endSetProgram() ? 1 : 0;
    case effGetSpeakerArrangement:
      if (!ptr) return 0;
      return getSpeakerArrangement(reinterpret_cast<void**>(value), static_cast<void**>(ptr))
                 ? 1 : 0;
    case effShellGetNextPlugin: return ptr ? getNextShellPlugin(static_cast<char*>(ptr)) : 0;
    case effStartProcess: return startProcess();
    case effStopProcess: return stopProcess();
    case effSetTotalSampleToProcess: return setTotalSampleToProcess(static_cast<int32_t>(value));
    case effSetPanLaw: return setPanLaw(static_cast<int32_t>(value), opt) ? 1 : 0;
    case effBeginLoadBank: return beginLoadBank(ptr);
    case effBeginLoadProgram: return beginLoadProgram(ptr);
    case effSetProcessPrecision: return setProcessPrecision(static_cast<int32_t>(value)) ? 1 : 0;
    case effGetNumMidiInputChannels: return getNumMidiInputChannels();
    case effGetNumMidiOutputChannels: return getNumMidiOutputChannels();
    default:
      if (opcode == effProcessEvents) return processEvents(static_cast<VstEvents*>(ptr));
      return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
  }
}

bool AudioEffectX::wantEvents(int32_t filter) {
  return callHost(audioMasterWantMidi, 0, filter) != 0;
}

bool AudioEffectX::updateDisplay() { return callHost(audioMasterUpdateDisplay) != 0; }

bool AudioEffectX::beginEdit(int32_t index) {
  return callHost(audioMasterBeginEdit, index) != 0;
}

bool AudioEffectX::endEdit(int32_t index) { return callHost(audioMasterEndEdit, index) != 0; }

bool AudioEffectX::ioChanged() { return callHost(audioMasterIOChanged) != 0; }

bool AudioEffectX::sizeWindow(int32_t width, int32_t height) {
  return callHost(audioMasterSizeWindow, width, height) != 0;
}

double AudioEffectX::updateSampleRate() {
  intptr_t rate = callHost(audioMasterGetSampleRate);
  if (rate > 0) sampleRate = static_cast<float>(rate);
  return sampleRate;
}

int32_t AudioEffectX::updateBlockSize() {
  intptr_t size = callHost(audioMasterGetBlockSize);
  if (size > 0) blockSize = static_cast<int32_t>(size);
  return blockSize;
}

int32_t AudioEffectX::getCurrentProcessLevel() {
  return static_cast<int32_t>(callHost(audioMasterGetCurrentProcessLevel));
}

bool AudioEffectX::getHostVendorString(char* text) {
  return callHost(audioMasterGetVendorString, 0, 0, text) != 0;
}

bool AudioEffectX::getHostProductString(char* text) {
  return callHost(audioMasterGetProductString, 0, 0, text) != 0;
}

int32_t AudioEffectX::getHostVendorVersion() {
  return static_cast<int32_t>(callHost(audioMasterGetVendorVersion));
}

int32_t AudioEffectX::canHostDo(char* text) {
  return static_cast<int32_t>(callHost(audioMasterCanDo, 0, 0, text));
}

void AudioEffectX::resume() {
  // Hosts deliver MIDI only to effects that ask; synthesizers and effects that accept
  // MIDI events ask on every resume.
  static char receiveMidi[] = "receiveVstMidiEvent";
  if (isSynth() || canDo(receiveMidi) == 1) wantEvents();
}
