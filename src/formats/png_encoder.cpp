#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <memory>

#include "core/huge_pages.h"
#include "formats/png_census.h"
#include "formats/png_codec.h"
#include "formats/safe_write.h"

namespace qm {
namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
// PNG chunk lengths are limited to 2^31 − 1.
constexpr uint64_t kMaxChunkLength = 0x7FFFFFFF;

void put_u32_be(std::vector<uint8_t>& out, uint32_t v) {
  const uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
  out.insert(out.end(), b, b + 4);
}

void put_chunk(std::vector<uint8_t>& out, const char type[4], const uint8_t* data, size_t size) {
  put_u32_be(out, uint32_t(size));
  const size_t crc_start = out.size();
  out.insert(out.end(), type, type + 4);
  if (size) out.insert(out.end(), data, data + size);
  put_u32_be(out, uint32_t(crc32(0, out.data() + crc_start, uInt(size + 4))));
}

struct FreeDeleter {
  void operator()(uint8_t* p) const { std::free(p); }
};

// Builds the filtered rows (filter type 0) of the output a band at a time,
// so the raster never exists in full.
class RowSource {
 public:
  RowSource(const LayerImage& image, int colour_type, const std::vector<uint32_t>& palette)
      : image_(image), type_(colour_type), index_(palette) {
    const int bpp = colour_type == 6 ? 4 : colour_type == 2 ? 3 : 1;
    row_bytes_ = size_t(image.width()) * size_t(bpp) + 1;
  }
  size_t row_bytes() const { return row_bytes_; }

  void build(int y, uint8_t* out) const {
    const Pixel* src = image_.row(y);
    const int w = image_.width();
    *out++ = 0;
    switch (type_) {
      case 6:
        for (int x = 0; x < w; ++x) {
          const Pixel p = src[x];
          out[0] = red_of(p);
          out[1] = green_of(p);
          out[2] = blue_of(p);
          out[3] = alpha_of(p);
          out += 4;
        }
        break;
      case 2:
        for (int x = 0; x < w; ++x) {
          const Pixel p = src[x];
          out[0] = red_of(p);
          out[1] = green_of(p);
          out[2] = blue_of(p);
          out += 3;
        }
        break;
      default: {
        uint32_t last = 0xFFFFFFFF;
        uint8_t last_index = 0;
        for (int x = 0; x < w; ++x) {
          const uint32_t rgb = src[x] & 0x00FFFFFF;
          if (rgb != last) {
            last = rgb;
            last_index = index_(rgb);
          }
          out[x] = last_index;
        }
        break;
      }
    }
  }

 private:
  const LayerImage& image_;
  int type_;
  PaletteIndex index_;
  size_t row_bytes_ = 0;
};

// Deflates every row into one IDAT chunk appended to `out`. The raster is
// built whole and compressed in one call to libdeflate, several times faster
// than a streaming zlib deflate at the same level; the result is an ordinary
// zlib stream (32 KiB window) that every reader takes.
bool put_idat(std::vector<uint8_t>& out, const RowSource& rows, int height, int level) {
  const size_t row_bytes = rows.row_bytes();
  const size_t raw_size = row_bytes * size_t(height);
  // Not zeroed: every byte is written below.
  std::unique_ptr<uint8_t, FreeDeleter> raw(static_cast<uint8_t*>(std::malloc(raw_size)));
  if (!raw) return false;
  advise_huge_pages(raw.get(), raw_size);
  for (int y = 0; y < height; ++y) rows.build(y, raw.get() + size_t(y) * row_bytes);

  struct CompressorDeleter {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
  };
  std::unique_ptr<libdeflate_compressor, CompressorDeleter> c(libdeflate_alloc_compressor(level));
  if (!c) return false;
  const size_t bound = libdeflate_zlib_compress_bound(c.get(), raw_size);
  const size_t length_at = out.size();
  put_u32_be(out, 0);
  const char idat[4] = {'I', 'D', 'A', 'T'};
  out.insert(out.end(), idat, idat + 4);
  const size_t data_at = out.size();
  out.reserve(data_at + bound);
  advise_huge_pages(out.data(), out.capacity());
  out.resize(data_at + bound);
  const size_t produced = libdeflate_zlib_compress(c.get(), raw.get(), raw_size, out.data() + data_at, bound);
  raw.reset();
  if (produced == 0 || produced > kMaxChunkLength) return false;
  out.resize(data_at + produced);
  const uint32_t len = uint32_t(produced);
  out[length_at] = uint8_t(len >> 24);
  out[length_at + 1] = uint8_t(len >> 16);
  out[length_at + 2] = uint8_t(len >> 8);
  out[length_at + 3] = uint8_t(len);
  put_u32_be(out, uint32_t(crc32(0, out.data() + length_at + 4, uInt(produced + 4))));
  return true;
}

}  // namespace

int choose_png_colour_type(const LayerImage& image, bool alpha) {
  if (alpha) return 6;
  const ColourCensus census = take_colour_census(image);
  return !census.too_many && !census.colours.empty() ? 3 : 2;
}

bool encode_png(const LayerImage& image, const PngSaveOptions& options, std::vector<uint8_t>& out) {
  if (image.empty()) return false;
  const int level = options.level < 0 ? 6 : std::min(options.level, 9);

  int colour_type = 6;
  std::vector<uint32_t> palette;
  if (!options.alpha) {
    ColourCensus census = take_colour_census(image);
    if (!census.too_many && !census.colours.empty()) {
      colour_type = 3;
      palette = std::move(census.colours);
    } else {
      colour_type = 2;
    }
  }

  out.insert(out.end(), kSignature, kSignature + 8);
  uint8_t ihdr[13];
  const uint32_t w = uint32_t(image.width()), h = uint32_t(image.height());
  for (int i = 0; i < 4; ++i) {
    ihdr[i] = uint8_t(w >> (24 - 8 * i));
    ihdr[4 + i] = uint8_t(h >> (24 - 8 * i));
  }
  ihdr[8] = 8;
  ihdr[9] = uint8_t(colour_type);
  ihdr[10] = ihdr[11] = ihdr[12] = 0;
  put_chunk(out, "IHDR", ihdr, 13);

  if (colour_type == 3) {
    std::vector<uint8_t> plte;
    plte.reserve(palette.size() * 3);
    for (uint32_t c : palette) {
      plte.push_back(uint8_t(c >> 16));
      plte.push_back(uint8_t(c >> 8));
      plte.push_back(uint8_t(c));
    }
    put_chunk(out, "PLTE", plte.data(), plte.size());
  }

  if (options.transparent && colour_type != 6) {
    const uint32_t t = *options.transparent & 0x00FFFFFF;
    if (colour_type == 2) {
      const uint8_t trns[6] = {0, uint8_t(t >> 16), 0, uint8_t(t >> 8), 0, uint8_t(t)};
      put_chunk(out, "tRNS", trns, 6);
    } else {
      const auto it = std::find(palette.begin(), palette.end(), t);
      if (it != palette.end()) {
        // Opaque entries up to the transparent one, which gets 0.
        std::vector<uint8_t> trns(size_t(it - palette.begin()) + 1, 255);
        trns.back() = 0;
        put_chunk(out, "tRNS", trns.data(), trns.size());
      }
    }
  }

  if (options.dpi && *options.dpi > 0) {
    // Pixels per metre, rounded half up.
    const uint32_t ppm = uint32_t(double(*options.dpi) * 39.37007874015748 + 0.5);
    uint8_t phys[9];
    for (int i = 0; i < 4; ++i) phys[i] = phys[4 + i] = uint8_t(ppm >> (24 - 8 * i));
    phys[8] = 1;
    put_chunk(out, "pHYs", phys, 9);
  }

  const RowSource rows(image, colour_type, palette);
  if (!put_idat(out, rows, image.height(), level)) return false;
  static constexpr uint8_t kIend[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
  out.insert(out.end(), kIend, kIend + 12);
  return true;
}

bool SavePng(const std::string& path, const LayerImage& image, int level, bool alpha,
             std::optional<uint32_t> transparent, std::optional<int> dpi) {
  std::vector<uint8_t> bytes;
  if (!encode_png(image, PngSaveOptions{level, alpha, transparent, dpi}, bytes)) return false;
  return safe_write(path, [&](BinaryFile& f) { return f.write(bytes.data(), bytes.size()); });
}

}  // namespace qm
