#pragma once
// Single-key bindings of 74 actions, their file key.dat, and the order in
// which a key press is dispatched.
//
// Each entry is 16 bits: the high byte names the action (group × 32 + item),
// the low byte is the bound key as a virtual-key code (0 when unbound).
// Keys are kept as virtual-key codes so key.dat stays as it always was;
// platform/key_codes.h maps them to and from Qt's keys.
//
// key.dat, little-endian: a 16-bit entry count n, then n entries.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qm {

inline constexpr int kKeyBindingCount = 74;

enum class KeyGroup : uint8_t {
  kTool = 0,      // make tool `item` current
  kDrawType = 1,  // set the current tool's draw type to `item`
  kCommand = 2,   // undo, redo, zoom, layer commands ...
  kKeyClick = 3,  // held while clicking: the canvas reads these, a press alone does nothing
  kOther = 4,     // eraser toggle, colour swap, brush size, texture, water amount
  kWindow = 5,    // show or hide a floating window
};
inline constexpr int kKeyGroupCount = 6;
// Items per group, in group order.
inline constexpr int kKeyGroupSizes[kKeyGroupCount] = {19, 10, 14, 12, 10, 9};

// Items of the key-and-click group, in the order the canvas tries them.
enum KeyClickItem : int {
  kKeyClickLine = 0,
  kKeyClickRectangle,
  kKeyClickFilledRectangle,
  kKeyClickEllipse,
  kKeyClickFilledEllipse,
  kKeyClickPolyline,
  kKeyClickConcentrated,
  kKeyClickBezier,
  kKeyClickSpline,
  kKeyClickPickColour,
  kKeyClickFill,
  kKeyClickEraseFill,
};

// Virtual-key codes the dispatch knows by name.
namespace vk {
inline constexpr uint8_t kBack = 0x08;
inline constexpr uint8_t kReturn = 0x0D;
inline constexpr uint8_t kEscape = 0x1B;
inline constexpr uint8_t kLeft = 0x25;
inline constexpr uint8_t kUp = 0x26;
inline constexpr uint8_t kRight = 0x27;
inline constexpr uint8_t kDown = 0x28;
inline constexpr uint8_t kInsert = 0x2D;
inline constexpr uint8_t kDelete = 0x2E;
}  // namespace vk

struct KeyBindings {
  std::array<uint16_t, kKeyBindingCount> entries{};
  friend bool operator==(const KeyBindings&, const KeyBindings&) = default;
};

// Every action in table order, none bound.
KeyBindings default_key_bindings();

// The table index of (group, item); -1 when there is no such action.
int key_binding_index(KeyGroup group, int item);
// The action of a high byte; -1 when it names none.
int key_binding_index_of_action(uint8_t action);

uint8_t bound_key(const KeyBindings& keys, KeyGroup group, int item);
// Binds `key` (0 unbinds); ignored for an unknown action.
void bind_key(KeyBindings& keys, KeyGroup group, int item, uint8_t key);
void unbind_all_keys(KeyBindings& keys);

// Keys the key settings dialog accepts: 33-44, 47-121, 123-143, 146-225.
// Space, Backspace, Tab, Enter, Escape, the modifiers, Insert, Delete, F11,
// Num Lock and Scroll Lock are left out.
bool is_bindable_key(int key);

// key.dat contents. Starts from the defaults; each stored entry sets the
// action with its high byte (later entries win), unknown actions are skipped,
// a key that could not have been bound is read as unbound. A file shorter
// than its count says leaves the defaults; bytes past the entries are ignored.
KeyBindings key_bindings_from_bytes(std::span<const uint8_t> bytes);
// Count 74 and all entries: 150 bytes.
std::vector<uint8_t> key_bindings_to_bytes(const KeyBindings& keys);

// Defaults when the file is missing or unreadable.
KeyBindings load_key_bindings(const std::string& path);
// Replaces the file (temporary file, then rename); false on failure.
bool save_key_bindings(const std::string& path, const KeyBindings& keys);

// --- dispatch ---------------------------------------------------------------

// What the canvas is doing when the key arrives.
enum class CanvasKeyState : uint8_t {
  kIdle,      // no drag or figure in progress
  kBusy,      // some other drag state
  kPolyline,  // multi-click figures that keys can finish
  kBezier,
  kSpline,
};

struct KeyPress {
  uint8_t key = 0;  // virtual-key code
  bool ctrl = false;
};

enum class KeyActionKind : uint8_t {
  kNone,
  kMoveLayer,          // dx, dy: move the current layer's pixels, one undo step
  kCommand,            // value: a command id of the main window's dispatch
  kSelectTool,         // value: tool
  kSetDrawType,        // value: draw type of the current tool
  kEraserToggle,
  kSwapColours,
  kBrushSizeUp,
  kBrushSizeDown,
  kBrushSizeOne,
  kTextureToggle,
  kWaterAmount,        // value: 0..3 (A..D)
  kFinishFigure,       // end the polyline, Bézier or spline in progress
  kRemoveSplinePoint,  // drop the spline's last point
};

struct KeyAction {
  KeyActionKind kind = KeyActionKind::kNone;
  int value = 0;
  int dx = 0, dy = 0;
  friend bool operator==(const KeyAction&, const KeyAction&) = default;
};

// The actions of one key press, performed in this order by the main window:
// first the fixed key's (Ctrl+arrow, Insert, Delete, or a multi-click key),
// then the bound one.
struct KeyDispatch {
  KeyAction fixed;
  KeyAction bound;
  bool handled() const {
    return fixed.kind != KeyActionKind::kNone || bound.kind != KeyActionKind::kNone;
  }
};

// Command ids the bindings send.
inline constexpr int kCommandFillSelection = 40106;
inline constexpr int kCommandEraseSelection = 40107;

// Dispatch order. While idle: Ctrl + an arrow moves the layer and nothing
// else happens; Insert and Delete fill or erase the selection and the table
// is still searched; then the first entry bound to the key decides (a
// key-and-click entry decides "nothing"). While a polyline, Bézier or spline
// is in progress, Escape and Enter finish it and Backspace drops a spline's
// last point; other keys do nothing then.
KeyDispatch dispatch_key(const KeyBindings& keys, const KeyPress& press, CanvasKeyState state);

// The action of a bound (group, item); kNone for the key-and-click group.
KeyAction key_binding_action(KeyGroup group, int item);

}  // namespace qm
