// Everything one opening of the editor shows: the elements under one root group, the
// drawing effects (the static text first), fonts, textures and one record per parameter.
// It routes pointer and keyboard input to elements, tracks what the pointer is over, runs
// press gestures until the release, delivers parameter changes to the controls, and draws
// the 2D overlay (hover light, banner line, floating tooltip).
//
// Threads:
// - User-interface thread (the host's, which also pumps the window): construction and
//   destruction, registration, setWakeHook, pictureLost, pointerMoved, pointerPressed,
//   character, keyboardFocusLost, deliverPendingChanges, refreshControls, buttonIdForText,
//   setButtonText.
// - Render thread: overlayPass, prepareOverlay, drawOverlay, drawBackground, the GL hooks,
//   takePictureLost, and the render-side fields below. It reads hoveredIndex, draggedIndex,
//   hoveredElement, tooltipElement and focusedField, which are atomics, without a lock.
// - Any thread: listeners().parameterChanged (through the effect's setters), changeCount,
//   noteChange.
// Destroying the manager requires the render thread to have stopped.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/ParameterListenerTable.h"
#include "gui/elements/BoundingBox.h"
#include "gui/elements/ControlParameter.h"

class HvcAuBase;

namespace HC {

class Editor;
class Effect;
class Font;
class GestureSource;
class Group;
class StaticText;
class TextField;
class Texture;
class UIElement;

class Manager {
 public:
  // The banner line of the frame: what it shows for the parameter or button in focus.
  struct Banner {
    bool shown = false;                // false without a main font
    float x = 0.0f;                    // the column the texts are placed from
    int32_t index = -1;                // dragged parameter, else hovered parameter or button id
    std::string name, display, label;  // for a parameter
    std::string buttonText;            // for a button id
    std::string tooltipText;           // empty: nothing for the tooltip
  };

  // Reads the editor preferences, builds the parameter records, the root group and the
  // static text, and attaches itself to the effect's parameter listener table (detached
  // again at destruction).
  Manager(Editor* editor, HvcAuBase* effect);
  virtual ~Manager();
  Manager(const Manager&) = delete;
  Manager& operator=(const Manager&) = delete;

  // Hooks of the frame (render thread). drawBackground shows the labels layer over the
  // whole window; the others are empty here.
  virtual void initGL() {}
  virtual void teardownGL() {}
  virtual void drawBackground();
  virtual void drawLabelsBackground() {}

  // --- Ownership and registration --------------------------------------------------------
  void registerElement(UIElement* element);
  void registerTexture(Texture* texture);
  void addEffect(Effect* effect);
  // Fonts are owned from here on; a previous font of the role is freed.
  void setMainFont(Font* font);
  void setLabelFont(Font* font);
  void setTextFieldFont(Font* font);

  Editor* getEditor() const { return editor; }
  HvcAuBase* getEffect() const { return effect; }
  Group* getRoot() const { return root; }
  StaticText* getStaticText() const { return staticText; }
  Font* getMainFont() const { return mainFont.get(); }
  Font* getLabelFont() const { return labelFont.get(); }
  Font* getTextFieldFont() const { return textFieldFont.get(); }
  const std::vector<UIElement*>& getElements() const { return elements; }
  const std::vector<Texture*>& getTextures() const { return textures; }
  const std::vector<Effect*>& getEffects() const { return effects; }
  // The record of a parameter; unbound for an index the effect does not have.
  const ControlParameter& parameter(int32_t index) const;
  ParameterListenerTable& listeners() { return *listenerTable; }

  // --- Window size (set before the window is made) ----------------------------------------
  // Stores width and height and derives packedSize, the aspect, pixel scales, camera and
  // light target.
  void setWindowSize(int32_t width, int32_t height);
  int32_t getWidth() const { return width; }
  int32_t getHeight() const { return height; }

  // --- Input (user-interface thread) -----------------------------------------------------
  void setGestureSource(GestureSource* source) { gestures = source; }
  // Pointer positions in window pixels, origin bottom left (the caller flips y).
  void pointerMoved(int x, int y);
  // Runs the whole press gesture: reads the window's pointer events until the release.
  void pointerPressed(int x, int y, int modifiers);
  // A typed character for the text field that has the keyboard.
  void character(uint32_t code);
  // The window lost the keyboard: the focused field drops what was typed.
  void keyboardFocusLost();
  // Asks the window for the keyboard (text fields, on press).
  void takeKeyboardFocus();
  // Hands queued parameter changes to the controls (the editor's idle, and gesture steps).
  void deliverPendingChanges() { listenerTable->deliver(); }
  // Every control learns its parameter's current value.
  void refreshControls() { listenerTable->refreshAll(); }
  // Whether a group may be the answer of a hit test (only during hover tracking).
  bool groupsHittable() const { return groupsHit; }

  // Shared input state, read by the render thread.
  int32_t hoveredIndex() const { return hovered_.load(std::memory_order_relaxed); }
  void setHoveredIndex(int32_t index) { hovered_.store(index, std::memory_order_relaxed); }
  int32_t draggedIndex() const { return dragged_.load(std::memory_order_relaxed); }
  void setDraggedIndex(int32_t index) { dragged_.store(index, std::memory_order_relaxed); }
  UIElement* hoveredElement() const { return hoveredElem.load(std::memory_order_acquire); }
  UIElement* tooltipElement() const { return tooltipElem.load(std::memory_order_acquire); }
  void setTooltipElement(UIElement* e) { tooltipElem.store(e, std::memory_order_release); }
  TextField* focusedField() const { return focused.load(std::memory_order_acquire); }
  void setFocusedField(TextField* field) { focused.store(field, std::memory_order_release); }
  bool isHovered(UIElement* element) const { return hoveredBoxes.count(element) != 0; }

  // --- Buttons ---------------------------------------------------------------------------
  // The id of a script button's text: the existing one, or one below the smallest id so far
  // (-2 for the first).
  int32_t buttonIdForText(const std::string& text);
  // The text the banner shows for a button id (the product's own buttons).
  void setButtonText(int32_t id, const std::string& text);

  // --- Changes of the picture -----------------------------------------------------------
  // Counts the changes of element state made on the user-interface thread (pointer, keys,
  // focus, parameter deliveries, button texts). Bumped after the change, so a render thread
  // that reads the new count also sees what changed.
  uint32_t changeCount() const { return changes.load(std::memory_order_acquire); }
  void noteChange() { changes.fetch_add(1, std::memory_order_release); }
  // The window system lost the window's picture (shown again, uncovered): the next frame
  // draws in full, and the render thread is woken to do it now.
  void pictureLost();
  // What pictureLost calls to wake the render thread (the editor sets it while it runs one).
  void setWakeHook(void (*hook)(void*), void* user) {
    wakeHook = hook;
    wakeUser = user;
  }
  // Render thread: whether the picture was lost since the last call.
  bool takePictureLost() { return lost.exchange(false, std::memory_order_acq_rel); }

  // --- Drawing (render thread) -----------------------------------------------------------
  // Moves the hover light, works out the banner and fades the tooltip; no GL. Once a frame.
  void prepareOverlay();
  // The 2D pass after the background: prepareOverlay, then drawOverlay.
  void overlayPass();
  // The 2D pass with the overlay as last prepared: lights, elements, effects, banner and
  // tooltip.
  void drawOverlay();
  const Banner& banner() const { return bannerLine; }

  // Render-side state, used by the editor's window, GL set-up and frame.
  int32_t packedSize = 0;  // width << 16 | height
  uintptr_t window = 0;
  unsigned labelsTexture = 0;
  unsigned framebuffer = 0;
  float aspect = 1.0f;
  float pixelScaleX = 2.0f, pixelScaleY = 2.0f;
  float fieldOfView = 65.0f;
  float cameraDistance = 0.0f;
  float cameraX = 0.0f, cameraY = 0.0f;
  float lightTargetX = 0.0f, lightTargetY = 0.0f;
  float framesPerSecond = 0.0f;
  float frameSeconds = 0.000001f;
  double elapsedSeconds = 0.0;
  // The effect's meter block, copied every frame. Whatever draws from it reports the area
  // it draws into with meterArea (UIElement, Effect).
  uint32_t meterValues[10] = {};
  bool renderTaskStarted = false;
  std::vector<std::pair<unsigned, int>> displayLists;  // (first name, count)

  // Layout state that scripts set before the render thread starts.
  float backgroundColour[3] = {0.0f, 0.0f, 0.0f};
  float bannerY = 0.0f;
  bool bannerFlag = true;

  // Hover light and tooltip, advanced by prepareOverlay.
  float lightX = 0.0f, lightY = 0.0f, lightZ = 50.0f, lightW = 1.0f;
  float tooltipAlpha = 0.0f, tooltipX = 0.0f, tooltipY = 0.0f, tooltipWidth = 0.0f,
        tooltipHeight = 0.0f;
  char tooltipText[256] = {};

 private:
  static void deliverToControl(void* manager, void* control, int32_t index, float value);
  void dropKeyboardFocus();
  void computeBanner();
  void fadeTooltip();
  void drawBanner();
  void drawTooltip();
  const std::string* buttonText(int32_t id);

  Editor* editor;
  HvcAuBase* effect;
  GestureSource* gestures = nullptr;
  int32_t width = 1, height = 1;

  std::vector<UIElement*> elements;
  std::vector<Texture*> textures;
  std::vector<Effect*> effects;
  Group* root = nullptr;
  StaticText* staticText = nullptr;
  std::unique_ptr<Font> mainFont, labelFont, textFieldFont;
  std::vector<ControlParameter> parameters;
  ParameterListenerTable* listenerTable;  // the effect's, attached for this opening

  std::map<UIElement*, BoundingBox> hoveredBoxes;
  bool groupsHit = false;
  std::atomic<int32_t> hovered_{-1};
  std::atomic<int32_t> dragged_{-1};
  std::atomic<UIElement*> hoveredElem{nullptr};
  std::atomic<UIElement*> tooltipElem{nullptr};
  std::atomic<TextField*> focused{nullptr};
  std::atomic<uint32_t> changes{0};
  std::atomic<bool> lost{false};
  void (*wakeHook)(void*) = nullptr;
  void* wakeUser = nullptr;

  std::map<int32_t, std::string> buttonTexts;
  int32_t cachedTextId = 0;
  const std::string* cachedText = nullptr;
  Banner bannerLine;
};

}  // namespace HC
