// The editor's layout script: one Lua 5.1 state per editor, separate from the MIDI state.
// It is set up on the first request (the effect makes it while it is constructed): the
// standard libraries behind the same guards as the MIDI state, the "HCgui" functions and
// object types, the registry entries below, the shared globals and sendOSC; then the
// layout chunk (the skin's Contents/Resources/gui.lua, else the editor's built-in layout)
// runs once. At every opening the editor asks the script for its fonts, window size and
// createUI; script buttons call back into it.
//
// Hostile scripts: every run (the chunk, each call the framework makes, each script-button
// callback) has a work budget, a deadline and a memory cap (ScriptLimits). A script that
// exceeds them fails like any failing script and the state stays usable. Functions that
// change the element tree, and texture and button lookups, work only while createUI runs:
// the render thread reads the tree without a lock from the moment the window exists, so a
// button callback that added elements would race with it. Objects kept from an earlier
// opening are refused, never dereferenced.
//
// Threads: everything on the host's user-interface thread (construction of the effect,
// open, pointer handling inside idle). The render thread never enters the state.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gui/elements/Button.h"
#include "lua/ScriptLimits.h"

struct lua_State;

namespace HC {

class Editor;
class Manager;

class LayoutScript {
public:
  // Registry keys (string keys, values light userdata).
  static const char kViewRefcon[];    // the Editor
  static const char kParamLookup[];   // the ParameterLookup below
  static const char kButtonLookup[];  // the ButtonLookup of the running createUI

  // Work budgets in ScriptLimits units and deadlines: the chunk; each framework call or
  // button callback; the finalizers at closing.
  static constexpr long kLoadBudget = 50000000;
  static constexpr long kCallBudget = 5000000;
  static constexpr long kCloseBudget = 5000000;
  static constexpr int kDeadlineScale = ScriptLimits::kDeadlineScale;
  static constexpr std::chrono::milliseconds kLoadTime{1000 * kDeadlineScale};
  static constexpr std::chrono::milliseconds kCallTime{500 * kDeadlineScale};
  static constexpr std::chrono::milliseconds kCloseTime{50 * kDeadlineScale};
  // getWindowSize results are clamped to this (a window beyond it could not be made).
  static constexpr int32_t kMaxWindowSide = 8192;
  // A skin's gui.lua larger than this is treated as unreadable.
  static constexpr size_t kMaxScriptSize = size_t{16} << 20;
  // At most this many candidates are read from one font list.
  static constexpr int kMaxFontCandidates = 64;

  struct ButtonEntry {
    Button::Callback callback;
    int32_t id;
  };
  using ButtonLookup = std::map<std::string, ButtonEntry, std::less<>>;
  using ParameterLookup = std::map<std::string, int32_t, std::less<>>;

  explicit LayoutScript(Editor& editor);
  // Once (later calls do nothing), after the editor holds this object: sets up the state
  // and runs the layout chunk. A chunk that fails to load or run is reported on the console
  // log ("@@@ failed to run buffer: <message>"); the state stays.
  void load();
  ~LayoutScript();
  LayoutScript(const LayoutScript&) = delete;
  LayoutScript& operator=(const LayoutScript&) = delete;

  // Null only when Lua could not make a state (out of memory).
  lua_State* state() const { return lua; }
  Editor& getEditor() const { return editor; }
  // The script object of a state made here (from kViewRefcon's neighbour), or null.
  static LayoutScript* fromState(lua_State* state);

  // --- The opening, in this order (the manager exists) -------------------------------------
  // getTextFieldFont, getLabelFont, getFont: the manager gets the first loadable font of
  // each list; anything missing or failing leaves that font null. Also drops the registry
  // references of the previous opening's script buttons.
  void loadFonts(Manager& manager);
  // getWindowSize: the manager's size (0 x 0 when the call fails).
  void applyWindowSize(Manager& manager);
  // createUI with buttons as kButtonLookup (null: no table); its errors are dropped.
  void createUI(const ButtonLookup* buttons);

  // getWindowSize called alone (at construction): false, and 0 x 0, when it fails.
  bool windowSize(int32_t& width, int32_t& height);

  // True while createUI runs: the only time the element tree may change.
  bool building() const { return buildingNow; }
  // Counts the openings whose createUI ran: the layout's objects carry the one that made
  // them, since an earlier opening's object may share its address with one of this opening.
  uint32_t opening() const { return openings; }
  const ButtonLookup* buttons() const { return buttonTable; }
  // Remembers a registry reference made for a script button of this opening.
  void keepButtonReference(int reference) { buttonReferences.push_back(reference); }
  // The callback of script buttons: callbackData is the function's registry reference.
  static void scriptButtonFired(Button* button, intptr_t callbackData);
  // Runs the referenced function with no arguments or results, protected; errors dropped.
  void callReference(int reference);

  // Units used by the last run (for measuring).
  long lastRunUnits() const { return lastUnits; }
  bool lastRunStopped() const { return limits.stopped(); }

private:
  bool setUp();
  void runChunk();
  // lua_cpcall of function with data, under a budget. On failure false, the error's text in
  // message (when given) and the stack as before.
  bool run(int (*function)(lua_State*), void* data, long units, std::chrono::milliseconds time,
           std::string* message = nullptr);

  Editor& editor;
  ScriptLimits limits;
  lua_State* lua = nullptr;
  ParameterLookup parameterLookup;
  const ButtonLookup* buttonTable = nullptr;
  bool buildingNow = false;
  uint32_t openings = 0;
  bool loaded = false;
  std::vector<int> buttonReferences;
  long lastUnits = 0;
};

}  // namespace HC
