#include "demo/DemoBassLine.h"

#include <cmath>

namespace demo {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Four bars of eighth notes (MIDI note numbers, A1 = 33 = 55 Hz).
constexpr int kNotes[] = {
    33, 33, 45, 33, 31, 31, 40, 31,  //
    29, 29, 36, 29, 31, 31, 38, 35,  //
    33, 33, 45, 33, 31, 31, 40, 31,  //
    33, 45, 43, 40, 38, 36, 35, 31,
};
constexpr int kNoteCount = sizeof(kNotes) / sizeof(kNotes[0]);
constexpr double kGate = 0.8;          // fraction of the step the note sounds
constexpr double kAttack = 0.003;      // seconds
constexpr double kRelease = 0.010;     // seconds, ends inside the step
constexpr double kDecay = 0.35;        // amplitude time constant, seconds
constexpr double kHarmonicFade = 2.4;  // harmonic k fades with time constant kHarmonicFade / k
constexpr int kMaxHarmonics = 40;
constexpr double kLevel = 0.25;

double stepSeconds() { return 60.0 / DemoBassLine::kBeatsPerMinute / 2.0; }

double noteHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// One plucked note at time t into the note, of sounding length `length`.
double pluck(double hz, double t, double length) {
  double envelope = std::exp(-t / kDecay);
  if (t < kAttack) envelope *= t / kAttack;
  if (t > length - kRelease) envelope *= std::fmax(0.0, (length - t) / kRelease);
  // A saw is sum(sin(k w t) / k); keep it below Nyquist and let the top fade like a
  // plucked string's.
  double sum = 0.0;
  for (int k = 1; k <= kMaxHarmonics && k * hz < 0.45 * DemoBassLine::kSampleRate; ++k)
    sum += std::sin(2.0 * kPi * k * hz * t) / k * std::exp(-t * k / kHarmonicFade);
  return envelope * sum;
}

}  // namespace

int DemoBassLine::frames() {
  return static_cast<int>(std::lround(kNoteCount * stepSeconds() * kSampleRate));
}

std::vector<float> DemoBassLine::render() const {
  std::vector<float> out(static_cast<size_t>(frames()), 0.0f);
  const double step = stepSeconds();
  const double length = step * kGate;
  for (int n = 0; n < kNoteCount; ++n) {
    const double hz = noteHz(kNotes[n]);
    const long first = std::lround(n * step * kSampleRate);
    const long count = std::lround(length * kSampleRate);
    for (long i = 0; i < count && first + i < static_cast<long>(out.size()); ++i) {
      double t = static_cast<double>(i) / kSampleRate;
      out[static_cast<size_t>(first + i)] = static_cast<float>(kLevel * pluck(hz, t, length));
    }
  }
  return out;
}

}  // namespace demo
