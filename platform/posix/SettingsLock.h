// An exclusive lock between processes around one read-modify-write of a settings file:
// flock() on a lock file of our own beside it ("<settings file>.lock"). The lock file is
// created on first use and never removed, since removing it would let two processes lock
// two different files of the same name.
//
// Threading: one object per write, on the writing thread. Locks taken by two threads of
// one process exclude each other as well (each object opens its own descriptor). The lock
// goes with the object, or with the process if it dies.
#pragma once

#include <string>

namespace platform {

class SettingsLock {
public:
  enum class State {
    kHeld,         // this object holds the lock
    kUnavailable,  // no lock file could be opened (or it is not a regular file)
    kBusy,         // another writer held it for the whole time-out
  };

  // Waits up to timeoutMs for the lock; never longer, even if the holder is stuck.
  SettingsLock(const std::string& lockPath, int timeoutMs);
  ~SettingsLock();
  SettingsLock(const SettingsLock&) = delete;
  SettingsLock& operator=(const SettingsLock&) = delete;

  State state() const { return current; }

private:
  int fd = -1;
  State current = State::kUnavailable;
};

}  // namespace platform
