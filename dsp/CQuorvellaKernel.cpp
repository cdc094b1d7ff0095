#include "dsp/CQuorvellaKernel.h"

#include <algorithm>
#include <cmath>

#include "dsp/WideLaneSteps.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
constexpr uint32_t kInitialPeriod = 1023;
}  // namespace

int64_t CQuorvellaKernel::truncatePosition(double position) noexcept {
#if defined(__SSE2__) && defined(__x86_64__)
  return _mm_cvttsd_si64(_mm_set_sd(position));
#else
  if (!(position > -9223372036854775808.0 && position < 9223372036854775808.0)) return INT64_MIN;
  return static_cast<int64_t>(position);
#endif
}

CQuorvellaKernel::CQuorvellaKernel(const BlockSettings& settings, const ScratchBuffer& scratch,
                                   int32_t channel)
    : settings(&settings), scratch(&scratch), channel(channel) {
  reset();
}

void CQuorvellaKernel::reset() {
  history.reset(new Slot[kHistorySize + kHistoryPadding]());
  writeIndex = 0;
  cycleLevel = 0.0f;
  envTarget = 0.0f;
  period = kInitialPeriod;
  samplesToAnalysis = 0;
  syncCount = 0;
  noCrossing = true;
  replayPhase = 0.0;
  oscPhase = 0.0f;
  env = 0.0f;
  filterLow = filterBand = 0.0f;
  low1 = band1 = low2 = band2 = 0.0f;
}

bool CQuorvellaKernel::recoverFromNonFiniteState() noexcept {
  float sum = low1 + band1 + low2 + band2 + filterLow + filterBand + env + envTarget + oscPhase +
              cycleLevel;
  if (std::isfinite(sum) && std::isfinite(replayPhase)) return false;
  std::fill(history.get(), history.get() + kHistorySize + kHistoryPadding, Slot{0.0f, 0.0f});
  low1 = band1 = low2 = band2 = 0.0f;
  filterLow = filterBand = 0.0f;
  env = envTarget = cycleLevel = 0.0f;
  oscPhase = 0.0f;
  replayPhase = 0.0;
  return true;
}

void CQuorvellaKernel::process(const float* source, float* destination, uint32_t frames,
                               uint32_t, bool& silence) noexcept {
  silence = false;
  if (frames == 0) return;
  // Each channel has its own half of the scratch buffer, the same one in either path.
  float* filtered = scratch->channel(channel);

  uint32_t position = 0;
  uint32_t remaining = frames;
  while (remaining > 0) {
    uint32_t n = std::min(samplesToAnalysis, remaining);
    if (n > 0) {
      runSamples(source + position, filtered + position, destination + position, n);
      samplesToAnalysis -= n;
      position += n;
      remaining -= n;
      writeIndex = static_cast<int32_t>((static_cast<uint32_t>(writeIndex) + n) & kHistoryMask);
    }
    if (samplesToAnalysis == 0) analyseCycle();
  }
}

// Sample by sample: peak follows every value above it, and the scan stops at the first
// positive value whose predecessor is not positive. The packed version below does the same
// four values at a time: a lane-wise maximum with the same comparison (NaNs and zeros never
// replace a peak, and the largest value is the same whichever lane holds it), and the
// crossing test on each value and its predecessor; a group with a crossing is finished
// sample by sample.
CQuorvellaKernel::ZeroCrossing CQuorvellaKernel::scanZeroCrossing(const Slot* history,
                                                                  int32_t start,
                                                                  int32_t count,
                                                                  LaneSteps steps) noexcept {
  (void)steps;  // only where the wide steps exist
  ZeroCrossing result{0, 0.0f};
  float previous = 1000000.0f;  // so that the first sample is never a crossing
  int32_t i = 0;
  auto scalarStep = [&](int32_t at) {
    const float v = history[(start + at) & kHistoryMask].filtered;
    if (v > result.peak) result.peak = v;
    if (v > 0.0f && previous <= 0.0f) {
      result.offset = static_cast<uint32_t>(at);
      return true;
    }
    previous = v;
    return false;
  };
#if defined(__SSE2__)
  if (count <= 0 || scalarStep(0)) return result;
  i = 1;
#if defined(QUORVELLA_WIDE_LANES)
  // Eight or thirty-two at a time where the processor can: up to the ring's end, slot 0
  // alone (its predecessor is the ring's last slot), then on from slot 1.
  if (steps != LaneSteps::sse2 && WideLaneSteps::available()) {
    const WideLaneSteps::Instructions instructions = WideLaneSteps::instructionsFor(steps);
    for (int pass = 0; pass < 2 && i < count; ++pass) {
      int32_t slot = (start + i) & kHistoryMask;
      if (slot == 0) {
        previous = history[kHistoryMask].filtered;
        if (scalarStep(i)) return result;
        if (++i == count) return result;
        slot = 1;
      }
      const int32_t run = std::min(count - i, kHistorySize - slot);
      const WideLaneSteps::Scan scan =
          WideLaneSteps::scan(instructions, &history[slot].filtered, run, result.peak);
      i += scan.passed;
      if (scan.crossing) {
        result.offset = static_cast<uint32_t>(i);
        return result;
      }
      if (scan.passed < run) break;
    }
  }
#endif
  const __m128 zero = _mm_setzero_ps();
  __m128 peaks = zero;
  bool found = false;
  while (i + 4 <= count) {
    // Slots i - 1 .. i + 3 must not wrap; where they would, one step sample by sample.
    const int32_t slot = (start + i) & kHistoryMask;
    if (slot < 1 || slot > kHistorySize - 4) {
      previous = history[(slot - 1) & kHistoryMask].filtered;
      if ((found = scalarStep(i))) break;
      ++i;
      continue;
    }
    const __m128 lo = _mm_loadu_ps(&history[slot].raw);
    const __m128 hi = _mm_loadu_ps(&history[slot + 2].raw);
    const __m128 v = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1));
    const __m128 before = _mm_move_ss(_mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 1, 0, 0)),
                                      _mm_load_ss(&history[slot - 1].filtered));
    if (_mm_movemask_ps(_mm_and_ps(_mm_cmpgt_ps(v, zero), _mm_cmple_ps(before, zero))) != 0)
      break;
    peaks = _mm_max_ps(v, peaks);
    i += 4;
  }
  float lanes[4];
  _mm_storeu_ps(lanes, peaks);
  for (float p : lanes)
    if (p > result.peak) result.peak = p;
  if (found) return result;
  previous = history[(start + i - 1) & kHistoryMask].filtered;
#endif
  for (; i < count; ++i)
    if (scalarStep(i)) break;
  return result;
}

// Runs between two samples whenever samplesToAnalysis reaches 0: measures the cycle that
// starts at the next sample to reach the output.
void CQuorvellaKernel::analyseCycle() noexcept {
  const BlockSettings& s = blockSettings();
  int32_t start = (writeIndex - s.lookAhead) & kHistoryMask;
  ZeroCrossing crossing = scanZeroCrossing(history.get(), start, s.lookAhead);

  float level = std::min(crossing.peak * s.envPreGain, 1.0f);
  cycleLevel = level;
  envTarget = level < s.envGate ? 0.0f : level;

  noCrossing = crossing.offset == 0;
  if (!noCrossing) period = crossing.offset;

  replayPhase = 0.0;
  cycleStart = start;
  samplesToAnalysis = period;

  if (s.syncCycles != 0) {
    syncCount += 1;
    if (syncCount >= s.syncCycles) {
      oscPhase = 0.0f;
      syncCount = 0;
    }
  } else {
    syncCount = 0;
  }
}

// The input filter pair (low-pass at "Lowpass Cutoff" into high-pass at "Highpass Cutoff")
// runs inside this loop rather than as a pass of its own: its recursion then overlaps the
// multimode filter's, which nearly halves the time per sample. The arithmetic is the same,
// sample for sample, and the filtered copy still lands in the scratch buffer.
void CQuorvellaKernel::runSamples(const float* source, float* filtered, float* destination,
                                  uint32_t n) noexcept {
  const BlockSettings& s = blockSettings();
  Slot* const h = history.get();
  // Dry and wet reads pick the raw or the filtered member of a slot once per run.
  const float* const base = &h[0].raw;
  const int dryMember = s.filteredDry ? 1 : 0;
  const int wetMember = s.filteredWet ? 1 : 0;

  const float P = static_cast<float>(period);
  const double periodD = P;
  const float invP = 1.0f / P;
  const float k = envTarget > env ? s.envAttackCoef : s.envReleaseCoef;
  const float target = envTarget;
  const double start = static_cast<double>(cycleStart);

  const float trigger = s.triggerLevel;
  const float ratio = s.pitchRatio, ratioRange = s.pitchRatioRange;
  const bool track = s.trackPitch;
  const float fixedInc = s.fixedIncrement, fixedIncRange = s.fixedIncrementRange;
  const float pulseWidth = s.pulseWidth, pwmDepth = s.pwmDepth;
  const float squareGain = s.squareGain, sawGain = s.sawGain, triangleGain = s.triangleGain;
  const float oscEnvFollow = s.oscEnvFollow, oscGain = s.oscGain;
  const float wetRingGain = s.wetRingGain, dryRingGain = s.dryRingGain, wetGain = s.wetGain;
  const float filterF = s.filterF, filterFRange = s.filterFRange, q = s.filterDamping;
  const float highW = s.highWeight, thruW = s.thruWeight, bandW = s.bandWeight, lowW = s.lowWeight;
  const float dryGain = s.dryGain;
  const float f1 = s.inputLowpassF, q1 = s.inputLowpassDamping;
  const float f2 = s.inputHighpassF, q2 = s.inputHighpassDamping;

  uint32_t readIndex = static_cast<uint32_t>(writeIndex - s.lookAhead) & kHistoryMask;
  uint32_t writePos = static_cast<uint32_t>(writeIndex);
  double phase = replayPhase;
  float osc = oscPhase;
  float e0 = env;
  float fLow = filterLow, fBand = filterBand;
  float l1 = low1, b1 = band1, l2 = low2, b2 = band2;

  for (uint32_t j = 0; j < n; ++j) {
    const float x = source[j];
    l1 = l1 + f1 * b1;
    const float h1 = x - l1 - q1 * b1;
    b1 = b1 + f1 * h1;
    l2 = l2 + f2 * b2;
    const float h2 = l1 - l2 - q2 * b2;
    b2 = b2 + f2 * h2;
    const float xf = h2;
    filtered[j] = xf;
    const float d = base[2 * readIndex + dryMember];

    e0 = target + (e0 - target) * k;
    const float e = std::max(e0 - trigger, 0.0f);
    const float R = ratio + e * ratioRange;

    // Replay the current cycle from the history at ratio R, looping it with length P.
    const double pos = phase + start;
    const int64_t whole = truncatePosition(pos);
    const float fraction = static_cast<float>(pos - static_cast<double>(whole));
    const uint32_t i = static_cast<uint32_t>(whole) & kHistoryMask;
    phase += R;
    if (phase >= periodD) phase -= periodD;
    const float a = base[2 * i + wetMember];
    const float b = base[2 * ((i + 1) & kHistoryMask) + wetMember];
    const float w = a + fraction * (b - a);

    h[writePos].raw = x;
    h[writePos].filtered = xf;
    writePos = (writePos + 1) & kHistoryMask;
    readIndex = (readIndex + 1) & kHistoryMask;

    const float inc = track ? R * invP : fixedInc + e * fixedIncRange;
    osc += inc;
    if (osc >= 1.0f) osc -= 1.0f;
    const float t = osc;
    const float saw = 2.0f * t - 1.0f;
    const float triangle = std::min(4.0f * t - 1.0f, 3.0f - 4.0f * t);
    const float square = t <= pulseWidth + e * pwmDepth ? 1.0f : -1.0f;
    const float o = squareGain * square + sawGain * saw + triangleGain * triangle;

    const float g = 1.0f - oscEnvFollow + oscEnvFollow * e0;
    const float y = (oscGain * g + wetRingGain * w + dryRingGain * d) * o;
    const float z = y + wetGain * w;

    const float f = filterF + e * filterFRange;
    const float low = fLow + f * fBand;
    const float high = z - low - q * fBand;
    const float band = fBand + f * high;
    fLow = low;
    fBand = band;

    destination[j] = highW * high + thruW * z + bandW * band + dryGain * d + lowW * low;
  }

  replayPhase = phase;
  oscPhase = osc;
  env = e0;
  filterLow = fLow;
  filterBand = fBand;
  low1 = l1;
  band1 = b1;
  low2 = l2;
  band2 = b2;
}
