#include "vsthost/HostedEffect.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "vsthost/CallbackRegistry.h"

namespace vsthost {
namespace {

constexpr size_t kTextBytes = 256;

std::string hex(int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(value));
  return text;
}

}  // namespace

HostedEffect::HostedEffect(const PluginLibrary& library, HostOptions options)
    : library_(library.handle()), host_(std::make_shared<HostInstance>(std::move(options))) {
  if (!library.isOpen()) {
    error_ = "no plug-in library is open";
    return;
  }
  AEffect* effect = nullptr;
  uint64_t since = 0;
  {
    CallbackRegistry::ConstructionScope scope(host_);
    since = scope.start();
    effect = library.entry()(&CallbackRegistry::callback);
  }
  const std::string who = "plug-in '" + library.path() + "'";
  if (effect == nullptr) {
    error_ = who + " returned no effect from " + library.entryName();
    return;
  }
  if (effect->magic != kEffectMagic) {
    // Not a record we can talk to; there is no safe way to close it.
    error_ = who + " returned a record with bad magic " + hex(effect->magic);
    return;
  }
  if (effect->dispatcher == nullptr) {
    error_ = who + " returned a record without a dispatcher";
    return;
  }
  effect_ = effect;
  CallbackRegistry::attach(effect_, host_, since);
}

HostedEffect::~HostedEffect() { close(); }

intptr_t HostedEffect::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                float opt) {
  if (effect_ == nullptr) return 0;
  return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

void HostedEffect::setParameter(int32_t index, float normalised) {
  if (effect_ != nullptr && effect_->setParameter != nullptr)
    effect_->setParameter(effect_, index, normalised);
}

float HostedEffect::getParameter(int32_t index) {
  if (effect_ == nullptr || effect_->getParameter == nullptr) return 0.0f;
  return effect_->getParameter(effect_, index);
}

void HostedEffect::processReplacing(float** in, float** out, int32_t frames) {
  if (effect_ == nullptr || frames <= 0) return;
  if (effect_->processReplacing != nullptr) {
    effect_->processReplacing(effect_, in, out, frames);
    return;
  }
  if (effect_->process == nullptr) return;
  for (int32_t c = 0; c < effect_->numOutputs; ++c)
    std::fill(out[c], out[c] + frames, 0.0f);
  effect_->process(effect_, in, out, frames);
}

void HostedEffect::open() { dispatch(effOpen); }

void HostedEffect::setSampleRate(float rate) {
  host_->setSampleRate(rate);
  dispatch(effSetSampleRate, 0, 0, nullptr, rate);
}

void HostedEffect::setBlockSize(int32_t frames) {
  host_->setBlockSize(frames);
  dispatch(effSetBlockSize, 0, frames);
}

void HostedEffect::resume() { dispatch(effMainsChanged, 0, 1); }

void HostedEffect::suspend() { dispatch(effMainsChanged, 0, 0); }

std::string HostedEffect::textQuery(int32_t opcode, int32_t index) {
  if (effect_ == nullptr) return {};
  char text[kTextBytes] = {};
  dispatch(opcode, index, 0, text);
  text[kTextBytes - 1] = '\0';
  return text;
}

std::string HostedEffect::parameterName(int32_t index) {
  return textQuery(effGetParamName, index);
}

std::string HostedEffect::parameterDisplay(int32_t index) {
  return textQuery(effGetParamDisplay, index);
}

std::string HostedEffect::parameterLabel(int32_t index) {
  return textQuery(effGetParamLabel, index);
}

std::string HostedEffect::programName() { return textQuery(effGetProgramName, 0); }

bool HostedEffect::programNameIndexed(int32_t index, std::string& name) {
  if (effect_ == nullptr) return false;
  char text[kTextBytes] = {};
  intptr_t answered = dispatch(effGetProgramNameIndexed, index, 0, text);
  text[kTextBytes - 1] = '\0';
  if (answered == 0) return false;
  name = text;
  return true;
}

void HostedEffect::setProgram(int32_t index) { dispatch(effSetProgram, 0, index); }

int32_t HostedEffect::program() { return static_cast<int32_t>(dispatch(effGetProgram)); }

std::string HostedEffect::effectName() { return textQuery(effGetEffectName, 0); }

std::string HostedEffect::vendorString() { return textQuery(effGetVendorString, 0); }

std::string HostedEffect::productString() { return textQuery(effGetProductString, 0); }

intptr_t HostedEffect::sendMidi(const std::vector<MidiMessage>& messages) {
  if (effect_ == nullptr) return 0;
  std::vector<VstMidiEvent> events(messages.size());
  for (size_t i = 0; i < messages.size(); ++i) {
    VstMidiEvent& e = events[i];
    e.type = kVstMidiType;
    e.byteSize = static_cast<int32_t>(sizeof(VstMidiEvent));
    for (size_t b = 0; b < 3; ++b) e.midiData[b] = static_cast<char>(messages[i][b]);
  }
  // VstEvents declares two event pointers; the real block has one per event.
  size_t pointers = std::max<size_t>(events.size(), 2);
  size_t bytes = offsetof(VstEvents, events) + pointers * sizeof(VstEvent*);
  std::vector<intptr_t> storage((bytes + sizeof(intptr_t) - 1) / sizeof(intptr_t), 0);
  auto* block = reinterpret_cast<VstEvents*>(storage.data());
  block->numEvents = static_cast<int32_t>(events.size());
  auto* list = reinterpret_cast<VstEvent**>(reinterpret_cast<char*>(storage.data()) +
                                            offsetof(VstEvents, events));
  for (size_t i = 0; i < events.size(); ++i) list[i] = reinterpret_cast<VstEvent*>(&events[i]);
  return dispatch(effProcessEvents, 0, 0, block);
}

std::vector<CallbackRecord> HostedEffect::callbacks() const { return host_->snapshot(); }

void HostedEffect::clearCallbacks() { host_->clear(); }

void HostedEffect::close() {
  if (effect_ == nullptr) return;
  AEffect* effect = effect_;
  // Callbacks made while closing still belong to this instance.
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  effect_ = nullptr;
  CallbackRegistry::detach(effect);
}

std::vector<CallbackRecord> HostedEffect::unattributedCallbacks() {
  return CallbackRegistry::orphans();
}

}  // namespace vsthost
