// The distortion, pixelate and stylise filters against plain per-pixel
// versions written straight from their definitions, on random images with
// transparent patches over rectangles of every awkward shape.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <numeric>
#include <vector>

#include "blur_reference.h"
#include "document/document.h"
#include "filters/distort_filters.h"
#include "filters/filter_bands.h"
#include "filters/filter_helpers.h"
#include "paint/random.h"
#include "paint/write_modes.h"

namespace qm::filters {
namespace {

using ref::at;
using ref::copy_of;
using Reference = std::function<void(const FilterValues&, const LayerImage& src, LayerImage& dst, Rect)>;

constexpr double kDeg = 0.017453292519943295;
constexpr double kPi = 3.141592653589793;

Pixel average(const std::vector<Pixel>& px, int64_t n) {
  AlphaSums s;
  for (Pixel p : px) s.add(p);
  return average_output(s, n);
}

Pixel sample(const LayerImage& src, double x, double y, SampleEdge edge) {
  Pixel p = kTransparent;
  bilinear_alpha_sample(src, int64_t(x * 256), int64_t(y * 256), edge, &p);
  return p;
}

// Odd sizes; the whole image (touching every edge), an inner block, a
// one-pixel column and row, a corner block and an even-sized block.
const std::vector<Rect> kRects = {{0, 0, 37, 29}, {5, 3, 17, 11}, {7, 0, 1, 29},
                                  {0, 9, 37, 1},  {30, 22, 7, 7}, {1, 2, 24, 14}};

// Runs the filter and the reference from the same random state on a copy of
// the source (so pixels outside the rectangle must stay) and compares.
void expect_matches(FilterCallback filter, const Reference& reference, FilterValues v, uint32_t seed = 1,
                    FilterEnvironment env = {}) {
  const LayerImage src = ref::random_image(37, 29, seed);
  for (const Rect& r : kRects) {
    LayerImage want = copy_of(src), got = copy_of(src);
    seed_shared_random(seed);
    reference(v, src, want, r);
    seed_shared_random(seed);
    ASSERT_TRUE(filter({v, env, got, src, r, nullptr}));
    for (int y = 0; y < src.height(); ++y)
      for (int x = 0; x < src.width(); ++x)
        ASSERT_EQ(got.row(y)[x], want.row(y)[x]) << "rect " << r.x << "," << r.y << " " << r.w << "x" << r.h
                                                 << " at " << x << "," << y;
  }
}

FilterValues values(std::array<int, 5> n, std::array<int, 2> c = {}, std::array<int, 2> l = {}) {
  FilterValues v;
  v.numeric = n;
  v.check = c;
  v.list = l;
  return v;
}

// --- references ---------------------------------------------------------

void mosaic_ref(const FilterValues& v, const LayerImage& src, LayerImage& dst, Rect r) {
  const int n = v.numeric[0];
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) {
      const int bx = r.x + (x - r.x) / n * n, by = r.y + (y - r.y) / n * n;
      std::vector<Pixel> px;
      for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) px.push_back(at(src, bx + i, by + j));
      dst.row(y)[x] = average(px, int64_t{n} * n);
    }
}

void crystal_ref(const FilterValues& v, const LayerImage& src, LayerImage& dst, Rect r) {
  const int s = v.numeric[0], cols = (r.w + s - 1) / s, rows = (r.h + s - 1) / s;
  std::vector<std::pair<int, int>> seed;
  for (int c = 0; c < cols * rows; ++c) {
    const int x = r.x + c % cols * s + int(shared_random()() % unsigned(s));
    const int y = r.y + c / cols * s + int(shared_random()() % unsigned(s));
    seed.push_back({std::min(x, r.right() - 1), std::min(y, r.bottom() - 1)});
  }
  auto nearest = [&](int x, int y) {
    int best = -1;
    int64_t bd = 0;
    for (int row = (y - r.y) / s - 1; row <= (y - r.y) / s + 1; ++row)
      for (int col = (x - r.x) / s - 1; col <= (x - r.x) / s + 1; ++col) {
        if (row < 0 || col < 0 || row >= rows || col >= cols) continue;
        const auto [sx, sy] = seed[size_t(row * cols + col)];
        const int64_t d = int64_t(sx - x) * (sx - x) + int64_t(sy - y) * (sy - y);
        if (best < 0 || d < bd) best = row * cols + col, bd = d;
      }
    return best;
  };
  std::vector<std::vector<Pixel>> members(seed.size());
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) members[size_t(nearest(x, y))].push_back(src.row(y)[x]);
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) {
      const int c = nearest(x, y);
      dst.row(y)[x] = v.check[0] ? average(members[size_t(c)], int64_t(members[size_t(c)].size()))
                                 : src.row(seed[size_t(c)].second)[seed[size_t(c)].first];
    }
}

void halftone_ref(const FilterValues& v, const LayerImage& src, LayerImage& dst, Rect r) {
  const int m = v.numeric[1], n = v.numeric[0] * m, e = m / 2;
  std::vector<double> key(size_t(n) * n);
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const double u = (double(i) / (n - 1) - 0.5) * 2, w = (double(j) / (n - 1) - 0.5) * 2;
      key[size_t(j) * n + i] = std::clamp(1 - (u * u + w * w), -1.0, 1.0);
    }
  std::vector<int> order(key.size()), thr(key.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int p, int q) { return key[p] < key[q]; });
  for (size_t k = 0; k < order.size(); ++k) thr[size_t(order[k])] = int(int64_t(k) * 255 / int64_t(key.size()));
  auto mod = [n](int64_t a) { return int(((a % n) + n) % n); };
  auto screen = [&](double x, double y, int degrees, int value) {
    const double rad = std::sqrt(x * x + y * y), phi = std::atan2(y, x), ang = degrees * kDeg;
    const int64_t u = mod(std::llround(rad * std::cos(phi + ang))), w = mod(std::llround(rad * std::sin(phi + ang)));
    int64_t s = 0;
    for (int dy = -e; dy <= e; ++dy)
      for (int dx = -e; dx <= e; ++dx)
        if (thr[size_t(mod(w + dy)) * n + size_t(mod(u + dx))] < value)
          s += (e - std::abs(dx) + 1) * (e - std::abs(dy) + 1) * 255;
    return uint32_t(std::min<int64_t>(s / (int64_t(e + 1) * (e + 1) * (e + 1) * (e + 1)), 255));
  };
  const int ar = v.check[1] ? 45 : v.numeric[2], ag = v.check[1] ? 45 : v.numeric[3], ab = v.check[1] ? 45 : v.numeric[4];
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) {
      const Pixel p = src.row(y)[x];
      const double X = m * x, Y = m * y;
      if (alpha_of(p) == 0) {
        dst.row(y)[x] = kTransparent;
      } else if (v.check[0]) {
        const uint32_t g = screen(X, Y, ar, luma(p));
        dst.row(y)[x] = make_pixel(alpha_of(p), g, g, g);
      } else {
        dst.row(y)[x] = make_pixel(alpha_of(p), screen(X, Y, ar, red_of(p)), screen(X, Y, ag, green_of(p)),
                                   screen(X, Y, ab, blue_of(p)));
      }
    }
}

void wave_ref(const FilterValues& v, const LayerImage& src, LayerImage& dst, Rect r) {
  const int k = v.numeric[0], h = v.numeric[1], dir = v.list[0];
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) {
      double sx = x, sy = y;
      if (dir != 2) sy = y + h * std::sin(x * k * kDeg);
      if (dir != 1) sx = x + h * std::sin(y * k * kDeg);
      dst.row(y)[x] = sample(src, sx, sy, v.check[0] ? SampleEdge::kWrap : SampleEdge::kClamp);
    }
}

void polar_ref(const FilterValues& v, const LayerImage& src, LayerImage& dst, Rect r) {
  const double W = r.w, H = r.h, cx = W / 2, cy = H / 2;
  for (int j = 0; j < r.h; ++j)
    for (int i = 0; i < r.w; ++i) {
      double sx, sy;
      if (v.list[0] == 1) {
        const double angle = (W - i - 1) / std::max(W - 1, 1.0) * 2 * kPi - kPi / 2;
        sx = cx + j / 2.0 * std::cos(angle);
        sy = cy + j / 2.0 * std::sin(angle);
      } else {
        const double a = i - cx, b = cy - (H - j - 1);
        sy = 2 * std::sqrt(a * a + b * b);
        sx = (std::atan2(a, b) + kPi) * (W - 1) * 0.15915494309189535;
      }
      int64_t fx = int64_t((r.x + sx) * 256), fy = int64_t((r.y + sy) * 256);
      Pixel& out = dst.row(r.y + j)[r.x + i];
      const bool outside = (fx >> 8) < 0 || (fy >> 8) < 0 || (fx >> 8) >= src.width() || (fy >> 8) >= src.height();
      if (outside && v.list[1] == 0) {
        out = kTransparent;
      } else if (!outside || v.list[1] == 1) {
        fx = std::clamp<int64_t>(fx >> 8, 0, src.width() - 1) * 256 + (fx & 255);
        fy = std::clamp<int64_t>(fy >> 8, 0, src.height() - 1) * 256 + (fy & 255);
        bilinear_alpha_sample(src, fx, fy, SampleEdge::kNone, &out);
      }
    }
}

void radial_shift_ref(const FilterValues& v, const LayerImage& src, LayerImage& dst, Rect r) {
  const int cx = v.numeric[0], cy = v.numeric[1];
  int t[361];
  for (int& o : t) o = int(shared_random()() % unsigned(v.numeric[2]));
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) {
      const double dx = x - cx, dy = y - cy, rho = std::sqrt(dx * dx + dy * dy), th = std::atan2(dy, dx);
      const int o = t[int((th + kPi) * 57.29577951308232)];
      dst.row(y)[x] = rho >= o ? sample(src, (rho - o) * std::cos(th) + cx, (rho - o) * std::sin(th) + cy, SampleEdge::kClamp)
                               : src.get_pixel(cx, cy);
    }
}

void shift_ref(const FilterValues& v, const LayerImage& src, LayerImage& dst, Rect r) {
  auto mod = [](int a, int n) { return ((a % n) + n) % n; };
  for (int j = 0; j < r.h; ++j)
    for (int i = 0; i < r.w; ++i)
      dst.row(r.y + j)[r.x + i] = src.row(r.y + mod(j - v.numeric[1], r.h))[r.x + mod(i - v.numeric[0], r.w)];
}

void diffuse_ref(const FilterValues& v, const LayerImage& src, LayerImage& dst, Rect r) {
  const int a = v.numeric[0];
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) {
      const int sx = x + int(shared_random()() % unsigned(a)) - a / 2;
      const int sy = y + int(shared_random()() % unsigned(a)) - a / 2;
      dst.row(y)[x] = at(src, sx, sy);
    }
}

void scratch_ref(const FilterValues& v, const LayerImage& src, LayerImage& dst, Rect r) {
  const int L = v.numeric[0];
  const double th = (v.numeric[1] + 180) * kDeg;
  const int cq = int(std::cos(th) * 1024), sq = int(std::sin(th) * 1024);
  const int ex = (L * cq) >> 10, ey = (L * sq) >> 10;
  std::vector<Pixel> tmp;
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) tmp.push_back(src.row(y)[x]);
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) {
      const int g = int(shared_random()() % unsigned(r.w));
      const int w = int(shared_random()() % unsigned(4 * L)) + y - 2 * L;
      const Pixel c = at(src, r.x + g, w);
      // Bresenham, end point excluded.
      int px = g - ex / 2, py = w - r.y - ey / 2;
      const int qx = px + ex, qy = py + ey, dx = std::abs(ex), dy = -std::abs(ey);
      const int sx = ex > 0 ? 1 : -1, sy = ey > 0 ? 1 : -1;
      int err = dx + dy;
      while (px != qx || py != qy) {
        if (px >= 0 && py >= 0 && px < r.w && py < r.h) tmp[size_t(py) * r.w + px] = c;
        const int e2 = 2 * err;
        if (e2 >= dy) err += dy, px += sx;
        if (e2 <= dx) err += dx, py += sy;
      }
    }
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) dst.row(y)[x] = tmp[size_t(y - r.y) * r.w + (x - r.x)];
}

void shake_ref(const FilterValues& v, const LayerImage& src, LayerImage& dst, Rect r) {
  const int a = v.numeric[0];
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x)
      dst.row(y)[x] = average({at(src, x - a, y - a), at(src, x - a, y + a), at(src, x + a, y - a), at(src, x + a, y + a)}, 4);
}

void oil_ref(const FilterValues& v, const LayerImage& src, LayerImage& dst, Rect r) {
  const int a = v.numeric[0];
  const int corner[4][2] = {{-a, -a}, {0, -a}, {0, 0}, {-a, 0}};
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) {
      int best_spread = 1 << 30;
      std::vector<Pixel> best;
      for (const auto& c : corner) {
        std::vector<Pixel> px;
        int hi[3] = {0, 0, 0}, lo[3] = {255, 255, 255};
        for (int j = 0; j <= a; ++j)
          for (int i = 0; i <= a; ++i) {
            const Pixel p = at(src, x + c[0] + i, y + c[1] + j);
            px.push_back(p);
            for (int ch = 0; ch < 3; ++ch) hi[ch] = std::max(hi[ch], ref::channel(p, ch)), lo[ch] = std::min(lo[ch], ref::channel(p, ch));
          }
        const int spread = hi[0] + hi[1] + hi[2] - lo[0] - lo[1] - lo[2];
        if (spread < best_spread) best_spread = spread, best = px;
      }
      dst.row(y)[x] = average(best, int64_t(a + 1) * (a + 1));
    }
}

void rgb_shift_ref(const FilterValues& v, const LayerImage& src, LayerImage& dst, Rect r) {
  const int s = v.numeric[0], d = v.list[0];
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) {
      const Pixel p = src.row(y)[x];
      const Pixel red = d == 0 ? at(src, x + s, y) : d == 1 ? at(src, x, y + s) : at(src, x + s, y + s);
      const Pixel blue = d == 0 ? at(src, x - s, y) : d == 1 ? at(src, x, y - s) : at(src, x - s, y + s);
      dst.row(y)[x] = alpha_of(p) ? make_pixel(alpha_of(p), red_of(red), green_of(p), blue_of(blue)) : kTransparent;
    }
}

// The reference layer is the source (no document).
void edging_ref(const FilterValues& v, const LayerImage& src, LayerImage& dst, Rect r) {
  const uint32_t colour = v.list[0] == 1 ? 0 : v.list[0] == 2 ? 0xFFFFFF : 0x123456;
  LayerImage tmp = copy_of(src);
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) {
      Pixel& p = tmp.row(y)[x];
      if (alpha_of(p)) p = (p & 0xFF000000) | colour;
      dst.row(y)[x] = src.row(y)[x];
    }
  for (int k = 0; k < v.numeric[0]; ++k) {
    for (int y = r.y; y < r.bottom(); ++y)
      for (int x = r.x; x < r.right(); ++x) {
        const uint32_t a = alpha_of(dst.row(y)[x]);
        const int nb[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
        for (const auto& q : nb)
          if (a && r.contains(q[0], q[1])) tmp.row(q[1])[q[0]] = blend_over(tmp.row(q[1])[q[0]], colour, a);
      }
    for (int y = r.y; y < r.bottom(); ++y)
      for (int x = r.x; x < r.right(); ++x) dst.row(y)[x] = tmp.row(y)[x];
  }
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) {
      Pixel& d = dst.row(y)[x];
      const Pixel s = src.row(y)[x];
      if (v.check[0]) {
        const int left = std::max(int(alpha_of(d)) - int(alpha_of(s)), 0);
        d = left ? (Pixel(left) << 24) | (d & 0xFFFFFF) : kTransparent;
      } else if (alpha_of(s)) {
        d = blend_over(d, s & 0xFFFFFF, alpha_of(s));
      }
    }
}

void glow_ref(const FilterValues& v, const LayerImage& src, LayerImage& dst, Rect r) {
  const int a = v.numeric[0];
  auto t = [a](int i) { return uint32_t((std::max(i, 255 - a) + a - 255) * 255 / a); };
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) {
      const Pixel p = src.row(y)[x];
      dst.row(y)[x] = alpha_of(p) ? make_pixel(alpha_of(p), t(red_of(p)), t(green_of(p)), t(blue_of(p))) : p;
    }
  LayerImage blurred = copy_of(dst);
  ASSERT_TRUE(gaussian_blur(dst, blurred, r, v.numeric[1], nullptr));
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) {
      const Pixel p = src.row(y)[x], g = blurred.row(y)[x];
      if (!alpha_of(p)) continue;
      const int e = v.numeric[2] * alpha_of(g) >> 8;
      auto ch = [&](int s, int gc) { return uint32_t(s + (gc - gc * s / 255) * e / 255); };
      dst.row(y)[x] = make_pixel(alpha_of(p), ch(red_of(p), red_of(g)), ch(green_of(p), green_of(g)), ch(blue_of(p), blue_of(g)));
    }
}

// --- comparisons --------------------------------------------------------

TEST(Distort, Mosaic) {
  for (int n : {2, 3, 5, 100}) expect_matches(mosaic, mosaic_ref, values({n}));
}

TEST(Distort, CrystalSeededAndReproducible) {
  for (int s : {5, 7, 40})
    for (int avg : {0, 1}) expect_matches(crystal, crystal_ref, values({s}, {avg}), 3 + s);
}

TEST(Distort, Halftone) {
  expect_matches(halftone, halftone_ref, values({4, 3, 15, 75, 0}));
  expect_matches(halftone, halftone_ref, values({2, 4, -180, 33, 180}));
  expect_matches(halftone, halftone_ref, values({5, 1, -30, 0, 0}, {1, 0}));
  expect_matches(halftone, halftone_ref, values({3, 5, 10, 20, 30}, {0, 1}));
  expect_matches(halftone, halftone_ref, values({30, 9, 15, 75, 0}));  // past the tabulated sizes
}

TEST(Distort, Wave) {
  for (int dir : {0, 1, 2})
    for (int wrap : {0, 1}) expect_matches(wave, wave_ref, values({10, 4}, {wrap}, {dir}));
  expect_matches(wave, wave_ref, values({50, 50}, {1}, {0}));
}

TEST(Distort, PolarCoordinates) {
  for (int mode : {0, 1})
    for (int bg : {0, 1, 2}) expect_matches(polar_coordinates, polar_ref, values({}, {}, {mode, bg}));
}

TEST(Distort, RadialShiftSeeded) {
  expect_matches(radial_shift, radial_shift_ref, values({18, 14, 6}));
  expect_matches(radial_shift, radial_shift_ref, values({0, 28, 2}), 9);
  expect_matches(radial_shift, radial_shift_ref, values({36, 0, 100}), 4);
  expect_matches(radial_shift, radial_shift_ref, values({50, 50, 100}), 4);  // centre outside: white
}

TEST(Distort, Shift) {
  for (auto d : {std::array<int, 2>{0, 0}, {3, 2}, {36, 0}, {-1, -5}, {100, 77}})
    expect_matches(shift, shift_ref, values({d[0], d[1]}));
}

TEST(Distort, DiffuseSeeded) {
  for (int a : {2, 3, 200}) expect_matches(diffuse, diffuse_ref, values({a}), unsigned(a));
}

TEST(Distort, ScratchSeeded) {
  for (int angle : {-45, 0, 90, 180, -113}) expect_matches(scratch, scratch_ref, values({10, angle}), 2);
  expect_matches(scratch, scratch_ref, values({2, 37}), 5);
}

TEST(Distort, ShakeBlur) {
  for (int a : {1, 4, 60}) expect_matches(shake_blur, shake_ref, values({a}));
}

TEST(Distort, OilPaint) {
  for (int a : {1, 2, 8}) expect_matches(oil_paint, oil_ref, values({a}));
}

TEST(Distort, RgbShift) {
  for (int d : {0, 1, 2}) expect_matches(rgb_shift, rgb_shift_ref, values({3}, {}, {d}));
}

TEST(Distort, Edging) {
  FilterEnvironment env;
  env.drawing_colour = 0x123456;
  for (int cut : {0, 1})
    for (int colour : {0, 1, 2}) expect_matches(edging, edging_ref, values({2}, {cut}, {colour, 0}), 1, env);
  expect_matches(edging, edging_ref, values({1}), 1, env);
}

TEST(Distort, Glow) {
  expect_matches(glow, glow_ref, values({55, 5, 256}));
  expect_matches(glow, glow_ref, values({255, 1, 1}));
  expect_matches(glow, glow_ref, values({1, 16, 128}));
}

// --- the definitions' own cases ----------------------------------------

LayerImage solid(int w, int h, Pixel p) {
  LayerImage img;
  img.create(w, h);
  img.fill(p);
  return img;
}

TEST(Distort, MosaicLastBlockAveragesAFullSquare) {
  // Block size 2 over 3 columns: the last block is one pixel wide but
  // averages two columns, reaching past the rectangle (or clamped back onto
  // the image's last column).
  for (int w : {4, 3}) {
    LayerImage src = solid(w, 2, 0xFF000000);
    src.row(0)[w - 1] = src.row(1)[w - 1] = 0xFF0000FF;
    LayerImage dst = copy_of(src);
    ASSERT_TRUE(mosaic({values({2}), {}, dst, src, {0, 0, 3, 2}, nullptr}));
    EXPECT_EQ(dst.row(1)[2], w == 4 ? 0xFF00007Fu : 0xFF0000FFu);
    EXPECT_EQ(dst.row(0)[0], 0xFF000000u);
    EXPECT_EQ(dst.row(0)[w - 1], 0xFF0000FFu);
  }
}

TEST(Distort, CrystalLargeCellsKeepTheAverage) {
  // 200 × 200 opaque pixels of 250: ΣA·c passes 2³¹.
  const LayerImage src = solid(203, 201, 0xFFFAFAFA);
  LayerImage dst = copy_of(src);
  seed_shared_random(7);
  ASSERT_TRUE(crystal({values({200}, {1}), {}, dst, src, src.bounds(), nullptr}));
  for (int y = 0; y < 201; ++y)
    for (int x = 0; x < 203; ++x) ASSERT_EQ(dst.row(y)[x], 0xFFFAFAFAu);
}

TEST(Distort, ShiftEdgeCases) {
  const LayerImage src = ref::random_image(9, 5, 2);
  LayerImage dst = copy_of(src);
  ASSERT_TRUE(shift({values({0, 0}), {}, dst, src, src.bounds(), nullptr}));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x) EXPECT_EQ(dst.row(y)[x], src.row(y)[x]);
  ASSERT_TRUE(shift({values({8, 0}), {}, dst, src, src.bounds(), nullptr}));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x) EXPECT_EQ(dst.row(y)[x], src.row(y)[(x + 1) % 9]);
}

TEST(Distort, PolarKeepLeavesOutsidePixelsAndWidthOneIsFinite) {
  // "そのまま": the bottom rows of the rectangular-to-polar map read far
  // below the image and keep their pixels.
  const LayerImage src = ref::random_image(11, 11, 4);
  LayerImage dst = copy_of(src);
  ASSERT_TRUE(polar_coordinates({values({}, {}, {0, 2}), {}, dst, src, src.bounds(), nullptr}));
  EXPECT_EQ(dst.row(10)[0], src.row(10)[0]);
  // One column: every pixel samples a real position instead of dividing by 0.
  dst.copy_from(src);
  ASSERT_TRUE(polar_coordinates({values({}, {}, {1, 1}), {}, dst, src, {4, 0, 1, 11}, nullptr}));
  LayerImage want = copy_of(src);
  polar_ref(values({}, {}, {1, 1}), src, want, {4, 0, 1, 11});
  for (int y = 0; y < 11; ++y) EXPECT_EQ(dst.row(y)[4], want.row(y)[4]);
}

TEST(Distort, RgbShiftDiagonalTakesBothFromTheRowBelow) {
  LayerImage src = solid(3, 3, 0xFF808080);
  src.row(2)[2] = 0xFFAA0000;  // red source of (1, 1)
  src.row(2)[0] = 0xFF0000BB;  // blue source of (1, 1)
  LayerImage dst = copy_of(src);
  ASSERT_TRUE(rgb_shift({values({1}, {}, {2}), {}, dst, src, src.bounds(), nullptr}));
  EXPECT_EQ(dst.row(1)[1], 0xFFAA80BBu);
}

TEST(Distort, Frame3dRingsAndInPlace) {
  LayerImage img = solid(5, 4, 0xFF808080);
  img.row(2)[2] = kTransparent;
  ASSERT_TRUE(frame_3d({values({1}), {}, img, img, img.bounds(), nullptr}));
  auto grey = [&](int x, int y) { return int(blue_of(img.row(y)[x])); };
  // Top row +83; bottom row without its left corner −83; left column below
  // the top +64; right column below the top −64.
  const int want[4][5] = {{211, 211, 211, 211, 211},
                          {192, 128, 128, 128, 64},
                          {192, 128, -1, 128, 64},
                          {192, 45, 45, 45, 64}};
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) {
      if (want[y][x] >= 0) {
        EXPECT_EQ(grey(x, y), want[y][x]) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(img.row(2)[2], kTransparent);

  // Wider than half the rectangle: the rings stop where they meet; the one
  // centre pixel of 3 × 3 is lit once by the second top row and nothing else.
  LayerImage small = solid(3, 3, 0xFF646464);
  LayerImage out = copy_of(small);
  ASSERT_TRUE(frame_3d({values({100}, {0, 1}), {}, out, small, small.bounds(), nullptr}));
  EXPECT_EQ(blue_of(out.row(1)[1]), 100 + (135 - 135 / 100));
}

TEST(Distort, EdgingGrowsAroundAnOpaquePixel) {
  LayerImage src = solid(5, 5, kTransparent);
  src.row(0)[0] = 0xFFFF0000;  // at the corner: neighbours outside are skipped
  src.row(2)[2] = 0xFFFF0000;
  for (int cut : {0, 1}) {
    LayerImage dst = copy_of(src);
    ASSERT_TRUE(edging({values({1}, {cut}, {1, 0}), {}, dst, src, src.bounds(), nullptr}));
    EXPECT_EQ(dst.row(2)[2], cut ? kTransparent : 0xFFFF0000u);
    EXPECT_EQ(dst.row(1)[2], 0xFF000000u);
    EXPECT_EQ(dst.row(2)[3], 0xFF000000u);
    EXPECT_EQ(dst.row(1)[1], kTransparent);
    EXPECT_EQ(dst.row(0)[1], 0xFF000000u);
  }
}

TEST(Distort, EdgingReadsTheReferenceLayer) {
  // The reference is another layer; the current layer is laid over the edge.
  Document doc;
  ASSERT_TRUE(doc.new_canvas(6, 6, true));
  ASSERT_NE(doc.create_layer(false), nullptr);
  LayerImage& ref_layer = doc.layer_at(0)->image;
  ref_layer.fill(kTransparent);
  ref_layer.row(3)[3] = 0xFF00FF00;
  LayerImage src = solid(6, 6, kTransparent);
  src.row(3)[3] = 0xFF0000FF;
  LayerImage dst = copy_of(src);
  FilterEnvironment env;
  env.document = &doc;
  ASSERT_TRUE(edging({values({1}, {0}, {2, 0}), env, dst, src, src.bounds(), nullptr}));
  EXPECT_EQ(dst.row(3)[3], 0xFF0000FFu);
  EXPECT_EQ(dst.row(2)[3], 0xFFFFFFFFu);
  EXPECT_EQ(dst.row(0)[0], kTransparent);
}

TEST(Distort, GlowOfAFullyOpaqueWhiteBlurIsFull) {
  // E = 256 × 255 >> 8 = 255: a black pixel in white highlights turns white.
  LayerImage src = solid(15, 15, 0xFFFFFFFF);
  src.row(7)[7] = 0xFF000000;
  LayerImage dst = copy_of(src);
  ASSERT_TRUE(glow({values({55, 1, 256}), {}, dst, src, src.bounds(), nullptr}));
  EXPECT_EQ(dst.row(7)[7] & 0xFF000000, 0xFF000000u);
  EXPECT_GT(red_of(dst.row(7)[7]), 200);
  EXPECT_EQ(dst.row(0)[0], 0xFFFFFFFFu);
}

TEST(Distort, NoTemporaryLeavesTheDestination) {
  const LayerImage src = ref::random_image(37, 29, 8);
  const FilterCallback needs_one[] = {scratch, edging, glow, crystal};
  set_temporary_limit(64);
  for (FilterCallback f : needs_one) {
    LayerImage dst = ref::random_image(37, 29, 9);
    const LayerImage before = copy_of(dst);
    EXPECT_FALSE(f({values({10, 5, 256}, {1}), {}, dst, src, src.bounds(), nullptr}));
    EXPECT_EQ(0, std::memcmp(dst.pixels(), before.pixels(), dst.byte_count()));
  }
  set_temporary_limit(-1);
}

}  // namespace
}  // namespace qm::filters
