#include "canvas/stroke_composite.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "document/compositing.h"

namespace qm {

namespace {

void fill_background(LayerImage& img, Rect r, const DisplayBackground& bg) {
  if (bg.checker)
    img.fill_checker(r.x, r.y, r.w, r.h, bg.checker0 | 0xFF000000, bg.checker1 | 0xFF000000);
  else
    img.fill_rect(r.x, r.y, r.w, r.h, kOpaqueWhite);
}

}  // namespace

void StrokeComposite::begin(const Document& doc) {
  end();
  if (!doc.current() || doc.width() <= 0 || doc.height() <= 0) return;
  // Nothing lies below the bottom layer: only the background would be cached.
  if (!below_.create(doc.width(), doc.height())) return;
  width_ = doc.width();
  height_ = doc.height();
  layer_index_ = doc.current_index();
  background_ = doc.display_background();
  tiles_x_ = (width_ + kTile - 1) / kTile;
  tiles_y_ = (height_ + kTile - 1) / kTile;
  const size_t tiles = size_t(tiles_x_) * size_t(tiles_y_);
  ready_.assign(tiles, 0);
  peak_alpha_.assign(tiles * size_t(layer_index_), 0);
  active_ = true;
}

void StrokeComposite::end() {
  active_ = false;
  ready_.clear();
  peak_alpha_.clear();
}

void StrokeComposite::prepare_tile(const Document& doc, int tx, int ty) {
  const Rect t = intersect({tx * kTile, ty * kTile, kTile, kTile}, doc.bounds());
  // With nothing below the current layer the cache would hold only the
  // background: filling it is cheaper than copying it.
  if (layer_index_ != doc.layer_count() - 1) build_tile(doc, t);
  const size_t tile = size_t(ty) * size_t(tiles_x_) + size_t(tx);
  for (int i = 0; i < layer_index_; ++i) {
    const LayerImage& img = doc.layer_at(i)->image;
    uint32_t peak = 0;
    for (int y = t.y; y < t.bottom() && peak < 255; ++y) {
      const Pixel* row = img.row(y) + t.x;
      for (int x = 0; x < t.w; ++x) peak = std::max(peak, row[x] >> 24);
    }
    peak_alpha_[size_t(i) * ready_.size() + tile] = uint8_t(peak);
  }
}

void StrokeComposite::build_tile(const Document& doc, Rect t) {
  fill_background(below_, t, background_);
  for (int i = doc.layer_count() - 1; i > layer_index_; --i) {
    const Layer& layer = *doc.layer_at(i);
    if (layer.visible()) composite_display(below_, layer.image, layer.opacity, layer.blend_mode, t);
  }
}

void StrokeComposite::composite(Document& doc, Rect r, int threads) {
  r = intersect(r, doc.bounds());
  if (r.empty() || doc.composite().empty()) return;
  const DisplayBackground& bg = doc.display_background();
  if (!active_ || doc.width() != width_ || doc.height() != height_ ||
      doc.current_index() != layer_index_ || bg.checker != background_.checker ||
      bg.checker0 != background_.checker0 || bg.checker1 != background_.checker1) {
    doc.composite_rect(r);
    return;
  }
  const int first_tile_row = r.y / kTile, last_tile_row = (r.bottom() - 1) / kTile;
  const int tile_rows = last_tile_row - first_tile_row + 1;
  const int bands = std::clamp(threads, 1, tile_rows);
  // A band whose thread cannot be had is done here; a band that fails on its
  // thread is raised here once every thread has been joined. Everything is
  // allocated before the first thread starts.
  std::vector<std::thread> workers;
  std::vector<Rect> here;
  std::vector<std::exception_ptr> failures(static_cast<size_t>(bands));
  workers.reserve(size_t(bands));
  here.reserve(size_t(bands));
  int y0 = r.y;
  for (int b = 0; b < bands; ++b) {
    const int y1 = b == bands - 1 ? r.bottom() : (first_tile_row + tile_rows * (b + 1) / bands) * kTile;
    const Rect band{r.x, y0, r.w, y1 - y0};
    y0 = y1;
    if (b == bands - 1) {
      here.push_back(band);
      continue;
    }
    try {
      workers.emplace_back([this, &doc, band, &failure = failures[size_t(b)]] {
        try {
          composite_band(doc, band);
        } catch (...) {
          failure = std::current_exception();
        }
      });
    } catch (...) {
      here.push_back(band);
    }
  }
  try {
    for (const Rect& band : here) composite_band(doc, band);
  } catch (...) {
    failures.back() = std::current_exception();
  }
  for (std::thread& t : workers) t.join();
  for (const std::exception_ptr& f : failures)
    if (f) std::rethrow_exception(f);
  doc.note_composited(r);
}

void StrokeComposite::composite_band(Document& doc, Rect r) {
  for (int ty = r.y / kTile; ty <= (r.bottom() - 1) / kTile; ++ty)
    for (int tx = r.x / kTile; tx <= (r.right() - 1) / kTile; ++tx) {
      uint8_t& ready = ready_[size_t(ty) * size_t(tiles_x_) + size_t(tx)];
      if (!ready) prepare_tile(doc, tx, ty);
      ready = 1;
    }
  // Strips of a few rows inside one tile row: every layer is blended while
  // the strip is still in the cache.
  constexpr int kStrip = 16;
  const bool only_background = layer_index_ == doc.layer_count() - 1;
  LayerImage& out = doc.composite();
  for (int y = r.y; y < r.bottom();) {
    const int end = std::min({y + kStrip, r.bottom(), (y / kTile + 1) * kTile});
    const Rect s{r.x, y, r.w, end - y};
    y = end;
    if (only_background) fill_background(out, s, background_);
    else out.blit_from(s.x, s.y, s.w, s.h, below_, s.x, s.y);
    const Layer& current = *doc.layer_at(layer_index_);
    if (current.visible()) composite_display(out, current.image, current.opacity, current.blend_mode, s);
    composite_above(doc, out, s);
  }
}

void StrokeComposite::composite_above(const Document& doc, LayerImage& out, Rect s) const {
  const int first = s.x / kTile, last = (s.right() - 1) / kTile;
  const size_t row = size_t(s.y / kTile) * size_t(tiles_x_);
  for (int i = layer_index_ - 1; i >= 0; --i) {
    const Layer& layer = *doc.layer_at(i);
    if (!layer.visible()) continue;
    const uint8_t* peak = peak_alpha_.data() + size_t(i) * ready_.size() + row;
    auto skipped = [&](int tx) { return display_leaves_unchanged(layer.opacity, peak[tx]); };
    // Runs of tiles where the layer shows, one call each.
    for (int tx = first; tx <= last;) {
      if (skipped(tx)) {
        ++tx;
        continue;
      }
      int end = tx + 1;
      while (end <= last && !skipped(end)) ++end;
      const Rect run = intersect(s, {tx * kTile, s.y, (end - tx) * kTile, s.h});
      composite_display(out, layer.image, layer.opacity, layer.blend_mode, run);
      tx = end;
    }
  }
}

}  // namespace qm
