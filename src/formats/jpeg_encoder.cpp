#include "formats/jpeg_encoder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>
#include <type_traits>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "core/huge_pages.h"
#include "formats/jpeg_avx2.h"
#include "formats/load_picture.h"
#include "formats/safe_write.h"

namespace qm {
namespace jpeg_detail {

const uint8_t kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                             12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                             35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                             58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

}  // namespace jpeg_detail

namespace {

using jpeg_detail::kZigzag;

// Annex K.1 and K.2, natural order.
constexpr uint8_t kLumaQuant[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr uint8_t kChromaQuant[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                      24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                      99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                      99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// Annex K.3 – K.6: code counts per length 1 … 16, then the symbols.
constexpr uint8_t kDcLumaBits[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
constexpr uint8_t kDcLumaVals[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr uint8_t kDcChromaBits[16] = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
constexpr uint8_t kDcChromaVals[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr uint8_t kAcLumaBits[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
constexpr uint8_t kAcLumaVals[162] = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22, 0x71,
    0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72,
    0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37,
    0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59,
    0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
    0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3,
    0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3,
    0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
    0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};
constexpr uint8_t kAcChromaBits[16] = {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77};
constexpr uint8_t kAcChromaVals[162] = {
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71, 0x13, 0x22,
    0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1,
    0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36,
    0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58,
    0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
    0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a,
    0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba,
    0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda,
    0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

// Code and length per symbol, built from the counts as Annex C does.
struct HuffmanTable {
  uint16_t code[256] = {};
  uint8_t length[256] = {};
  HuffmanTable(const uint8_t* bits, const uint8_t* vals) {
    uint32_t c = 0;
    int k = 0;
    for (int len = 1; len <= 16; ++len) {
      for (int i = 0; i < bits[len - 1]; ++i, ++k) {
        code[vals[k]] = uint16_t(c++);
        length[vals[k]] = uint8_t(len);
      }
      c <<= 1;
    }
  }
};

#if defined(__SSE2__)
using F4 = __m128;
inline F4 add(F4 a, F4 b) { return _mm_add_ps(a, b); }
inline F4 sub(F4 a, F4 b) { return _mm_sub_ps(a, b); }
inline F4 mul(F4 a, float k) { return _mm_mul_ps(a, _mm_set1_ps(k)); }
inline F4 mul(float k, F4 a) { return _mm_mul_ps(_mm_set1_ps(k), a); }
#else
// Four floats handled as one value; each lane computes exactly what scalar
// code would.
typedef float F4 __attribute__((vector_size(16)));
inline F4 add(F4 a, F4 b) { return a + b; }
inline F4 sub(F4 a, F4 b) { return a - b; }
inline F4 mul(F4 a, float k) { return a * k; }
inline F4 mul(float k, F4 a) { return k * a; }
#endif

// The Arai–Agui–Nakajima 8-point forward DCT, applied lane-wise across the
// eight values d[0] … d[7]. Outputs are scaled by 8 × s(k) as usual for it.
// Every operation is the scalar algorithm's, in the same order.
inline void aan_forward(F4* d) {
  const F4 tmp0 = add(d[0], d[7]), tmp7 = sub(d[0], d[7]);
  const F4 tmp1 = add(d[1], d[6]), tmp6 = sub(d[1], d[6]);
  const F4 tmp2 = add(d[2], d[5]), tmp5 = sub(d[2], d[5]);
  const F4 tmp3 = add(d[3], d[4]), tmp4 = sub(d[3], d[4]);

  F4 tmp10 = add(tmp0, tmp3), tmp13 = sub(tmp0, tmp3);
  F4 tmp11 = add(tmp1, tmp2), tmp12 = sub(tmp1, tmp2);
  d[0] = add(tmp10, tmp11);
  d[4] = sub(tmp10, tmp11);
  const F4 z1 = mul(add(tmp12, tmp13), 0.707106781f);
  d[2] = add(tmp13, z1);
  d[6] = sub(tmp13, z1);

  tmp10 = add(tmp4, tmp5);
  tmp11 = add(tmp5, tmp6);
  tmp12 = add(tmp6, tmp7);
  const F4 z5 = mul(sub(tmp10, tmp12), 0.382683433f);
  const F4 z2 = add(mul(0.541196100f, tmp10), z5);
  const F4 z4 = add(mul(1.306562965f, tmp12), z5);
  const F4 z3 = mul(tmp11, 0.707106781f);
  const F4 z11 = add(tmp7, z3), z13 = sub(tmp7, z3);
  d[5] = add(z13, z2);
  d[3] = sub(z13, z2);
  d[1] = add(z11, z4);
  d[7] = sub(z11, z4);
}

// An 8 × 8 block as sixteen 4-lane values: v[2r] holds columns 0–3 of row
// r, v[2r + 1] columns 4–7.
struct Block {
  F4 v[16];
};

inline void transpose4(F4& a, F4& b, F4& c, F4& d) {
#if defined(__SSE2__)
  _MM_TRANSPOSE4_PS(a, b, c, d);
#else
  const F4 r0 = a, r1 = b, r2 = c, r3 = d;
  a = F4{r0[0], r1[0], r2[0], r3[0]};
  b = F4{r0[1], r1[1], r2[1], r3[1]};
  c = F4{r0[2], r1[2], r2[2], r3[2]};
  d = F4{r0[3], r1[3], r2[3], r3[3]};
#endif
}

inline Block transpose(const Block& in) {
  Block o;
  // Rows 0–3 × columns 0–3 stay in place; the two off-diagonal quarters swap.
  F4 a0 = in.v[0], a1 = in.v[2], a2 = in.v[4], a3 = in.v[6];
  F4 b0 = in.v[1], b1 = in.v[3], b2 = in.v[5], b3 = in.v[7];
  F4 c0 = in.v[8], c1 = in.v[10], c2 = in.v[12], c3 = in.v[14];
  F4 d0 = in.v[9], d1 = in.v[11], d2 = in.v[13], d3 = in.v[15];
  transpose4(a0, a1, a2, a3);
  transpose4(b0, b1, b2, b3);
  transpose4(c0, c1, c2, c3);
  transpose4(d0, d1, d2, d3);
  o.v[0] = a0, o.v[2] = a1, o.v[4] = a2, o.v[6] = a3;
  o.v[1] = c0, o.v[3] = c1, o.v[5] = c2, o.v[7] = c3;
  o.v[8] = b0, o.v[10] = b1, o.v[12] = b2, o.v[14] = b3;
  o.v[9] = d0, o.v[11] = d1, o.v[13] = d2, o.v[15] = d3;
  return o;
}

// The 1-D transform down the columns of a block (lane-wise across rows).
inline void columns(Block& b) {
  F4 lo[8], hi[8];
  for (int r = 0; r < 8; ++r) lo[r] = b.v[2 * r], hi[r] = b.v[2 * r + 1];
  aan_forward(lo);
  aan_forward(hi);
  for (int r = 0; r < 8; ++r) b.v[2 * r] = lo[r], b.v[2 * r + 1] = hi[r];
}

}  // namespace

namespace jpeg_detail {

namespace {

// The transform and quantisation into 32-bit values, natural order.
inline void transform_quantise(const float* samples, const float* reciprocals, int32_t* q) {
  Block b;
  std::memcpy(&b, samples, sizeof b);
  // Rows first: transposed, the column transform runs along each row.
  b = transpose(b);
  columns(b);
  // Then columns: back in place, lane u holds column u of the row results.
  b = transpose(b);
  columns(b);
  for (int i = 0; i < 16; ++i) {
    F4 recip;
    std::memcpy(&recip, reciprocals + 4 * i, sizeof recip);
    // Rounded half up: floor(x + 0.5), the floor from truncation corrected
    // for negative values.
#if defined(__SSE2__)
    const __m128 x = _mm_add_ps(_mm_mul_ps(b.v[i], recip), _mm_set1_ps(0.5f));
    __m128i t = _mm_cvttps_epi32(x);
    t = _mm_add_epi32(t, _mm_castps_si128(_mm_cmpgt_ps(_mm_cvtepi32_ps(t), x)));  // true is −1
    _mm_store_si128(reinterpret_cast<__m128i*>(q + 4 * i), t);
#else
    const F4 x = b.v[i] * recip + 0.5f;
    typedef int32_t I4 __attribute__((vector_size(16)));
    I4 t = __builtin_convertvector(x, I4);
    t += (__builtin_convertvector(t, F4) > x);
    std::memcpy(q + 4 * i, &t, sizeof t);
#endif
  }
}

}  // namespace

void transform_block(const float* samples, const float* reciprocals, int16_t* zigzag_out) {
  alignas(16) int32_t q[64];
  transform_quantise(samples, reciprocals, q);
  for (int k = 0; k < 64; ++k) zigzag_out[k] = int16_t(q[kZigzag[k]]);
}

void transform_block_natural(const float* samples, const float* reciprocals, int16_t* natural_out) {
  if (jpeg_avx2::available()) return jpeg_avx2::transform_block_natural(samples, reciprocals, natural_out);
  alignas(16) int32_t q[64];
  transform_quantise(samples, reciprocals, q);
  // Quantised 8-bit coefficients stay far inside 16 bits, so the saturating
  // pack is the plain narrowing.
#if defined(__SSE2__)
  for (int i = 0; i < 8; ++i) {
    const __m128i lo = _mm_load_si128(reinterpret_cast<const __m128i*>(q + 8 * i));
    const __m128i hi = _mm_load_si128(reinterpret_cast<const __m128i*>(q + 8 * i + 4));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(natural_out + 8 * i), _mm_packs_epi32(lo, hi));
  }
#else
  for (int k = 0; k < 64; ++k) natural_out[k] = int16_t(q[k]);
#endif
}

void transform_samples_natural(const int16_t* samples, size_t stride, const float* reciprocals,
                               int16_t* natural_out) {
  if (jpeg_avx2::available()) return jpeg_avx2::transform_samples_natural(samples, stride, reciprocals, natural_out);
  alignas(16) float block[64];
  for (int r = 0; r < 8; ++r, samples += stride)
    for (int c = 0; c < 8; ++c) block[8 * r + c] = float(samples[c]);
  transform_block_natural(block, reciprocals, natural_out);
}

std::array<float, 64> quant_reciprocals(const std::array<uint8_t, 64>& zigzag_table) {
  double s[8];
  s[0] = 1.0;
  for (int k = 1; k < 8; ++k) s[k] = std::sqrt(2.0) * std::cos(k * std::numbers::pi / 16.0);
  std::array<float, 64> out{};
  for (int k = 0; k < 64; ++k) {
    const int n = kZigzag[k];
    out[size_t(n)] = float(1.0 / (double(zigzag_table[size_t(k)]) * s[n / 8] * s[n % 8] * 8.0));
  }
  return out;
}

void ycc_row(const Pixel* px, int n, int16_t* y, int16_t* cb, int16_t* cr) {
  int x = jpeg_avx2::available() ? jpeg_avx2::ycc_row(px, n, y, cb, cr) : 0;
#if defined(__SSE2__)
  // Eight pixels at a time in 16-bit lanes: every sum and product of the
  // formulas stays within 16 bits (Y's sum below 65536 unsigned, Cb's and
  // Cr's within ±32640), so the results equal the scalar ones exactly.
  const __m128i byte_mask = _mm_set1_epi32(0xFF);
  const __m128i k128 = _mm_set1_epi16(128);
  for (; x + 8 <= n; x += 8) {
    _mm_prefetch(reinterpret_cast<const char*>(px + x + 512), _MM_HINT_T0);  // as the 16-lane loop does
    const __m128i p0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px + x));
    const __m128i p1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px + x + 4));
    // Pixels are 0xAARRGGBB: pick each channel of the eight into 16-bit lanes.
    const __m128i b = _mm_packs_epi32(_mm_and_si128(p0, byte_mask), _mm_and_si128(p1, byte_mask));
    const __m128i g = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(p0, 8), byte_mask),
                                      _mm_and_si128(_mm_srli_epi32(p1, 8), byte_mask));
    const __m128i r = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(p0, 16), byte_mask),
                                      _mm_and_si128(_mm_srli_epi32(p1, 16), byte_mask));
    const __m128i ysum = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(r, _mm_set1_epi16(77)),
                                                     _mm_mullo_epi16(g, _mm_set1_epi16(150))),
                                       _mm_mullo_epi16(b, _mm_set1_epi16(29)));
    const __m128i yv = _mm_sub_epi16(_mm_srli_epi16(ysum, 8), k128);
    const __m128i cbv = _mm_srai_epi16(_mm_add_epi16(_mm_sub_epi16(_mm_mullo_epi16(r, _mm_set1_epi16(-43)),
                                                                   _mm_mullo_epi16(g, _mm_set1_epi16(85))),
                                                     _mm_slli_epi16(b, 7)),
                                       8);
    const __m128i crv = _mm_srai_epi16(_mm_sub_epi16(_mm_sub_epi16(_mm_slli_epi16(r, 7),
                                                                   _mm_mullo_epi16(g, _mm_set1_epi16(107))),
                                                     _mm_mullo_epi16(b, _mm_set1_epi16(21))),
                                       8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(y + x), yv);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(cb + x), cbv);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(cr + x), crv);
  }
#endif
  for (; x < n; ++x) {
    const int r = red_of(px[x]), g = green_of(px[x]), b = blue_of(px[x]);
    y[x] = int16_t(((77 * r + 150 * g + 29 * b) >> 8) - 128);
    cb[x] = int16_t((-43 * r - 85 * g + 128 * b) >> 8);
    cr[x] = int16_t((128 * r - 107 * g - 21 * b) >> 8);
  }
}

}  // namespace jpeg_detail

std::array<std::array<uint8_t, 64>, 2> jpeg_quant_tables(int quality) {
  quality = std::clamp(quality, 1, 100);
  std::array<std::array<uint8_t, 64>, 2> out{};
  const uint8_t* base[2] = {kLumaQuant, kChromaQuant};
  for (int t = 0; t < 2; ++t) {
    for (int k = 0; k < 64; ++k) {
      const int b = base[t][kZigzag[k]];
      const double v = quality >= 50 ? double(b * (100 - quality)) * 0.02 + 0.5 : double(b * 50) / quality + 0.5;
      out[size_t(t)][size_t(k)] = uint8_t(std::clamp(int(v), 1, 255));
    }
  }
  return out;
}

namespace {

// Entropy-coded data: bits most significant first, a 0x00 after every 0xFF.
// The plain writer flushes 32 bits at a time.
class PlainBitWriter {
 public:
  explicit PlainBitWriter(std::vector<uint8_t>& out) : out_(out) {}

  // Room for at least one block's worth of bytes (worst case well under 1 KiB).
  void reserve_block() {
    if (out_.capacity() - len_ < 2048) grow();
  }
  void put(uint32_t bits, int count) {
    acc_ = acc_ << count | bits;
    n_ += count;
    if (n_ >= 32) flush32();
  }
  // Completes the last byte with 1 bits, or writes a whole byte of them.
  void finish() {
    while (n_ >= 8) emit_byte(uint8_t(acc_ >> (n_ - 8))), n_ -= 8;
    const int fill = n_ == 0 ? 8 : 8 - n_;
    acc_ = acc_ << fill | ((1u << fill) - 1);
    n_ += fill;
    while (n_ >= 8) emit_byte(uint8_t(acc_ >> (n_ - 8))), n_ -= 8;
    out_.resize(len_);
  }
  void start() {
    len_ = out_.size();
    out_.resize(out_.capacity());
  }

 private:
  void grow() {
    out_.resize(len_);
    out_.reserve(std::max<size_t>(out_.capacity() * 2, len_ + 65536));
    out_.resize(out_.capacity());
  }
  void flush32() {
    n_ -= 32;
    const uint32_t w = uint32_t(acc_ >> n_);
    // Fast path: no 0xFF among the four bytes.
    const uint32_t inv = ~w;
    if (((inv - 0x01010101u) & ~inv & 0x80808080u) == 0) {
      uint8_t* p = out_.data() + len_;
      p[0] = uint8_t(w >> 24);
      p[1] = uint8_t(w >> 16);
      p[2] = uint8_t(w >> 8);
      p[3] = uint8_t(w);
      len_ += 4;
    } else {
      emit_byte(uint8_t(w >> 24));
      emit_byte(uint8_t(w >> 16));
      emit_byte(uint8_t(w >> 8));
      emit_byte(uint8_t(w));
    }
  }
  void emit_byte(uint8_t b) {
    out_[len_++] = b;
    if (b == 0xFF) out_[len_++] = 0;
  }
  std::vector<uint8_t>& out_;
  size_t len_ = 0;
  uint64_t acc_ = 0;
  int n_ = 0;
};

// The fast writer fills all 64 bits before it writes them, eight bytes in
// one store where none of them is 0xFF.
class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}

  void reserve_block() {
    if (out_.capacity() - len_ < 2048) grow();
  }
  // 1 ≤ count ≤ 32. Only the low n_ bits of acc_ are pending; the ones above
  // are left over and shift out.
  void put(uint32_t bits, int count) {
    if (n_ + count < 64) {
      acc_ = acc_ << count | bits;
      n_ += count;
      return;
    }
    const int room = 64 - n_;
    emit64(acc_ << room | uint64_t(bits >> (count - room)));
    n_ = count - room;
    acc_ = bits;
  }
  void finish() {
    while (n_ >= 8) emit_byte(uint8_t(acc_ >> (n_ - 8))), n_ -= 8;
    const int fill = n_ == 0 ? 8 : 8 - n_;
    acc_ = acc_ << fill | ((1u << fill) - 1);
    n_ += fill;
    while (n_ >= 8) emit_byte(uint8_t(acc_ >> (n_ - 8))), n_ -= 8;
    out_.resize(len_);
  }
  void start() {
    len_ = out_.size();
    out_.resize(out_.capacity());
  }

 private:
  void grow() {
    out_.resize(len_);
    out_.reserve(std::max<size_t>(out_.capacity() * 2, len_ + 65536));
    out_.resize(out_.capacity());
  }
  void emit64(uint64_t w) {
    const uint64_t inv = ~w;
    if (((inv - 0x0101010101010101u) & ~inv & 0x8080808080808080u) == 0) {
      const uint64_t be = __builtin_bswap64(w);
      std::memcpy(out_.data() + len_, &be, 8);
      len_ += 8;
      return;
    }
    for (int shift = 56; shift >= 0; shift -= 8) emit_byte(uint8_t(w >> shift));
  }
  void emit_byte(uint8_t b) {
    out_[len_++] = b;
    if (b == 0xFF) out_[len_++] = 0;
  }
  std::vector<uint8_t>& out_;
  size_t len_ = 0;
  uint64_t acc_ = 0;
  int n_ = 0;
};

struct Component {
  const HuffmanTable* dc;
  const HuffmanTable* ac;
  const float* recip;
  int predictor = 0;
};

// Bit k set where z[k] (k ≥ 1) is not 0. The vector form compares eight
// coefficients at a time and packs the results to bytes for movemask.
template <bool kPlain>
inline uint64_t nonzero_mask(const int16_t* z) {
  uint64_t nz = 0;
#if defined(__SSE2__)
  if constexpr (!kPlain) {
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < 4; ++i) {
      const __m128i a = _mm_cmpeq_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(z + 16 * i)), zero);
      const __m128i b = _mm_cmpeq_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(z + 16 * i + 8)), zero);
      const uint32_t is_zero = uint32_t(_mm_movemask_epi8(_mm_packs_epi16(a, b)));
      nz |= uint64_t(~is_zero & 0xFFFFu) << (16 * i);
    }
    return nz & ~uint64_t{1};
  }
#endif
  for (int k = 1; k < 64; ++k) nz |= uint64_t(z[k] != 0) << k;
  return nz;
}

// A mask over natural positions moved to zigzag positions, a byte at a time.
uint64_t zigzag_mask(uint64_t natural) {
  static const auto table = [] {
    std::array<std::array<uint64_t, 256>, 8> t{};
    uint8_t position[64];
    for (int k = 0; k < 64; ++k) position[kZigzag[k]] = uint8_t(k);
    for (int byte = 0; byte < 8; ++byte)
      for (int v = 0; v < 256; ++v)
        for (int bit = 0; bit < 8; ++bit)
          if (v >> bit & 1) t[size_t(byte)][size_t(v)] |= uint64_t{1} << position[8 * byte + bit];
    return t;
  }();
  uint64_t out = 0;
  for (int byte = 0; byte < 8; ++byte) out |= table[size_t(byte)][(natural >> (8 * byte)) & 0xFF];
  return out;
}

// The plain path reorders all 64 coefficients to zigzag order and scans them
// one by one, writing each code and its value bits separately.
inline void encode_block_plain(PlainBitWriter& w, Component& comp, const float* samples) {
  alignas(32) int16_t z[64];
  jpeg_detail::transform_block(samples, comp.recip, z);
  uint64_t nz = nonzero_mask<true>(z);
  w.reserve_block();
  // DC: the difference from the previous block of the component.
  const int diff = z[0] - comp.predictor;
  comp.predictor = z[0];
  {
    const uint32_t mag = uint32_t(diff < 0 ? -diff : diff);
    const int size = std::bit_width(mag);
    w.put(comp.dc->code[size], comp.dc->length[size]);
    if (size) w.put(uint32_t(diff < 0 ? diff - 1 : diff) & ((1u << size) - 1), size);
  }
  // AC: walk the non-zero coefficients by a bit mask.
  int last = 0;
  while (nz) {
    const int k = std::countr_zero(nz);
    nz &= nz - 1;
    int run = k - last - 1;
    while (run >= 16) {
      w.put(comp.ac->code[0xF0], comp.ac->length[0xF0]);
      run -= 16;
    }
    const int v = z[k];
    const uint32_t mag = uint32_t(v < 0 ? -v : v);
    const int size = std::bit_width(mag);
    const int symbol = run << 4 | size;
    w.put(comp.ac->code[symbol], comp.ac->length[symbol]);
    w.put(uint32_t(v < 0 ? v - 1 : v) & ((1u << size) - 1), size);
    last = k;
  }
  if (last != 63) w.put(comp.ac->code[0x00], comp.ac->length[0x00]);
}

// The value bits of a coefficient: v itself, or v − 1 when negative, low
// `size` bits. The sign is −1 or 0.
inline uint32_t value_bits(int v, int sign, int size) { return uint32_t(v + sign) & ((1u << size) - 1); }

// The fast one keeps the coefficients in natural order, finds the non-zero
// ones eight at a time, reads only those through the zigzag table and writes
// each code with its value bits in one go (at most 16 + 11 bits).
inline void encode_block_fast(BitWriter& w, Component& comp, const int16_t* samples, size_t stride) {
  alignas(32) int16_t z[64];
  jpeg_detail::transform_samples_natural(samples, stride, comp.recip, z);
  uint64_t nz = zigzag_mask(nonzero_mask<false>(z));
  w.reserve_block();
  const HuffmanTable& dc = *comp.dc;
  const HuffmanTable& ac = *comp.ac;
  {
    const int diff = z[0] - comp.predictor;
    comp.predictor = z[0];
    const int sign = diff >> 31;
    const int size = std::bit_width(uint32_t((diff ^ sign) - sign));
    w.put(uint32_t(dc.code[size]) << size | value_bits(diff, sign, size), dc.length[size] + size);
  }
  int last = 0;
  while (nz) {
    const int k = std::countr_zero(nz);
    nz &= nz - 1;
    int run = k - last - 1;
    last = k;
    while (run >= 16) {
      w.put(ac.code[0xF0], ac.length[0xF0]);
      run -= 16;
    }
    const int v = z[kZigzag[k]];
    const int sign = v >> 31;
    const int size = std::bit_width(uint32_t((v ^ sign) - sign));
    const int symbol = run << 4 | size;
    w.put(uint32_t(ac.code[symbol]) << size | value_bits(v, sign, size), ac.length[symbol] + size);
  }
  if (last != 63) w.put(ac.code[0x00], ac.length[0x00]);
}

void put_marker_segment(std::vector<uint8_t>& out, uint8_t marker, const std::vector<uint8_t>& body) {
  out.push_back(0xFF);
  out.push_back(marker);
  const size_t len = body.size() + 2;
  out.push_back(uint8_t(len >> 8));
  out.push_back(uint8_t(len));
  out.insert(out.end(), body.begin(), body.end());
}

void put_headers(std::vector<uint8_t>& out, int width, int height, const JpegOptions& o,
                 const std::array<std::array<uint8_t, 64>, 2>& q) {
  out.push_back(0xFF);
  out.push_back(0xD8);
  const uint16_t dens = uint16_t(std::clamp(o.density, 1, 65535));
  put_marker_segment(out, 0xE0,
                     {'J', 'F', 'I', 'F', 0, 1, 1, 1, uint8_t(dens >> 8), uint8_t(dens), uint8_t(dens >> 8),
                      uint8_t(dens), 0, 0});
  std::vector<uint8_t> dqt;
  for (int t = 0; t < 2; ++t) {
    dqt.push_back(uint8_t(t));
    dqt.insert(dqt.end(), q[size_t(t)].begin(), q[size_t(t)].end());
  }
  put_marker_segment(out, 0xDB, dqt);
  put_marker_segment(out, 0xC0,
                     {8, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width), 3, 1,
                      uint8_t(o.subsample ? 0x22 : 0x11), 0, 2, 0x11, 1, 3, 0x11, 1});
  std::vector<uint8_t> dht;
  const auto add = [&](uint8_t id, const uint8_t* bits, const uint8_t* vals) {
    dht.push_back(id);
    int n = 0;
    for (int i = 0; i < 16; ++i) n += bits[i];
    dht.insert(dht.end(), bits, bits + 16);
    dht.insert(dht.end(), vals, vals + n);
  };
  add(0x00, kDcLumaBits, kDcLumaVals);
  add(0x10, kAcLumaBits, kAcLumaVals);
  add(0x01, kDcChromaBits, kDcChromaVals);
  add(0x11, kAcChromaBits, kAcChromaVals);
  put_marker_segment(out, 0xC4, dht);
  put_marker_segment(out, 0xDA, {3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0});
}

}  // namespace

namespace {

// Eight rows of eight samples, `stride` apart, as floats.
void load_block_plain(const int16_t* src, size_t stride, float* block) {
  for (int r = 0; r < 8; ++r, src += stride)
    for (int c = 0; c < 8; ++c) block[8 * r + c] = float(src[c]);
}

// The sum of each 2 × 2 neighbourhood of a 16 × 16 area over 4, truncated
// toward zero.
void downsample_block_plain(const int16_t* src, size_t stride, float* block) {
  for (int r = 0; r < 8; ++r) {
    const int16_t* a = src + size_t(2 * r) * stride;
    const int16_t* b = a + stride;
    for (int c = 0; c < 8; ++c) {
      const int s = a[2 * c] + a[2 * c + 1] + b[2 * c] + b[2 * c + 1];
      block[8 * r + c] = float(s / 4);
    }
  }
}

// One row of halved samples from two full rows of n samples (n even), as
// downsample_block_plain computes each, into 16 bits (they stay within ±256).
#if defined(__SSE2__)
// The vertical pair sums fit 16 bits; madd adds the horizontal pairs into 32
// bits. Truncation toward zero: add 3 to negative sums before the shift.
inline __m128i quarter_toward_zero(__m128i s) {
  return _mm_srai_epi32(_mm_add_epi32(s, _mm_and_si128(_mm_srai_epi32(s, 31), _mm_set1_epi32(3))), 2);
}
#endif

void downsample_rows(const int16_t* a, const int16_t* b, int n, int16_t* out) {
  int x = 0;
#if defined(__SSE2__)
  const __m128i ones = _mm_set1_epi16(1);
  for (; x + 16 <= n; x += 16) {
    const __m128i lo = _mm_add_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x)),
                                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x)));
    const __m128i hi = _mm_add_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x + 8)),
                                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x + 8)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x / 2),
                     _mm_packs_epi32(quarter_toward_zero(_mm_madd_epi16(lo, ones)),
                                     quarter_toward_zero(_mm_madd_epi16(hi, ones))));
  }
#endif
  for (; x < n; x += 2) out[x / 2] = int16_t((a[x] + a[x + 1] + b[x] + b[x + 1]) / 4);
}

// One image row into 16-bit Y, Cb and Cr rows of `padded` samples; samples
// past the image repeat its last column.
void convert_row(const Pixel* px, int w, int padded, int16_t* y, int16_t* cb, int16_t* cr) {
  jpeg_detail::ycc_row(px, w, y, cb, cr);
  for (int x = w; x < padded; ++x) y[x] = y[w - 1], cb[x] = cb[w - 1], cr[x] = cr[w - 1];
}

template <bool kPlain>
bool encode_with(const LayerImage& image, const JpegOptions& options_in, std::vector<uint8_t>& out) {
  if (image.empty() || image.width() > 65535 || image.height() > 65535) return false;
  JpegOptions o = options_in;
  o.quality = std::clamp(o.quality, 1, 100);
  const int w = image.width(), h = image.height();
  const auto q = jpeg_quant_tables(o.quality);
  const std::array<float, 64> recip_luma = jpeg_detail::quant_reciprocals(q[0]);
  const std::array<float, 64> recip_chroma = jpeg_detail::quant_reciprocals(q[1]);
  static const HuffmanTable dc_luma(kDcLumaBits, kDcLumaVals), ac_luma(kAcLumaBits, kAcLumaVals);
  static const HuffmanTable dc_chroma(kDcChromaBits, kDcChromaVals), ac_chroma(kAcChromaBits, kAcChromaVals);
  Component yc{&dc_luma, &ac_luma, recip_luma.data()};
  Component cbc{&dc_chroma, &ac_chroma, recip_chroma.data()};
  Component crc{&dc_chroma, &ac_chroma, recip_chroma.data()};

  put_headers(out, w, h, o, q);
  // Compressed size is rarely above a byte a pixel at usual qualities.
  out.reserve(out.size() + size_t(image.pixel_count() / 2) + 65536);
  advise_huge_pages(out.data(), out.capacity());
  std::conditional_t<kPlain, PlainBitWriter, BitWriter> bits(out);
  bits.start();

  // One strip of MCU rows at a time, converted once into 16-bit planes.
  // Samples outside the image repeat the last column or row.
  const int mcu = o.subsample ? 16 : 8;
  const int padded = (w + mcu - 1) / mcu * mcu;
  std::vector<int16_t> planes(size_t(3) * size_t(mcu) * size_t(padded));
  int16_t* yp = planes.data();
  int16_t* cbp = yp + size_t(mcu) * size_t(padded);
  int16_t* crp = cbp + size_t(mcu) * size_t(padded);
  alignas(16) float ybuf[4][64], cbbuf[64], crbuf[64];
  const size_t stride = size_t(padded);
  const auto load = [&](const int16_t* plane, int x0, int y0, float* block) {
    load_block_plain(plane + size_t(y0) * stride + size_t(x0), stride, block);
  };
  // The fast 4:2:0 path halves Cb and Cr while each pair of rows is fresh,
  // into the first half of their planes, so the blocks read them directly.
  const bool halve_while_converting = !kPlain && o.subsample;
  const size_t half_stride = stride / 2;
  std::vector<int16_t> pair_rows(halve_while_converting ? size_t(4) * stride : 0);
  for (int my = 0; my < h; my += mcu) {
    if (halve_while_converting) {
      int16_t* cb0 = pair_rows.data();
      int16_t* cr0 = cb0 + stride;
      int16_t* cb1 = cr0 + stride;
      int16_t* cr1 = cb1 + stride;
      for (int r = 0; r < mcu; r += 2) {
        convert_row(image.row(std::min(my + r, h - 1)), w, padded, yp + size_t(r) * stride, cb0, cr0);
        convert_row(image.row(std::min(my + r + 1, h - 1)), w, padded, yp + size_t(r + 1) * stride, cb1, cr1);
        downsample_rows(cb0, cb1, padded, cbp + size_t(r / 2) * half_stride);
        downsample_rows(cr0, cr1, padded, crp + size_t(r / 2) * half_stride);
      }
    } else {
      for (int r = 0; r < mcu; ++r) {
        const size_t at = size_t(r) * stride;
        convert_row(image.row(std::min(my + r, h - 1)), w, padded, yp + at, cbp + at, crp + at);
      }
    }
    for (int mx = 0; mx < w; mx += mcu) {
      if constexpr (!kPlain) {
        // Blocks straight from the planes, converted inside the transform.
        if (!o.subsample) {
          encode_block_fast(bits, yc, yp + mx, stride);
          encode_block_fast(bits, cbc, cbp + mx, stride);
          encode_block_fast(bits, crc, crp + mx, stride);
          continue;
        }
        encode_block_fast(bits, yc, yp + mx, stride);
        encode_block_fast(bits, yc, yp + mx + 8, stride);
        encode_block_fast(bits, yc, yp + 8 * stride + size_t(mx), stride);
        encode_block_fast(bits, yc, yp + 8 * stride + size_t(mx) + 8, stride);
        encode_block_fast(bits, cbc, cbp + mx / 2, half_stride);
        encode_block_fast(bits, crc, crp + mx / 2, half_stride);
      } else {
        if (!o.subsample) {
          load(yp, mx, 0, ybuf[0]);
          load(cbp, mx, 0, cbbuf);
          load(crp, mx, 0, crbuf);
          encode_block_plain(bits, yc, ybuf[0]);
          encode_block_plain(bits, cbc, cbbuf);
          encode_block_plain(bits, crc, crbuf);
          continue;
        }
        // Four Y blocks in the order (0,0), (8,0), (0,8), (8,8), then Cb and
        // Cr downsampled.
        load(yp, mx, 0, ybuf[0]);
        load(yp, mx + 8, 0, ybuf[1]);
        load(yp, mx, 8, ybuf[2]);
        load(yp, mx + 8, 8, ybuf[3]);
        downsample_block_plain(cbp + mx, stride, cbbuf);
        downsample_block_plain(crp + mx, stride, crbuf);
        for (int k = 0; k < 4; ++k) encode_block_plain(bits, yc, ybuf[k]);
        encode_block_plain(bits, cbc, cbbuf);
        encode_block_plain(bits, crc, crbuf);
      }
    }
  }
  bits.finish();
  out.push_back(0xFF);
  out.push_back(0xD9);
  return true;
}

}  // namespace

bool encode_jpeg_to_memory(const LayerImage& image, const JpegOptions& options, std::vector<uint8_t>& out) {
  return encode_with<false>(image, options, out);
}

bool jpeg_detail::encode_jpeg_plain(const LayerImage& image, const JpegOptions& options, std::vector<uint8_t>& out) {
  return encode_with<true>(image, options, out);
}

bool EncodeJpeg(const std::string& path, const LayerImage& image, int quality, bool subsample, int density) {
  std::vector<uint8_t> bytes;
  if (!encode_jpeg_to_memory(image, JpegOptions{quality, subsample, density}, bytes)) return false;
  return safe_write(path, [&](BinaryFile& f) { return f.write(bytes.data(), bytes.size()); });
}

bool EncodeJpeg(BinaryFile& file, const LayerImage& image, int quality, bool subsample, int density) {
  std::vector<uint8_t> bytes;
  if (!file.is_open() || !encode_jpeg_to_memory(image, JpegOptions{quality, subsample, density}, bytes)) return false;
  return file.write(bytes.data(), bytes.size());
}

}  // namespace qm
