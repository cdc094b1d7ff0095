#include "lv2/LV2Instance.h"

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cstring>

#include "faces/lv2/LV2InstanceLink.h"
#include "faces/lv2/LV2Uris.h"
#include "lv2/LilvOwners.h"

namespace lv2test {

namespace {
constexpr size_t kSequenceBytes = 1 << 16;
}

LV2Instance::LV2Instance(const BundleWorld& bundle, const Setup& setup)
    : bundle(bundle), sequenceBuffer(kSequenceBytes / sizeof(uint64_t)) {
  plugin = bundle.plugin(lv2face::kPluginUri);
  if (!plugin) return;
  blockLength = setup.blockLength;
  if (setup.uridMap) {
    intType = map.urid(LV2_ATOM__Int);
    mapFeature = {LV2_URID__map, map.feature()};
    features.push_back(&mapFeature);
    if (blockLength > 0) {
      options[0] = {LV2_OPTIONS_INSTANCE, 0, map.urid(LV2_BUF_SIZE__maxBlockLength),
                    sizeof(int32_t), intType, &blockLength};
      options[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
      optionsFeature = {LV2_OPTIONS__options, options.data()};
      features.push_back(&optionsFeature);
    }
  }
  features.push_back(nullptr);
  instance = lilv_plugin_instantiate(plugin, setup.sampleRate, features.data());
  if (!instance) return;

  // Every control port starts at its default, as hosts start them.
  for (uint32_t port = 0; port < lv2face::kNumPorts; ++port) {
    const LilvPort* p = lilv_plugin_get_port_by_index(plugin, port);
    LilvNode *def = nullptr, *min = nullptr, *max = nullptr;
    lilv_port_get_range(plugin, p, &def, &min, &max);
    NodeOwner ownDef(def), ownMin(min), ownMax(max);
    controls[port] = def ? lilv_node_as_float(def) : 0.0f;
    if (port >= lv2face::kPortFirstParameter)
      lilv_instance_connect_port(instance, port, &controls[port]);
  }
  clearSequence();
  connectMIDI(true);
}

LV2Instance::~LV2Instance() {
  if (instance) lilv_instance_free(instance);
}

LV2_Handle LV2Instance::handle() const { return lilv_instance_get_handle(instance); }

lv2face::LV2InstanceLink& LV2Instance::link() const {
  // What instance-access hands a UI: the instance's handle.
  return *static_cast<lv2face::LV2InstanceLink*>(handle());
}

HvcAuBase& LV2Instance::product() const { return link().product(); }

void LV2Instance::setPortValue(const char* symbol, void* data, const void* value, uint32_t size,
                               uint32_t type) {
  auto* self = static_cast<LV2Instance*>(data);
  if (size != sizeof(float) || type != self->map.urid(LV2_ATOM__Float)) return;
  for (uint32_t port = 0; port < lv2face::kNumPorts; ++port)
    if (std::strcmp(lv2face::kPortSymbols[port], symbol) == 0)
      std::memcpy(&self->controls[port], value, sizeof(float));
}

bool LV2Instance::restorePreset(int32_t program) {
  NodeOwner preset = bundle.uri(lv2face::presetUri(program));
  lilv_world_load_resource(bundle.world(), preset.get());
  StateOwner state(lilv_state_new_from_world(bundle.world(), map.feature(), preset.get()));
  if (!state) return false;
  lilv_state_emit_port_values(state.get(), &LV2Instance::setPortValue, this);
  return true;
}

void LV2Instance::connectMIDI(bool connected) {
  lilv_instance_connect_port(instance, lv2face::kPortMidiIn,
                             connected ? sequenceBuffer.data() : nullptr);
}

LV2_Atom_Sequence* LV2Instance::sequence() {
  return reinterpret_cast<LV2_Atom_Sequence*>(sequenceBuffer.data());
}

void LV2Instance::clearSequence() {
  LV2_Atom_Sequence* s = sequence();
  s->atom.type = map.urid(LV2_ATOM__Sequence);
  s->atom.size = sizeof(LV2_Atom_Sequence_Body);
  s->body.unit = 0;
  s->body.pad = 0;
}

void LV2Instance::queueEvent(int64_t frame, const std::vector<uint8_t>& bytes, LV2_URID type) {
  struct {
    LV2_Atom_Event event;
    uint8_t bytes[256];
  } e{};
  e.event.time.frames = frame;
  e.event.body.type = type ? type : map.urid(LV2_MIDI__MidiEvent);
  e.event.body.size = static_cast<uint32_t>(std::min<size_t>(bytes.size(), sizeof e.bytes));
  if (e.event.body.size > 0) std::memcpy(e.bytes, bytes.data(), e.event.body.size);
  lv2_atom_sequence_append_event(sequence(), kSequenceBytes - sizeof(LV2_Atom), &e.event);
}

void LV2Instance::activate() { lilv_instance_activate(instance); }

void LV2Instance::deactivate() { lilv_instance_deactivate(instance); }

void LV2Instance::run(const float* inL, const float* inR, float* outL, float* outR,
                      uint32_t frames) {
  lilv_instance_connect_port(instance, lv2face::kPortInputLeft, const_cast<float*>(inL));
  lilv_instance_connect_port(instance, lv2face::kPortInputRight, const_cast<float*>(inR));
  lilv_instance_connect_port(instance, lv2face::kPortOutputLeft, outL);
  lilv_instance_connect_port(instance, lv2face::kPortOutputRight, outR);
  lilv_instance_run(instance, frames);
  clearSequence();
}

void LV2Instance::render(const std::vector<float>& inL, const std::vector<float>& inR,
                         uint32_t piece, std::vector<float>& outL, std::vector<float>& outR) {
  const size_t frames = std::min(inL.size(), inR.size());
  outL.assign(frames, 0.0f);
  outR.assign(frames, 0.0f);
  for (size_t at = 0; at < frames; at += piece) {
    const uint32_t n = static_cast<uint32_t>(std::min<size_t>(piece, frames - at));
    run(&inL[at], &inR[at], &outL[at], &outR[at], n);
  }
}

}  // namespace lv2test
