// Turns the current program's plain values and the sample rate into the block settings,
// once per block on the audio thread. Every transcendental function of the signal path
// runs here, in double precision, rounded once when a 32-bit field is stored.
#pragma once

#include <cstdint>

#include "dsp/BlockSettings.h"
#include "dsp/LastResult.h"

namespace BlockPreparation {

struct SvfCoefficients {
  double f;
  double damping;
};

// Chamberlin state-variable filter coefficients; the cutoff is held at a quarter of the
// sample rate and the damping limited so the filter stays stable there.
SvfCoefficients svfCoefficients(double cutoff, double q, double sampleRate);

// Approximation of sin(2 pi p) for p in [0, 1), within 1e-7.
double fastSine(double p);

// LFO waveform for phase p in [0, 1): shape < 1 sine, < 2 triangle, < 3 saw up,
// < 4 square, otherwise saw down. Result in [-1, 1].
double lfoValue(double p, double shape);

// The longest look-ahead at any sample rate.
constexpr int32_t kMaxLookAhead = 1023;

// Number of history samples by which the dry signal is delayed: 20 ms, at most
// kMaxLookAhead.
int32_t lookAheadFor(double sampleRate);

// The transcendental values of the last block, each with the arguments it was computed
// from: a block whose parameters have not moved computes none of them again.
struct Memory {
  LastResult<SvfCoefficients, 2> lowpass, highpass;  // cutoff, sample rate
  LastResult<SvfCoefficients, 3> filter;             // cutoff, Q, sample rate
  LastResult<double, 1> filterLfoFactor, envDepthFactor, filterSine;
  LastResult<double, 1> ratio, ratioTop, increment, incrementTop;
  LastResult<double, 2> attack, release;  // time, sample rate
  LastResult<double, 1> preGain;
};

// Fills every field of settings except that the fixed-pitch increments keep their values
// while the oscillator tracks the input. values holds the 40 plain values; values that are
// not finite are read as the parameter's default, and values so far outside their ranges
// that a gain or coefficient would overflow are held at a bound far outside the range, so
// that the settings stay finite and the kernels' output too.
// memory carries values from one block's preparation to the next; the settings are the
// same as without it.
void prepare(BlockSettings& settings, Memory& memory, const float* values, double sampleRate,
             uint32_t frames) noexcept;
// The same with nothing remembered.
void prepare(BlockSettings& settings, const float* values, double sampleRate,
             uint32_t frames) noexcept;

}  // namespace BlockPreparation
