#pragma once
// Our own baseline JPEG encoder: sequential DCT, Huffman coding with the
// standard tables of ITU-T T.81 Annex K, 8-bit samples, three components
// (Y, Cb, Cr), optional 2 × 2 chroma subsampling, no restart markers.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/layer_image.h"
#include "formats/binary_file.h"

namespace qm {

struct JpegOptions {
  int quality = 85;        // clamped to 1 … 100
  bool subsample = false;  // 2 × 2 chroma subsampling (4:2:0)
  int density = 96;        // dots per inch in the JFIF header
};

// The `JPEGComp` setting: the low byte is the quality, bit 15 subsampling.
inline JpegOptions jpeg_options_from_setting(int value, int density = 96) {
  return JpegOptions{value & 0xFF, (value & 0x8000) != 0, density};
}

// The two quantisation tables for a quality, in zigzag order: [0] luminance,
// [1] chrominance.
std::array<std::array<uint8_t, 64>, 2> jpeg_quant_tables(int quality);

// Appends a whole JPEG stream (SOI … EOI) to `out`. Alpha is ignored. False
// for an empty image or one wider or taller than 65535.
bool encode_jpeg_to_memory(const LayerImage& image, const JpegOptions& options, std::vector<uint8_t>& out);

// Writes a new file at `path` through the safe-write helper.
bool EncodeJpeg(const std::string& path, const LayerImage& image, int quality, bool subsample, int density);
// Appends the stream at the current position of an open file, which stays open.
bool EncodeJpeg(BinaryFile& file, const LayerImage& image, int quality, bool subsample, int density);

namespace jpeg_detail {
// The forward DCT and quantisation of one 8 × 8 block of level-shifted
// samples (natural order, row after row), giving the quantised coefficients
// in zigzag order. `reciprocals` are the quantisation divisors' reciprocals
// with the transform's scale folded in, natural order. Exposed so a test can
// hold it against a plain reference.
void transform_block(const float* samples, const float* reciprocals, int16_t* zigzag_out);
// The same coefficients left in natural order.
void transform_block_natural(const float* samples, const float* reciprocals, int16_t* natural_out);
// The same from 16-bit samples, eight rows `stride` apart.
void transform_samples_natural(const int16_t* samples, size_t stride, const float* reciprocals,
                               int16_t* natural_out);
// The reciprocals for a quantisation table given in zigzag order.
std::array<float, 64> quant_reciprocals(const std::array<uint8_t, 64>& zigzag_table);
// The whole encoder with the entropy coder's plain scalar loops in place of
// its vector ones; kept so a test can hold the output bytes against it.
bool encode_jpeg_plain(const LayerImage& image, const JpegOptions& options, std::vector<uint8_t>& out);
extern const uint8_t kZigzag[64];  // natural index of each zigzag position
// Y − 128, Cb and Cr of `n` pixels in integer arithmetic with arithmetic
// right shifts: Y = ((77 R + 150 G + 29 B) >> 8) − 128,
// Cb = (−43 R − 85 G + 128 B) >> 8, Cr = (128 R − 107 G − 21 B) >> 8.
void ycc_row(const Pixel* pixels, int n, int16_t* y, int16_t* cb, int16_t* cr);
}  // namespace jpeg_detail

}  // namespace qm
