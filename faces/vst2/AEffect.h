// The VST 2.4 binary interface as this plug-in speaks it: the effect record that the
// host reads in place, the host callback, the event block and the opcode numbers.
// Declared here from the published layout; no third-party SDK is used.
//
// Fields that are pointer-sized in the published interface are declared intptr_t or
// as pointers, so a 64-bit host reads the record natively and a 32-bit build gets the
// 144-byte layout (checked at compile time at the end of this file).
#pragma once

#include <cstddef>
#include <cstdint>

struct AEffect;

// Every function of the interface uses the C calling convention. On 32-bit Windows that is
// __cdecl, named here so that a build defaulting to another convention cannot change the
// ABI; elsewhere there is one convention and the macro is empty.
#if defined(_WIN32) && !defined(_WIN64)
#define VSTCALLBACK __cdecl
#else
#define VSTCALLBACK
#endif

// Host callback: (record, opcode, index, value, ptr, opt) -> pointer-sized result.
typedef intptr_t (VSTCALLBACK *audioMasterCallback)(AEffect* effect, int32_t opcode, int32_t index,
                                        intptr_t value, void* ptr, float opt);
typedef intptr_t (VSTCALLBACK *AEffectDispatcherProc)(AEffect* effect, int32_t opcode, int32_t index,
                                          intptr_t value, void* ptr, float opt);
typedef void (VSTCALLBACK *AEffectProcessProc)(AEffect* effect, float** inputs, float** outputs,
                                   int32_t sampleFrames);
typedef void (VSTCALLBACK *AEffectProcessDoubleProc)(AEffect* effect, double** inputs, double** outputs,
                                         int32_t sampleFrames);
typedef void (VSTCALLBACK *AEffectSetParameterProc)(AEffect* effect, int32_t index, float parameter);
typedef float (VSTCALLBACK *AEffectGetParameterProc)(AEffect* effect, int32_t index);

// Plug-in entry, exported as VSTPluginMain and main.
typedef AEffect* (VSTCALLBACK *VstPluginMainProc)(audioMasterCallback host);

struct AEffect {
  int32_t magic;                        // kEffectMagic
  AEffectDispatcherProc dispatcher;
  AEffectProcessProc process;           // accumulating, obsolete
  AEffectSetParameterProc setParameter;
  AEffectGetParameterProc getParameter;
  int32_t numPrograms;
  int32_t numParams;
  int32_t numInputs;
  int32_t numOutputs;
  int32_t flags;
  intptr_t resvd1;
  intptr_t resvd2;
  int32_t initialDelay;
  int32_t realQualities;
  int32_t offQualities;
  float ioRatio;
  void* object;                         // the AudioEffect behind this record
  void* user;
  int32_t uniqueID;
  int32_t version;
  AEffectProcessProc processReplacing;
  AEffectProcessDoubleProc processDoubleReplacing;
  char future[56];
};

constexpr int32_t fourCharCode(char a, char b, char c, char d) {
  return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                              (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                              (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                              static_cast<uint32_t>(static_cast<unsigned char>(d)));
}

constexpr int32_t kEffectMagic = fourCharCode('V', 's', 't', 'P');  // 0x56737450

enum AEffectFlags : int32_t {
  effFlagsHasEditor = 1 << 0,
  effFlagsHasClip = 1 << 1,
  effFlagsHasVu = 1 << 2,
  effFlagsCanMono = 1 << 3,
  effFlagsCanReplacing = 1 << 4,
  effFlagsProgramChunks = 1 << 5,
  effFlagsIsSynth = 1 << 8,
  effFlagsNoSoundInStop = 1 << 9,
  effFlagsCanDoubleReplacing = 1 << 12,
};

// Dispatcher opcodes 0..79.
enum AEffectOpcodes : int32_t {
  effOpen = 0,
  effClose,
  effSetProgram,
  effGetProgram,
  effSetProgramName,
  effGetProgramName,
  effGetParamLabel,
  effGetParamDisplay,
  effGetParamName,
  effGetVu,
  effSetSampleRate,
  effSetBlockSize,
  effMainsChanged,
  effEditGetRect,
  effEditOpen,
  effEditClose,
  effEditDraw,
  effEditMouse,
  effEditKey,
  effEditIdle,
  effEditTop,
  effEditSleep,
  effIdentify,
  effGetChunk,
  effSetChunk,
  effProcessEvents,
  effCanBeAutomated,
  effString2Parameter,
  effGetNumProgramCategories,
  effGetProgramNameIndexed,
  effCopyProgram,
  effConnectInput,
  effConnectOutput,
  effGetInputProperties,
  effGetOutputProperties,
  effGetPlugCategory,
  effGetCurrentPosition,
  effGetDestinationBuffer,
  effOfflineNotify,
  effOfflinePrepare,
  effOfflineRun,
  effProcessVarIo,
  effSetSpeakerArrangement,
  effSetBlockSizeAndSampleRate,
  effSetBypass,
  effGetEffectName,
  effGetErrorText,
  effGetVendorString,
  effGetProductString,
  effGetVendorVersion,
  effVendorSpecific,
  effCanDo,
  effGetTailSize,
  effIdle,
  effGetIcon,
  effSetViewPosition,
  effGetParameterProperties,
  effKeysRequired,
  effGetVstVersion,
  effEditKeyDown,
  effEditKeyUp,
  effSetEditKnobMode,
  effGetMidiProgramName,
  effGetCurrentMidiProgram,
  effGetMidiProgramCategory,
  effHasMidiProgramsChanged,
  effGetMidiKeyName,
  effBeginSetProgram,
  effEndSetProgram,
  effGetSpeakerArrangement,
  effShellGetNextPlugin,
  effStartProcess,
  effStopProcess,
  effSetTotalSampleToProcess,
  effSetPanLaw,
  effBeginLoadBank,
  effBeginLoadProgram,
  effSetProcessPrecision,
  effGetNumMidiInputChannels,
  effGetNumMidiOutputChannels,
};

// Host callback opcodes (those this plug-in may call, and their neighbours).
enum AudioMasterOpcodes : int32_t {
  audioMasterAutomate = 0,
  audioMasterVersion = 1,
  audioMasterCurrentId = 2,
  audioMasterIdle = 3,
  audioMasterPinConnected = 4,
  audioMasterWantMidi = 6,
  audioMasterGetTime = 7,
  audioMasterProcessEvents = 8,
  audioMasterIOChanged = 13,
  audioMasterSizeWindow = 15,
  audioMasterGetSampleRate = 16,
  audioMasterGetBlockSize = 17,
  audioMasterGetCurrentProcessLevel = 23,
  audioMasterGetVendorString = 32,
  audioMasterGetProductString = 33,
  audioMasterGetVendorVersion = 34,
  audioMasterCanDo = 37,
  audioMasterUpdateDisplay = 42,
  audioMasterBeginEdit = 43,
  audioMasterEndEdit = 44,
};

enum VstEventTypes : int32_t { kVstMidiType = 1, kVstSysExType = 6 };

struct VstEvent {
  int32_t type;
  int32_t byteSize;
  int32_t deltaFrames;
  int32_t flags;
  char data[16];
};

struct VstMidiEvent {
  int32_t type;         // kVstMidiType
  int32_t byteSize;
  int32_t deltaFrames;  // ignored: events take effect when the block is delivered
  int32_t flags;
  int32_t noteLength;
  int32_t noteOffset;
  char midiData[4];     // status, data 1, data 2, unused
  char detune;
  char noteOffVelocity;
  char reserved1;
  char reserved2;
};

// The host's event block; events[] really has numEvents entries.
struct VstEvents {
  int32_t numEvents;
  intptr_t reserved;
  VstEvent* events[2];
};

// Editor rectangle handed out by effEditGetRect.
struct ERect {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};

// Key record handed to the editor by effEditKeyDown / effEditKeyUp.
struct VstKeyCode {
  int32_t character;
  unsigned char virt;
  unsigned char modifier;
};

// The record layout is an ABI contract: check every offset where the target tells us
// which layout applies.
#if INTPTR_MAX == INT32_MAX
static_assert(sizeof(AEffect) == 144, "32-bit effect record must be 144 bytes");
static_assert(offsetof(AEffect, magic) == 0, "magic");
static_assert(offsetof(AEffect, dispatcher) == 4, "dispatcher");
static_assert(offsetof(AEffect, process) == 8, "process");
static_assert(offsetof(AEffect, setParameter) == 12, "setParameter");
static_assert(offsetof(AEffect, getParameter) == 16, "getParameter");
static_assert(offsetof(AEffect, numPrograms) == 20, "numPrograms");
static_assert(offsetof(AEffect, numParams) == 24, "numParams");
static_assert(offsetof(AEffect, numInputs) == 28, "numInputs");
static_assert(offsetof(AEffect, numOutputs) == 32, "numOutputs");
static_assert(offsetof(AEffect, flags) == 36, "flags");
static_assert(offsetof(AEffect, resvd1) == 40, "resvd1");
static_assert(offsetof(AEffect, resvd2) == 44, "resvd2");
static_assert(offsetof(AEffect, initialDelay) == 48, "initialDelay");
static_assert(offsetof(AEffect, realQualities) == 52, "realQualities");
static_assert(offsetof(AEffect, offQualities) == 56, "offQualities");
static_assert(offsetof(AEffect, ioRatio) == 60, "ioRatio");
static_assert(offsetof(AEffect, object) == 64, "object");
static_assert(offsetof(AEffect, user) == 68, "user");
static_assert(offsetof(AEffect, uniqueID) == 72, "uniqueID");
static_assert(offsetof(AEffect, version) == 76, "version");
static_assert(offsetof(AEffect, processReplacing) == 80, "processReplacing");
static_assert(offsetof(AEffect, processDoubleReplacing) == 84, "processDoubleReplacing");
static_assert(offsetof(AEffect, future) == 88, "future");
static_assert(sizeof(VstMidiEvent) == 32, "MIDI event record");
#elif INTPTR_MAX == INT64_MAX
static_assert(sizeof(AEffect) == 192, "64-bit effect record must be 192 bytes");
static_assert(offsetof(AEffect, dispatcher) == 8, "dispatcher");
static_assert(offsetof(AEffect, numPrograms) == 40, "numPrograms");
static_assert(offsetof(AEffect, flags) == 56, "flags");
static_assert(offsetof(AEffect, resvd1) == 64, "resvd1");
static_assert(offsetof(AEffect, initialDelay) == 80, "initialDelay");
static_assert(offsetof(AEffect, ioRatio) == 92, "ioRatio");
static_assert(offsetof(AEffect, object) == 96, "object");
static_assert(offsetof(AEffect, uniqueID) == 112, "uniqueID");
static_assert(offsetof(AEffect, processReplacing) == 120, "processReplacing");
static_assert(offsetof(AEffect, processDoubleReplacing) == 128, "processDoubleReplacing");
static_assert(offsetof(AEffect, future) == 136, "future");
static_assert(offsetof(VstEvents, events) == 16, "event list");
#endif
