#include "app/parallel_composite.h"

#include <algorithm>
#include <thread>
#include <vector>

#include "document/compositing.h"
#include "document/document.h"

namespace qm {

namespace {

// Document::composite_rect without its dirty bookkeeping, which is the
// only state the bands would share.
void composite_band(Document& doc, Rect r) {
  LayerImage& composite = doc.composite();
  const DisplayBackground& bg = doc.display_background();
  if (bg.checker)
    composite.fill_checker(r.x, r.y, r.w, r.h, bg.checker0 | 0xFF000000, bg.checker1 | 0xFF000000);
  else
    composite.fill_rect(r.x, r.y, r.w, r.h, kOpaqueWhite);
  for (int i = doc.layer_count() - 1; i >= 0; --i) {
    const Layer& layer = *doc.layer_at(i);
    if (layer.visible()) composite_display(composite, layer.image, layer.opacity, layer.blend_mode, r);
  }
}

}  // namespace

void composite_all_parallel(Document& doc, int threads) {
  if (doc.composite().empty()) return;
  if (threads <= 0) threads = int(std::max(1u, std::thread::hardware_concurrency()));
  // Bands of at least 64 rows: below that the threads cost more than they save.
  const int h = doc.height();
  const int bands = std::clamp(std::min(threads, h / 64), 1, 64);
  auto band = [&](int b) {
    const int y0 = h * b / bands, y1 = h * (b + 1) / bands;
    return Rect{0, y0, doc.width(), y1 - y0};
  };
  std::vector<std::thread> workers;
  int inline_from = bands;
  for (int b = 1; b < bands; ++b) {
    try {
      workers.emplace_back(composite_band, std::ref(doc), band(b));
    } catch (...) {
      // No thread (or no memory for one) to be had: the rest is done here,
      // and the threads already running are still joined.
      inline_from = b;
      break;
    }
  }
  composite_band(doc, band(0));
  for (int b = inline_from; b < bands; ++b) composite_band(doc, band(b));
  for (std::thread& t : workers) t.join();
}

}  // namespace qm
