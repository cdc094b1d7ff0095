// quorvella-render: renders audio files through a VST 2.4 plug-in from the command line.
// See RenderOptions::helpText() for usage.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "render/EditorSession.h"
#include "render/EffectListing.h"
#include "render/EffectSetup.h"
#include "render/FileRenderer.h"
#include "render/RenderOptions.h"
#include "vsthost/HostedEffect.h"
#include "vsthost/PluginLibrary.h"

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

int complain(const std::string& message, int status) {
  std::fprintf(stderr, "quorvella-render: %s\n", message.c_str());
  return status;
}

// The plug-in in the directory of this executable: quorvella.so, or quorvella.dll on
// Windows (where the program's own path is its first argument).
std::string defaultPlugin(const char* argv0) {
#ifdef _WIN32
  std::filesystem::path self(argv0 != nullptr ? argv0 : "");
  return (self.parent_path() / "quorvella.dll").string();
#else
  (void)argv0;
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return "quorvella.so";
  return (self.parent_path() / "quorvella.so").string();
#endif
}

int list(const vsthost::PluginLibrary& library, const render::RenderOptions& options) {
  vsthost::HostOptions host;
  host.sampleRate = options.sampleRate > 0.0 ? static_cast<float>(options.sampleRate) : 44100.0f;
  host.blockSize = options.blockSize;
  vsthost::HostedEffect effect(library, host);
  if (!effect.valid()) return complain(effect.error(), kFailed);
  effect.open();
  effect.setSampleRate(host.sampleRate);
  effect.setBlockSize(host.blockSize);
  std::string error = render::EffectSetup(effect).apply(options);
  if (!error.empty()) return complain(error, kUsage);
  if (options.listPrograms)
    render::EffectListing::writePrograms(effect, std::cout);
  else
    render::EffectListing::write(effect, library.path(), std::cout);
  effect.close();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  render::RenderOptions options;
  std::string error = render::RenderOptions::parse({argv + 1, argv + argc}, options);
  if (!error.empty()) return complain(error, kUsage);
  if (options.help) {
    std::cout << render::RenderOptions::helpText();
    return 0;
  }

  vsthost::PluginLibrary library;
  error = library.open(options.plugin.empty() ? defaultPlugin(argv[0]) : options.plugin);
  if (!error.empty()) return complain(error, kFailed);
  if (options.list || options.listPrograms) return list(library, options);
  if (options.editor || options.liveSeconds > 0.0) {
    int status = render::EditorSession(library, options).run(error);
    return status == 0 ? 0 : complain(error, status);
  }

  // Work out every output first, so a clash is reported before anything is written.
  std::vector<std::string> outputs;
  std::set<std::string> seen;
  for (const std::string& input : options.inputs) {
    std::string output = options.output;
    if (output.empty())
      output = (std::filesystem::path(options.outDir) / std::filesystem::path(input).filename())
                   .string();
    if (!seen.insert(output).second)
      return complain("two inputs would both be written to '" + output + "'", kUsage);
    outputs.push_back(output);
  }
  if (!options.outDir.empty()) {
    std::error_code made;
    std::filesystem::create_directories(options.outDir, made);
    if (made)
      return complain("cannot create directory '" + options.outDir + "': " + made.message(),
                      kFailed);
  }

  render::FileRenderer renderer(library, options);
  for (size_t i = 0; i < options.inputs.size(); ++i) {
    render::RenderSummary summary;
    int status = renderer.render(options.inputs[i], outputs[i], summary, error);
    if (status != 0) return complain(error, status);
    if (summary.nonFinite > 0)
      std::fprintf(stderr, "quorvella-render: warning: %lld non-finite samples written as 0\n",
                   static_cast<long long>(summary.nonFinite));
    if (summary.clipped > 0)
      std::fprintf(stderr,
                   "quorvella-render: warning: %lld samples beyond full scale were clipped in "
                   "'%s'; a float WAV output keeps them\n",
                   static_cast<long long>(summary.clipped), outputs[i].c_str());
    std::printf("%s -> %s: %lld frames, %.3f s, program %s, %.1fx real time\n",
                options.inputs[i].c_str(), outputs[i].c_str(),
                static_cast<long long>(summary.frames), summary.seconds, summary.program.c_str(),
                summary.realTime);
    std::fflush(stdout);
  }
  return 0;
}
