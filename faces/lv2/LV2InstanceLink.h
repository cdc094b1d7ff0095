// What the LV2 UI reaches of its plug-in instance through instance-access: the product (for
// the editor, its meters and script state), where to send the editor's edits, and which
// port values the plug-in has applied. The instance's LV2_Handle points at this interface,
// so the UI binary needs nothing of the plug-in's code but these virtual calls.
//
// Threading: product() and the UI calls on the host's UI thread; appliedPortValue on any
// thread (a relaxed atomic read of what the audio thread stored).
#pragma once

#include <cstdint>

class HvcAuBase;

namespace lv2face {

class LV2EditSink;

class LV2InstanceLink {
 public:
  virtual HvcAuBase& product() = 0;
  // One UI at a time shows an instance's editor: false, attaching nothing, while another
  // is attached. The sink must stay valid until detachUI.
  virtual bool attachUI(LV2EditSink* sink) = 0;
  virtual void detachUI(LV2EditSink* sink) = 0;
  // The port's value when the plug-in last applied it (the raw port value); NaN for a port
  // never applied or one that is not a parameter.
  virtual float appliedPortValue(uint32_t port) const = 0;

 protected:
  ~LV2InstanceLink() = default;
};

}  // namespace lv2face
