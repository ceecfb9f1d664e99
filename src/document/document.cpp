#include "document/document.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "document/blend_modes.h"
#include "document/compositing.h"

namespace qm {
namespace {

// The default layer name, "ﾚｲﾔ" followed by the counter.
std::string default_layer_name(int number) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "ﾚｲﾔ%d", number);
  return buf;
}

}  // namespace

Document::Document() : recorder_(&null_undo_recorder()) {}

Document::Document(Document&& other) noexcept : recorder_(other.recorder_) {
  take_image(other);
  other.recorder_ = &null_undo_recorder();
}

Document& Document::operator=(Document&& other) noexcept {
  if (this != &other) {
    take_image(other);
    recorder_->reset(*this);
  }
  return *this;
}

void Document::take_image(Document& other) {
  width_ = std::exchange(other.width_, 0);
  height_ = std::exchange(other.height_, 0);
  layers_ = std::move(other.layers_);
  other.layers_.clear();
  current_index_ = std::exchange(other.current_index_, 0);
  name_counter_ = std::exchange(other.name_counter_, 0);
  composite_ = std::move(other.composite_);
  stroke_buffer_ = std::move(other.stroke_buffer_);
  backup_ = std::move(other.backup_);
  stroke_buffer_cleared_ = std::exchange(other.stroke_buffer_cleared_, true);
  backup_cleared_ = std::exchange(other.backup_cleared_, true);
  stroke_buffer_used_ = std::exchange(other.stroke_buffer_used_, Rect{});
  background_ = other.background_;
  dirty_ = std::exchange(other.dirty_, Rect{});
}

bool Document::new_canvas(int width, int height, bool with_layer) {
  WorkRasters work;
  if (!make_work_rasters(width, height, work)) return false;
  layers_.clear();
  std::vector<LayerImage> none;
  install_rasters(width, height, none, work);
  current_index_ = 0;
  name_counter_ = 0;
  dirty_ = {};
  // Steps recorded against the old canvas mean nothing now.
  recorder_->reset(*this);
  if (with_layer && !create_layer(true)) return false;
  return true;
}

bool Document::make_work_rasters(int width, int height, WorkRasters& out) {
  if (width < 1 || height < 1 || width > kMaxCanvasSide || height > kMaxCanvasSide) return false;
  if (!out.composite.create_canvas(width, height) || !out.stroke_buffer.create_canvas(width, height) ||
      !out.backup.create_canvas(width, height))
    return false;
  return true;
}

void Document::install_rasters(int width, int height, std::vector<LayerImage>& rasters,
                               WorkRasters& work) {
  for (size_t i = 0; i < rasters.size() && i < layers_.size(); ++i)
    layers_[i]->image = std::move(rasters[i]);
  composite_ = std::move(work.composite);
  stroke_buffer_ = std::move(work.stroke_buffer);
  backup_ = std::move(work.backup);
  stroke_buffer_cleared_ = backup_cleared_ = false;
  stroke_buffer_used_ = {};
  width_ = width;
  height_ = height;
}

LayerImage& Document::clear_stroke_buffer() {
  if (!stroke_buffer_cleared_) {
    stroke_buffer_.fill(kTransparent);
    stroke_buffer_cleared_ = true;
  } else {
    const Rect r = intersect(stroke_buffer_used_, stroke_buffer_.bounds());
    stroke_buffer_.fill_rect(r.x, r.y, r.w, r.h, kTransparent);
  }
  stroke_buffer_used_ = {};
  return stroke_buffer_;
}

void Document::note_stroke_buffer_use(Rect r) { stroke_buffer_used_ = unite(stroke_buffer_used_, r); }

bool Document::copy_to_backup(const LayerImage& image) {
  // The copy writes every pixel: no need to clear first.
  if (!backup_.copy_from(image)) return false;
  backup_cleared_ = true;
  return true;
}

bool Document::replace_all_rasters(int width, int height, std::vector<LayerImage> rasters) {
  if (rasters.size() != layers_.size()) return false;
  for (const LayerImage& r : rasters)
    if (r.width() != width || r.height() != height) return false;
  WorkRasters work;
  if (!make_work_rasters(width, height, work)) return false;
  install_rasters(width, height, rasters, work);
  dirty_ = {};
  return true;
}

Layer* Document::layer_at(int index) {
  return index >= 0 && index < layer_count() ? layers_[size_t(index)].get() : nullptr;
}

const Layer* Document::layer_at(int index) const {
  return index >= 0 && index < layer_count() ? layers_[size_t(index)].get() : nullptr;
}

int Document::index_of(const Layer* layer) const {
  for (int i = 0; i < layer_count(); ++i)
    if (layers_[size_t(i)].get() == layer) return i;
  return -1;
}

std::unique_ptr<Layer> Document::make_layer(bool with_name) {
  if (layer_count() >= kMaxLayers || width_ <= 0) return nullptr;
  auto layer = std::make_unique<Layer>();
  if (!layer->image.create_canvas(width_, height_)) return nullptr;
  layer->image.fill(kTransparent);
  // The counter moves on only once the layer is in the stack (the callers),
  // so a refusal on the way leaves it as it was.
  if (with_name) layer->name = default_layer_name(name_counter_);
  return layer;
}

Layer* Document::create_layer(bool with_name) {
  auto layer = make_layer(with_name);
  if (!layer) return nullptr;
  layers_.insert(layers_.begin(), std::move(layer));
  if (with_name) ++name_counter_;
  return layers_.front().get();
}

Layer* Document::adopt_layer(LayerImage image, bool with_name) {
  if (layer_count() >= kMaxLayers || image.width() != width_ || image.height() != height_)
    return nullptr;
  auto layer = std::make_unique<Layer>();
  layer->image = std::move(image);
  if (with_name) layer->name = default_layer_name(name_counter_++);
  layers_.insert(layers_.begin(), std::move(layer));
  return layers_.front().get();
}

EditResult Document::add_layer(bool copy, bool record) {
  EditResult result;
  const Layer* source = current();
  if (copy && !source) return result;
  if (layer_count() >= kMaxLayers) return result;
  std::string name = copy ? source->name : std::string();
  auto layer = make_layer(record);
  result.out_of_memory = !layer;
  if (!layer) return result;
  if (copy) {
    layer->image.copy_from(source->image);
    layer->name = std::move(name);
    layer->blend_mode = source->blend_mode;
    layer->opacity = source->opacity;
    layer->mask_mode = source->mask_mode;
    layer->flags = source->flags;
  }
  // Inserting at the current index puts it directly above the current layer
  // and makes it current.
  current_index_ = std::clamp(current_index_, 0, layer_count());
  const int previous = current_index_;
  layers_.insert(layers_.begin() + current_index_, std::move(layer));
  if (record) ++name_counter_;
  result.done = true;
  if (record) result.undo_lost = !recorder_->record_layer_added(*this, previous);
  if (copy) composite_all();
  return result;
}

EditResult Document::delete_current(bool record) {
  EditResult result;
  if (layer_count() <= 1 || !current()) return result;
  if (record) result.undo_lost = !recorder_->record_layer_deleted(*this);
  layers_.erase(layers_.begin() + current_index_);
  clamp_current();
  composite_all();
  result.done = true;
  return result;
}

EditResult Document::merge_down() {
  EditResult result;
  if (current_index_ < 0 || current_index_ + 1 >= layer_count()) return result;
  result.undo_lost = !recorder_->record_merge(*this, {current_index_, current_index_ + 1});
  Layer& upper = *layers_[size_t(current_index_)];
  Layer& lower = *layers_[size_t(current_index_) + 1];
  merge_alpha_aware(lower.image, lower.opacity, lower.blend_mode, upper.image, upper.opacity,
                    upper.blend_mode);
  // The stored pixels now carry both layers' opacity.
  lower.opacity = kFullOpacity;
  layers_.erase(layers_.begin() + current_index_);
  composite_all();
  result.done = true;
  return result;
}

std::vector<int> Document::visible_indices() const {
  std::vector<int> out;
  for (int i = 0; i < layer_count(); ++i)
    if (layers_[size_t(i)]->visible()) out.push_back(i);
  return out;
}

EditResult Document::merge_visible(bool keep_alpha) {
  EditResult result;
  const std::vector<int> visible = visible_indices();
  if (visible.size() < 2) return result;
  LayerImage merged;
  result.out_of_memory = !merged.create_canvas(width_, height_);
  if (result.out_of_memory) return result;
  result.undo_lost = !recorder_->record_merge(*this, visible);
  merged.fill(keep_alpha ? kTransparent : kOpaqueWhite);
  for (auto it = visible.rbegin(); it != visible.rend(); ++it) {
    const Layer& layer = *layers_[size_t(*it)];
    if (keep_alpha)
      merge_normal_alpha(merged, layer.image, layer.opacity);
    else
      composite_display(merged, layer.image, layer.opacity, layer.blend_mode, bounds());
  }
  // The display rules also blend the fourth byte; a merge onto white must give
  // an opaque layer all the same.
  if (!keep_alpha) merged.set_alpha_rect(0, 0, width_, height_, 255);

  Layer& result_layer = *layers_[size_t(visible.back())];
  result_layer.image = std::move(merged);
  result_layer.blend_mode = 0;
  result_layer.opacity = kFullOpacity;
  // Remove the other visible layers from the bottom up so indices stay valid.
  for (size_t i = visible.size() - 1; i-- > 0;) layers_.erase(layers_.begin() + visible[i]);
  current_index_ = index_of(&result_layer);
  composite_all();
  result.done = true;
  return result;
}

EditResult Document::merge_visible_to_new() {
  EditResult result;
  const std::vector<int> visible = visible_indices();
  if (visible.size() < 2 || layer_count() >= kMaxLayers) return result;
  auto layer = make_layer(true);
  result.out_of_memory = !layer;
  if (!layer) return result;
  for (auto it = visible.rbegin(); it != visible.rend(); ++it) {
    const Layer& source = *layers_[size_t(*it)];
    merge_normal_alpha(layer->image, source.image, source.opacity);
  }
  const int previous = current_index_;
  layers_.insert(layers_.begin() + visible.front(), std::move(layer));
  current_index_ = visible.front();
  ++name_counter_;
  result.undo_lost = !recorder_->record_layer_added(*this, previous);
  composite_all();
  result.done = true;
  return result;
}

EditResult Document::move_up(bool record) {
  EditResult result;
  if (current_index_ <= 0 || current_index_ >= layer_count()) return result;
  move_layer(current_index_, current_index_ - 1);
  if (record) result.undo_lost = !recorder_->record_layer_moved(*this, false);
  composite_all();
  result.done = true;
  return result;
}

EditResult Document::move_down(bool record) {
  EditResult result;
  if (current_index_ < 0 || current_index_ + 1 >= layer_count()) return result;
  move_layer(current_index_, current_index_ + 1);
  if (record) result.undo_lost = !recorder_->record_layer_moved(*this, true);
  composite_all();
  result.done = true;
  return result;
}

EditResult Document::move_to(int index, bool record) {
  EditResult result;
  const int count = layer_count();
  const int from = current_index_;
  if (from < 0 || from >= count) return result;
  int to;
  if (index <= 0)
    to = 0;
  else if (index >= count)
    to = count - 1;
  else
    // Above the layer now at `index`, which moves up one when we leave from above it.
    to = from < index ? index - 1 : index;
  if (to == from) return result;
  move_layer(from, to);
  if (record) result.undo_lost = !recorder_->record_layer_moved_to(*this, from, to);
  composite_all();
  result.done = true;
  return result;
}

bool Document::move_layer(int from, int to) {
  const int count = layer_count();
  if (from < 0 || from >= count || to < 0 || to >= count) return false;
  auto layer = std::move(layers_[size_t(from)]);
  layers_.erase(layers_.begin() + from);
  layers_.insert(layers_.begin() + to, std::move(layer));
  current_index_ = to;
  return true;
}

void Document::select(int index) {
  if (index >= 0 && index < layer_count()) current_index_ = index;
}

bool Document::insert_layer(int index, std::unique_ptr<Layer> layer) {
  if (!layer || layer_count() >= kMaxLayers || layer->image.width() != width_ ||
      layer->image.height() != height_)
    return false;
  index = std::clamp(index, 0, layer_count());
  layers_.insert(layers_.begin() + index, std::move(layer));
  return true;
}

std::unique_ptr<Layer> Document::remove_layer(int index) {
  if (index < 0 || index >= layer_count()) return nullptr;
  auto layer = std::move(layers_[size_t(index)]);
  layers_.erase(layers_.begin() + index);
  clamp_current();
  return layer;
}

void Document::clamp_current() {
  current_index_ = std::clamp(current_index_, 0, std::max(0, layer_count() - 1));
}

void Document::toggle_visible(int index) {
  if (Layer* layer = layer_at(index)) {
    layer->flags ^= kLayerVisible;
    composite_all();
  }
}

void Document::toggle_fill_reference(int index) {
  if (Layer* layer = layer_at(index)) layer->flags ^= kLayerFillReference;
}

void Document::set_mask_mode(int value) {
  if (Layer* layer = current(); layer && value >= 0 && value <= 3) layer->mask_mode = uint8_t(value);
}

void Document::set_blend_mode(int value) {
  if (Layer* layer = current(); layer && value >= 0 && value < kBlendModeCount) {
    layer->blend_mode = uint8_t(value);
    composite_all();
  }
}

void Document::set_opacity_percent(int percent, bool refresh) {
  set_opacity_percent_at(current_index_, percent, refresh);
}

void Document::set_opacity_percent_at(int index, int percent, bool refresh) {
  if (Layer* layer = layer_at(index)) {
    layer->opacity = uint8_t(opacity_from_percent(std::clamp(percent, 0, 100)));
    if (refresh) composite_all();
  }
}

void Document::set_layer_name(int index, const std::string& name) {
  if (Layer* layer = layer_at(index)) layer->name = fit_layer_name(name);
}

EditResult Document::set_visibility_all(int mode, bool record) {
  auto shown = [&](int i) { return mode == 0 || (mode == 2 && i == current_index_); };
  bool changes = false;
  for (int i = 0; i < layer_count(); ++i) changes = changes || layers_[size_t(i)]->visible() != shown(i);
  EditResult result;
  if (!changes) return result;
  if (record) result.undo_lost = !recorder_->record_visibility(*this);
  for (int i = 0; i < layer_count(); ++i) {
    Layer& layer = *layers_[size_t(i)];
    layer.flags = shown(i) ? (layer.flags | kLayerVisible) : (layer.flags & ~kLayerVisible);
  }
  composite_all();
  result.done = true;
  return result;
}

void Document::composite_rect(Rect r) {
  r = intersect(r, bounds());
  if (r.empty() || composite_.empty()) return;
  composite_pixels(r);
  mark_dirty(r);
}

void Document::composite_pixels(Rect r) {
  r = intersect(r, bounds());
  if (r.empty() || composite_.empty()) return;
  // Strips of about 256 KB of composite: every layer is blended into a
  // strip while it is still in the cache, rather than the whole rectangle
  // going through memory once per layer.
  const int strip_rows = std::max(1, 65536 / r.w);
  for (int y = r.y; y < r.bottom(); y += strip_rows) {
    const Rect s{r.x, y, r.w, std::min(strip_rows, r.bottom() - y)};
    if (background_.checker)
      composite_.fill_checker(s.x, s.y, s.w, s.h, background_.checker0 | 0xFF000000,
                              background_.checker1 | 0xFF000000);
    else
      composite_.fill_rect(s.x, s.y, s.w, s.h, kOpaqueWhite);
    for (int i = layer_count() - 1; i >= 0; --i) {
      const Layer& layer = *layers_[size_t(i)];
      if (layer.visible()) composite_display(composite_, layer.image, layer.opacity, layer.blend_mode, s);
    }
  }
}

void Document::mark_dirty(Rect r) { dirty_ = unite(dirty_, r); }

Rect Document::take_dirty() {
  const Rect r = dirty_;
  dirty_ = {};
  return r;
}

bool Document::flatten(LayerImage& out, bool keep_alpha) const {
  if (!out.create_canvas(width_, height_)) return false;
  out.fill(keep_alpha ? kTransparent : kOpaqueWhite);
  for (int i = layer_count() - 1; i >= 0; --i) {
    const Layer& layer = *layers_[size_t(i)];
    if (!layer.visible()) continue;
    if (keep_alpha)
      merge_alpha_aware(out, kFullOpacity, 0, layer.image, layer.opacity, layer.blend_mode);
    else
      flatten_layer(out, layer.image, layer.opacity, layer.blend_mode);
  }
  return true;
}

}  // namespace qm
