#pragma once
// Helpers of the painting tests: small documents, brush settings per tool,
// pixel counts and hashes.
#include <cstdint>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "document/document.h"
#include "paint/brush_settings.h"
#include "paint/freehand.h"
#include "paint/point.h"

namespace qm::test {

// A w × h document with one transparent layer (pixels kTransparent).
inline void make_doc(Document& doc, int w, int h) {
  ASSERT_TRUE(doc.new_canvas(w, h, true));
  doc.current()->image.fill(kTransparent);
}

inline BrushSettings brush(PaintTool tool, int size, int density = 255, uint32_t colour = 0x203040) {
  BrushSettings s;
  s.tool = tool;
  s.size = size;
  s.density = density;
  s.colour = colour;
  s.option_word = tool_entry(tool).default_option_word;
  return s;
}

// A freehand stroke through the points at one pressure; no compositing.
inline void stroke(Document& doc, const BrushSettings& s, const std::vector<PointF>& pts,
                   double pressure = 1.0) {
  FreehandStroke st;
  ASSERT_TRUE(st.begin(doc, s, pts.at(0), pressure, {false}));
  for (size_t i = 1; i < pts.size(); ++i) st.move(pts[i], pressure);
  st.end();
}

inline uint64_t hash_pixels(const LayerImage& img) {
  uint64_t h = 1469598103934665603u;
  for (size_t i = 0; i < img.pixel_count(); ++i) h = (h ^ img.pixels()[i]) * 1099511628211u;
  return h;
}

inline int count_if(const LayerImage& img, const std::function<bool(Pixel)>& pred) {
  int n = 0;
  for (size_t i = 0; i < img.pixel_count(); ++i) n += pred(img.pixels()[i]) ? 1 : 0;
  return n;
}

inline int max_alpha(const LayerImage& img) {
  int m = 0;
  for (size_t i = 0; i < img.pixel_count(); ++i) m = std::max<int>(m, alpha_of(img.pixels()[i]));
  return m;
}

// A deterministic background: opaque colour gradients with a transparent
// band and a half-transparent band, so masks and effect tools have work.
inline void paint_background(LayerImage& img) {
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const uint32_t r = uint32_t(x * 255 / std::max(1, img.width() - 1));
      const uint32_t g = uint32_t(y * 255 / std::max(1, img.height() - 1));
      const uint32_t b = uint32_t((x * 7 + y * 13) & 0xFF);
      uint32_t a = 255;
      if (y % 16 < 3) a = 0;
      else if (x % 20 < 4) a = 128;
      img.pixels()[size_t(y) * size_t(img.width()) + size_t(x)] = a ? make_pixel(a, r, g, b) : kTransparent;
    }
}

// Pixels of a rectangle as text rows ('.' transparent, '#' otherwise), for
// comparing small shapes with a grid written out in the test.
inline std::vector<std::string> grid(const LayerImage& img, Rect r) {
  std::vector<std::string> rows;
  for (int y = r.y; y < r.bottom(); ++y) {
    std::string row;
    for (int x = r.x; x < r.right(); ++x) row += alpha_of(img.get_pixel(x, y)) ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

}  // namespace qm::test
