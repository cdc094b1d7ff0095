#include "framework/HvcAuBase.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "dsp/PortableMath.h"
#include "framework/HostInterface.h"
#include "framework/HvcEditor.h"
#include "framework/HvcProgramBasic.h"
#include "framework/ParameterListenerTable.h"

namespace {
constexpr size_t kHostTextSize = 24;   // value texts and program names going to the host
constexpr size_t kParamNameSize = 16;  // parameter names: 15 characters and the terminator
constexpr char kDefaultProgramName[] = "Defaults";

// Copies as much of text as fits in size bytes with the terminator.
void copyCut(char* out, size_t size, const char* text) {
  size_t length = std::strlen(text);
  if (length > size - 1) length = size - 1;
  std::memcpy(out, text, length);
  out[length] = 0;
}
}  // namespace

HvcAuBase::HvcAuBase(HostInterface* host, int32_t numPrograms,
                     const ParameterDescriptor* descriptors, int32_t numParams)
    : host(host), numPrograms(numPrograms), numParams(numParams), descriptors(descriptors) {
  listenerTable.reset(new ParameterListenerTable(this));
  programs.reserve(static_cast<size_t>(numPrograms));
  for (int32_t p = 0; p < numPrograms; ++p) {
    HvcProgram* program = new HvcProgramBasic();
    for (int32_t j = 0; j < numParams; ++j) program->setValue(j, descriptors[j].defaultValue);
    program->setName(kDefaultProgramName);
    programs.push_back(program);
  }
}

HvcAuBase::~HvcAuBase() {
  // The editor goes while the programs and the parameter listener table it uses still exist.
  setEditor(nullptr);
  for (HvcProgram* program : programs) delete program;
}

// --- The host and the editor -----------------------------------------------------------------

void HvcAuBase::beginEdit(int32_t index) {
  if (host) host->beginEdit(index);
}

void HvcAuBase::endEdit(int32_t index) {
  if (host) host->endEdit(index);
}

void HvcAuBase::updateDisplay() {
  if (host) host->updateDisplay();
}

void HvcAuBase::setEditor(HvcEditor* newEditor) {
  if (newEditor == editor) return;
  HvcEditor* previous = editor;
  editor = newEditor;
  if (previous) {
    // An open editor's render thread reads this effect: it stops before the editor goes.
    if (previous->isOpen()) previous->close();
    delete previous;
  }
}

// --- Mappings -------------------------------------------------------------------------------

float HvcAuBase::toPlain(int32_t index, float normalised) const {
  return descriptors[index].toPlain(normalised);
}

float HvcAuBase::toNormalised(int32_t index, float plain) const {
  return descriptors[index].toNormalised(plain);
}

// --- Host-facing parameter operations -------------------------------------------------------

void HvcAuBase::setParameter(int32_t index, float value) {
  if (!isValidParameter(index)) return;
  float plain = toPlain(index, value);
  setPlainValue(index, plain);
  if (editor) listenerTable->parameterChanged(index, plain);
}

float HvcAuBase::getParameter(int32_t index) {
  if (!isValidParameter(index)) return 0.0f;
  return toNormalised(index, getPlainValue(index));
}

void HvcAuBase::setParameterFromEditor(int32_t index, float plainValue) {
  if (!isValidParameter(index)) return;
  setPlainValue(index, plainValue);
  listenerTable->parameterChanged(index, plainValue);
  if (host) host->automate(index, plainValue, toNormalised(index, plainValue));
}

void HvcAuBase::getParameterName(int32_t index, char* text) {
  text[0] = 0;
  if (!isValidParameter(index)) return;
  copyCut(text, kParamNameSize, descriptors[index].name);
}

void HvcAuBase::getParameterLabel(int32_t index, char* label) {
  label[0] = 0;
  if (!isValidParameter(index)) return;
  std::strcpy(label, parameterUnitLabel(descriptors[index].unit));
}

bool HvcAuBase::copyDisplayText(const CFString* text, char* out) {
  const std::string& s = text->text();
  if (s.size() + 1 > kHostTextSize) {
    // The host's buffer is read whatever we answer: leave it empty, never unwritten.
    out[0] = 0;
    return false;
  }
  std::memcpy(out, s.c_str(), s.size() + 1);
  return true;
}

void HvcAuBase::getParameterDisplay(int32_t index, char* text) {
  if (!isValidParameter(index)) {
    text[0] = 0;
    return;
  }
  float v = getPlainValue(index);
  int32_t unit = descriptors[index].unit;

  if (unit == kUnitBoolean) {
    std::strcpy(text, v == 0.0f ? "Off" : "On");
    return;
  }
  if (unit == kUnitIndexed) {
    CFArray* names = nullptr;
    if (getValueNames(0, index, &names) == kHvcNoErr && names) {
      // Scripts and OSC store values unchecked; a value past the list shows as a number.
      float entry = std::trunc(v);
      bool inList = entry >= 0.0f && entry < static_cast<float>(names->count());
      if (inList) copyDisplayText(static_cast<CFString*>(names->at(static_cast<int>(entry))), text);
      names->release();
      if (inList) return;
    }
  }
  HvcParameterValueString request{index, nullptr, nullptr};
  if (getProperty(kHvcPropertyParameterValueString, 0, 0, &request) == kHvcNoErr && request.text) {
    copyDisplayText(request.text, text);
    request.text->release();
    return;
  }
  if (unit == kUnitIndexed) {
    std::snprintf(text, 8, "%d", static_cast<int>(std::fmax(std::fmin(v, 2e9f), -2e9f)));
  } else {
    const char* format = v < 10.0f ? "%.3f" : v < 100.0f ? "%.2f" : v < 1000.0f ? "%.1f" : "%.0f";
    std::snprintf(text, kHostTextSize, format, static_cast<double>(v));
  }
}

// --- Programs -------------------------------------------------------------------------------

void HvcAuBase::setProgramName(char* name) { currentProgram()->setName(name); }

void HvcAuBase::getProgramName(char* name) {
  // Names hold up to 31 characters; the host's buffer has 24 bytes.
  copyCut(name, kHostTextSize, currentProgram()->getName());
}

bool HvcAuBase::getProgramNameIndexed(int32_t, int32_t index, char* text) {
  if (index < 0 || index >= numPrograms) return false;
  copyCut(text, kHostTextSize, programs[static_cast<size_t>(index)]->getName());
  return true;
}

// --- Property interface ---------------------------------------------------------------------

int32_t HvcAuBase::getValueNames(int32_t, int32_t, CFArray** names) {
  if (names) *names = nullptr;
  return kHvcInvalidParameter;
}

int32_t HvcAuBase::getProperty(uint32_t, int32_t, int32_t, void*) { return kHvcInvalidProperty; }

int32_t HvcAuBase::getPropertyInfo(uint32_t, int32_t, int32_t, uint32_t*, bool*) {
  return kHvcInvalidProperty;
}

int32_t HvcAuBase::setProperty(uint32_t, int32_t, int32_t, const void*, uint32_t) {
  return kHvcInvalidProperty;
}

int32_t HvcAuBase::addPropertyListener(uint32_t id, HvcPropertyListenerProc proc, void* userData) {
  if (propertyListeners.capacity() == 0) propertyListeners.reserve(32);
  propertyListeners.push_back({id, proc, userData});
  return kHvcNoErr;
}

int32_t HvcAuBase::removePropertyListener(uint32_t id, HvcPropertyListenerProc proc) {
  for (auto it = propertyListeners.begin(); it != propertyListeners.end();) {
    if (it->id == id && it->proc == proc)
      it = propertyListeners.erase(it);
    else
      ++it;
  }
  return kHvcNoErr;
}

void HvcAuBase::copyMeterValues(void*) {}
