// Anti-Aliasing: softens diagonal steps between areas of one colour by
// fading the colour across each step along the runs that lead away from it.
// Single-threaded: later blends build on earlier ones.
#include <algorithm>
#include <cmath>

#include "filters/blur_filters.h"
#include "filters/filter_algorithm.h"
#include "filters/filter_helpers.h"

namespace qm::filters {
namespace {

// Equal colours: B, G and R agree in their upper six bits.
inline bool same(Pixel p, Pixel q) { return ((p ^ q) & 0x00FCFCFCu) == 0; }

inline uint32_t round_byte(double v) {
  return uint32_t(std::clamp(std::trunc(v + 0.5), 0.0, 255.0));
}

struct Step {
  const LayerImage& src;
  LayerImage& dst;
  Rect rect;
  int strength;

  Pixel at(int x, int y) const { return src.row(y)[x]; }

  // Blends dst (x, y) with the source pixel `colour` at strength k (1 … 255).
  void blend(int x, int y, Pixel colour, int k) {
    if (k <= 0 || same(at(x, y), colour)) return;
    Pixel& target = dst.row(y)[x];
    const double a = double(k) * alpha_of(colour) / 65025.0;
    const double b = alpha_of(target) / 255.0;
    const double c = a + b - a * b;
    const uint32_t alpha = round_byte(c * 255);
    if (alpha == 0 || c <= 0) {
      target = kTransparent;
      return;
    }
    Pixel out = alpha << 24;
    for (int sh = 0; sh < 24; sh += 8)
      out |= round_byte((a * ((colour >> sh) & 255) + b * (1 - a) * ((target >> sh) & 255)) / c)
             << sh;
    target = out;
  }

  // The run of length `run` leading away from the block: targets start at
  // (x, y) and move by (dx, dy), each blended with the fixed `colour`.
  void fade(int x, int y, int dx, int dy, int run, Pixel colour) {
    if (run == 0) {
      blend(x, y, colour, strength / 2);
      return;
    }
    int t = (run + 1) / 2;
    // Keep the targets inside the rectangle.
    while (t > 0 && !rect.contains(x + t * dx, y + t * dy)) --t;
    if (t == 0) return;
    const int u = std::max(strength - (t < 4 ? 16 : 0), 0);
    for (int i = 0; i <= t; ++i) blend(x + i * dx, y + i * dy, colour, u - (i * u) / t);
  }

  // The runs of the block at (x, y), whose two sides keep their colours.
  void process(int x, int y, bool rising) {
    const Pixel p = at(x, y), q = at(x + 1, y), s = at(x, y + 1), t = at(x + 1, y + 1);
    int up = 0, down = 0, left = 0, right = 0;
    while (y - up - 1 >= rect.y && same(at(x, y - up - 1), p) && same(at(x + 1, y - up - 1), q)) ++up;
    while (y + 2 + down < rect.bottom() && same(at(x, y + 2 + down), s) &&
           same(at(x + 1, y + 2 + down), t))
      ++down;
    while (x - left - 1 >= rect.x && same(at(x - left - 1, y), p) && same(at(x - left - 1, y + 1), s))
      ++left;
    while (x + 2 + right < rect.right() && same(at(x + 2 + right, y), q) &&
           same(at(x + 2 + right, y + 1), t))
      ++right;
    if (!rising) {  // P = T
      fade(x + 1, y, 0, -1, up, p);
      fade(x, y + 1, -1, 0, left, p);
      fade(x, y + 1, 0, 1, down, t);
      fade(x + 1, y, 1, 0, right, t);
    } else {  // Q = S: left and right of each pair swapped
      fade(x, y, 0, -1, up, q);
      fade(x + 1, y + 1, 1, 0, right, q);
      fade(x + 1, y + 1, 0, 1, down, s);
      fade(x, y, -1, 0, left, s);
    }
  }
};

}  // namespace

bool anti_aliasing(const FilterArgs& args) {
  const int v = numeric_value(args, 0, 1, 255);
  LayerImage holder;
  const LayerImage* src = separate_source(args, &holder);
  if (!src) return false;
  const Rect rect = args.rect;
  if (src != &args.dst) args.dst.blit_from(rect.x, rect.y, rect.w, rect.h, *src, rect.x, rect.y);
  Step step{*src, args.dst, rect, v};
  progress_range(args.progress, rect.h - 1);
  for (int y = rect.y; y + 1 < rect.bottom(); ++y) {
    for (int x = rect.x; x + 1 < rect.right(); ++x) {
      const Pixel p = step.at(x, y), q = step.at(x + 1, y), s = step.at(x, y + 1),
                  t = step.at(x + 1, y + 1);
      if (same(p, q) && same(p, s) && same(p, t)) continue;
      if (same(p, t)) step.process(x, y, false);
      if (same(q, s)) step.process(x, y, true);
    }
    progress_step(args.progress);
  }
  return true;
}

}  // namespace qm::filters
