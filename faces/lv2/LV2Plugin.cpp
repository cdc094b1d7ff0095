#include "faces/lv2/LV2Plugin.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "faces/lv2/LV2ControlValue.h"
#include "faces/lv2/LV2EditSink.h"
#include "framework/HvcAuBase.h"

namespace lv2face {

namespace {

const void* feature(const LV2_Feature* const* features, const char* uri) {
  if (!features) return nullptr;
  for (const LV2_Feature* const* f = features; *f; ++f)
    if ((*f)->URI && std::strcmp((*f)->URI, uri) == 0) return (*f)->data;
  return nullptr;
}

// The block length the host names in its options, or 0: maxBlockLength before
// nominalBlockLength, each an atom:Int of at least 1.
uint32_t namedBlockLength(const LV2_Options_Option* options, LV2_URID_Map* map) {
  if (!options || !map) return 0;
  const LV2_URID intType = map->map(map->handle, LV2_ATOM__Int);
  const LV2_URID maxLength = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
  const LV2_URID nominalLength = map->map(map->handle, LV2_BUF_SIZE__nominalBlockLength);
  uint32_t maximum = 0, nominal = 0;
  for (const LV2_Options_Option* o = options; o->key != 0 || o->value != nullptr; ++o) {
    if (o->type != intType || o->size != sizeof(int32_t) || !o->value) continue;
    const int32_t value = *static_cast<const int32_t*>(o->value);
    if (value < 1) continue;
    if (o->key == maxLength) maximum = static_cast<uint32_t>(value);
    if (o->key == nominalLength) nominal = static_cast<uint32_t>(value);
  }
  return maximum ? maximum : nominal;
}

// Whether two runs of frames samples share memory.
bool overlap(const float* a, const float* b, uint32_t frames) {
  return a < b + frames && b < a + frames;
}

}  // namespace

LV2Plugin::LV2Plugin(double sampleRate, const LV2_Feature* const* features,
                     const ProductFactory& makeProduct)
    : midiEvents(new MIDIEvent[kMIDIEventsPerList]) {
  auto* map = static_cast<LV2_URID_Map*>(const_cast<void*>(feature(features, LV2_URID__map)));
  if (map && map->map) {
    midiReader.emplace(map->map(map->handle, LV2_ATOM__Sequence),
                       map->map(map->handle, LV2_MIDI__MidiEvent),
                       map->map(map->handle, LV2_ATOM__frameTime));
  } else {
    map = nullptr;
  }
  const uint32_t named = namedBlockLength(
      static_cast<const LV2_Options_Option*>(feature(features, LV2_OPTIONS__options)), map);
  if (named) maxBlock = std::min(named, kMostBlockLength);

  for (auto& value : applied) value.store(std::numeric_limits<float>::quiet_NaN());
  silence.assign(maxBlock, 0.0f);
  for (int c = 0; c < 2; ++c) {
    discard[c].assign(maxBlock, 0.0f);
    inputCopy[c].assign(maxBlock, 0.0f);
  }

  effect.reset(makeProduct(*this));
  // LV2 instantiates a plug-in per rate: the product runs at the host's from the start.
  effect->setSampleRate(static_cast<float>(sampleRate));
  effect->setBlockSize(static_cast<int32_t>(maxBlock));
}

LV2Plugin::~LV2Plugin() {
  // The product goes first, while this host interface is still whole: its scripts'
  // finalizers may still tell it of changes.
  effect.reset();
}

void LV2Plugin::connectPort(uint32_t port, void* location) noexcept {
  if (port == kPortInputLeft || port == kPortInputRight) {
    audioIn[port - kPortInputLeft] = static_cast<const float*>(location);
  } else if (port == kPortOutputLeft || port == kPortOutputRight) {
    audioOut[port - kPortOutputLeft] = static_cast<float*>(location);
  } else if (port == kPortMidiIn) {
    midiIn = static_cast<const LV2_Atom_Sequence*>(location);
  } else if (port >= kPortFirstParameter && port < kPortLatency) {
    controls[port - kPortFirstParameter] = static_cast<const float*>(location);
  } else if (port >= kPortLatency && port < kNumPorts) {
    outputs[port - kPortLatency] = static_cast<float*>(location);
  }
}

void LV2Plugin::activate() { effect->resume(); }

void LV2Plugin::deactivate() { effect->suspend(); }

void LV2Plugin::run(uint32_t frames) noexcept {
  applyControlPorts();
  deliverMIDI(frames);
  process(frames);
  writeOutputPorts();
}

void LV2Plugin::applyControlPorts() noexcept {
  for (uint32_t i = 0; i < kParameters; ++i) {
    const float* port = controls[i];
    if (!port) continue;
    const float value = *port;
    // Compared as the host wrote it, so that a value held outside the range is applied
    // once, not at every run.
    if (value == applied[i].load(std::memory_order_relaxed)) continue;
    const int32_t index = static_cast<int32_t>(i);
    float plain;
    if (!effect->isValidParameter(index) ||
        !controlPlainValue(effect->descriptor(index), value, plain))
      continue;
    applied[i].store(value, std::memory_order_relaxed);
    effect->setParameterPlain(index, plain);
  }
}

void LV2Plugin::deliverMIDI(uint32_t frames) noexcept {
  uint32_t listed = 0;
  bool handedOver = false;
  if (midiIn && midiReader) {
    uint32_t cursor = 0;
    while ((listed = midiReader->read(midiIn, frames, midiEvents.get(), kMIDIEventsPerList,
                                      cursor)) == kMIDIEventsPerList) {
      effect->processEvents({midiEvents.get(), listed});
      handedOver = true;
    }
  }
  // A block without MIDI is handed on too when the product has messages put aside to
  // catch up on then (the VST face's empty lists do that); otherwise such a call costs a
  // try-lock and a clock read in every run for nothing.
  if (listed > 0 || (!handedOver && effect->awaitsEmptyEventList()))
    effect->processEvents({midiEvents.get(), listed});
}

void LV2Plugin::process(uint32_t frames) noexcept {
  // No block at all: the product's block-rate state (its LFOs) does not move.
  uint32_t done = 0;
  while (done < frames) {
    const uint32_t n = std::min(frames - done, maxBlock);
    float* in[2];
    float* out[2];
    for (int c = 0; c < 2; ++c)
      out[c] = audioOut[c] ? audioOut[c] + done : discard[c].data();
    for (int c = 0; c < 2; ++c) {
      const float* source = audioIn[c] ? audioIn[c] + done : silence.data();
      if (overlap(source, out[0], n) || overlap(source, out[1], n)) {
        std::memcpy(inputCopy[c].data(), source, n * sizeof(float));
        source = inputCopy[c].data();
      }
      in[c] = const_cast<float*>(source);
    }
    effect->processReplacing(in, out, static_cast<int32_t>(n));
    done += n;
  }
}

void LV2Plugin::writeOutputPorts() noexcept {
  if (float* latency = outputs[0]) *latency = static_cast<float>(effect->getLatency());
  // The product's meter block: two unused floats, then pitch, level and envelope of each
  // channel, left first, as the meter ports are ordered.
  float meters[10] = {};
  effect->copyMeterValues(meters);
  for (uint32_t m = 0; m < kNumPorts - kPortPitchLeft; ++m)
    if (float* port = outputs[kPortPitchLeft - kPortLatency + m]) *port = meters[2 + m];
}

// --- HostInterface -------------------------------------------------------------------------

void LV2Plugin::beginEdit(int32_t index) {
  if (LV2EditSink* sink = ui.load()) sink->beginEdit(index);
}

void LV2Plugin::endEdit(int32_t index) {
  if (LV2EditSink* sink = ui.load()) sink->endEdit(index);
}

void LV2Plugin::automate(int32_t index, float plainValue, float) {
  if (LV2EditSink* sink = ui.load()) sink->edited(index, plainValue);
}

// --- LV2InstanceLink -----------------------------------------------------------------------

bool LV2Plugin::attachUI(LV2EditSink* sink) {
  LV2EditSink* none = nullptr;
  return sink && ui.compare_exchange_strong(none, sink);
}

void LV2Plugin::detachUI(LV2EditSink* sink) {
  LV2EditSink* attached = sink;
  ui.compare_exchange_strong(attached, nullptr);
}

float LV2Plugin::appliedPortValue(uint32_t port) const {
  const int32_t index = portParameter(port);
  if (index < 0) return std::numeric_limits<float>::quiet_NaN();
  return applied[static_cast<size_t>(index)].load(std::memory_order_relaxed);
}

}  // namespace lv2face
