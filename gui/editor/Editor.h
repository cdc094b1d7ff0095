// The framework's editor: what the host's editor calls reach (through the face). It
// remembers the chosen skin, and on every opening builds a fresh Manager (through the
// subclass's buildInterface), creates its child window in the host's window and starts the
// render thread that draws it until close.
//
// Threads: construction, getRect, open, close, idle and refreshControls on the host's
// user-interface thread, which also receives the window's input (pumped in idle).
// parameterChanged from any thread that changes a parameter, the host's audio thread
// included: it only queues the change, lock-free, for the next idle.
//
// Ownership and order: close stops the render thread, destroys the window and then the
// manager (so the render thread never sees a destroyed element and no window event reaches
// a destroyed manager). The destructor closes an open editor first; the last editor of the
// process to go also ends the GL context kept for the next opening (platform::GLSurface).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/HvcEditor.h"
#include "gui/editor/RenderTask.h"
#include "gui/elements/Button.h"

class HvcAuBase;
struct lua_State;

namespace HC {

class FrameRenderer;
class LayoutScript;
class Manager;
class UIElement;
class WindowInput;

class Editor : public HvcEditor {
public:
  // Reads the "Skin" preference. The effect takes the editor to own with setEditor (an
  // editor factory's result is handed to it so).
  explicit Editor(HvcAuBase* effect);
  ~Editor() override;

  bool getRect(EditorRect** rect) override;
  // parent: the host's window (an X11 Window id on Linux). Always false, as the host
  // expects of this editor.
  bool open(void* parent) override;
  void close() override;
  bool isOpen() override { return systemWindow != nullptr; }
  // Pumps the window's input and hands queued parameter changes to the controls.
  void idle() override;

  // Any thread: queues the change for the controls of the open editor.
  virtual void parameterChanged(int32_t index, float plainValue);
  // Creates the manager (setManager) and builds the elements; the manager's window size is
  // set here. Called at every opening, before the window exists.
  virtual void buildInterface(float, float) = 0;
  // Every control learns its parameter's current value.
  virtual void refreshControls();

  Manager* getManager() const { return manager; }
  HvcAuBase* getHvcEffect() const { return hvcEffect; }
  const std::string& getSkinName() const { return skinName; }
  const std::string& getSkinPath() const { return skinPath; }
  // Built-in resources by name ("gui.lua", image file names) for the layout and textures.
  std::map<std::string, uint16_t>& resourceIds() { return resources; }
  std::vector<std::string>& elementTypeNames() { return typeNames; }

  // --- The layout script -------------------------------------------------------------------
  // The layout script's state (LayoutScript), set up and its chunk run on the first call;
  // later calls (each opening) reuse it. Null when Lua could not make a state.
  lua_State* getLuaState();
  LayoutScript* layoutScript() const { return lua.get(); }
  // Element factories behind the script functions knob, slider, button and luaButton, for
  // the manager of the opening. They may raise script errors (lua_error), so they keep no
  // object with a destructor alive while they do. These create the framework's Knob (the
  // label is not shown), Button and StatefulButton (state = not toggle); makeSlider raises
  // "no slider support".
  virtual UIElement* makeKnob(lua_State* state, int32_t index, const char* label, float x, float y,
                              float size);
  virtual UIElement* makeSlider(lua_State* state, int argumentCount, int32_t index, float x,
                                float y, float width, float height, bool horizontal);
  virtual UIElement* makeButton(lua_State* state, int argumentCount, const char* label,
                                Button::Callback callback, intptr_t callbackData, float x, float y,
                                float width, float height, int32_t id);
  virtual UIElement* makeLuaButton(lua_State* state, int argumentCount, const char* label,
                                   Button::Callback callback, intptr_t reference, float x, float y,
                                   float width, float height, int32_t id, bool toggle);
  // Called while the state is set up, after the framework's object types exist: a product
  // adds its own functions and types (and their names to elementTypeNames) here.
  virtual void registerScriptExtras(lua_State*) {}
  // The built-in layout's text: the script resource that resourceIds names "gui.lua" (empty
  // when the library lacks it). False when resourceIds has no "gui.lua".
  virtual bool builtInLayout(std::string& text);

  // Asks the render thread to draw the labels layer again.
  void redrawLabels();
  // Frame timing of the render thread (zero while closed).
  const RenderTask::Timing* timing() const;
  // Forces the labels layer through the off-screen fallback even where framebuffer objects
  // exist, at the next opening (for comparing the two paths).
  void setUseFramebuffer(bool use) { framebufferAllowed = use; }

protected:
  // Takes ownership of the opening's manager (from buildInterface).
  void setManager(Manager* newManager);
  // The window's size from getRect before the first opening (the layout's size).
  void setInitialSize(int32_t width, int32_t height);

private:
  void createWindow();
  void destroyOpening();

  HvcAuBase* hvcEffect;
  EditorRect rect{0, 0, 1, 1};
  Manager* manager = nullptr;
  std::string skinName;
  std::string skinPath;
  std::vector<std::string> typeNames;
  std::map<std::string, uint16_t> resources;
  bool framebufferAllowed = true;
  std::unique_ptr<LayoutScript> lua;  // from the first getLuaState() to destruction

  std::unique_ptr<WindowInput> input;     // the child window and its input
  std::unique_ptr<FrameRenderer> renderer;
  std::unique_ptr<RenderTask> renderTask;
};

}  // namespace HC
