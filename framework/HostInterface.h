// What the product asks of the host that runs it, whatever the plug-in format: every face
// (VST 2.4, LV2, the standalone application) implements this over its host's own API, so
// that nothing below the face knows a format's types.
//
// Threads: beginEdit, automate and endEdit come from the editor, on the host's
// user-interface thread; updateDisplay from any thread that changed parameters behind the
// host's back (MIDI script handlers on the audio thread, OSC requests on the OSC receive
// thread, the editor); latencyChanged from the host thread that sets the sample rate, while
// processing is suspended. An implementation never blocks: the audio thread calls it.
#pragma once

#include <cstdint>

class HostInterface {
public:
  virtual ~HostInterface() = default;

  // A gesture on the parameter begins and ends (an editor control grabbed and released);
  // the automate calls between them belong to it, so hosts record them as one edit.
  virtual void beginEdit(int32_t index) = 0;
  virtual void endEdit(int32_t index) = 0;
  // The plug-in changed the parameter itself, from its editor: hosts record and save it.
  // plainValue is in the parameter's unit, normalisedValue its host form 0..1.
  virtual void automate(int32_t index, float plainValue, float normalisedValue) = 0;
  // Parameters changed without the host's knowledge (scripts, OSC): it should read their
  // values and texts again.
  virtual void updateDisplay() = 0;
  // The delay of the whole output changed to samples (a new sample rate).
  virtual void latencyChanged(int32_t samples) = 0;
};
