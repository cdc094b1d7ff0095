#include "faces/vst2/Vst2Effect.h"

#include <cstring>

#include "faces/vst2/Vst2Editor.h"
#include "framework/HvcAuBase.h"

namespace {
constexpr char kCanDoMidi[] = "receiveVstMidiEvent";
}  // namespace

Vst2Effect::Vst2Effect(audioMasterCallback audioMaster, const ProductFactory& makeProduct)
    : AudioEffectX(audioMaster, 0, 0),
      host(*this),
      midiEvents(new MIDIEvent[kMIDIEventsPerList]) {
  product.reset(makeProduct(host));
  numPrograms = product->getNumPrograms();
  numParams = product->getNumParameters();
  cEffect.numPrograms = numPrograms;
  cEffect.numParams = numParams;
  // No host is told of the delay here: it reads the record once the entry returns.
  setInitialDelay(product->getLatency());
  if (product->getEditor()) setEditor(new Vst2Editor(this));
}

Vst2Effect::~Vst2Effect() {
  // The product goes while the record and the host callback are still whole: its scripts'
  // finalizers may still tell the host of changes.
  product.reset();
}

void Vst2Effect::suspend() { product->suspend(); }

void Vst2Effect::resume() {
  AudioEffectX::resume();
  if (product->acceptsMIDI()) wantEvents();
  product->resume();
}

void Vst2Effect::setSampleRate(float rate) { product->setSampleRate(rate); }

void Vst2Effect::setBlockSize(int32_t size) { product->setBlockSize(size); }

float Vst2Effect::getSampleRate() { return product->getSampleRate(); }

int32_t Vst2Effect::getBlockSize() { return product->getBlockSize(); }

void Vst2Effect::processReplacing(float** inputs, float** outputs, int32_t frames) {
  product->processReplacing(inputs, outputs, frames);
}

void Vst2Effect::setParameter(int32_t index, float value) { product->setParameter(index, value); }

float Vst2Effect::getParameter(int32_t index) { return product->getParameter(index); }

int32_t Vst2Effect::getProgram() { return product->getProgram(); }

void Vst2Effect::setProgram(int32_t program) { product->setProgram(program); }

void Vst2Effect::setProgramName(char* name) { product->setProgramName(name); }

void Vst2Effect::getProgramName(char* name) { product->getProgramName(name); }

void Vst2Effect::getParameterLabel(int32_t index, char* label) {
  product->getParameterLabel(index, label);
}

void Vst2Effect::getParameterDisplay(int32_t index, char* text) {
  product->getParameterDisplay(index, text);
}

void Vst2Effect::getParameterName(int32_t index, char* text) {
  product->getParameterName(index, text);
}

int32_t Vst2Effect::processEvents(VstEvents* events) {
  const int32_t count = events ? events->numEvents : 0;
  int32_t answer = 0;
  uint32_t listed = 0;
  bool handedOver = false;
  for (int32_t i = 0; i < count; ++i) {
    const VstEvent* event = events->events[i];
    if (!event || event->type != kVstMidiType) continue;
    const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
    midiEvents[listed++] = {midi->deltaFrames, static_cast<uint8_t>(midi->midiData[0]),
                            static_cast<uint8_t>(midi->midiData[1]),
                            static_cast<uint8_t>(midi->midiData[2])};
    if (listed == kMIDIEventsPerList) {
      answer = product->processEvents({midiEvents.get(), listed});
      listed = 0;
      handedOver = true;
    }
  }
  // A block without MIDI is handed on too: it is when the product catches up on messages
  // it had to put aside.
  if (listed > 0 || !handedOver) answer = product->processEvents({midiEvents.get(), listed});
  return answer;
}

bool Vst2Effect::getProgramNameIndexed(int32_t category, int32_t index, char* text) {
  return product->getProgramNameIndexed(category, index, text);
}

bool Vst2Effect::getEffectName(char* name) { return product->getEffectName(name); }

bool Vst2Effect::getVendorString(char* text) { return product->getVendorString(text); }

bool Vst2Effect::getProductString(char* text) { return product->getProductString(text); }

int32_t Vst2Effect::getVendorVersion() { return product->getVendorVersion(); }

int32_t Vst2Effect::canDo(char* text) {
  return product->acceptsMIDI() && std::strcmp(text, kCanDoMidi) == 0 ? 1 : 0;
}

void Vst2Effect::automate(int32_t index, float normalisedValue) {
  callHost(audioMasterAutomate, index, 0, nullptr, normalisedValue);
}

void Vst2Effect::latencyChanged(int32_t samples) {
  setInitialDelay(samples);
  ioChanged();
}
