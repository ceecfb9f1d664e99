#include "state/drawing_state_model.h"

#include <algorithm>

namespace qm {

int DrawingStateModel::subscribe(Listener listener) {
  const int id = next_id_++;
  listeners_.push_back({id, std::move(listener)});
  return id;
}

void DrawingStateModel::unsubscribe(int id) {
  std::erase_if(listeners_, [id](const Entry& e) { return e.id == id; });
}

void DrawingStateModel::notify(uint32_t changed) {
  if (changed == 0) return;
  // A listener may subscribe or unsubscribe while being told: walk a copy.
  const std::vector<Entry> listeners = listeners_;
  for (const Entry& e : listeners) e.listener(changed);
}

void DrawingStateModel::set_tool(int tool) {
  tool = std::clamp(tool, 0, kToolCount - 1);
  if (settings_->draw.tool == tool) return;
  settings_->draw.tool = tool;
  notify(kChangedTool);
}

bool DrawingStateModel::set_draw_type(int tool, int draw_type) {
  if (tool < 0 || tool >= kToolCount || draw_type < 0 || draw_type >= kDrawTypeCount) return false;
  if (!(allowed_draw_types(tool) & (1u << draw_type))) return false;
  int& current = settings_->draw.draw_type[tool];
  if (current != draw_type) {
    current = draw_type;
    notify(kChangedDrawType);
  }
  return true;
}

void DrawingStateModel::set_brush_size(int tool, int size) {
  if (tool < 0 || tool >= kToolCount) return;
  size = std::clamp(size, 1, 100);
  int& current = settings_->draw.brush_size[tool];
  if (current == size) return;
  current = size;
  notify(kChangedBrush);
}

void DrawingStateModel::set_brush_alpha(int tool, int alpha) {
  if (tool < 0 || tool >= kToolCount) return;
  alpha = std::clamp(alpha, 0, 255);
  int& current = settings_->draw.brush_alpha[tool];
  if (current == alpha) return;
  current = alpha;
  notify(kChangedBrush);
}

void DrawingStateModel::set_colour(int which, uint32_t rgb) {
  uint32_t& current = settings_->draw.colours[which & 1];
  rgb &= 0xFFFFFF;
  if (current == rgb) return;
  current = rgb;
  notify(kChangedColours);
}

void DrawingStateModel::set_current_colour(int which) {
  which &= 1;
  if (settings_->draw.current_colour == which) return;
  settings_->draw.current_colour = which;
  notify(kChangedColours);
}

void DrawingStateModel::set_current_colour_value(uint32_t rgb) {
  set_colour(settings_->draw.current_colour, rgb);
}

void DrawingStateModel::swap_colours() {
  auto& c = settings_->draw.colours;
  if (c[0] == c[1]) return;
  std::swap(c[0], c[1]);
  notify(kChangedColours);
}

void DrawingStateModel::set_ruler(const Ruler& ruler) {
  if (settings_->draw.ruler == ruler) return;
  settings_->draw.ruler = ruler;
  notify(kChangedRuler);
}

void DrawingStateModel::set_ruler_kind(int kind) {
  Ruler ruler = settings_->draw.ruler;
  ruler.kind = std::clamp(kind, 0, 5);
  set_ruler(ruler);
}

void DrawingStateModel::set_brush(int tool, int size, int alpha) {
  if (tool < 0 || tool >= kToolCount) return;
  DrawingState& d = settings_->draw;
  size = std::clamp(size, 1, 100);
  alpha = std::clamp(alpha, 0, 255);
  if (d.brush_size[tool] == size && d.brush_alpha[tool] == alpha) return;
  d.brush_size[tool] = size;
  d.brush_alpha[tool] = alpha;
  notify(kChangedBrush);
}

void DrawingStateModel::load_brush_slot(int tool, int slot) {
  if (tool < 0 || tool >= kToolCount || slot < 0 || slot >= kBrushSlotCount) return;
  const int value = settings_->draw.brush_slots[tool][slot];
  set_brush(tool, (value >> 8) & 0xFF, value & 0xFF);
}

void DrawingStateModel::store_brush_slot(int tool, int slot) {
  if (tool < 0 || tool >= kToolCount || slot < 0 || slot >= kBrushSlotCount) return;
  DrawingState& d = settings_->draw;
  d.brush_slots[tool][slot] = (d.brush_size[tool] << 8) | d.brush_alpha[tool];
  notify(kChangedBrushSlots);
}

int* tool_option_word(ToolOptions& o, int tool) {
  switch (tool) {
    case kToolPencil: return &o.pencil;
    case kToolPen: return &o.pen;
    case kToolPen2: return &o.pen2;
    case kToolBrush: return &o.brush;
    case kToolWatercolour: return &o.water;
    case kToolSpray: return &o.splay;
    case kToolPenEraser: return &o.erase_pen;
    case kToolBrushEraser: return &o.erase_brush;
    case kToolDodge: return &o.dodge;
    case kToolBurn: return &o.burn;
    case kToolFill: return &o.paint;
    case kToolGradient: return &o.grad;
    default: return nullptr;
  }
}

void DrawingStateModel::set_tool_option(int tool, int word) {
  int* current = tool_option_word(settings_->draw.options, tool);
  if (!current || *current == word) return;
  *current = word;
  notify(kChangedOptions);
}

void DrawingStateModel::set_texture_on(bool on) {
  int& current = settings_->draw.texture_on;
  if ((current != 0) == on) return;
  current = on ? 1 : 0;
  notify(kChangedTexture);
}

void DrawingStateModel::set_texture_sel(int index) {
  index = std::max(index, 0);
  if (settings_->draw.texture_sel == index) return;
  settings_->draw.texture_sel = index;
  notify(kChangedTexture);
}

void DrawingStateModel::set_gradient_map_colour(int end, uint32_t rgb) {
  uint32_t& current = (end & 1) ? settings_->env.grad_map_col2 : settings_->env.grad_map_col1;
  rgb &= 0xFFFFFF;
  if (current == rgb) return;
  current = rgb;
  notify(kChangedGradientMap);
}

// --- colour mask -------------------------------------------------------------

namespace {

void push_recent_mask_colour(DrawingState& d, uint32_t rgb) {
  auto& recent = d.mask_colour_recent;
  auto found = std::find(recent.begin(), recent.end(), rgb);
  if (found == recent.end()) found = recent.end() - 1;
  std::move_backward(recent.begin(), found, found + 1);
  recent.front() = rgb;
}

bool mask_holds(const DrawingState& d, uint32_t rgb, int except = -1) {
  for (int i = 0; i < d.colour_mask_count; ++i)
    if (i != except && d.mask_colours[size_t(i)] == rgb) return true;
  return false;
}

// A loaded count outside 1 … 5 would index past the list.
int mask_count(const DrawingState& d) { return std::clamp(d.colour_mask_count, 1, kMaxMaskColours); }

}  // namespace

void DrawingStateModel::set_mask_type(int type) {
  type = std::clamp(type, 0, 2);
  if (settings_->draw.colour_mask_type == type) return;
  settings_->draw.colour_mask_type = type;
  notify(kChangedMask);
}

bool DrawingStateModel::add_mask_colour(uint32_t rgb) {
  DrawingState& d = settings_->draw;
  rgb &= 0xFFFFFF;
  d.colour_mask_count = mask_count(d);
  if (d.colour_mask_count >= kMaxMaskColours || mask_holds(d, rgb)) return false;
  d.mask_colours[size_t(d.colour_mask_count++)] = rgb;
  push_recent_mask_colour(d, rgb);
  notify(kChangedMask);
  return true;
}

bool DrawingStateModel::remove_last_mask_colour() {
  DrawingState& d = settings_->draw;
  d.colour_mask_count = mask_count(d);
  if (d.colour_mask_count <= 1) return false;
  --d.colour_mask_count;
  notify(kChangedMask);
  return true;
}

void DrawingStateModel::clear_mask_colours() {
  DrawingState& d = settings_->draw;
  if (d.colour_mask_count == 1) return;
  d.colour_mask_count = 1;
  notify(kChangedMask);
}

bool DrawingStateModel::replace_mask_colour(int index, uint32_t rgb) {
  DrawingState& d = settings_->draw;
  rgb &= 0xFFFFFF;
  d.colour_mask_count = mask_count(d);
  if (index < 0 || index >= d.colour_mask_count) return false;
  if (d.mask_colours[size_t(index)] == rgb) return true;
  if (mask_holds(d, rgb, index)) return false;
  d.mask_colours[size_t(index)] = rgb;
  push_recent_mask_colour(d, rgb);
  notify(kChangedMask);
  return true;
}

bool DrawingStateModel::delete_mask_colour(int index) {
  DrawingState& d = settings_->draw;
  d.colour_mask_count = mask_count(d);
  if (index < 0 || index >= d.colour_mask_count || d.colour_mask_count <= 1) return false;
  for (int i = index; i + 1 < d.colour_mask_count; ++i)
    d.mask_colours[size_t(i)] = d.mask_colours[size_t(i + 1)];
  --d.colour_mask_count;
  notify(kChangedMask);
  return true;
}

void DrawingStateModel::edit(uint32_t changed, const std::function<void(Settings&)>& edit) {
  edit(*settings_);
  notify(changed);
}

}  // namespace qm
