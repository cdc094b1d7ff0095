// Helpers for the OSC server tests: the shared private user environment (settings and
// scripts under temporary XDG folders) and capture of standard output and error, reserved
// UDP ports, a raw UDP endpoint, liblo's oscsend and oscdump as the real client, and a plug-in
// instance loaded through the host library with its OSC server on a given port.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/StreamCapture.h"
#include "support/UserEnvironment.h"
#include "vsthost/HostedEffect.h"
#include "vsthost/PluginLibrary.h"

namespace osctest {

using Clock = std::chrono::steady_clock;

using testsupport::StreamCapture;

// The shared private user, with the settings folder made from the start: the "OSC Base
// Port" preference is written there before each instance is created.
class UserEnvironment : public testsupport::UserEnvironment {
public:
  UserEnvironment() : testsupport::UserEnvironment(Folders::scriptsAndSettings) {}
};

// A UDP port for a test server, reserved for the rest of the process: with the next
// PortReservation::kBlockSize - 1 ports it is this test's alone, so a server may release it
// and bind it again without any other test taking it meanwhile.
int freePort();
// True while some socket holds the UDP port on the loopback or any address. The check
// binds the port for a moment: never use it while a server may be about to bind it.
bool portInUse(int port);
// Waits until portInUse(port) is `used`; false on time-out. For waiting until a port is
// released; waitAnswering() is the safe way to wait for a server to bind.
bool waitForPort(int port, bool used, int timeoutMs = 3000);
// Waits until an OSC server on the port answers /ping; false on time-out.
bool waitAnswering(int port, int timeoutMs = 3000);

// A UDP socket of the test itself, bound to 127.0.0.1 on a free port.
class RawSocket {
public:
  RawSocket();
  ~RawSocket();
  RawSocket(const RawSocket&) = delete;
  RawSocket& operator=(const RawSocket&) = delete;
  int port() const { return boundPort; }
  std::string url() const;  // "127.0.0.1:<port>"
  void sendTo(int port, const std::string& packet) const;
  void sendTo(int port, const char* data, size_t size) const;
  // One datagram, or false after timeoutMs.
  bool receive(std::string& packet, int timeoutMs) const;
  // Discards whatever is waiting.
  void drain() const;

private:
  int fd = -1;
  int boundPort = 0;
};

// liblo's oscsend: oscsend host port address types values... Returns its exit status.
int oscsend(const std::string& host, int port, const std::string& address,
            const std::string& types = "", const std::vector<std::string>& values = {});
// The same with a URL as the first argument ("osc.udp://127.0.0.1:7000").
int oscsendURL(const std::string& url, const std::string& address, const std::string& types,
               const std::vector<std::string>& values);

// liblo's oscdump listening on a free port; its lines read with a time-out.
class OscDump {
public:
  OscDump();
  ~OscDump();
  OscDump(const OscDump&) = delete;
  OscDump& operator=(const OscDump&) = delete;
  int port() const { return listenPort; }
  std::string url() const;      // "127.0.0.1:<port>"
  std::string oscURL() const;   // "osc.udp://127.0.0.1:<port>"
  // The next line (without the time stamp and the line end), or "" after timeoutMs.
  std::string next(int timeoutMs = 3000);
  // The next n lines; fewer on time-out.
  std::vector<std::string> take(size_t n, int timeoutMs = 3000);
  // Lines that arrive within waitMs (for "nothing more was sent").
  std::vector<std::string> rest(int waitMs = 300);

private:
  bool readLine(std::string& line, int timeoutMs);
  int pid = -1;
  int out = -1;
  int listenPort = 0;
  std::string buffer;
};

// One plug-in instance, loaded through the host library. The OSC base port preference is
// set in env before construction so that the instance listens on base + offset.
class Instance {
public:
  explicit Instance(const testsupport::UserEnvironment& env, int port, int32_t offset = 5);
  ~Instance();
  vsthost::HostedEffect& fx() { return *effect; }
  int port() const { return serverPort; }
  // Sets parameter 39 through the host's setParameter (normalised offset / 100).
  void setOffset(int32_t offset);
  // Waits until the server answers on its port.
  bool waitListening(int timeoutMs = 3000) const { return waitAnswering(serverPort, timeoutMs); }
  // Sends one packet from a raw socket.
  void send(const std::string& packet) const;

private:
  vsthost::PluginLibrary library;
  std::unique_ptr<vsthost::HostedEffect> effect;
  int serverPort;
  RawSocket client;
};

// OSC packets built with oscpack, for requests that oscsend cannot express (bundles,
// malformed data).
std::string message(const std::string& address, const std::string& typeTags,
                    const std::vector<std::string>& args);
std::string bundle(const std::vector<std::string>& elements);

// Normalised value of a plain one for the indexed parameter 39 (0..100).
inline float offsetValue(int32_t offset) { return static_cast<float>(offset) / 100.0f; }

}  // namespace osctest
