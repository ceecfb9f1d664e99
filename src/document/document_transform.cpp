// Whole-canvas flips and quarter turns of every layer.
#include <algorithm>

#include "document/document.h"

namespace qm {
namespace {

void flip_horizontal(LayerImage& image) {
  for (int y = 0; y < image.height(); ++y) std::reverse(image.row(y), image.row(y) + image.width());
}

void flip_vertical(LayerImage& image) {
  for (int top = 0, bottom = image.height() - 1; top < bottom; ++top, --bottom)
    std::swap_ranges(image.row(top), image.row(top) + image.width(), image.row(bottom));
}

// dst (height × width of src) receives src turned a quarter. Walks in square
// tiles so both rasters are read and written a cache line at a time.
void rotate_into(const LayerImage& src, LayerImage& dst, RotateDirection direction) {
  constexpr int kTile = 64;
  const int w = src.width(), h = src.height();
  const bool clockwise = direction == RotateDirection::Clockwise;
  for (int ty = 0; ty < h; ty += kTile) {
    const int y_end = std::min(h, ty + kTile);
    for (int tx = 0; tx < w; tx += kTile) {
      const int x_end = std::min(w, tx + kTile);
      for (int y = ty; y < y_end; ++y) {
        const Pixel* in = src.row(y);
        for (int x = tx; x < x_end; ++x) {
          // Clockwise: (x, y) goes to (h − 1 − y, x); the other way to (y, w − 1 − x).
          if (clockwise)
            dst.row(x)[h - 1 - y] = in[x];
          else
            dst.row(w - 1 - x)[y] = in[x];
        }
      }
    }
  }
}

}  // namespace

EditResult Document::flip_all(bool vertical, bool record) {
  EditResult result;
  if (width_ <= 0) return result;
  if (record) result.undo_lost = !recorder_->record_flip(*this, vertical);
  for (auto& layer : layers_) {
    if (vertical)
      flip_vertical(layer->image);
    else
      flip_horizontal(layer->image);
  }
  composite_all();
  result.done = true;
  return result;
}

EditResult Document::rotate_all(RotateDirection direction, bool record) {
  EditResult result;
  if (width_ <= 0) return result;
  // Everything that can fail comes before the step is recorded.
  std::vector<LayerImage> turned(layers_.size());
  result.out_of_memory = true;
  for (size_t i = 0; i < layers_.size(); ++i) {
    if (!turned[i].create_canvas(height_, width_)) return result;
    rotate_into(layers_[i]->image, turned[i], direction);
  }
  WorkRasters work;
  if (!make_work_rasters(height_, width_, work)) return result;
  result.out_of_memory = false;
  if (record) result.undo_lost = !recorder_->record_rotate(*this, direction);
  install_rasters(height_, width_, turned, work);
  dirty_ = {};
  composite_all();
  result.done = true;
  return result;
}

}  // namespace qm
