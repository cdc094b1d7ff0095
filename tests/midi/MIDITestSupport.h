// Helpers for the MIDI scripting and settings tests: temporary folders for the XDG
// variables, file writing, capture of the standard streams, and MIDI event blocks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/AEffect.h"

namespace miditest {

// A fresh folder under /tmp, removed with everything in it at destruction.
class TempFolder {
public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return root; }

private:
  std::string root;
};

// Sets (or, with null, unsets) an environment variable for the object's lifetime.
class ScopedEnv {
public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
  std::string name;
  std::string saved;
  bool wasSet;
};

// Points XDG_DATA_HOME and XDG_CONFIG_HOME at a temporary folder; scripts go into
// scriptsFolder(), which is created.
class UserEnvironment {
public:
  UserEnvironment();
  std::string dataHome() const { return temp.path() + "/data"; }
  std::string configHome() const { return temp.path() + "/config"; }
  std::string scriptsFolder() const { return dataHome() + "/Halvercast/Quorvella/Scripts/"; }
  std::string skinsFolder() const { return dataHome() + "/Halvercast/Quorvella/Skins/"; }
  void addScript(const std::string& name, const std::string& text) const;

private:
  TempFolder temp;
  ScopedEnv data;
  ScopedEnv config;
};

void makeFolders(const std::string& path);
void writeFile(const std::string& path, const std::string& text);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);

// Redirects a standard stream (1 or 2) into a temporary file until text() is called or
// the object is destroyed.
class StreamCapture {
public:
  explicit StreamCapture(int fd);
  ~StreamCapture();
  StreamCapture(const StreamCapture&) = delete;
  StreamCapture& operator=(const StreamCapture&) = delete;
  // Restores the stream and returns what was written meanwhile.
  std::string text();

private:
  int fd;
  int saved = -1;
  std::string file;
  std::string captured;
};

// An event block as a host builds it; the events live as long as the block.
class EventBlock {
public:
  EventBlock& midi(uint8_t status, uint8_t data1, uint8_t data2);
  EventBlock& sysex();
  VstEvents* events();
  size_t size() const { return midiEvents.size(); }

private:
  std::vector<VstMidiEvent> midiEvents;
  std::vector<VstEvent*> pointers;
  std::vector<unsigned char> storage;
};

}  // namespace miditest
