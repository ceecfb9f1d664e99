// AVX2 passes of the kernel methods. Each 64-bit lane carries one output
// pixel through exactly the scalar sequence of operations (w·A, then the sums
// over the taps in order, the division and trunc(x + 0.5) with clamping);
// there is no fused multiply-add, so the results equal the scalar passes.
//
// Row pass: four source rows at a time, converted once into doubles laid out
// per column (A, B, G, R of the four rows), so each tap is a load and the
// lanes are the four rows. Column pass: the lanes are neighbouring columns,
// which share the tap rows and weights; the tap rows are converted to doubles
// once each and kept in a small ring while the output rows move down.
#include "core/resample_internal.h"

#ifdef QM_RESAMPLE_X86
#include <immintrin.h>

#include <algorithm>
#include <cstdint>

#define QM_AVX2 __attribute__((target("avx2")))

namespace qm::detail {
namespace {

// Doubles per source column in the row pass's buffer: A, B, G, R × 4 rows.
constexpr int kColumnDoubles = 16;

// clamp(trunc(v + 0.5), 0, 255), as trunc of the clamped value.
QM_AVX2 inline __m128i round4(__m256d v) {
  const __m256d r = _mm256_add_pd(v, _mm256_set1_pd(0.5));
  return _mm256_cvttpd_epi32(
      _mm256_max_pd(_mm256_min_pd(r, _mm256_set1_pd(255)), _mm256_setzero_pd()));
}

// The four pixels' channels, each finished by the alpha-weighted rule. Lanes
// whose alpha rounds to 0 may divide by 0; they become kTransparent.
QM_AVX2 inline __m128i finish4(__m256d sa, __m256d sb, __m256d sg, __m256d sr) {
  const __m128i a = round4(sa);
  const __m128i r = round4(_mm256_div_pd(sr, sa));
  const __m128i g = round4(_mm256_div_pd(sg, sa));
  const __m128i b = round4(_mm256_div_pd(sb, sa));
  const __m128i pixel = _mm_or_si128(_mm_or_si128(_mm_slli_epi32(a, 24), _mm_slli_epi32(r, 16)),
                                     _mm_or_si128(_mm_slli_epi32(g, 8), b));
  const __m128i empty = _mm_cmpeq_epi32(a, _mm_setzero_si128());
  return _mm_blendv_epi8(pixel, _mm_set1_epi32(int(kTransparent)), empty);
}

// Four pixels (one per row) of one column into the column's 16 doubles.
QM_AVX2 inline void split_column(__m128i px, double* out) {
  const __m128i ff = _mm_set1_epi32(0xFF);
  _mm256_store_pd(out, _mm256_cvtepi32_pd(_mm_srli_epi32(px, 24)));
  _mm256_store_pd(out + 4, _mm256_cvtepi32_pd(_mm_and_si128(px, ff)));
  _mm256_store_pd(out + 8, _mm256_cvtepi32_pd(_mm_and_si128(_mm_srli_epi32(px, 8), ff)));
  _mm256_store_pd(out + 12, _mm256_cvtepi32_pd(_mm_and_si128(_mm_srli_epi32(px, 16), ff)));
}

// Rows r[0 … 3] (n pixels each) into the per-column buffer, transposing
// 4 × 4 blocks of pixels.
QM_AVX2 void columns_of_rows(const Pixel* const r[4], int n, double* out) {
  int x = 0;
  for (; x + 4 <= n; x += 4) {
    const __m128i p0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r[0] + x));
    const __m128i p1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r[1] + x));
    const __m128i p2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r[2] + x));
    const __m128i p3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r[3] + x));
    const __m128i t0 = _mm_unpacklo_epi32(p0, p1), t1 = _mm_unpacklo_epi32(p2, p3);
    const __m128i t2 = _mm_unpackhi_epi32(p0, p1), t3 = _mm_unpackhi_epi32(p2, p3);
    double* o = out + size_t(x) * kColumnDoubles;
    split_column(_mm_unpacklo_epi64(t0, t1), o);
    split_column(_mm_unpackhi_epi64(t0, t1), o + kColumnDoubles);
    split_column(_mm_unpacklo_epi64(t2, t3), o + 2 * kColumnDoubles);
    split_column(_mm_unpackhi_epi64(t2, t3), o + 3 * kColumnDoubles);
  }
  for (; x < n; ++x)
    split_column(_mm_setr_epi32(int(r[0][x]), int(r[1][x]), int(r[2][x]), int(r[3][x])),
                 out + size_t(x) * kColumnDoubles);
}

struct Sums {
  __m256d a, b, g, r;
};

// One output column of the row pass for the four rows in `columns`.
QM_AVX2 inline Sums row_taps(const double* columns, const int32_t* index, const double* weight,
                             int taps) {
  __m256d sa = _mm256_setzero_pd(), sb = sa, sg = sa, sr = sa;
  for (int j = 0; j < taps; ++j) {
    const double* c = columns + size_t(index[j]) * kColumnDoubles;
    const __m256d wa = _mm256_mul_pd(_mm256_broadcast_sd(weight + j), _mm256_load_pd(c));
    sa = _mm256_add_pd(sa, wa);
    sb = _mm256_add_pd(sb, _mm256_mul_pd(wa, _mm256_load_pd(c + 4)));
    sg = _mm256_add_pd(sg, _mm256_mul_pd(wa, _mm256_load_pd(c + 8)));
    sr = _mm256_add_pd(sr, _mm256_mul_pd(wa, _mm256_load_pd(c + 12)));
  }
  return {sa, sb, sg, sr};
}

QM_AVX2 inline void store_rows(__m128i px, Pixel* const out[4], int rows, int x) {
  alignas(16) Pixel lanes[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), px);
  for (int k = 0; k < rows; ++k) out[k][x] = lanes[k];
}

QM_AVX2 void row_pass_avx2(const LayerImage& src, LayerImage& dst, const ResampleTable& table,
                           int y0, int y1) {
  const int width = src.width(), taps = table.taps;
  // 32-byte aligned buffer of width × 16 doubles.
  ScratchArray<double> buffer;
  if (!buffer.allocate(size_t(width) * kColumnDoubles + 4)) {
    scalar_passes().rows(src, dst, table, y0, y1);
    return;
  }
  double* columns = buffer.data();
  while (reinterpret_cast<uintptr_t>(columns) % 32) ++columns;

  for (int y = y0; y < y1; y += 4) {
    // A short last strip repeats its last row in the unused lanes.
    const int rows = std::min(4, y1 - y);
    const Pixel* in[4];
    Pixel* out[4];
    for (int k = 0; k < 4; ++k) {
      in[k] = src.row(y + std::min(k, rows - 1));
      out[k] = dst.row(y + std::min(k, rows - 1));
    }
    columns_of_rows(in, width, columns);
    int x = 0;
    // Two outputs at a time keep eight independent sums in flight.
    for (; x + 2 <= table.outputs; x += 2) {
      const Sums s0 = row_taps(columns, table.index_row(x), table.weight_row(x), taps);
      const Sums s1 = row_taps(columns, table.index_row(x + 1), table.weight_row(x + 1), taps);
      store_rows(finish4(s0.a, s0.b, s0.g, s0.r), out, rows, x);
      store_rows(finish4(s1.a, s1.b, s1.g, s1.r), out, rows, x + 1);
    }
    for (; x < table.outputs; ++x) {
      const Sums s = row_taps(columns, table.index_row(x), table.weight_row(x), taps);
      store_rows(finish4(s.a, s.b, s.g, s.r), out, rows, x);
    }
  }
}

// Four neighbouring pixels of one row as doubles, channel by channel.
struct Channels {
  __m256d a, b, g, r;
};

QM_AVX2 inline void split_pixels(__m256i v, Channels& lo, Channels& hi) {
  const __m256i ff = _mm256_set1_epi32(0xFF);
  const __m256i a = _mm256_srli_epi32(v, 24);
  const __m256i b = _mm256_and_si256(v, ff);
  const __m256i g = _mm256_and_si256(_mm256_srli_epi32(v, 8), ff);
  const __m256i r = _mm256_and_si256(_mm256_srli_epi32(v, 16), ff);
  lo = {_mm256_cvtepi32_pd(_mm256_castsi256_si128(a)), _mm256_cvtepi32_pd(_mm256_castsi256_si128(b)),
        _mm256_cvtepi32_pd(_mm256_castsi256_si128(g)), _mm256_cvtepi32_pd(_mm256_castsi256_si128(r))};
  hi = {_mm256_cvtepi32_pd(_mm256_extracti128_si256(a, 1)),
        _mm256_cvtepi32_pd(_mm256_extracti128_si256(b, 1)),
        _mm256_cvtepi32_pd(_mm256_extracti128_si256(g, 1)),
        _mm256_cvtepi32_pd(_mm256_extracti128_si256(r, 1))};
}

QM_AVX2 inline void add_tap(Sums& s, __m256d w, const Channels& c) {
  const __m256d wa = _mm256_mul_pd(w, c.a);
  s.a = _mm256_add_pd(s.a, wa);
  s.b = _mm256_add_pd(s.b, _mm256_mul_pd(wa, c.b));
  s.g = _mm256_add_pd(s.g, _mm256_mul_pd(wa, c.g));
  s.r = _mm256_add_pd(s.r, _mm256_mul_pd(wa, c.r));
}

// The last columns of a row (fewer than eight) one at a time, in the scalar
// order.
inline void column_tail(const LayerImage& src, Pixel* out, int x, int width,
                        const int32_t* index, const double* weight, int taps) {
  for (; x < width; ++x) {
    double sa = 0, sb = 0, sg = 0, sr = 0;
    for (int j = 0; j < taps; ++j) {
      const Pixel p = src.row(index[j])[x];
      const double wa = weight[j] * alpha_of(p);
      sa += wa;
      sb += wa * blue_of(p);
      sg += wa * green_of(p);
      sr += wa * red_of(p);
    }
    out[x] = weighted_pixel(sa, sb, sg, sr);
  }
}

// Column pass converting the tap rows' pixels as it goes: for tap windows too
// tall to keep converted.
QM_AVX2 void column_pass_direct(const LayerImage& src, LayerImage& dst,
                                const ResampleTable& table, int y0, int y1) {
  const int width = dst.width(), taps = table.taps;
  for (int y = y0; y < y1; ++y) {
    const int32_t* index = table.index_row(y);
    const double* weight = table.weight_row(y);
    Pixel* out = dst.row(y);
    int x = 0;
    for (; x + 8 <= width; x += 8) {
      Sums s0{_mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd()};
      Sums s1 = s0;
      for (int j = 0; j < taps; ++j) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src.row(index[j]) + x));
        Channels lo, hi;
        split_pixels(v, lo, hi);
        const __m256d w = _mm256_broadcast_sd(weight + j);
        add_tap(s0, w, lo);
        add_tap(s1, w, hi);
      }
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), finish4(s0.a, s0.b, s0.g, s0.r));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x + 4), finish4(s1.a, s1.b, s1.g, s1.r));
    }
    column_tail(src, out, x, width, index, weight, taps);
  }
}

// Converted source rows, kept while output rows still need them: a ring of
// `taps` slots, source row r in slot r mod taps (an output's taps span at
// most `taps` consecutive rows, and the span only moves down). Each slot holds
// the row's A, B, G and R planes of `stride` doubles.
class RowCache {
 public:
  bool init(int taps, int width) {
    taps_ = taps;
    stride_ = (size_t(width) + 3) & ~size_t{3};
    if (!rows_.allocate(size_t(taps)) || !buffer_.allocate(size_t(taps) * stride_ * 4 + 4))
      return false;
    for (int i = 0; i < taps; ++i) rows_[size_t(i)] = -1;
    base_ = buffer_.data();
    while (reinterpret_cast<uintptr_t>(base_) % 32) ++base_;
    return true;
  }
  size_t stride() const { return stride_; }
  // The planes of source row r, converted now unless already there.
  QM_AVX2 const double* planes(const LayerImage& src, int r) {
    const size_t slot = size_t(r % taps_);
    double* p = base_ + slot * stride_ * 4;
    if (rows_[slot] != r) {
      convert(src.row(r), src.width(), p);
      rows_[slot] = r;
    }
    return p;
  }

 private:
  QM_AVX2 void convert(const Pixel* in, int width, double* p) const {
    double *a = p, *b = p + stride_, *g = p + 2 * stride_, *r = p + 3 * stride_;
    int x = 0;
    for (; x + 8 <= width; x += 8) {
      Channels lo, hi;
      split_pixels(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + x)), lo, hi);
      _mm256_store_pd(a + x, lo.a);
      _mm256_store_pd(a + x + 4, hi.a);
      _mm256_store_pd(b + x, lo.b);
      _mm256_store_pd(b + x + 4, hi.b);
      _mm256_store_pd(g + x, lo.g);
      _mm256_store_pd(g + x + 4, hi.g);
      _mm256_store_pd(r + x, lo.r);
      _mm256_store_pd(r + x + 4, hi.r);
    }
    for (; x < width; ++x) {
      a[x] = alpha_of(in[x]);
      b[x] = blue_of(in[x]);
      g[x] = green_of(in[x]);
      r[x] = red_of(in[x]);
    }
  }

  int taps_ = 0;
  size_t stride_ = 0;
  ScratchArray<int> rows_;
  ScratchArray<double> buffer_;
  double* base_ = nullptr;
};

QM_AVX2 inline void add_tap_planes(Sums& s, __m256d w, const double* p, size_t stride) {
  const __m256d wa = _mm256_mul_pd(w, _mm256_load_pd(p));
  s.a = _mm256_add_pd(s.a, wa);
  s.b = _mm256_add_pd(s.b, _mm256_mul_pd(wa, _mm256_load_pd(p + stride)));
  s.g = _mm256_add_pd(s.g, _mm256_mul_pd(wa, _mm256_load_pd(p + 2 * stride)));
  s.r = _mm256_add_pd(s.r, _mm256_mul_pd(wa, _mm256_load_pd(p + 3 * stride)));
}

// Largest ring of converted rows worth keeping: taps and bytes.
constexpr int kMaxCachedTaps = 64;
constexpr size_t kMaxRowCacheBytes = size_t{16} << 20;

// Each source row is used by about six output rows, so it is converted once
// into the ring and read from there as doubles.
QM_AVX2 void column_pass_avx2(const LayerImage& src, LayerImage& dst, const ResampleTable& table,
                              int y0, int y1) {
  const int width = dst.width(), taps = table.taps;
  RowCache cache;
  if (taps > kMaxCachedTaps || size_t(taps) * size_t(width) * 32 > kMaxRowCacheBytes ||
      !cache.init(taps, width)) {
    column_pass_direct(src, dst, table, y0, y1);
    return;
  }
  const size_t stride = cache.stride();
  const double* rows[kMaxCachedTaps];
  for (int y = y0; y < y1; ++y) {
    const int32_t* index = table.index_row(y);
    const double* weight = table.weight_row(y);
    for (int j = 0; j < taps; ++j) rows[j] = cache.planes(src, index[j]);
    Pixel* out = dst.row(y);
    int x = 0;
    for (; x + 8 <= width; x += 8) {
      Sums s0{_mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd()};
      Sums s1 = s0;
      for (int j = 0; j < taps; ++j) {
        const __m256d w = _mm256_broadcast_sd(weight + j);
        add_tap_planes(s0, w, rows[j] + x, stride);
        add_tap_planes(s1, w, rows[j] + x + 4, stride);
      }
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), finish4(s0.a, s0.b, s0.g, s0.r));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x + 4), finish4(s1.a, s1.b, s1.g, s1.r));
    }
    column_tail(src, out, x, width, index, weight, taps);
  }
}

}  // namespace

const PassKernels& avx2_passes() {
  static const PassKernels passes{row_pass_avx2, column_pass_avx2};
  return passes;
}

}  // namespace qm::detail

#endif  // QM_RESAMPLE_X86
