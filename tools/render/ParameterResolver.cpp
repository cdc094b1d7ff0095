#include "render/ParameterResolver.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "render/TextUtil.h"

namespace render {
namespace {

// Bisection stops when the midpoint no longer differs from an end (float resolution).
constexpr int kMaxSteps = 64;
// Display texts are sampled at kGrid + 1 points for text matching.
constexpr int kGrid = 128;
constexpr size_t kMaxTextsInError = 12;

// A display text read as a number: the value and half of its last shown digit.
struct Reading {
  bool numeric = false;
  double value = 0.0;
  double halfStep = 0.0;
};

Reading read(const std::string& shown) {
  Reading r;
  std::string text = trim(shown);
  const char* begin = text.c_str();
  char* end = nullptr;
  double value = std::strtod(begin, &end);
  if (end == begin || std::isnan(value)) return r;
  r.numeric = true;
  r.value = value;
  int decimals = 0;
  int exponent = 0;
  const char* dot = nullptr;
  for (const char* p = begin; p < end; ++p) {
    if (*p == '.') {
      dot = p;
    } else if (*p == 'e' || *p == 'E') {
      exponent = std::atoi(p + 1);
      break;
    } else if (dot != nullptr && std::isdigit(static_cast<unsigned char>(*p))) {
      ++decimals;
    }
  }
  r.halfStep = 0.5 * std::pow(10.0, exponent - decimals);
  return r;
}

bool same(double a, double b) { return std::fabs(a - b) <= 1e-9 * std::fmax(1.0, std::fabs(b)); }

bool parseNumber(const std::string& text, double& out) {
  std::string t = trim(text);
  if (t.empty()) return false;
  char* end = nullptr;
  out = std::strtod(t.c_str(), &end);
  return end == t.c_str() + t.size() && std::isfinite(out);
}

}  // namespace

std::string ParameterResolver::find(const std::string& parameter, int32_t& index) {
  const int32_t count = effect_.record() != nullptr ? effect_.record()->numParams : 0;
  const std::string wanted = trim(parameter);
  if (isDigits(wanted)) {
    long number = std::strtol(wanted.c_str(), nullptr, 10);
    if (wanted.size() > 9 || number >= count)
      return "parameter index " + wanted + " is out of range (the plug-in has " +
             std::to_string(count) + " parameters, 0.." + std::to_string(count - 1) + ")";
    index = static_cast<int32_t>(number);
    return {};
  }
  // Each parameter answers to the name the host sees and, where the plug-in is known, to
  // its full name. Exact matches win over case-insensitive ones, and those over prefixes,
  // so "Pitch Offset" is not ambiguous with "Pitch Offset Sweepable".
  std::vector<std::string> hostNames;
  for (int32_t i = 0; i < count; ++i) hostNames.push_back(trim(effect_.parameterName(i)));
  auto startsWith = [](const std::string& name, const std::string& prefix) {
    return name.size() >= prefix.size() && equalsIgnoreCase(name.substr(0, prefix.size()), prefix);
  };
  enum Stage { kExact, kAnyCase, kPrefix };
  for (Stage stage : {kExact, kAnyCase, kPrefix}) {
    std::vector<int32_t> hits;
    for (int32_t i = 0; i < count; ++i) {
      bool hit = false;
      for (const std::string& name : {hostNames[i], fullName(i)}) {
        if (stage == kExact) hit = hit || name == wanted;
        if (stage == kAnyCase) hit = hit || equalsIgnoreCase(name, wanted);
        if (stage == kPrefix) hit = hit || (!wanted.empty() && startsWith(name, wanted));
      }
      if (hit) hits.push_back(i);
    }
    if (hits.size() == 1) {
      index = hits[0];
      return {};
    }
    if (hits.size() > 1) {
      std::string list;
      for (int32_t i : hits)
        list += (list.empty() ? "'" : ", '") + fullName(i) + "' (" + std::to_string(i) + ")";
      return "parameter name '" + wanted + "' is ambiguous: " + list +
             "; give more of the name or the index";
    }
  }
  return "unknown parameter '" + wanted + "' (see --list)";
}

std::string ParameterResolver::apply(int32_t index, const std::string& value, bool forceNormalised,
                                     float& normalised) {
  std::string text = trim(value);
  // "0.5n" is normalised; "On" or "Clean" are display texts.
  double x = 0.0;
  bool suffixed = !text.empty() && (text.back() == 'n' || text.back() == 'N') &&
                  parseNumber(text.substr(0, text.size() - 1), x);
  if (forceNormalised || suffixed) {
    if ((!suffixed && !parseNumber(text, x)) || x < 0.0 || x > 1.0)
      return "normalised value '" + value + "' for " + describe(index) +
             " is not a number from 0 to 1";
    normalised = static_cast<float>(x);
    effect_.setParameter(index, normalised);
    return {};
  }
  double target = 0.0;
  const ParameterDescriptor* descriptor = product_.descriptor(index);
  if (descriptor != nullptr && parseNumber(text, target)) {
    // The plug-in's own mapping places a plain value exactly, whatever its display rounds
    // it to or names it ("Track" for a fixed oscillator pitch of 0).
    const double lo = std::fmin(descriptor->minimum, descriptor->maximum);
    const double hi = std::fmax(descriptor->minimum, descriptor->maximum);
    if (target < lo || target > hi) {
      const std::string label = parameterUnitLabel(descriptor->unit);
      return "value " + formatNumber(target) + " is outside the range of " + describe(index) +
             ": " + formatNumber(descriptor->minimum) + " to " +
             formatNumber(descriptor->maximum) + (label.empty() ? "" : " " + label);
    }
    normalised = descriptor->toNormalised(static_cast<float>(target));
    effect_.setParameter(index, normalised);
    return {};
  }
  if (parseNumber(text, target)) {
    Reading low = read(showAt(index, 0.0f));
    Reading high = read(showAt(index, 1.0f));
    if (low.numeric && high.numeric) return applyNumber(index, target, normalised);
  }
  return applyText(index, text, normalised);
}

std::string ParameterResolver::showAt(int32_t index, float x) {
  effect_.setParameter(index, x);
  return trim(effect_.parameterDisplay(index));
}

std::string ParameterResolver::applyNumber(int32_t index, double target, float& normalised) {
  const Reading low = read(showAt(index, 0.0f));
  const Reading high = read(showAt(index, 1.0f));
  const std::string label = trim(effect_.parameterLabel(index));
  auto finish = [&](float x) {
    normalised = x;
    effect_.setParameter(index, x);
    return std::string();
  };
  if (same(low.value, target)) return finish(0.0f);
  if (same(high.value, target)) return finish(1.0f);

  // Orient so that g grows with x.
  const double sign = high.value >= low.value ? 1.0 : -1.0;
  const double t = sign * target;
  const double g0 = sign * low.value;
  const double g1 = sign * high.value;
  if (t < g0 - low.halfStep || t > g1 + high.halfStep) {
    return "value " + formatNumber(target) + " is outside the range of " + describe(index) +
           ": " + formatNumber(low.value) + " to " + formatNumber(high.value) +
           (label.empty() ? "" : " " + label);
  }
  if (t <= g0) return finish(0.0f);
  if (t >= g1) return finish(1.0f);

  std::string error;
  auto g = [&](float x) {
    std::string shown = showAt(index, x);
    Reading r = read(shown);
    if (!r.numeric && error.empty())
      error = describe(index) + " shows '" + shown + "', not a number, at normalised " +
              formatNumber(x) + "; give a normalised value like 0.5n";
    return r.numeric ? sign * r.value : g0;
  };

  // Lower edge: the first x whose display reaches the target.
  float below = 0.0f;
  float reached = 1.0f;
  for (int step = 0; step < kMaxSteps; ++step) {
    float mid = below + (reached - below) * 0.5f;
    if (mid == below || mid == reached) break;
    (g(mid) >= t ? reached : below) = mid;
  }
  if (!error.empty()) return error;

  float choice = reached;
  Reading atEdge = read(showAt(index, reached));
  if (same(atEdge.value, target)) {
    // The display reads the target on a stretch; take its middle.
    float inside = reached;
    float beyond = 1.0f;
    for (int step = 0; step < kMaxSteps; ++step) {
      float mid = inside + (beyond - inside) * 0.5f;
      if (mid == inside || mid == beyond) break;
      (g(mid) > t ? beyond : inside) = mid;
    }
    if (!error.empty()) return error;
    choice = reached + (inside - reached) * 0.5f;
  } else {
    // The target lies between two shown values: take whichever side reads closer.
    Reading before = read(showAt(index, below));
    if (std::fabs(before.value - target) < std::fabs(atEdge.value - target)) choice = below;
  }

  std::string shown = showAt(index, choice);
  Reading result = read(shown);
  if (!result.numeric || std::fabs(result.value - target) > result.halfStep * 1.0001 + 1e-12) {
    return "cannot reach " + formatNumber(target) + " for " + describe(index) +
           " (closest display '" + shown +
           "'); the display does not change steadily with the value; give a normalised "
           "value like 0.5n";
  }
  return finish(choice);
}

std::string ParameterResolver::applyText(int32_t index, const std::string& target,
                                         float& normalised) {
  std::vector<std::string> shown(kGrid + 1);
  for (int i = 0; i <= kGrid; ++i) shown[i] = showAt(index, static_cast<float>(i) / kGrid);
  auto matches = [&](float x) { return equalsIgnoreCase(showAt(index, x), target); };

  int first = -1;
  for (int i = 0; i <= kGrid && first < 0; ++i)
    if (equalsIgnoreCase(shown[i], target)) first = i;
  if (first < 0) {
    std::vector<std::string> distinct;
    for (const std::string& s : shown)
      if (distinct.empty() || distinct.back() != s) distinct.push_back(s);
    std::string list;
    for (size_t i = 0; i < distinct.size() && i < kMaxTextsInError; ++i)
      list += (i == 0 ? "'" : ", '") + distinct[i] + "'";
    if (distinct.size() > kMaxTextsInError) list += ", ...";
    return describe(index) + " never shows '" + target + "'; it shows " + list +
           "; give a plain number, a shown text or a normalised value like 0.5n";
  }
  int last = first;
  while (last < kGrid && equalsIgnoreCase(shown[last + 1], target)) ++last;

  // Refine both ends of the matching stretch between grid points.
  float start = 0.0f;
  if (first > 0) {
    float outside = static_cast<float>(first - 1) / kGrid;
    float inside = static_cast<float>(first) / kGrid;
    for (int step = 0; step < kMaxSteps; ++step) {
      float mid = outside + (inside - outside) * 0.5f;
      if (mid == outside || mid == inside) break;
      (matches(mid) ? inside : outside) = mid;
    }
    start = inside;
  }
  float end = 1.0f;
  if (last < kGrid) {
    float inside = static_cast<float>(last) / kGrid;
    float outside = static_cast<float>(last + 1) / kGrid;
    for (int step = 0; step < kMaxSteps; ++step) {
      float mid = inside + (outside - inside) * 0.5f;
      if (mid == outside || mid == inside) break;
      (matches(mid) ? inside : outside) = mid;
    }
    end = inside;
  }
  float choice = start + (end - start) * 0.5f;
  if (!matches(choice)) choice = static_cast<float>(first) / kGrid;
  normalised = choice;
  effect_.setParameter(index, choice);
  return {};
}

std::string ParameterResolver::fullName(int32_t index) {
  const ParameterDescriptor* d = product_.descriptor(index);
  return d != nullptr ? std::string(d->name) : trim(effect_.parameterName(index));
}

std::string ParameterResolver::describe(int32_t index) {
  return "parameter '" + fullName(index) + "' (" + std::to_string(index) + ")";
}

}  // namespace render
