#pragma once
// The on-canvas preview both colour dialogs share: the filter from the
// backup into the layer, or the backup back into the layer.
#include <functional>

#include "core/layer_image.h"
#include "filters/filter_algorithm.h"

namespace qm {

class CanvasPreview {
 public:
  CanvasPreview(LayerImage& layer, const LayerImage& backup, Rect target, std::function<void(Rect)> show)
      : layer_(layer), backup_(backup), target_(intersect(target, layer.bounds())), show_(std::move(show)) {}

  void run(filters::FilterCallback f, const filters::FilterValues& v, const filters::FilterEnvironment& env) {
    if (target_.empty()) return;
    f({v, env, layer_, backup_, target_, nullptr});
    shown_ = true;
    if (show_) show_(target_);
  }
  // Puts the layer back as it was; repaints only when a preview was shown.
  void restore() {
    if (!shown_) return;
    layer_.blit_from(target_.x, target_.y, target_.w, target_.h, backup_, target_.x, target_.y);
    shown_ = false;
    if (show_) show_(target_);
  }

 private:
  LayerImage& layer_;
  const LayerImage& backup_;
  Rect target_;
  std::function<void(Rect)> show_;
  bool shown_ = false;
};

}  // namespace qm
