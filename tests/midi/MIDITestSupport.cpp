#include "MIDITestSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace miditest {

TempFolder::TempFolder() {
  char pattern[] = "/tmp/quorvella-midi-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  root = pattern;
}

TempFolder::~TempFolder() {
  // Folders made unreadable by a test must become removable again.
  std::string command = "chmod -R u+rwx '" + root + "' 2>/dev/null; rm -rf '" + root + "'";
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", root.c_str());
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name(name) {
  const char* old = std::getenv(name);
  wasSet = old != nullptr;
  if (old) saved = old;
  if (value)
    setenv(name, value, 1);
  else
    unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
  if (wasSet)
    setenv(name.c_str(), saved.c_str(), 1);
  else
    unsetenv(name.c_str());
}

UserEnvironment::UserEnvironment()
    : data("XDG_DATA_HOME", (temp.path() + "/data").c_str()),
      config("XDG_CONFIG_HOME", (temp.path() + "/config").c_str()) {
  makeFolders(scriptsFolder());
}

void UserEnvironment::addScript(const std::string& name, const std::string& text) const {
  writeFile(scriptsFolder() + name, text);
}

void makeFolders(const std::string& path) {
  for (size_t at = 1; at <= path.size(); ++at)
    if (at == path.size() || path[at] == '/') mkdir(path.substr(0, at).c_str(), 0755);
}

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

bool fileExists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

StreamCapture::StreamCapture(int fd) : fd(fd) {
  char pattern[] = "/tmp/quorvella-capture-XXXXXX";
  int target = mkstemp(pattern);
  if (target < 0) throw std::runtime_error("mkstemp failed");
  file = pattern;
  std::fflush(fd == 1 ? stdout : stderr);
  saved = dup(fd);
  dup2(target, fd);
  close(target);
}

StreamCapture::~StreamCapture() { text(); }

std::string StreamCapture::text() {
  if (saved >= 0) {
    std::fflush(fd == 1 ? stdout : stderr);
    dup2(saved, fd);
    close(saved);
    saved = -1;
    captured = readFile(file);
    unlink(file.c_str());
  }
  return captured;
}

EventBlock& EventBlock::midi(uint8_t status, uint8_t data1, uint8_t data2) {
  VstMidiEvent event{};
  event.type = kVstMidiType;
  event.byteSize = sizeof(VstMidiEvent);
  event.midiData[0] = static_cast<char>(status);
  event.midiData[1] = static_cast<char>(data1);
  event.midiData[2] = static_cast<char>(data2);
  midiEvents.push_back(event);
  return *this;
}

EventBlock& EventBlock::sysex() {
  // Shaped like a MIDI event with a note-on in its data bytes, but of the sysex type.
  VstMidiEvent event{};
  event.type = kVstSysExType;
  event.byteSize = sizeof(VstMidiEvent);
  event.midiData[0] = static_cast<char>(0x90);
  event.midiData[1] = 60;
  event.midiData[2] = 100;
  midiEvents.push_back(event);
  return *this;
}

VstEvents* EventBlock::events() {
  pointers.clear();
  for (auto& event : midiEvents) pointers.push_back(reinterpret_cast<VstEvent*>(&event));
  size_t bytes = offsetof(VstEvents, events) + sizeof(VstEvent*) * (pointers.size() + 2);
  storage.assign(bytes, 0);
  auto* block = reinterpret_cast<VstEvents*>(storage.data());
  block->numEvents = static_cast<int32_t>(pointers.size());
  if (!pointers.empty())
    std::memcpy(storage.data() + offsetof(VstEvents, events), pointers.data(),
                sizeof(VstEvent*) * pointers.size());
  return block;
}

}  // namespace miditest
