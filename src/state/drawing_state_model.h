#pragma once
// The one observable drawing state. Panels, the canvas input layer and the
// key bindings all read it and change it through here, and are told of every
// change, so none of them calls another. Plain C++ (no Qt): the program wraps
// it in a Qt signal adapter.
//
// It works on the Settings that config.ini persists (the drawing state plus
// the environment words it depends on: gradient-map colours, eraser choices),
// so nothing is copied and the settings written at exit are always current.
#include <cstdint>
#include <functional>
#include <vector>

#include "state/drawing_state.h"

namespace qm {

// What a change touched; listeners get the union of the bits.
enum DrawingChange : uint32_t {
  kChangedTool = 1u << 0,         // current tool
  kChangedBrush = 1u << 1,        // size or density of a tool
  kChangedDrawType = 1u << 2,     // a tool's draw type
  kChangedOptions = 1u << 3,      // an option word
  kChangedColours = 1u << 4,      // the colour pair or which one is current
  kChangedMask = 1u << 5,         // colour mask type, count or colours
  kChangedTexture = 1u << 6,      // texture on/off or selection
  kChangedRuler = 1u << 7,        // ruler kind or geometry
  kChangedGradientMap = 1u << 8,  // the gradient-map colours
  kChangedBrushSlots = 1u << 9,   // saved brush slots
  kChangedEverything = 0xFFFFFFFFu,
};

// The option word a tool's sub-panel edits; nullptr for tools without one
// (thin line, dot eraser, blur, finger, text, layer move, selection).
int* tool_option_word(ToolOptions& options, int tool);
inline const int* tool_option_word(const ToolOptions& options, int tool) {
  return tool_option_word(const_cast<ToolOptions&>(options), tool);
}

class DrawingStateModel {
 public:
  using Listener = std::function<void(uint32_t changed)>;

  explicit DrawingStateModel(Settings& settings) : settings_(&settings) {}
  DrawingStateModel(const DrawingStateModel&) = delete;
  DrawingStateModel& operator=(const DrawingStateModel&) = delete;

  const DrawingState& state() const { return settings_->draw; }
  const Environment& env() const { return settings_->env; }
  int tool() const { return settings_->draw.tool; }

  // Returns an id for unsubscribe(). Listeners run in subscription order.
  int subscribe(Listener listener);
  void unsubscribe(int id);

  // Setters clamp to the ranges the panels offer and notify only when a value
  // actually changed.
  void set_tool(int tool);                          // 0 … 18
  // Refused (false, nothing changed) when the tool does not accept the type.
  bool set_draw_type(int tool, int draw_type);
  void set_brush_size(int tool, int size);          // 1 … 100
  void set_brush_alpha(int tool, int alpha);        // 0 … 255
  void set_colour(int which, uint32_t rgb);         // which: 0 or 1; 0xRRGGBB
  void set_current_colour(int which);               // 0 or 1
  void set_current_colour_value(uint32_t rgb);      // the current one of the pair
  void swap_colours();
  void set_ruler(const Ruler& ruler);
  void set_ruler_kind(int kind);                    // 0 … 5, the rest kept

  // Size and density together, one notification.
  void set_brush(int tool, int size, int alpha);
  // Brush slots: size in the high byte, density in the low byte.
  void load_brush_slot(int tool, int slot);         // into the tool's size and density
  void store_brush_slot(int tool, int slot);        // from them
  // The tool's option word (see tool_option_word); ignored for tools without one.
  void set_tool_option(int tool, int word);

  void set_texture_on(bool on);
  void set_texture_sel(int index);                  // >= 0
  void set_gradient_map_colour(int end, uint32_t rgb);  // end 0 (left) or 1

  // Colour mask. The list holds 1 to 5 distinct colours and never becomes
  // empty; every colour that enters it is pushed to the recent colours.
  void set_mask_type(int type);                     // 0 … 2
  bool add_mask_colour(uint32_t rgb);               // refused when full or present
  bool remove_last_mask_colour();                   // refused for the last one
  void clear_mask_colours();                        // keeps the first colour only
  bool replace_mask_colour(int index, uint32_t rgb);  // refused when present elsewhere
  bool delete_mask_colour(int index);               // refused for the last one

  // Any other edit (option words, colour mask, texture, brush slots, gradient
  // map …): `edit` changes the settings, then listeners get `changed`.
  void edit(uint32_t changed, const std::function<void(Settings&)>& edit);
  // Tells listeners without changing anything (after settings were replaced).
  void notify(uint32_t changed);

 private:
  Settings* settings_;
  struct Entry {
    int id;
    Listener listener;
  };
  std::vector<Entry> listeners_;
  int next_id_ = 1;
};

}  // namespace qm
