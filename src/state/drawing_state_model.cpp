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

void DrawingStateModel::edit(uint32_t changed, const std::function<void(Settings&)>& edit) {
  edit(*settings_);
  notify(changed);
}

}  // namespace qm
