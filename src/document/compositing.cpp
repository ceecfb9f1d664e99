#include "document/compositing.h"

#include <algorithm>
#include <array>
#include <atomic>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "core/cpu_features.h"
#include "document/blend_functions.h"
#include "document/blend_modes.h"
#include "document/compositing_kernels.h"

#ifdef QM_COMPOSITING_X86
#include <immintrin.h>
#endif

namespace qm {
namespace detail {

SimdLevel best_simd_level() {
#ifdef QM_COMPOSITING_X86
  return cpu_has_avx2() ? SimdLevel::Avx2 : SimdLevel::Sse2;
#else
  return SimdLevel::Scalar;
#endif
}

namespace {
std::atomic<int>& level_setting() {
  static std::atomic<int> level{int(best_simd_level())};
  return level;
}

const DisplayKernels& kernels_for(SimdLevel level) {
#ifdef QM_COMPOSITING_X86
  if (level == SimdLevel::Avx2) return avx2_kernels();
  if (level == SimdLevel::Sse2) return sse2_kernels();
#endif
  (void)level;
  return scalar_kernels();
}
}  // namespace

SimdLevel simd_level() { return SimdLevel(level_setting().load(std::memory_order_relaxed)); }

SimdLevel set_simd_level(SimdLevel level) {
  level = std::clamp(level, SimdLevel::Scalar, best_simd_level());
  level_setting().store(int(level), std::memory_order_relaxed);
  return level;
}

}  // namespace detail

namespace {

constexpr int kMaxOpacity = 128;

bool same_size(const LayerImage& a, const LayerImage& b) {
  return !a.empty() && !b.empty() && a.width() == b.width() && a.height() == b.height();
}

inline int channel(Pixel p, int shift) { return int(p >> shift) & 0xFF; }

// --- whole-stack flatten onto white ------------------------------------

// trunc(x / 255) for |x| ≤ 65025 without a divide: for 0 ≤ m < 65536,
// floor(m / 255) = (m + 1 + (m >> 8)) >> 8.
inline int div255_trunc(int x) {
  const int m = x < 0 ? -x : x;
  const int q = (m + 1 + (m >> 8)) >> 8;
  return x < 0 ? -q : q;
}

// Add and Subtract: d ± l × s / 255 on B, G, R.
template <int Sign>
void flatten_add_sub(Pixel* d, const Pixel* s, size_t n, int opacity) {
  for (size_t i = 0; i < n; ++i) {
    const int l = (opacity * int(s[i] >> 24)) >> 7;
    if (l == 0) continue;
    Pixel out = d[i] & 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8) {
      const int v = channel(d[i], shift) + Sign * div255_trunc(l * channel(s[i], shift));
      out |= Pixel(std::clamp(v, 0, 255)) << shift;
    }
    d[i] = out;
  }
}

#ifdef QM_COMPOSITING_X86
// The four-pixel SSE2 steps of flatten_normal below, eight pixels at a time
// (unpacking and packing both stay within 128-bit halves, so pixels keep
// their places). Returns how many pixels it did.
__attribute__((target("avx2"))) inline __m256i flatten_half_avx2(__m256i m8, __m256i l8, __m256i d8,
                                                                  __m256i neg8, __m256i one) {
  const __m256i m = _mm256_mullo_epi16(m8, l8);
  const __m256i q = _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(m, one), _mm256_srli_epi16(m, 8)), 8);
  return _mm256_add_epi16(d8, _mm256_sub_epi16(_mm256_xor_si256(q, neg8), neg8));
}

__attribute__((target("avx2"))) size_t flatten_normal_avx2(Pixel* d, const Pixel* s, size_t n,
                                                             int opacity) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i one = _mm256_set1_epi16(1);
  const __m256i op = _mm256_set1_epi32(opacity);
  const __m256i colour_lanes = _mm256_set1_epi32(0x00FFFFFF);
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    detail::prefetch_ahead(d + i, s + i);  // a whole layer: always a long run
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    const __m256i l = _mm256_srli_epi32(_mm256_mullo_epi16(_mm256_srli_epi32(sv, 24), op), 7);
    const __m256i l3 = _mm256_and_si256(
        _mm256_or_si256(_mm256_or_si256(l, _mm256_slli_epi32(l, 8)), _mm256_slli_epi32(l, 16)), colour_lanes);
    const __m256i mag = _mm256_or_si256(_mm256_subs_epu8(sv, dv), _mm256_subs_epu8(dv, sv));
    const __m256i neg = _mm256_cmpeq_epi8(_mm256_subs_epu8(dv, sv), mag);
    const __m256i lo = flatten_half_avx2(_mm256_unpacklo_epi8(mag, zero), _mm256_unpacklo_epi8(l3, zero),
                            _mm256_unpacklo_epi8(dv, zero), _mm256_unpacklo_epi8(neg, neg), one);
    const __m256i hi = flatten_half_avx2(_mm256_unpackhi_epi8(mag, zero), _mm256_unpackhi_epi8(l3, zero),
                            _mm256_unpackhi_epi8(dv, zero), _mm256_unpackhi_epi8(neg, neg), one);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_packus_epi16(lo, hi));
  }
  return i;
}
#endif

// Normal (and modes without a channel function): d += (s − d) × l / 255 on
// B, G, R. Branch-free so the compiler can vectorise it; same quotients as
// the table path.
void flatten_normal(Pixel* d, const Pixel* s, size_t n, int opacity) {
  size_t i = 0;
#ifdef QM_COMPOSITING_X86
  if (detail::simd_level() == detail::SimdLevel::Avx2) i = flatten_normal_avx2(d, s, n, opacity);
#endif
#ifdef __SSE2__
  // Four pixels at a time in 16-bit lanes. |s − d| × l ≤ 65025 and the
  // quotient step stay below 65536, so unsigned 16-bit arithmetic is exact;
  // the sign is applied afterwards. The alpha lane gets l = 0 and keeps d.
  const __m128i zero = _mm_setzero_si128();
  const __m128i one = _mm_set1_epi16(1);
  const __m128i op = _mm_set1_epi32(opacity);
  const __m128i colour_lanes = _mm_set1_epi32(0x00FFFFFF);
  for (; i + 4 <= n; i += 4) {
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i l = _mm_srli_epi32(_mm_mullo_epi16(_mm_srli_epi32(sv, 24), op), 7);
    const __m128i l3 =
        _mm_and_si128(_mm_or_si128(_mm_or_si128(l, _mm_slli_epi32(l, 8)), _mm_slli_epi32(l, 16)),
                      colour_lanes);
    const __m128i mag = _mm_or_si128(_mm_subs_epu8(sv, dv), _mm_subs_epu8(dv, sv));
    const __m128i neg = _mm_cmpeq_epi8(_mm_subs_epu8(dv, sv), mag);  // s ≤ d (0 when equal)
    auto half = [&](__m128i m8, __m128i l8, __m128i d8, __m128i neg8) {
      const __m128i m = _mm_mullo_epi16(m8, l8);
      const __m128i q = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(m, one), _mm_srli_epi16(m, 8)), 8);
      return _mm_add_epi16(d8, _mm_sub_epi16(_mm_xor_si128(q, neg8), neg8));
    };
    const __m128i lo = half(_mm_unpacklo_epi8(mag, zero), _mm_unpacklo_epi8(l3, zero),
                            _mm_unpacklo_epi8(dv, zero), _mm_unpacklo_epi8(neg, neg));
    const __m128i hi = half(_mm_unpackhi_epi8(mag, zero), _mm_unpackhi_epi8(l3, zero),
                            _mm_unpackhi_epi8(dv, zero), _mm_unpackhi_epi8(neg, neg));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(lo, hi));
  }
#endif
  for (; i < n; ++i) {
    const Pixel dp = d[i], sp = s[i];
    const int l = (opacity * int(sp >> 24)) >> 7;
    const int db = channel(dp, 0), dg = channel(dp, 8), dr = channel(dp, 16);
    const int b = db + div255_trunc((channel(sp, 0) - db) * l);
    const int g = dg + div255_trunc((channel(sp, 8) - dg) * l);
    const int r = dr + div255_trunc((channel(sp, 16) - dr) * l);
    d[i] = (dp & 0xFF000000) | Pixel(r) << 16 | Pixel(g) << 8 | Pixel(b);
  }
}

// Every other per-channel mode: d += (T[d][s] − d) × l / 255 on B, G, R.
template <class Target>
void flatten_table(Pixel* d, const Pixel* s, size_t n, int opacity, Target target) {
  for (size_t i = 0; i < n; ++i) {
    const int l = (opacity * int(s[i] >> 24)) >> 7;
    if (l == 0) continue;
    Pixel out = d[i] & 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8) {
      const int dc = channel(d[i], shift);
      out |= Pixel(dc + div255_trunc((target(dc, channel(s[i], shift)) - dc) * l)) << shift;
    }
    d[i] = out;
  }
}

// --- alpha-aware merge ---------------------------------------------------

struct Coverage {
  double as, ad, a;
};

// v / 255 for every byte value: the same quotients, divided once.
constexpr std::array<double, 256> kUnitOf = [] {
  std::array<double, 256> t{};
  for (int v = 0; v < 256; ++v) t[size_t(v)] = double(v) / 255;
  return t;
}();

inline int round_channel(double r) { return std::clamp(int(r + 0.5), 0, 255); }

// Runs `colour(d, s, coverage) → 0x00RRGGBB` over every pixel with a ≠ 0 and
// stores the merged alpha beside it.
template <class Colour>
void merge_loop(Pixel* d, const Pixel* s, size_t n, int dst_opacity, int src_opacity,
                Colour colour) {
  for (size_t i = 0; i < n; ++i) {
    Coverage c;
    c.as = kUnitOf[size_t((src_opacity * int(s[i] >> 24)) >> 7)];
    c.ad = kUnitOf[size_t((dst_opacity * int(d[i] >> 24)) >> 7)];
    c.a = c.as + c.ad - c.as * c.ad;
    if (c.a == 0) {
      d[i] = kTransparent;
      continue;
    }
    const Pixel rgb = colour(d[i], s[i], c);
    d[i] = Pixel(round_channel(c.a * 255)) << 24 | rgb;
  }
}

// r = (s'·as + d·(1 − as)·ad) / a for each of B, G, R, with s' per channel.
template <class SourceChannel>
Pixel merge_over(Pixel dp, const Coverage& c, SourceChannel source) {
  Pixel out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const double dc = channel(dp, shift);
    const double r = (source(shift) * c.as + dc * (1 - c.as) * c.ad) / c.a;
    out |= Pixel(round_channel(r)) << shift;
  }
  return out;
}

}  // namespace

void composite_display(LayerImage& dst, const LayerImage& src, int opacity, int mode, Rect r) {
  if (!same_size(dst, src)) return;
  r = intersect(r, dst.bounds());
  opacity = std::clamp(opacity, 0, kMaxOpacity);
  if (r.empty() || opacity == 0) return;
  if (mode < 0 || mode >= kBlendModeCount) mode = int(BlendMode::Normal);

  // A full-width rectangle is one run of contiguous pixels.
  const bool whole_rows = r.w == dst.width();
  const size_t run = whole_rows ? size_t(r.w) * size_t(r.h) : size_t(r.w);
  const int runs = whole_rows ? 1 : r.h;
  auto for_each_run = [&](auto&& fn) {
    for (int j = 0; j < runs; ++j) fn(dst.row(r.y + j) + r.x, src.row(r.y + j) + r.x, run);
  };

  if (is_colour_model_mode(mode)) {
    for_each_run([&](Pixel* d, const Pixel* s, size_t n) {
      detail::colour_model_row(d, s, n, opacity, mode);
    });
    return;
  }
  const detail::DisplayKernels& k = detail::kernels_for(detail::simd_level());
  detail::DisplayRowFn fn = k.table;
  const uint8_t* table = nullptr;
  switch (BlendMode(mode)) {
    case BlendMode::Normal: fn = k.normal; break;
    case BlendMode::Multiply: fn = k.multiply; break;
    case BlendMode::Add: fn = k.add; break;
    case BlendMode::Subtract: fn = k.subtract; break;
    default: table = blend_table(mode).data(); break;
  }
  for_each_run([&](Pixel* d, const Pixel* s, size_t n) { fn(d, s, n, opacity, table); });
}

bool display_leaves_unchanged(int opacity, int alpha) {
  // Every kernel skips a pixel whose coverage (opacity × alpha) >> 7 is 0.
  return ((std::clamp(opacity, 0, kMaxOpacity) * std::clamp(alpha, 0, 255)) >> 7) == 0;
}

void flatten_layer(LayerImage& dst, const LayerImage& src, int opacity, int mode) {
  if (!same_size(dst, src)) return;
  opacity = std::clamp(opacity, 0, kMaxOpacity);
  if (opacity == 0) return;
  Pixel* d = dst.pixels();
  const Pixel* s = src.pixels();
  const size_t n = dst.pixel_count();
  if (mode == int(BlendMode::Add)) {
    flatten_add_sub<1>(d, s, n, opacity);
  } else if (mode == int(BlendMode::Subtract)) {
    flatten_add_sub<-1>(d, s, n, opacity);
  } else if (is_colour_model_mode(mode)) {
    detail::colour_model_row(d, s, n, opacity, mode);
  } else if (!blend::has_channel_function(mode) || mode == int(BlendMode::Normal)) {
    // T[d][s] = s: no lookup needed.
    flatten_normal(d, s, n, opacity);
  } else {
    const uint8_t* t = blend_table(mode).data();
    flatten_table(d, s, n, opacity, [t](int dc, int sc) { return int(t[dc * 256 + sc]); });
  }
}

void merge_alpha_aware(LayerImage& dst, int dst_opacity, int dst_mode, const LayerImage& src,
                       int src_opacity, int src_mode) {
  if (!same_size(dst, src)) return;
  dst_opacity = std::clamp(dst_opacity, 0, kMaxOpacity);
  src_opacity = std::clamp(src_opacity, 0, kMaxOpacity);
  // Two layers in the same mode combine with Normal; the merged layer keeps
  // that mode, so the pair still blends with what lies below as before.
  const int mode = src_mode == dst_mode ? int(BlendMode::Normal) : src_mode;
  Pixel* d = dst.pixels();
  const Pixel* s = src.pixels();
  const size_t n = dst.pixel_count();

  if (mode == int(BlendMode::Add) || mode == int(BlendMode::Subtract)) {
    const bool add = mode == int(BlendMode::Add);
    merge_loop(d, s, n, dst_opacity, src_opacity, [add](Pixel dp, Pixel sp, const Coverage& c) {
      Pixel out = 0;
      for (int shift = 0; shift < 24; shift += 8) {
        const double sc = channel(sp, shift), dc = channel(dp, shift);
        const double r = add ? std::min(255.0, sc * c.as + dc * c.ad)
                             : std::max(0.0, dc * c.ad - sc * c.as);
        out |= Pixel(round_channel(r)) << shift;
      }
      return out;
    });
  } else if (is_colour_model_mode(mode)) {
    // The model works on the integer channels and gives integer channels.
    merge_loop(d, s, n, dst_opacity, src_opacity, [mode](Pixel dp, Pixel sp, const Coverage& c) {
      const Pixel t = detail::colour_model_target(mode, dp & 0xFFFFFF, sp & 0xFFFFFF);
      return merge_over(dp, c, [t](int shift) { return double(channel(t, shift)); });
    });
  } else {
    blend::with_channel_function<double>(mode, [&](auto f) {
      merge_loop(d, s, n, dst_opacity, src_opacity, [f](Pixel dp, Pixel sp, const Coverage& c) {
        return merge_over(dp, c, [&](int shift) {
          return f(double(channel(dp, shift)), double(channel(sp, shift)));
        });
      });
    });
  }
}

void merge_normal_alpha(LayerImage& dst, const LayerImage& src, int opacity) {
  if (!same_size(dst, src)) return;
  opacity = std::clamp(opacity, 0, kMaxOpacity);
  Pixel* d = dst.pixels();
  const Pixel* s = src.pixels();
  const size_t n = dst.pixel_count();
  for (size_t i = 0; i < n; ++i) {
    const double as = kUnitOf[size_t((opacity * int(s[i] >> 24)) >> 7)];
    const double ad = kUnitOf[d[i] >> 24];
    const double a = as + ad - as * ad;
    const int h = int(a * 255 + 0.5);
    if (h == 0) {
      d[i] = kTransparent;
      continue;
    }
    const double e = ad * (1 - as);
    Pixel out = Pixel(h) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
      const double r = (e * channel(d[i], shift) + as * channel(s[i], shift)) / a;
      out |= Pixel(round_channel(r)) << shift;
    }
    d[i] = out;
  }
}

}  // namespace qm
