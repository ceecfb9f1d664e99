#pragma once
// Recompositing during a stroke without walking the whole layer stack for
// every pointer sample: the layers below the current one cannot change while
// it runs, so their composite (over the display background) is cached, tile
// by tile as the stroke reaches them. Each sample then blends only the
// current layer and those above it. The layers above do not change either,
// so where one of them is transparent in a whole tile it is not read at all
// (upper layers of a painting are mostly empty). The result is bit for bit
// what Document::composite_rect gives.
#include <cstdint>
#include <vector>

#include "core/layer_image.h"
#include "core/rect.h"
#include "document/document.h"

namespace qm {

class StrokeComposite {
 public:
  static constexpr int kTile = 128;

  // Caches for the current layer of `doc` from now on (nothing is built yet).
  void begin(const Document& doc);
  // Drops the cache (the stroke ended).
  void end();
  bool active() const { return active_; }
  // Rebuilds r of doc's composite and marks it for the view; without a
  // matching cache it is the plain Document::composite_rect. With threads
  // > 1 large rectangles are split into bands of whole tile rows, one per
  // thread (no tile is shared, so no pixel is).
  void composite(Document& doc, Rect r, int threads = 1);

 private:
  void prepare_tile(const Document& doc, int tx, int ty);
  void build_tile(const Document& doc, Rect t);
  void composite_band(Document& doc, Rect r);
  void composite_above(const Document& doc, LayerImage& out, Rect strip) const;

  bool active_ = false;
  int layer_index_ = 0, width_ = 0, height_ = 0, tiles_x_ = 0, tiles_y_ = 0;
  DisplayBackground background_;
  LayerImage below_;
  std::vector<uint8_t> ready_;
  // Per layer above the current one, per tile: its largest alpha there.
  std::vector<uint8_t> peak_alpha_;
};

}  // namespace qm
