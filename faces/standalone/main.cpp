// quorvella-standalone: Quorvella as a JACK application (see StandaloneApp).
#include <jack/jack.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "faces/standalone/StandaloneApp.h"
#include "faces/standalone/StandaloneOptions.h"
#include "framework/Version.h"

int main(int argc, char** argv) {
  StandaloneOptions options;
  const std::vector<std::string> args(argv + 1, argv + argc);
  const size_t nameLimit = static_cast<size_t>(std::max(1, jack_client_name_size() - 1));
  const std::string error = StandaloneOptions::parse(args, options, nameLimit);
  if (options.help) {
    std::fputs(StandaloneOptions::helpText().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("quorvella-standalone %s\n", quorvella::kVersionText);
    return 0;
  }
  if (!error.empty()) {
    std::fprintf(stderr, "quorvella-standalone: %s\n", error.c_str());
    return StandaloneApp::kBadCommandLine;
  }
  StandaloneApp app(options);
  return app.run();
}
