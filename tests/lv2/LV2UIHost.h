// A small LV2 UI host of our own for tests: loads the bundle's UI binary through its
// lv2ui_descriptor as hosts do, gives it the features the common Linux hosts give (the
// parent window, the idle interface, resize, touch and instance-access to a plug-in
// instance) and records what the UI asks of the host: port writes, touch grabs and
// releases, and size announcements.
//
// Threading: the test's thread, which is the UI thread.
#pragma once

#include <lv2/ui/ui.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lv2test {

// Which features the host gives; instance-access points at the plug-in instance.
struct UIHostFeatures {
  bool parent = true;
  bool instanceAccess = true;
  bool idle = true;
  bool resize = true;
  bool touch = true;
};

class LV2UIHost {
 public:
  struct Write {
    uint32_t port;
    uint32_t size;
    uint32_t protocol;
    float value;
  };
  struct Touch {
    uint32_t port;
    bool grabbed;
  };
  using Features = UIHostFeatures;

  // Loads the UI binary at path; error() says why when loaded() is false.
  explicit LV2UIHost(const std::string& path);
  ~LV2UIHost();  // cleans up a UI still open; the binary stays loaded
  LV2UIHost(const LV2UIHost&) = delete;
  LV2UIHost& operator=(const LV2UIHost&) = delete;

  bool loaded() const { return descriptor != nullptr; }
  const std::string& error() const { return loadError; }
  const LV2UI_Descriptor* uiDescriptor() const { return descriptor; }

  // Instantiates the UI for the plug-in instance's handle in parent; false when the UI
  // refuses (null handle).
  bool instantiate(void* instance, uintptr_t parent, const Features& features = Features());
  void cleanup();
  bool open() const { return handle != nullptr; }

  uintptr_t widget() const { return reinterpret_cast<uintptr_t>(shownWidget); }
  // The UI's idle call (through its idle interface); its answer, or -1 without one.
  int idle();
  void portEvent(uint32_t port, float value);

  const std::vector<Write>& writes() const { return written; }
  const std::vector<Touch>& touches() const { return touched; }
  // Every announced size, in order.
  const std::vector<std::pair<int, int>>& sizes() const { return announced; }
  void clearRecords();

 private:
  static void write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t protocol,
                    const void* buffer);
  static int resize(LV2UI_Feature_Handle handle, int width, int height);
  static void touch(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed);

  void* library = nullptr;
  std::string loadError;
  const LV2UI_Descriptor* descriptor = nullptr;
  LV2UI_Handle handle = nullptr;
  LV2UI_Widget shownWidget = nullptr;
  const LV2UI_Idle_Interface* idleInterface = nullptr;
  LV2UI_Resize resizeFeature{};
  LV2UI_Touch touchFeature{};
  std::vector<Write> written;
  std::vector<Touch> touched;
  std::vector<std::pair<int, int>> announced;
};

}  // namespace lv2test
