#pragma once
// Internal to resampling: kernels, weight tables, the alpha-weighted output
// rule and the separable passes, one set per instruction set.
//
// Every pass set gives bit-identical results: the vector sets keep each
// pixel's sums in the same order as the plain loops (no fused multiply-add,
// one lane per pixel), so only the speed differs. Tests compare them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "core/allocation_gate.h"
#include "core/layer_image.h"
#include "core/resample.h"

namespace qm::detail {

// A buffer that reports a refused allocation instead of throwing.
template <class T>
class ScratchArray {
 public:
  bool allocate(size_t count) {
    data_.reset(count && allocation_allowed() ? static_cast<T*>(std::malloc(count * sizeof(T)))
                                              : nullptr);
    size_ = data_ ? count : 0;
    return count == 0 || data_ != nullptr;
  }
  T* data() { return data_.get(); }
  const T* data() const { return data_.get(); }
  T& operator[](size_t i) { return data_.get()[i]; }
  const T& operator[](size_t i) const { return data_.get()[i]; }
  size_t size() const { return size_; }

 private:
  struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
  };
  std::unique_ptr<T, FreeDeleter> data_;
  size_t size_ = 0;
};

// clamp(trunc(v + 0.5), 0, 255); NaN gives 0.
inline uint32_t round_channel(double v) {
  const double r = v + 0.5;
  if (!(r >= 1.0)) return 0;
  if (r >= 255.0) return 255;
  return uint32_t(r);
}

// The pixel from the sums Σ w·A and Σ w·A·c of one output index.
inline Pixel weighted_pixel(double sum_a, double sum_b, double sum_g, double sum_r) {
  const uint32_t a = round_channel(sum_a);
  if (a == 0) return kTransparent;
  return make_pixel(a, round_channel(sum_r / sum_a), round_channel(sum_g / sum_a),
                    round_channel(sum_b / sum_a));
}

// k(t) of a kernel method (Mitchell … Lanczos3).
double resample_kernel(ResampleMethod method, double t);

// One pass's taps: for output index i, taps `taps` source indices (already
// clamped into the source) and their weights, divided by their sum.
struct ResampleTable {
  int outputs = 0;
  int taps = 0;
  ScratchArray<int32_t> index;  // outputs × taps
  ScratchArray<double> weight;  // outputs × taps
  const int32_t* index_row(int i) const { return index.data() + size_t(i) * size_t(taps); }
  const double* weight_row(int i) const { return weight.data() + size_t(i) * size_t(taps); }
};

// Builds the table resampling old_size source indices to new_size outputs.
// False when the table would be unreasonably large or memory is short.
bool build_table(ResampleMethod method, int old_size, int new_size, ResampleTable& out);

// Row pass: rows [y0, y1) of `src` resampled to the width of `dst` (same
// height). Column pass: rows [y0, y1) of `dst` from the columns of `src` (same
// width). Tables as built by build_table.
using RowPassFn = void (*)(const LayerImage& src, LayerImage& dst, const ResampleTable& table,
                           int y0, int y1);
using ColumnPassFn = RowPassFn;

struct PassKernels {
  RowPassFn rows;
  ColumnPassFn columns;
};

enum class ResampleSimd : int { Scalar = 0, Avx2 = 1 };

// The widest level this build and processor can run.
ResampleSimd best_resample_simd();
// The level the separable passes use now (best_resample_simd() unless changed).
ResampleSimd resample_simd();
// Chooses the level for later resampling (tests, benchmarks); a level above
// best_resample_simd() is lowered to it. Returns the level in effect.
ResampleSimd set_resample_simd(ResampleSimd level);

// Worker threads the separable passes may use (1 = the calling thread only,
// the default). Each thread writes its own rows, so the result is the same
// for any count.
int set_resample_threads(int count);
int resample_threads();

const PassKernels& scalar_passes();
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(QM_NO_SIMD)
#define QM_RESAMPLE_X86 1
const PassKernels& avx2_passes();  // call only when the CPU has AVX2
#endif

// The methods: dst is already created at the new size; false when memory for
// their tables is short.
bool resample_nearest(const LayerImage& src, LayerImage& dst);
bool resample_bilinear(const LayerImage& src, LayerImage& dst);
// Rows first (into `mid`, new width × old height), then columns.
bool resample_separable(const LayerImage& src, LayerImage& dst, ResampleMethod method);

}  // namespace qm::detail
