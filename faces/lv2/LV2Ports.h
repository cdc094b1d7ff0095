// The LV2 plug-in's ports, in index order, with the symbols hosts know them by. Written
// once, here: the bundle's description is generated from this list at build time, and the
// plug-in and its UI address ports by these indices.
//
// Hosts save sessions, automation and presets by symbol, so a released symbol never
// changes, even when the parameter it stands for is renamed. Anything that addresses ports
// by index does so for one version of the plug-in: a port never moves, new ports go at the
// end, are lv2:connectionOptional and raise the minor version (LV2Uris.h).
//
// Threading: constants only.
#pragma once

#include <cstdint>

#include "dsp/QuorvellaParameters.h"

namespace lv2face {

enum LV2Port : uint32_t {
  kPortInputLeft = 0,
  kPortInputRight,
  kPortOutputLeft,
  kPortOutputRight,
  // MIDI events for the scripts (an atom sequence); hosts without MIDI leave it unconnected.
  kPortMidiIn,
  // The 40 parameters as control inputs in plain units, in the parameter table's order.
  kPortFirstParameter,
  // Control outputs: the look-ahead in frames, then the meters (detected pitch in hertz,
  // cycle level and envelope, the left channel before the right).
  kPortLatency = kPortFirstParameter + kNumQuorvellaParameters,
  kPortPitchLeft,
  kPortPitchRight,
  kPortLevelLeft,
  kPortLevelRight,
  kPortEnvelopeLeft,
  kPortEnvelopeRight,
  kNumPorts
};

constexpr uint32_t parameterPort(int32_t parameter) {
  return kPortFirstParameter + static_cast<uint32_t>(parameter);
}

// The parameter index of a port, or -1 for a port that is not a parameter.
constexpr int32_t portParameter(uint32_t port) {
  return port >= kPortFirstParameter && port < kPortLatency
             ? static_cast<int32_t>(port - kPortFirstParameter)
             : -1;
}

// By port index. The parameters' symbols are their names in lower case with words joined
// by '_'.
constexpr const char* kPortSymbols[kNumPorts] = {
    "in_l",
    "in_r",
    "out_l",
    "out_r",
    "midi_in",
    "dry_level",
    "wet_level",
    "osc_level",
    "dry_ring_mod_level",
    "wet_ring_mod_level",
    "pitch_offset",
    "pitch_offset_sweepable",
    "lowpass_cutoff",
    "highpass_cutoff",
    "use_filtered_for_dry",
    "use_filtered_for_wet",
    "sync_cycles",
    "env_pre_gain",
    "env_attack",
    "env_release",
    "env_gate",
    "osc_env_follow",
    "trigger_level",
    "osc_pitch",
    "pitch_env_depth",
    "triangle",
    "saw",
    "square",
    "pulse_width",
    "pwm_env_depth",
    "filter_cutoff",
    "filter_q",
    "filter_type",
    "filter_env_depth",
    "pitch_lfo_shape",
    "pitch_lfo_speed",
    "pitch_lfo_amount",
    "pitch_lfo_amount_fine",
    "filter_lfo_shape",
    "filter_lfo_speed",
    "filter_lfo_amount",
    "pwm_lfo_shape",
    "pwm_lfo_speed",
    "pwm_lfo_amount",
    "osc_port_offset",
    "latency",
    "pitch_l",
    "pitch_r",
    "level_l",
    "level_r",
    "envelope_l",
    "envelope_r",
};

// The names hosts show for the ports that are not parameters; null for a parameter port,
// which hosts show by the parameter table's name.
constexpr const char* fixedPortName(uint32_t port) {
  switch (port) {
    case kPortInputLeft: return "Input L";
    case kPortInputRight: return "Input R";
    case kPortOutputLeft: return "Output L";
    case kPortOutputRight: return "Output R";
    case kPortMidiIn: return "MIDI In";
    case kPortLatency: return "Latency";
    case kPortPitchLeft: return "Pitch L";
    case kPortPitchRight: return "Pitch R";
    case kPortLevelLeft: return "Cycle Level L";
    case kPortLevelRight: return "Cycle Level R";
    case kPortEnvelopeLeft: return "Envelope L";
    case kPortEnvelopeRight: return "Envelope R";
    default: return nullptr;
  }
}

// A parameter added to the table needs its symbol here; a missing one would be null.
constexpr bool everyPortHasASymbol() {
  for (const char* symbol : kPortSymbols)
    if (!symbol) return false;
  return true;
}
static_assert(everyPortHasASymbol(), "a port without a symbol: see the rules above");

}  // namespace lv2face
