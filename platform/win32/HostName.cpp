// Windows backend of the name lookup: getaddrinfo from Winsock, which counts its own
// start-ups, so every lookup starts and cleans up its own use. A lookup on a thread that may
// be cancelled runs on a helper thread of its own: cancel() then ends the wait for it at
// once, and the helper finishes the lookup and throws the answer away.
#include "platform/HostName.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <memory>
#include <new>
#include <string>

#include "platform/Thread.h"
#include "platform/win32/DetachedTask.h"
#include "platform/win32/ThreadCancellation.h"

namespace platform {

namespace {

bool lookUp(const char* name, uint32_t& address) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
  addrinfo hints;
  ZeroMemory(&hints, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  bool ok = false;
  if (getaddrinfo(name, nullptr, &hints, &found) == 0 && found) {
    for (addrinfo* a = found; a; a = a->ai_next) {
      if (a->ai_family == AF_INET && a->ai_addrlen >= sizeof(sockaddr_in)) {
        address = ntohl(reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr);
        ok = true;
        break;
      }
    }
    freeaddrinfo(found);
  }
  WSACleanup();
  return ok;
}

// A lookup shared by the asking thread and the helper that does it; whichever lets go last
// frees it.
struct Lookup {
  explicit Lookup(const char* name) : name(name), done(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Lookup() {
    if (done) CloseHandle(done);
  }
  std::string name;
  HANDLE done;
  // Written by the helper before it raises done.
  bool ok = false;
  uint32_t address = 0;
};

void runLookup(void* raw) {
  std::unique_ptr<std::shared_ptr<Lookup>> keep(static_cast<std::shared_ptr<Lookup>*>(raw));
  Lookup& job = **keep;
  job.ok = lookUp(job.name.c_str(), job.address);
  SetEvent(job.done);
}

}  // namespace

bool resolveIPv4(const char* name, uint32_t& address) {
  // The system's lookup answers an empty name with the machine's own addresses; it names no
  // host, as on other systems.
  if (!name || !*name) return false;
  // Dotted numbers need no name service.
  in_addr numeric;
  if (inet_pton(AF_INET, name, &numeric) == 1) {
    address = ntohl(numeric.s_addr);
    return true;
  }
  CancellableRegion lookupMayBeCancelled;
  HANDLE cancel = cancellationEvent();
  if (!cancel) return lookUp(name, address);
  if (WaitForSingleObject(cancel, 0) == WAIT_OBJECT_0) return false;

  std::shared_ptr<Lookup> job;
  std::shared_ptr<Lookup>* forHelper = nullptr;
  try {
    job = std::make_shared<Lookup>(name);
    forHelper = new std::shared_ptr<Lookup>(job);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!job->done || !runDetached(runLookup, forHelper)) {
    delete forHelper;
    return lookUp(name, address);  // no helper: a lookup that cannot be cancelled
  }
  HANDLE waits[] = {cancel, job->done};
  if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1 || !job->ok) return false;
  address = job->address;
  return true;
}

}  // namespace platform
