#include "app/parallel_composite.h"

#include <algorithm>
#include <thread>
#include <vector>

#include "document/document.h"

namespace qm {

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
      workers.emplace_back([&doc, r = band(b)] { doc.composite_pixels(r); });
    } catch (...) {
      // No thread (or no memory for one) to be had: the rest is done here,
      // and the threads already running are still joined.
      inline_from = b;
      break;
    }
  }
  doc.composite_pixels(band(0));
  for (int b = inline_from; b < bands; ++b) doc.composite_pixels(band(b));
  for (std::thread& t : workers) t.join();
}

}  // namespace qm
