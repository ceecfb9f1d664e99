#pragma once
// The painting engine's freehand stroke for a list of samples, called
// directly: what a stroke through the input layer must leave in the layer.
#include <cmath>
#include <vector>

#include "document/document.h"
#include "paint/freehand.h"

namespace qm::test {

struct StrokeSample {
  PointF image;  // fractional image coordinates
  double pressure = 1.0;
};

// The first sample starts the stroke at its pixel; each later one that moves
// is a segment; the last one ends the stroke.
inline LayerImage engine_stroke(int w, int h, Pixel background, const BrushSettings& settings,
                                const std::vector<StrokeSample>& samples) {
  Document doc;
  doc.new_canvas(w, h, true);
  doc.current()->image.fill(background);
  FreehandStroke stroke;
  const StrokeSample& first = samples.front();
  stroke.begin(doc, settings, {std::floor(first.image.x), std::floor(first.image.y)}, first.pressure, {false});
  PointF last{std::floor(first.image.x), std::floor(first.image.y)};
  for (size_t i = 1; i + 1 < samples.size(); ++i) {
    if (samples[i].image == last) continue;
    last = samples[i].image;
    stroke.move(samples[i].image, samples[i].pressure);
  }
  stroke.end(samples.back().image, samples.back().pressure);
  LayerImage out;
  out.create(w, h);
  out.copy_from(doc.current()->image);
  return out;
}

inline bool same_pixels(const LayerImage& a, const LayerImage& b) {
  return a.width() == b.width() && a.height() == b.height() &&
         std::equal(a.pixels(), a.pixels() + a.pixel_count(), b.pixels());
}

}  // namespace qm::test
