// The About/Preferences dialog: what the product is (maker, web site, name, version) and the
// four user preferences it edits, the OSC base port and the three editor options.
//
// The check boxes change their flag and its stored preference at once, on each click,
// whether the dialog then ends with OK or not; managers built afterwards (the editor's next
// opening) show them. The port changes only on OK, and only for a number above 0: it is
// stored, becomes the process's base port, and the effect's OSC port offset (parameter 39)
// is set again to its own value so the OSC server moves to the new base.
//
// The logic here drives its window through platform::DialogControls, so it runs the same
// under tests without a window system.
//
// Threading: run() and every handler call on the thread that called run() (the editor's
// user-interface thread), which it blocks until the dialog ends. The flags and the base port
// are process-wide atomics that other threads only read.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/DialogHandler.h"
#include "platform/DialogTemplate.h"

class HvcQuorvella;

namespace HC {

class AboutDialog : public platform::DialogHandler {
 public:
  enum ControlId : int {
    kOK = 1,
    kMaker = 103,
    kWebSite = 104,
    kProduct = 105,
    kVersion = 106,
    kPreferencesGroup = 109,
    kFloatingTooltip = 110,
    kPortField = 141,
    kPortLabel = 142,
    kEyeCandy = 143,
    kConstantRedraw = 144,
  };
  // Where the web-site button leads.
  static constexpr char kWebAddress[] = "https://halvercast.example/quorvella";

  using URLOpener = std::function<void(const std::string& url)>;

  // effect may be null: the port is then stored and made the base, with no server to move.
  explicit AboutDialog(HvcQuorvella* effect, URLOpener openURL = nullptr);

  // Shows the dialog modally, belonging to the owner's top-level window (an X11 Window id
  // on Linux, an HWND on Windows; 0 for none), and returns when it ends: kOK, kCancel, or
  // -1 when no window could be shown (no display).
  static int run(HvcQuorvella* effect, uintptr_t ownerTopLevelWindow);
  // The same for this object (tests give it their own URL opener).
  int show(uintptr_t ownerTopLevelWindow);

  // The dialog's controls, texts and rectangles in dialog units.
  static const platform::DialogTemplate& dialogTemplate();
  // "major.minor.patch" from a version number 0xMMmmpp (0x10000 is "1.0.0").
  static std::string versionText(int32_t version);
  // The decimal integer at the start of the first 255 characters (after blanks, with an
  // optional sign); 0 when there is none or it does not fit 32 bits.
  static int32_t parseNumber(const std::string& text);

  void initialise(platform::DialogControls& controls) override;
  void command(platform::DialogControls& controls, int id) override;

 private:
  void applyPort(const platform::DialogControls& controls);

  HvcQuorvella* effect_;
  URLOpener openURL_;
};

}  // namespace HC
