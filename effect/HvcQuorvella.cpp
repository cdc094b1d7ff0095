#include "effect/HvcQuorvella.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "effect/BlockPreparation.h"
#include "effect/CQuorvellaKernel.h"
#include "effect/CQuorvellaKernelPair.h"
#include "effect/FactoryPrograms.h"
#include "effect/QuorvellaParameters.h"
#include "framework/CFString.h"
#include "framework/DenormalGuard.h"
#include "framework/PortableMath.h"
#include "framework/Settings.h"
#include "framework/SettingsValueNames.h"
#include "gui/product/HvcQuorvellaView.h"
#include "host/AEffEditor.h"
#include "midi/LuaMIDIHelper.h"
#include "midi/LuaMIDISession.h"
#include "osc/OSCHelper.h"
#include "osc/OSCSendFunction.h"
#include "platform/Output.h"

namespace {

constexpr char kEffectName[] = "Quorvella";
constexpr char kVendorName[] = "Halvercast";
constexpr char kCanDoMidi[] = "receiveVstMidiEvent";
// 12 bytes in a 32-bit build; a 64-bit caller needs room for its two pointers.
constexpr uint32_t kPropertyValueStringSize = sizeof(HvcParameterValueString);

std::atomic<int32_t> oscBasePort{kDefaultOSCBasePort};

}  // namespace

HvcQuorvella::HvcQuorvella(audioMasterCallback audioMaster)
    : HvcAuBase(audioMaster, kNumPrograms, kQuorvellaParameters, kNumQuorvellaParameters) {
  midiHelper.reset(new HC::LuaMIDIHelper(this));
  oscHelper.reset(new HC::OSCHelper(midiHelper.get(), this));
  // Scripts find sendOSC among their functions from the first line they run.
  midiHelper->supplySendOSC(&HC::OSCSendFunction::sendOSC, oscHelper.get());
  {
    // Creates the MIDI script state and runs the built-in and user MIDI scripts.
    HC::LuaMIDISession session(*midiHelper);
    session.state();
  }
  cEffect.flags |= effFlagsCanMono | effFlagsCanReplacing;
  setNumInputs(2);
  setNumOutputs(2);
  setUniqueID(fourCharCode('H', 'C', 'w', 'b'));
  loadFactoryPrograms();
  createKernels();
  initialise();
  // The whole output comes the look-ahead late; hosts compensate by the initial delay. No
  // host is told here: it reads the record once the entry returns.
  setInitialDelay(BlockPreparation::lookAheadFor(sampleRate));
  // Last, once the parameters and programs exist: the view's layout script reads them, and
  // the host learns the window's size from it. The effect owns the view from here on.
  new HvcQuorvellaView(this);
}

HvcQuorvella::~HvcQuorvella() {
  // An editor still open has a render thread reading this effect: it stops before any of
  // the effect goes.
  if (AEffEditor* open = getEditor()) {
    if (open->isOpen()) open->close();
  }
  // The scratch buffer goes first; programs, kernels and the editor follow in the bases.
  scratch.reset();
  // The OSC threads end before the script state closes: no request reaches a closed state.
  oscHelper.reset();
  midiHelper.reset();
}

void HvcQuorvella::loadFactoryPrograms() {
  float values[kNumQuorvellaParameters];
  for (int32_t p = 0; p < kNumFactoryPrograms; ++p) {
    factoryProgramValues(kFactoryPrograms[p], values);
    HvcProgram* target = program(p);
    for (int32_t j = 0; j < kNumQuorvellaParameters; ++j) target->setValue(j, values[j]);
    target->setName(CFString::constant(kFactoryPrograms[p].name)->c_str());
  }
}

void HvcQuorvella::initialise() {
  setBlockSize(blockSize);
  std::memset(&settings, 0, sizeof(settings));
  meters.clear();
  // A damaged preferences file is ignored as a whole (the Skin choice with it); without a
  // word the user would only see the built-in layout and default port and not know why.
  std::string damage = Settings::damage();
  if (!damage.empty()) {
    std::string line = "Quorvella: ignoring the damaged preferences file " + damage +
                       "; the defaults apply until it is fixed (saving a preference moves "
                       "it aside as .damaged)\n";
    platform::errorOutput(line.data(), line.size());
  }
  setOSCBasePort(
      Settings::readNumber(CFString::constant(kPreferenceOSCBasePort), kDefaultOSCBasePort));
  // The server's threads start idle: it listens once a program or a set of parameter 39
  // gives it a nonzero port offset.
  oscHelper->startTask();
}

void HvcQuorvella::stopOSCServer() { oscHelper->stopTask(); }

int32_t HvcQuorvella::oscPortOffset() const {
  double value = std::trunc(static_cast<double>(getPlainValue(kOscPortOffset)));
  if (!(value > -1e6 && value < 1e6)) return 0;  // not a usable offset (NaN among them)
  return static_cast<int32_t>(value);
}

void HvcQuorvella::setParameter(int32_t index, float value) {
  HvcAuBase::setParameter(index, value);
  if (!isValidParameter(index)) return;
  if (index == kOscPortOffset) oscHelper->retarget(oscPortOffset(), getOSCBasePort());
  oscHelper->parameterChanged(index, getPlainValue(index));
}

void HvcQuorvella::setProgram(int32_t program) {
  HvcAuBase::setProgram(program);
  oscHelper->retarget(oscPortOffset(), getOSCBasePort());
}

int32_t HvcQuorvella::getOSCBasePort() { return oscBasePort.load(std::memory_order_relaxed); }

void HvcQuorvella::setOSCBasePort(int32_t port) {
  oscBasePort.store(port, std::memory_order_relaxed);
}

AUKernelBase* HvcQuorvella::createKernel() {
  return new CQuorvellaKernel(this, static_cast<int32_t>(kernelCount()));
}

// --- Host operations ----------------------------------------------------------------------

void HvcQuorvella::setSampleRate(float rate) {
  // A rate that is not a positive finite number would poison the LFO phases and filters
  // for good; keep the last usable one.
  if (std::isfinite(rate) && rate > 0.0f) sampleRate = rate;
  // The look-ahead follows the rate. Hosts set the rate while processing is suspended and
  // read the new delay when told that the I/O changed, before they resume; tell them only
  // when the delay did change.
  const int32_t delay = BlockPreparation::lookAheadFor(sampleRate);
  if (delay != cEffect.initialDelay) {
    setInitialDelay(delay);
    ioChanged();
  }
}

void HvcQuorvella::setBlockSize(int32_t size) {
  if (size < 1) size = 1;
  blockSize = size;
  if (size != scratchSize || !scratch) {
    // One half per channel, so that both channels can filter their blocks at once. A size
    // the machine cannot hold keeps the buffer it has: longer blocks are then processed in
    // pieces that fit.
    float* larger = new (std::nothrow) float[2 * static_cast<size_t>(size)];
    if (!larger) return;
    scratch.reset(larger);
    scratchSize = size;
  }
}

void HvcQuorvella::processReplacing(float** inputs, float** outputs, int32_t frames) {
  if (!inputs || !outputs || frames < 0) return;
  DenormalGuard flushSubnormals;
  uint32_t total = static_cast<uint32_t>(frames);

  float values[kNumQuorvellaParameters];
  const HvcProgram* current = currentProgram();
  for (int32_t i = 0; i < kNumQuorvellaParameters; ++i) values[i] = current->getValue(i);
  BlockPreparation::prepare(settings, values, sampleRate, total);

  // A host block longer than the announced block size goes through the kernels in pieces
  // that fit the scratch buffer.
  uint32_t piece = static_cast<uint32_t>(scratchSize);
  if (piece == 0 || !scratch) {
    // The buffer was never allocated (the machine had no memory for it): the kernels cannot
    // filter, so the block is silent rather than left as the host's garbage.
    for (int c = 0; c < 2; ++c)
      if (outputs[c]) std::fill(outputs[c], outputs[c] + total, 0.0f);
    return;
  }
  float* in[2] = {inputs[0], inputs[1]};
  float* out[2] = {outputs[0], outputs[1]};
  // The two channels run in lock-step when the buffers allow it; the result is the same as
  // running the kernels one after the other, only faster.
  const bool paired = kernelPairing && kernelCount() == 2 && CQuorvellaKernelPair::suits(in, out, total);
  float* filtered[2] = {getFilteredCopy(0), getFilteredCopy(1)};
  uint32_t done = 0;
  do {
    uint32_t n = total - done < piece ? total - done : piece;
    float* pieceIn[2] = {in[0] ? in[0] + done : nullptr, in[1] ? in[1] + done : nullptr};
    float* pieceOut[2] = {out[0] ? out[0] + done : nullptr, out[1] ? out[1] + done : nullptr};
    if (paired) {
      CQuorvellaKernelPair pair(*static_cast<CQuorvellaKernel*>(kernel(0)),
                                *static_cast<CQuorvellaKernel*>(kernel(1)));
      pair.process(pieceIn, pieceOut, filtered, n);
    } else {
      HvcAuBase::processReplacing(pieceIn, pieceOut, static_cast<int32_t>(n));
    }
    done += n;
  } while (done < total);

  for (size_t c = 0; c < kernelCount(); ++c)
    static_cast<CQuorvellaKernel*>(kernel(c))->recoverFromNonFiniteState();
  updateMeters(total);
}

void HvcQuorvella::updateMeters(uint32_t frames) {
  double e = pmath::exp(-static_cast<double>(frames) / (0.03 * sampleRate));
  size_t channels = kernelCount() < 2 ? kernelCount() : 2;
  for (size_t c = 0; c < channels; ++c) {
    const auto* k = static_cast<const CQuorvellaKernel*>(kernel(c));
    meters.update(static_cast<int>(c), e, k->getPeriod(), sampleRate, k->getCycleLevel(), k->getEnv(),
                  k->getNoCrossing());
  }
}

int32_t HvcQuorvella::processEvents(VstEvents* events) {
  return midiHelper->dispatchEvents(events);
}

void HvcQuorvella::resume() {
  AudioEffectX::resume();
  wantEvents();
}

int32_t HvcQuorvella::canDo(char* text) {
  return std::strcmp(text, kCanDoMidi) == 0 ? 1 : 0;
}

bool HvcQuorvella::getEffectName(char* name) {
  std::strcpy(name, kEffectName);
  return true;
}

bool HvcQuorvella::getVendorString(char* text) {
  std::strcpy(text, kVendorName);
  return true;
}

bool HvcQuorvella::getProductString(char* text) {
  std::strcpy(text, kEffectName);
  return true;
}

// --- Product texts and properties ---------------------------------------------------------

int32_t HvcQuorvella::getValueNames(int32_t scope, int32_t index, CFArray** names) {
  if (names) *names = nullptr;
  ParameterValueNames valueNames = quorvellaValueNames(index);
  if (scope != 0 || valueNames.count == 0 || !names) return kHvcInvalidParameter;
  // Interned on first request; every request gets a list of its own.
  std::vector<const char*> texts;
  for (int32_t i = 0; i < valueNames.count; ++i)
    texts.push_back(CFString::constant(valueNames.names[i])->c_str());
  *names = CFArray::fromTexts(texts.data(), static_cast<int>(texts.size()));
  return kHvcNoErr;
}

int32_t HvcQuorvella::getProperty(uint32_t id, int32_t, int32_t, void* data) {
  if (!data) return kHvcInvalidProperty;
  if (id == kQuorvellaPropertyMeterValues) {
    meters.copyTo(data);
    return kHvcNoErr;
  }
  if (id != kHvcPropertyParameterValueString) return kHvcInvalidProperty;

  auto* request = static_cast<HvcParameterValueString*>(data);
  request->text = nullptr;
  int32_t index = request->index;
  if (!quorvellaHasValueTexts(index)) return kHvcInvalidParameter;
  float value = request->value ? *request->value : getPlainValue(index);
  if (const char* text = quorvellaValueText(index, value)) {
    CFString* string = CFString::constant(text);
    string->retain();
    request->text = string;
  }
  return kHvcNoErr;
}

int32_t HvcQuorvella::getPropertyInfo(uint32_t id, int32_t, int32_t, uint32_t* size,
                                      bool* writable) {
  uint32_t bytes;
  if (id == kHvcPropertyParameterValueString)
    bytes = kPropertyValueStringSize;
  else if (id == kQuorvellaPropertyMeterValues)
    bytes = MeterValues::kBytes;
  else
    return kHvcInvalidProperty;
  if (size) *size = bytes;
  if (writable) *writable = false;
  return kHvcNoErr;
}

void HvcQuorvella::copyMeterValues(void* buffer) {
  if (buffer) meters.copyTo(buffer);
}
