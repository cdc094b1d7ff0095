#include "dsp/BlockPreparation.h"

#include <algorithm>
#include <cmath>

#include "dsp/PortableMath.h"
#include "dsp/QuorvellaParameters.h"

namespace BlockPreparation {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kInputFilterQ = 0.0001;
// Pitch ratios and oscillator increments are held below this, so that no value a script or
// OSC client stores can overflow the replay position or turn the oscillator into infinities.
constexpr double kMaxRatio = 1125899906842624.0;  // 2^50

// Bounds for values that scripts, OSC clients and hosts can store far outside the ranges.
// Every bound lies well outside its parameter's range, so in-range values pass unchanged;
// beyond it the derived gains, weights and coefficients would overflow to infinity, and a
// single infinity turns a whole block into NaN (infinity times a silent sample).
// Fader positions (levels, waveforms, "Osc Env Follow"; range 0..1): cubes up to 1000.
constexpr double kMaxFader = 10.0;
// "Filter Type" (0..4): morph weights extrapolate to at most about 10.
constexpr double kMinFilterType = -10.0, kMaxFilterType = 14.0;
// "Env Pre Gain" (0..48 dB): 10^(dB/20) and its inverse in oscGain stay near 1e6 at most.
constexpr double kMinPreGainDb = -120.0, kMaxPreGainDb = 120.0;
// Octave amounts ("Filter Env Depth" -16..16, "Filter LFO Amount" 0..3): 2^100 still
// multiplies a zero cutoff to zero, where an infinite factor would give NaN.
constexpr double kMaxOctaves = 100.0;
// "Trigger Level" (0..1): the envelope term reaches 1 - triggerLevel, at most 11 here.
constexpr double kMinTriggerLevel = -10.0;

double limit(double x, double lo, double hi) {
  return std::min(std::max(x, lo), hi);
}

float f32(double x) { return static_cast<float>(x); }

double frac(double x) {
  double r = x - std::floor(x);
  // A phase that is no longer finite (or rounds up to a whole cycle) starts again at 0.
  if (!(r >= 0.0 && static_cast<float>(r) < 1.0f)) r = 0.0;
  return r;
}

double semitoneRatio(double semitones) {
  return std::min(pmath::exp2(semitones / 12.0), kMaxRatio);
}

// Per-sample factor by which the envelope's distance to its target shrinks, for a time
// constant in milliseconds. A time of 0 or less (only scripts and OSC can store one) is an
// instant envelope: the plain formula would give a factor above 1, or infinity, and an
// envelope that runs away from its target for good.
double smoothingFactor(double milliseconds, double sampleRate) {
  if (!(milliseconds > 0.0)) return 0.0;
  return pmath::exp(-1.0 / (milliseconds * sampleRate * 0.001));
}

}  // namespace

SvfCoefficients svfCoefficients(double cutoff, double q, double sampleRate) {
  double c = cutoff < 0.0 ? 0.0 : cutoff;
  double w = std::min(kPi * c / sampleRate, kPi / 4.0);
  double f = 2.0 * pmath::sin(w);
  // A negative Q has no fourth root; it damps like Q 0, the most there is.
  double damping = 2.0 * (1.0 - (q > 0.0 ? pmath::pow(q, 0.25) : 0.0));
  damping = std::min(damping, 2.0);
  if (f > 0.0) damping = std::min(damping, 2.0 / f - f / 2.0);
  return {f, damping};
}

double fastSine(double p) {
  double y = std::max(std::min(p - 0.5, 1.0 - p), -p);
  double y2 = y * y;
  // Odd polynomial in y with single-precision coefficients.
  double c1 = -6.2831855f, c3 = 41.341679f, c5 = -81.602234f, c7 = 76.574974f, c9 = -39.710674f;
  return y * (c1 + y2 * (c3 + y2 * (c5 + y2 * (c7 + y2 * c9))));
}

double lfoValue(double p, double s) {
  if (s < 1.0) return fastSine(p);
  if (s < 2.0) return std::min(4.0 * p - 1.0, 3.0 - 4.0 * p);
  if (s < 3.0) return 2.0 * p - 1.0;
  if (s < 4.0) return p < 0.5 ? -1.0 : 1.0;
  return 1.0 - 2.0 * p;
}

int32_t lookAheadFor(double sampleRate) {
  // 0.02 as a single-precision constant is slightly below 0.02, so a whole number of
  // samples in 20 ms comes out one less (881 at 44.1 kHz).
  double samples = std::trunc(sampleRate * static_cast<double>(0.02f));
  if (!(samples > 0.0)) return 0;
  return static_cast<int32_t>(std::min(samples, static_cast<double>(kMaxLookAhead)));
}

void prepare(BlockSettings& s, const float* values, double sr, uint32_t frames) noexcept {
  Memory memory;
  prepare(s, memory, values, sr, frames);
}

void prepare(BlockSettings& s, Memory& memory, const float* values, double sr,
             uint32_t frames) noexcept {
  double v[kNumQuorvellaParameters];
  for (int i = 0; i < kNumQuorvellaParameters; ++i)
    v[i] = std::isfinite(values[i]) ? values[i] : kQuorvellaParameters[i].defaultValue;
  for (int i : {kDryLevel, kWetLevel, kOscLevel, kDryRingModLevel, kWetRingModLevel, kTriangle,
                kSaw, kSquare, kOscEnvFollow})
    v[i] = limit(v[i], -kMaxFader, kMaxFader);
  v[kFilterType] = limit(v[kFilterType], kMinFilterType, kMaxFilterType);
  v[kEnvPreGain] = limit(v[kEnvPreGain], kMinPreGainDb, kMaxPreGainDb);
  v[kFilterEnvDepth] = limit(v[kFilterEnvDepth], -kMaxOctaves, kMaxOctaves);
  v[kFilterLfoAmount] = limit(v[kFilterLfoAmount], -kMaxOctaves, kMaxOctaves);
  v[kTriggerLevel] = std::max(v[kTriggerLevel], kMinTriggerLevel);

  SvfCoefficients lowpass = memory.lowpass.get({v[kLowpassCutoff], sr}, [&] {
    return svfCoefficients(v[kLowpassCutoff], kInputFilterQ, sr);
  });
  s.inputLowpassF = f32(lowpass.f);
  s.inputLowpassDamping = f32(lowpass.damping);
  SvfCoefficients highpass = memory.highpass.get({v[kHighpassCutoff], sr}, [&] {
    return svfCoefficients(v[kHighpassCutoff], kInputFilterQ, sr);
  });
  s.inputHighpassF = f32(highpass.f);
  s.inputHighpassDamping = f32(highpass.damping);

  double dt = static_cast<double>(frames) / sr;
  double filterLfoPhase = frac(s.filterLfoPhase + v[kFilterLfoSpeed] * dt);
  double pitchLfoPhase = frac(s.pitchLfoPhase + v[kPitchLfoSpeed] * dt);
  double pwmLfoPhase = frac(s.pwmLfoPhase + v[kPwmLfoSpeed] * dt);
  s.filterLfoPhase = f32(filterLfoPhase);
  s.pitchLfoPhase = f32(pitchLfoPhase);
  s.pwmLfoPhase = f32(pwmLfoPhase);

  // Multimode filter: the LFO scales cutoff + 62.5 Hz so it can sweep down to 0; the
  // damping is stable at both ends of the envelope sweep.
  double m = lfoValue(s.filterLfoPhase, v[kFilterLfoShape]) * v[kFilterLfoAmount];
  const double lfoFactor = memory.filterLfoFactor.get({m}, [&] { return pmath::exp2(m); });
  double fc = (v[kFilterCutoff] + 62.5) * lfoFactor - 62.5;
  SvfCoefficients filter = memory.filter.get({fc, v[kFilterQ], sr},
                                             [&] { return svfCoefficients(fc, v[kFilterQ], sr); });
  const double envDepthFactor = memory.envDepthFactor.get(
      {v[kFilterEnvDepth]}, [&] { return pmath::exp2(v[kFilterEnvDepth]); });
  const double w2 = std::min(kPi * std::max(fc, 0.0) / sr * envDepthFactor, kPi / 4.0);
  double f2 = 2.0 * memory.filterSine.get({w2}, [&] { return pmath::sin(w2); });
  double damping = filter.damping;
  if (f2 > 0.0) damping = std::min(damping, 2.0 / f2 - f2 / 2.0);
  // Below a trigger level of 0 the envelope term passes 1 and would drive the coefficient
  // past the end of the sweep that the damping was made stable for (or below 0): hold the
  // coefficient at full envelope within 0 .. the quarter-rate coefficient, and stable there.
  double range = f2 - filter.f;
  const double eMax = 1.0 - v[kTriggerLevel];
  if (eMax > 1.0 && range != 0.0) {
    const double top = limit(filter.f + eMax * range, 0.0, 2.0 * pmath::sin(kPi / 4.0));
    range = (top - filter.f) / eMax;
    if (top > 0.0) damping = std::min(damping, 2.0 / top - top / 2.0);
  }
  // A Q above 1 would give negative damping and a filter that blows up; hold it at 0.
  damping = std::max(damping, 0.0);
  s.filterF = f32(filter.f);
  s.filterFRange = f32(range);
  s.filterDamping = f32(damping);

  double t = v[kFilterType];
  double thru = 0.0, low = 0.0, band = 0.0, high = 0.0;
  if (t < 1.0) {
    thru = 1.0 - t;
    low = t;
  } else if (t < 2.0) {
    low = 2.0 - t;
    band = t - 1.0;
  } else if (t < 3.0) {
    band = 3.0 - t;
    high = t - 2.0;
  } else {
    thru = t - 3.0;
    high = 4.0 - t;
  }
  s.thruWeight = f32(thru);
  s.lowWeight = f32(low);
  s.bandWeight = f32(band);
  s.highWeight = f32(high);

  s.trackPitch = v[kOscPitch] == 0.0;

  double lfo = lfoValue(s.pitchLfoPhase, v[kPitchLfoShape]) *
               (v[kPitchLfoAmount] + 0.01 * v[kPitchLfoAmountFine]);
  double semis = v[kPitchOffset] + v[kPitchOffsetSweepable] + lfo;
  double ratio = memory.ratio.get({semis}, [&] { return semitoneRatio(semis); });
  const double ratioTop = semis + v[kPitchEnvDepth];
  s.pitchRatio = f32(ratio);
  s.pitchRatioRange =
      f32(memory.ratioTop.get({ratioTop}, [&] { return semitoneRatio(ratioTop); }) - ratio);

  if (!s.trackPitch) {
    double n = v[kOscPitch] - 69.0 + lfo;
    double increment = 440.0 * memory.increment.get({n}, [&] { return semitoneRatio(n); }) / sr;
    const double nTop = n + v[kPitchEnvDepth];
    s.fixedIncrement = f32(increment);
    const double topRatio = memory.incrementTop.get({nTop}, [&] { return semitoneRatio(nTop); });
    s.fixedIncrementRange = f32(440.0 * topRatio / sr - increment);
  }

  s.pulseWidth = f32((v[kPulseWidth] + lfoValue(s.pwmLfoPhase, v[kPwmLfoShape]) * v[kPwmLfoAmount]) * 0.01);
  s.pwmDepth = f32(v[kPwmEnvDepth] * 0.01);

  s.filteredDry = v[kUseFilteredForDry] != 0.0;
  s.filteredWet = v[kUseFilteredForWet] != 0.0;
  s.syncCycles = static_cast<int32_t>(std::max(std::min(std::trunc(v[kSyncCycles]), 2147483647.0), -2147483648.0));

  s.envAttackCoef = f32(
      memory.attack.get({v[kEnvAttack], sr}, [&] { return smoothingFactor(v[kEnvAttack], sr); }));
  s.envReleaseCoef = f32(memory.release.get({v[kEnvRelease], sr},
                                            [&] { return smoothingFactor(v[kEnvRelease], sr); }));
  double preGain =
      memory.preGain.get({v[kEnvPreGain]}, [&] { return pmath::pow(10.0, v[kEnvPreGain] * 0.05); });
  s.envPreGain = f32(preGain);
  s.envGate = f32(v[kEnvGate]);

  s.lookAhead = lookAheadFor(sr);

  auto cube = [](double x) { return x * x * x; };
  s.dryGain = f32(cube(v[kDryLevel]));
  s.wetGain = f32(cube(v[kWetLevel]));
  s.oscGain = f32(cube(v[kOscLevel]) / preGain);
  s.dryRingGain = f32(cube(v[kDryRingModLevel]));
  s.wetRingGain = f32(cube(v[kWetRingModLevel]));
  s.triangleGain = f32(cube(v[kTriangle]));
  s.sawGain = f32(cube(v[kSaw]));
  s.squareGain = f32(cube(v[kSquare]));
  s.oscEnvFollow = f32(1.0 - cube(1.0 - v[kOscEnvFollow]));
  s.triggerLevel = f32(v[kTriggerLevel]);
}

}  // namespace BlockPreparation
