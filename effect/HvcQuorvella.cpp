#include "effect/HvcQuorvella.h"

#include <atomic>
#include <cmath>
#include <cstring>

#include "dsp/FactoryPrograms.h"
#include "dsp/QuorvellaParameters.h"
#include "framework/CFString.h"
#include "framework/HostInterface.h"
#include "framework/HvcEditor.h"
#include "framework/Settings.h"
#include "framework/SettingsValueNames.h"
#include "midi/LuaMIDIHelper.h"
#include "midi/LuaMIDISession.h"
#include "osc/OSCHelper.h"
#include "osc/OSCSendFunction.h"
#include "platform/Output.h"

namespace {

constexpr char kEffectName[] = "Quorvella";
constexpr char kVendorName[] = "Halvercast";
// 12 bytes in a 32-bit build; a 64-bit caller needs room for its two pointers.
constexpr uint32_t kPropertyValueStringSize = sizeof(HvcParameterValueString);

std::atomic<int32_t> oscBasePort{kDefaultOSCBasePort};

}  // namespace

HvcQuorvella::HvcQuorvella(HostInterface* host, EditorFactory editorFactory)
    : HvcAuBase(host, kNumPrograms, kQuorvellaParameters, kNumQuorvellaParameters) {
  midiHelper.reset(new HC::LuaMIDIHelper(this));
  oscHelper.reset(new HC::OSCHelper(midiHelper.get(), this));
  // Scripts find sendOSC among their functions from the first line they run.
  midiHelper->supplySendOSC(&HC::OSCSendFunction::sendOSC, oscHelper.get());
  {
    // Creates the MIDI script state and runs the built-in and user MIDI scripts.
    HC::LuaMIDISession session(*midiHelper);
    session.state();
  }
  loadFactoryPrograms();
  initialise();
  // The whole output comes the look-ahead late; hosts compensate by the latency. No host
  // is told here: faces read it once the effect exists.
  latency = QuorvellaSignalPath::latencyFor(sampleRate);
  // Last, once the parameters and programs exist: the view's layout script reads them, and
  // the host learns the window's size from it. The effect owns the editor from here on.
  if (editorFactory) setEditor(editorFactory(*this));
}

HvcQuorvella::~HvcQuorvella() {
  // An editor still open has a render thread reading this effect: it stops before any of
  // the effect goes.
  if (HvcEditor* open = getEditor()) {
    if (open->isOpen()) open->close();
  }
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
  signalPath.clear();
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

void HvcQuorvella::setParameterPlain(int32_t index, float plainValue) {
  HvcAuBase::setParameterPlain(index, plainValue);
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

// --- Host operations ----------------------------------------------------------------------

void HvcQuorvella::setSampleRate(float rate) {
  // A rate that is not a positive finite number would poison the LFO phases and filters
  // for good; keep the last usable one.
  if (std::isfinite(rate) && rate > 0.0f) sampleRate = rate;
  // The look-ahead follows the rate. Hosts set the rate while processing is suspended and
  // read the new delay when told, before they resume; tell them only when the delay did
  // change.
  const int32_t delay = QuorvellaSignalPath::latencyFor(sampleRate);
  if (delay != latency) {
    latency = delay;
    if (host) host->latencyChanged(delay);
  }
}

void HvcQuorvella::setBlockSize(int32_t size) {
  if (size < 1) size = 1;
  blockSize = size;
  signalPath.setBlockSize(size);
}

void HvcQuorvella::processReplacing(float** inputs, float** outputs, int32_t frames) {
  if (!inputs || !outputs || frames < 0) return;
  float values[kNumQuorvellaParameters];
  const HvcProgram* current = currentProgram();
  for (int32_t i = 0; i < kNumQuorvellaParameters; ++i) values[i] = current->getValue(i);
  signalPath.process(values, sampleRate, inputs, outputs, static_cast<uint32_t>(frames));
}

int32_t HvcQuorvella::processEvents(const MIDIEventList& events) {
  return midiHelper->dispatchEvents(events);
}

// An empty list only catches up on messages that earlier blocks had to put aside.
bool HvcQuorvella::awaitsEmptyEventList() const { return midiHelper->hasQueuedEvents(); }

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
  const char* const* valueNames = quorvellaValueNames(index);
  if (scope != 0 || !valueNames || !names) return kHvcInvalidParameter;
  // Interned on first request; every request gets a list of its own.
  const char* texts[kNumLfoShapes];
  for (int i = 0; i < kNumLfoShapes; ++i) texts[i] = CFString::constant(valueNames[i])->c_str();
  *names = CFArray::fromTexts(texts, kNumLfoShapes);
  return kHvcNoErr;
}

int32_t HvcQuorvella::getProperty(uint32_t id, int32_t, int32_t, void* data) {
  if (!data) return kHvcInvalidProperty;
  if (id == kQuorvellaPropertyMeterValues) {
    getMeters().copyTo(data);
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
  if (buffer) getMeters().copyTo(buffer);
}
