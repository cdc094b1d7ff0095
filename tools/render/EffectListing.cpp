#include "render/EffectListing.h"

#include <cstdio>
#include <vector>

#include "render/EffectSetup.h"
#include "render/ProductParameters.h"
#include "render/TextUtil.h"

namespace render {
namespace {

std::string fourChars(int32_t id) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    char c = static_cast<char>((static_cast<uint32_t>(id) >> shift) & 0xff);
    text += (c >= 32 && c < 127) ? c : '?';
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08x", static_cast<unsigned>(id));
  return "'" + text + "' (" + hex + ")";
}

std::string padded(const std::string& text, size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

std::string padLeft(const std::string& text, size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

}  // namespace

void EffectListing::write(vsthost::HostedEffect& effect, const std::string& path,
                          std::ostream& out) {
  const AEffect* record = effect.record();
  out << "Plug-in:  " << path << "\n";
  out << "Effect:   " << trim(effect.effectName()) << "\n";
  out << "Vendor:   " << trim(effect.vendorString()) << "\n";
  out << "Product:  " << trim(effect.productString()) << "\n";
  out << "Channels: " << record->numInputs << " in, " << record->numOutputs << " out\n";
  out << "Latency:  " << record->initialDelay << " samples\n";
  out << "ID:       " << fourChars(record->uniqueID) << ", version " << record->version << "\n";

  EffectSetup setup(effect);
  std::vector<std::string> names = setup.programNames();
  const int32_t current = effect.program();
  out << "Programs (" << names.size() << "):\n";
  for (size_t i = 0; i < names.size(); ++i) {
    std::string index = std::to_string(i);
    out << (static_cast<int32_t>(i) == current ? " *" : "  ") << padLeft(index, 5) << "  "
        << names[i] << "\n";
  }

  // Quorvella's full names, where the host-facing ones are cut to 15 characters.
  ProductParameters product(effect);
  out << "Parameters (" << record->numParams << "):\n";
  out << "  index  " << padded("name", 24) << padded("display", 24) << "label\n";
  for (int32_t i = 0; i < record->numParams; ++i) {
    std::string line = padLeft(std::to_string(i), 7) + "  " +
                       padded(product.descriptor(i) != nullptr ? product.descriptor(i)->name
                                                               : trim(effect.parameterName(i)),
                              24) +
                       padded(trim(effect.parameterDisplay(i)), 24) +
                       trim(effect.parameterLabel(i));
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << "\n";
  }
}

void EffectListing::writePrograms(vsthost::HostedEffect& effect, std::ostream& out) {
  EffectSetup setup(effect);
  std::vector<std::string> names = setup.programNames();
  for (size_t i = 0; i < names.size(); ++i) out << i << "\t" << names[i] << "\n";
}

}  // namespace render
