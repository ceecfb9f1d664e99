// The kernel methods (Mitchell, Lagrange, Lanczos2, Lanczos3): rows first,
// then columns, each pass with one weight table built for the whole pass.
//
// The row pass writes an ordinary 8-bit raster (new width × old height): each
// of its pixels is finished by the alpha-weighted output rule — rounded,
// clamped, kTransparent where alpha rounds to 0 — and the column pass resamples
// that raster like any other. Both passes are a resampling of a raster in
// their own right; no wider intermediate is kept between them.
#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "core/cpu_features.h"
#include "core/resample_internal.h"

namespace qm::detail {
namespace {

void row_pass_scalar(const LayerImage& src, LayerImage& dst, const ResampleTable& table, int y0,
                     int y1) {
  const int taps = table.taps;
  for (int y = y0; y < y1; ++y) {
    const Pixel* in = src.row(y);
    Pixel* out = dst.row(y);
    for (int x = 0; x < table.outputs; ++x) {
      const int32_t* index = table.index_row(x);
      const double* weight = table.weight_row(x);
      double sa = 0, sb = 0, sg = 0, sr = 0;
      for (int j = 0; j < taps; ++j) {
        const Pixel p = in[index[j]];
        const double wa = weight[j] * alpha_of(p);
        sa += wa;
        sb += wa * blue_of(p);
        sg += wa * green_of(p);
        sr += wa * red_of(p);
      }
      out[x] = weighted_pixel(sa, sb, sg, sr);
    }
  }
}

// Walks each output row in blocks of columns so the tap rows are read
// sequentially; each pixel's sums still run over the taps in order.
void column_pass_scalar(const LayerImage& src, LayerImage& dst, const ResampleTable& table,
                        int y0, int y1) {
  constexpr int kBlock = 64;
  const int width = dst.width(), taps = table.taps;
  double sa[kBlock], sb[kBlock], sg[kBlock], sr[kBlock];
  for (int y = y0; y < y1; ++y) {
    const int32_t* index = table.index_row(y);
    const double* weight = table.weight_row(y);
    Pixel* out = dst.row(y);
    for (int bx = 0; bx < width; bx += kBlock) {
      const int n = std::min(kBlock, width - bx);
      std::fill_n(sa, n, 0.0);
      std::fill_n(sb, n, 0.0);
      std::fill_n(sg, n, 0.0);
      std::fill_n(sr, n, 0.0);
      for (int j = 0; j < taps; ++j) {
        const Pixel* in = src.row(index[j]) + bx;
        const double w = weight[j];
        for (int i = 0; i < n; ++i) {
          const Pixel p = in[i];
          const double wa = w * alpha_of(p);
          sa[i] += wa;
          sb[i] += wa * blue_of(p);
          sg[i] += wa * green_of(p);
          sr[i] += wa * red_of(p);
        }
      }
      for (int i = 0; i < n; ++i) out[bx + i] = weighted_pixel(sa[i], sb[i], sg[i], sr[i]);
    }
  }
}

std::atomic<int> g_simd{-1};
std::atomic<int> g_threads{1};

const PassKernels& current_passes() {
#ifdef QM_RESAMPLE_X86
  if (resample_simd() == ResampleSimd::Avx2) return avx2_passes();
#endif
  return scalar_passes();
}

// Runs fn over rows [0, rows) of dst, split into contiguous runs (multiples
// of 4 rows, the vector passes' strip height) over the worker threads.
void run_pass(RowPassFn fn, const LayerImage& src, LayerImage& dst, const ResampleTable& table) {
  const int rows = dst.height();
  const int threads = std::clamp(resample_threads(), 1, std::max(1, rows / 16));
  if (threads == 1) {
    fn(src, dst, table, 0, rows);
    return;
  }
  auto bound = [&](int t) { return t == threads ? rows : (int64_t{rows} * t / threads) & ~3; };
  std::vector<std::thread> workers;
  int inline_from = threads;
  for (int t = 1; t < threads; ++t) {
    try {
      workers.emplace_back(fn, std::cref(src), std::ref(dst), std::cref(table), int(bound(t)),
                           int(bound(t + 1)));
    } catch (...) {
      // No thread to be had: the remaining runs are done here.
      inline_from = t;
      break;
    }
  }
  fn(src, dst, table, 0, int(bound(1)));
  for (int t = inline_from; t < threads; ++t) fn(src, dst, table, int(bound(t)), int(bound(t + 1)));
  for (std::thread& w : workers) w.join();
}

}  // namespace

const PassKernels& scalar_passes() {
  static const PassKernels passes{row_pass_scalar, column_pass_scalar};
  return passes;
}

ResampleSimd best_resample_simd() {
#ifdef QM_RESAMPLE_X86
  if (cpu_has_avx2()) return ResampleSimd::Avx2;
#endif
  return ResampleSimd::Scalar;
}

ResampleSimd resample_simd() {
  int level = g_simd.load(std::memory_order_relaxed);
  if (level < 0) {
    level = int(best_resample_simd());
    g_simd.store(level, std::memory_order_relaxed);
  }
  return ResampleSimd(level);
}

ResampleSimd set_resample_simd(ResampleSimd level) {
  const ResampleSimd chosen = std::min(level, best_resample_simd());
  g_simd.store(int(chosen), std::memory_order_relaxed);
  return chosen;
}

int set_resample_threads(int count) {
  const int chosen = std::clamp(count, 1, 64);
  g_threads.store(chosen, std::memory_order_relaxed);
  return chosen;
}

int resample_threads() { return g_threads.load(std::memory_order_relaxed); }

bool resample_separable(const LayerImage& src, LayerImage& dst, ResampleMethod method) {
  const int new_w = dst.width(), new_h = dst.height();
  ResampleTable columns_of_rows, rows_of_columns;
  LayerImage mid;
  if (!build_table(method, src.width(), new_w, columns_of_rows) ||
      !build_table(method, src.height(), new_h, rows_of_columns) ||
      !mid.create(new_w, src.height()))
    return false;
  const PassKernels& passes = current_passes();
  run_pass(passes.rows, src, mid, columns_of_rows);
  run_pass(passes.columns, mid, dst, rows_of_columns);
  return true;
}

}  // namespace qm::detail
