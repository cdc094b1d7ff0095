#include "standalone/PrivateJackServer.h"

#include <jack/jack.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace standalonetest {

namespace {

// Server names are per user: the process id and a counter keep parallel tests apart.
std::string uniqueName() {
  static std::atomic<int> counter{0};
  return "quorvella-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

// Quiet: a test that probes a server before it listens would otherwise print JACK's
// complaints about the missing socket.
void silent(const char*) {}

}  // namespace

PrivateJackServer::PrivateJackServer(uint32_t rate, uint32_t frames) : name_(uniqueName()) {
  jack_set_error_function(silent);
  jack_set_info_function(silent);
  // jackd reports every overrun on its standard output, which nobody reads here: through a
  // pipe it would fill and stall the server. Synchronous mode: every period waits for every
  // client, so that on a loaded machine periods come late but none is skipped, and a slow
  // client is dropped only after the long timeout.
  const std::vector<std::string> arguments = {
      "sh", "-c", "exec \"$0\" \"$@\" >/dev/null", "jackd", "--no-realtime", "--sync",
      "--timeout", "20000", "--name", name_, "-d", "dummy", "-r", std::to_string(rate),
      "-p", std::to_string(frames)};
  if (!server_.start(arguments, {{"JACK_NO_AUDIO_RESERVATION", "1"}}, "", error_)) return;
  const auto deadline = toolstest::ChildProcess::Clock::now() + std::chrono::seconds(20);
  while (toolstest::ChildProcess::Clock::now() < deadline) {
    if (!server_.running()) {
      error_ = "jackd ended before it accepted clients";
      return;
    }
    jack_status_t status{};
    jack_client_t* probe = jack_client_open(
        "probe", static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status,
        name_.c_str());
    if (probe) {
      jack_client_close(probe);
      ok_ = true;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  error_ = "jackd did not accept clients within 20 s";
}

PrivateJackServer::~PrivateJackServer() { stop(); }

void PrivateJackServer::stop() {
  ok_ = false;
  if (!server_.running()) return;
  ::kill(server_.pid(), SIGTERM);
  int status = 0;
  if (!server_.waitUntil(toolstest::ChildProcess::Clock::now() + std::chrono::seconds(10), status))
    server_.kill();
}

}  // namespace standalonetest
