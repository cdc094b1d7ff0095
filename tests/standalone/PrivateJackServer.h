// A JACK server of a test's own: jackd with the dummy driver (no sound card, no real-time
// scheduling) in synchronous mode (no period is ever skipped for a slow client), under a
// name that no other test or user's server has, stopped with the object. JACK clients reach
// it by that name (JackServerName, or $JACK_DEFAULT_SERVER in a child's environment).
//
// Threading: one thread at a time.
#pragma once

#include <cstdint>
#include <string>

#include "tools/ChildProcess.h"

namespace standalonetest {

class PrivateJackServer {
 public:
  // Starts the server at `rate` with periods of `frames` and waits until a client can open
  // on it; ok() tells whether it did.
  PrivateJackServer(uint32_t rate, uint32_t frames);
  ~PrivateJackServer();  // stop()
  PrivateJackServer(const PrivateJackServer&) = delete;
  PrivateJackServer& operator=(const PrivateJackServer&) = delete;

  bool ok() const { return ok_; }
  const std::string& name() const { return name_; }
  const std::string& error() const { return error_; }
  // Stops the server (SIGTERM, then SIGKILL when it lingers) and waits for it.
  void stop();

 private:
  toolstest::ChildProcess server_;
  std::string name_;
  std::string error_;
  bool ok_ = false;
};

}  // namespace standalonetest
