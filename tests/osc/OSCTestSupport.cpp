#include "OSCTestSupport.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <oscpack/osc/OscOutboundPacketStream.h>

#include "PortReservation.h"

extern char** environ;

namespace osctest {

namespace {

sockaddr_in loopback(int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

int spawn(const std::vector<std::string>& argv, int stdoutFd, int* pidOut) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (stdoutFd >= 0) posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
  pid_t pid = -1;
  int result = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (result != 0) return -1;
  if (pidOut) {
    *pidOut = pid;
    return 0;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

// --- Ports ------------------------------------------------------------------------------------

int freePort() {
  // Kept until the process ends: a test may stop and restart a server on its port at any
  // time until then.
  static std::mutex lock;
  static std::vector<std::unique_ptr<PortReservation>> kept;
  std::lock_guard<std::mutex> hold(lock);
  kept.emplace_back(new PortReservation());
  return kept.back()->first();
}

bool portInUse(int port) {
  int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a = loopback(port);
  a.sin_addr.s_addr = htonl(INADDR_ANY);
  bool used = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 && errno == EADDRINUSE;
  ::close(fd);
  return used;
}

bool waitForPort(int port, bool used, int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (portInUse(port) != used) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

bool waitAnswering(int port, int timeoutMs) {
  RawSocket client;
  std::string ping = message("/ping", "ss", {client.url(), "/answering"});
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string reply;
  while (Clock::now() < deadline) {
    client.sendTo(port, ping);
    if (client.receive(reply, 20) && reply.find("/answering") != std::string::npos) return true;
  }
  return false;
}

// --- RawSocket ----------------------------------------------------------------------------------

RawSocket::RawSocket() {
  fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in a = loopback(0);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t length = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
  boundPort = ntohs(a.sin_port);
  int size = 4 << 20;
  ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
}

RawSocket::~RawSocket() { ::close(fd); }

std::string RawSocket::url() const { return "127.0.0.1:" + std::to_string(boundPort); }

void RawSocket::sendTo(int port, const std::string& packet) const { sendTo(port, packet.data(), packet.size()); }

void RawSocket::sendTo(int port, const char* data, size_t size) const {
  sockaddr_in a = loopback(port);
  ::sendto(fd, data, size, 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
}

bool RawSocket::receive(std::string& packet, int timeoutMs) const {
  pollfd p{fd, POLLIN, 0};
  if (::poll(&p, 1, timeoutMs) <= 0) return false;
  char data[65536];
  ssize_t n = ::recv(fd, data, sizeof data, 0);
  if (n < 0) return false;
  packet.assign(data, static_cast<size_t>(n));
  return true;
}

void RawSocket::drain() const {
  std::string ignored;
  while (receive(ignored, 0)) {
  }
}

// --- liblo's tools ------------------------------------------------------------------------------

int oscsend(const std::string& host, int port, const std::string& address, const std::string& types,
            const std::vector<std::string>& values) {
  std::vector<std::string> argv = {"oscsend", host, std::to_string(port), address, types};
  argv.insert(argv.end(), values.begin(), values.end());
  return spawn(argv, -1, nullptr);
}

int oscsendURL(const std::string& url, const std::string& address, const std::string& types,
               const std::vector<std::string>& values) {
  std::vector<std::string> argv = {"oscsend", url, address, types};
  argv.insert(argv.end(), values.begin(), values.end());
  return spawn(argv, -1, nullptr);
}

OscDump::OscDump() {
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  out = pipeFds[0];
  RawSocket probe;
  std::string hello = message("/hello", "", {});
  for (int attempt = 0; attempt < 5 && pid < 0; ++attempt) {
    listenPort = freePort();
    if (spawn({"oscdump", "-L", std::to_string(listenPort)}, pipeFds[1], &pid) != 0) {
      pid = -1;
      continue;
    }
    // Ready once it prints what it is sent (binding the port to test it could take it
    // away from oscdump).
    bool ready = false;
    std::string line;
    for (int i = 0; i < 150 && !ready; ++i) {
      probe.sendTo(listenPort, hello);
      ready = readLine(line, 20);
    }
    if (!ready) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
      pid = -1;
    }
  }
  ::close(pipeFds[1]);
  if (pid < 0) throw std::runtime_error("oscdump did not start");
  // Hellos still on their way are dropped with the lines they make.
  rest(50);
}

OscDump::~OscDump() {
  if (pid > 0) {
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
  }
  if (out >= 0) ::close(out);
}

std::string OscDump::url() const { return "127.0.0.1:" + std::to_string(listenPort); }
std::string OscDump::oscURL() const { return "osc.udp://127.0.0.1:" + std::to_string(listenPort); }

bool OscDump::readLine(std::string& line, int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    size_t end = buffer.find('\n');
    if (end != std::string::npos) {
      line = buffer.substr(0, end);
      buffer.erase(0, end + 1);
      return true;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{out, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left)) <= 0) return false;
    char data[4096];
    ssize_t n = ::read(out, data, sizeof data);
    if (n <= 0) return false;
    buffer.append(data, static_cast<size_t>(n));
  }
}

std::string OscDump::next(int timeoutMs) {
  std::string line;
  if (!readLine(line, timeoutMs)) return "";
  // "<time stamp> /address types values"
  size_t blank = line.find(' ');
  std::string rest = blank == std::string::npos ? line : line.substr(blank + 1);
  while (!rest.empty() && rest.back() == ' ') rest.pop_back();
  return rest;
}

std::vector<std::string> OscDump::take(size_t n, int timeoutMs) {
  std::vector<std::string> lines;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (lines.size() < n) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    std::string line = next(static_cast<int>(left > 0 ? left : 0));
    if (line.empty()) break;
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> OscDump::rest(int waitMs) {
  std::vector<std::string> lines;
  for (std::string line = next(waitMs); !line.empty(); line = next(waitMs)) lines.push_back(line);
  return lines;
}

// --- Instance -----------------------------------------------------------------------------------

Instance::Instance(const testsupport::UserEnvironment& env, int port, int32_t offset) : serverPort(port) {
  env.setBasePort(port - offset);
  std::string error = library.open(QUORVELLA_PLUGIN_PATH);
  if (!error.empty()) throw std::runtime_error(error);
  effect.reset(new vsthost::HostedEffect(library));
  if (!effect->valid()) throw std::runtime_error("instance not valid: " + effect->error());
  if (offset != 0) setOffset(offset);
}

Instance::~Instance() { effect.reset(); }

void Instance::setOffset(int32_t offset) { effect->setParameter(39, offsetValue(offset)); }

void Instance::send(const std::string& packet) const { client.sendTo(serverPort, packet); }

// --- Packets ------------------------------------------------------------------------------------

std::string message(const std::string& address, const std::string& typeTags,
                    const std::vector<std::string>& args) {
  char buffer[8192];
  osc::OutboundPacketStream p(buffer, sizeof buffer);
  p << osc::BeginMessage(address.c_str());
  size_t next = 0;
  for (char tag : typeTags) {
    switch (tag) {
      case 'i': p << static_cast<osc::int32>(std::stol(args.at(next++))); break;
      case 'h': p << static_cast<osc::int64>(std::stoll(args.at(next++))); break;
      case 'f': p << std::stof(args.at(next++)); break;
      case 'd': p << std::stod(args.at(next++)); break;
      case 's': p << args.at(next++).c_str(); break;
      case 'S': p << osc::Symbol(args.at(next++).c_str()); break;
      case 'T': p << true; break;
      case 'F': p << false; break;
      case 'N': p << osc::OscNil; break;
      case 'b': {
        const std::string& blob = args.at(next++);
        p << osc::Blob(blob.data(), static_cast<osc::osc_bundle_element_size_t>(blob.size()));
        break;
      }
      default: throw std::invalid_argument("unsupported tag");
    }
  }
  p << osc::EndMessage;
  return std::string(p.Data(), p.Size());
}

std::string bundle(const std::vector<std::string>& elements) {
  std::string out("#bundle\0", 8);
  out.append("\0\0\0\0\0\0\0\1", 8);
  for (const auto& e : elements) {
    uint32_t size = static_cast<uint32_t>(e.size());
    char header[4] = {static_cast<char>(size >> 24), static_cast<char>(size >> 16),
                      static_cast<char>(size >> 8), static_cast<char>(size)};
    out.append(header, 4);
    out += e;
  }
  return out;
}

}  // namespace osctest
