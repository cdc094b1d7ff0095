// Helpers for the tools tests: running a command, WAV files, and the shared temporary
// folders and file helpers.
#pragma once

#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "support/TestFiles.h"

namespace toolstest {

using testsupport::fileExists;
using testsupport::readFile;
using testsupport::TempFolder;
using testsupport::writeFile;

struct CommandResult {
  int status = -1;  // exit status, or -1 when the command did not exit normally
  std::string out;
  std::string err;
};

// Runs `command` through /bin/sh, capturing stdout and stderr.
CommandResult run(const std::string& command);

// Quotes text for /bin/sh.
std::string quote(const std::string& text);

// Channels of float audio, all the same length.
using Audio = std::vector<std::vector<float>>;

// Writes a float WAV (exact samples); false on failure.
bool writeWav(const std::string& path, const Audio& audio, int sampleRate);
// Reads any libsndfile file; empty on failure. rate and format are set when given.
Audio readAudio(const std::string& path, int* sampleRate = nullptr, int* format = nullptr);

// A deterministic test signal: a decaying sum of two sines plus a unit impulse at
// `impulseAt`, distinct per channel.
Audio testSignal(int channels, int frames, int impulseAt);

// While alive, LeakSanitizer ignores blocks allocated on this thread: for third-party
// plug-ins, which keep blocks that the sanitizer cannot trace once they are unloaded.
class ForeignLeakScope {
 public:
  ForeignLeakScope();
  ~ForeignLeakScope();
  ForeignLeakScope(const ForeignLeakScope&) = delete;
  ForeignLeakScope& operator=(const ForeignLeakScope&) = delete;
};

}  // namespace toolstest
