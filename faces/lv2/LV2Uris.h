// The names that identify the LV2 plug-in, its UI and its presets, and the files of its
// bundle. Hosts keep sessions by these URIs: they never change once released (a change
// that breaks compatibility needs a new plug-in URI).
//
// Threading: constants only.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace lv2face {

constexpr char kPluginUri[] = "https://halvercast.example/quorvella/lv2";
constexpr char kUiUri[] = "https://halvercast.example/quorvella/lv2#ui";
// Factory program i is the preset kPresetUriPrefix + two digits of i ("…/preset/00" is
// "Defaults"), numbered as the VST face numbers its programs.
constexpr char kPresetUriPrefix[] = "https://halvercast.example/quorvella/lv2/preset/";

constexpr char kBundleFolder[] = "quorvella.lv2";
constexpr char kPluginBinary[] = "quorvella.so";
constexpr char kUiBinary[] = "quorvella_ui.so";
constexpr char kManifestFile[] = "manifest.ttl";
constexpr char kDescriptionFile[] = "quorvella.ttl";
constexpr char kPresetsFile[] = "presets.ttl";

constexpr char kPluginName[] = "Quorvella";
constexpr char kMaintainerName[] = "Halvercast";

// The plug-in's LV2 version. An odd or zero minor version marks a development build that
// hosts may hide. Raise the micro version for a release that changes no port, the minor
// version (to the next even number) for one that adds connection-optional ports.
constexpr int32_t kMinorVersion = 2;
constexpr int32_t kMicroVersion = 0;

inline std::string presetUri(int32_t program) {
  char number[16];
  std::snprintf(number, sizeof number, "%02d", static_cast<int>(program));
  return kPresetUriPrefix + std::string(number);
}

}  // namespace lv2face
