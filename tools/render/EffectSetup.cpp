#include "render/EffectSetup.h"

#include <cstdlib>

#include "render/ParameterResolver.h"
#include "render/TextUtil.h"

namespace render {

std::string EffectSetup::apply(const RenderOptions& options) {
  if (!options.program.empty()) {
    std::string error = selectProgram(options.program);
    if (!error.empty()) return error;
  }
  ParameterResolver resolver(effect_);
  for (const ParameterSetting& setting : options.parameters) {
    int32_t index = 0;
    float normalised = 0.0f;
    std::string error = resolver.find(setting.parameter, index);
    if (error.empty())
      error = resolver.apply(index, setting.value, options.normalisedValues, normalised);
    if (!error.empty()) return error;
  }
  return {};
}

std::vector<std::string> EffectSetup::programNames() {
  std::vector<std::string> names;
  const int32_t count = effect_.record() != nullptr ? effect_.record()->numPrograms : 0;
  const int32_t current = effect_.program();
  bool switched = false;
  for (int32_t i = 0; i < count; ++i) {
    std::string name;
    if (!effect_.programNameIndexed(i, name)) {
      effect_.setProgram(i);
      name = effect_.programName();
      switched = true;
    }
    names.push_back(trim(name));
  }
  if (switched) effect_.setProgram(current);
  return names;
}

std::string EffectSetup::currentProgram() {
  if (effect_.record() == nullptr || effect_.record()->numPrograms <= 0) return "-";
  return std::to_string(effect_.program()) + " '" + trim(effect_.programName()) + "'";
}

std::string EffectSetup::selectProgram(const std::string& wanted) {
  const int32_t count = effect_.record()->numPrograms;
  if (count <= 0) return "the plug-in has no programs, so --program " + wanted + " cannot apply";
  if (isDigits(wanted)) {
    long index = std::strtol(wanted.c_str(), nullptr, 10);
    if (wanted.size() > 9 || index >= count)
      return "program " + wanted + " is out of range (the plug-in has " +
             std::to_string(count) + " programs, 0.." + std::to_string(count - 1) + ")";
    effect_.setProgram(static_cast<int32_t>(index));
    return {};
  }
  std::vector<std::string> names = programNames();
  for (bool exact : {true, false}) {
    std::vector<int32_t> hits;
    for (int32_t i = 0; i < count; ++i)
      if (exact ? names[i] == wanted : equalsIgnoreCase(names[i], wanted)) hits.push_back(i);
    if (hits.size() == 1) {
      effect_.setProgram(hits[0]);
      return {};
    }
    if (hits.size() > 1) return "program name '" + wanted + "' is ambiguous; give its number";
  }
  std::string list;
  for (int32_t i = 0; i < count; ++i)
    list += (i == 0 ? "" : ", ") + std::to_string(i) + " '" + names[i] + "'";
  return "unknown program '" + wanted + "'; the programs are " + list;
}

}  // namespace render
