#include "gui/editor/Editor.h"

#include <atomic>
#include <cstdio>

#include "framework/CFString.h"
#include "framework/HvcAuBase.h"
#include "framework/Settings.h"
#include "framework/SettingsValueNames.h"
#include "framework/UserFolders.h"
#include "framework/Version.h"
#include "gui/editor/FrameRenderer.h"
#include "gui/editor/WindowInput.h"
#include "gui/elements/Knob.h"
#include "gui/elements/Manager.h"
#include "gui/elements/StatefulButton.h"
#include "gui/elements/StaticText.h"
#include "gui/script/LayoutScript.h"
#include "gui/text/Font.h"
#include "lua/LuaIncludes.h"
#include "platform/GLSurface.h"
#include "platform/Resources.h"

namespace HC {

namespace {

constexpr size_t kMaxSkinName = 255;
// Editors alive in the process: while one exists another opening may come, so the spare GL
// context stays; the last one to go ends it.
std::atomic<int> editorsAlive{0};
// The version banner's colour: read by the render thread for as long as the label exists.
const float kBannerGrey[4] = {0.5f, 0.5f, 0.5f, 1.0f};

}  // namespace

Editor::Editor(HvcAuBase* effect) : HvcEditor(effect), hvcEffect(effect) {
  editorsAlive.fetch_add(1);
  std::string skin;
  if (Settings::readText(CFString::constant(kPreferenceSkin), skin)) {
    skinName = skin.substr(0, kMaxSkinName);
    if (!skinName.empty()) skinPath = UserFolders::skinFolder(skinName);
  }
}

Editor::~Editor() {
  // The opening first: its elements hold registry references of the state.
  destroyOpening();
  lua.reset();
  if (editorsAlive.fetch_sub(1) == 1) platform::GLSurface::releaseSpare();
}

lua_State* Editor::getLuaState() {
  if (!lua) {
    lua.reset(new LayoutScript(*this));
    lua->load();  // scripts find this editor's LayoutScript from their first line
  }
  return lua->state();
}

UIElement* Editor::makeKnob(lua_State*, int32_t index, const char*, float x, float y, float size) {
  return new Knob(index, manager, x, y, size);
}

UIElement* Editor::makeSlider(lua_State* state, int, int32_t, float, float, float, float, bool) {
  luaL_error(state, "no slider support");
  return nullptr;
}

UIElement* Editor::makeButton(lua_State*, int, const char* label, Button::Callback callback,
                              intptr_t callbackData, float x, float y, float width, float height,
                              int32_t id) {
  return new Button(label, manager, callback, callbackData, x, y, width, height, id);
}

UIElement* Editor::makeLuaButton(lua_State*, int, const char* label, Button::Callback callback,
                                 intptr_t reference, float x, float y, float width, float height,
                                 int32_t id, bool toggle) {
  return new StatefulButton(label, manager, callback, reference, x, y, width, height, id, toggle);
}

bool Editor::builtInLayout(std::string& text) {
  auto found = resources.find("gui.lua");
  if (found == resources.end()) return false;
  platform::Resource script;
  if (platform::findResource(platform::kResourceTypeScript, found->second, script))
    text.assign(reinterpret_cast<const char*>(script.data), script.size);
  return true;
}

bool Editor::getRect(EditorRect** out) {
  rect.top = rect.left = 0;
  if (manager) {
    rect.bottom = static_cast<int16_t>(manager->getHeight());
    rect.right = static_cast<int16_t>(manager->getWidth());
  }
  *out = &rect;
  return true;
}

void Editor::setInitialSize(int32_t width, int32_t height) {
  rect.bottom = static_cast<int16_t>(height);
  rect.right = static_cast<int16_t>(width);
}

void Editor::setManager(Manager* newManager) {
  delete manager;
  manager = newManager;
}

bool Editor::open(void* parent) {
  // Without a parent window there is nowhere to show the editor: nothing opens.
  if (!parent) return false;
  if (manager) close();  // a second open without close starts afresh
  buildInterface(0.0f, 0.0f);
  if (!manager) return false;
  systemWindow = parent;
  createWindow();
  renderTask.reset(new RenderTask());
  renderer.reset(new FrameRenderer(manager, hvcEffect, &renderTask->timing(), framebufferAllowed));
  manager->renderTaskStarted = renderTask->start(renderer.get());
  manager->setWakeHook([](void* task) { static_cast<RenderTask*>(task)->wake(); },
                       renderTask.get());
  refreshControls();
  return false;
}

void Editor::createWindow() {
  Font* font = manager->getMainFont();
  if (font && manager->bannerFlag) {
    char text[64];
    std::snprintf(text, sizeof text, "halvercast : quorvella %s", quorvella::kVersionText);
    manager->getStaticText()->addLabel(text, 60.0f, manager->bannerY - font->descender(), kBannerGrey);
  }
  input.reset(new WindowInput(manager));
  input->create(reinterpret_cast<uintptr_t>(systemWindow));
  manager->window = input->handle();
}

void Editor::close() {
  destroyOpening();
  systemWindow = nullptr;
}

void Editor::destroyOpening() {
  // The render thread first: it reads the elements and draws into the window.
  if (renderTask) renderTask->stop();
  renderTask.reset();
  renderer.reset();
  // Then the window, so that no input can reach the manager after this.
  input.reset();
  delete manager;
  manager = nullptr;
}

void Editor::idle() {
  if (!manager) return;
  if (input) input->pump();
  manager->deliverPendingChanges();
}

void Editor::parameterChanged(int32_t index, float plainValue) {
  // The effect's listener table outlives every manager; it drops changes nobody listens to.
  hvcEffect->parameterListeners().parameterChanged(index, plainValue);
}

void Editor::refreshControls() {
  if (manager) manager->refreshControls();
}

void Editor::redrawLabels() {
  if (renderTask) renderTask->requestLabels();
}

const RenderTask::Timing* Editor::timing() const { return renderTask ? &renderTask->timing() : nullptr; }

}  // namespace HC
