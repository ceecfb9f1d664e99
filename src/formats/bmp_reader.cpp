// Our own bounded BMP reader: every offset and size from the file is checked
// against the file before it is used, and the picture size before allocation.
#include <algorithm>
#include <bit>
#include <climits>

#include "formats/bmp_codec.h"
#include "formats/load_picture.h"

namespace qm {
namespace {

inline uint32_t le16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
inline uint32_t le32(const uint8_t* p) { return le16(p) | le16(p + 2) << 16; }

enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

// One colour channel of a bit-field pixel, scaled to 8 bits with rounding.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;  // largest value after shifting
  bool set(uint32_t m) {
    mask = m;
    if (m == 0) return true;
    shift = std::countr_zero(m);
    max = m >> shift;
    return (max & (max + 1)) == 0;  // contiguous bits only
  }
  uint32_t operator()(uint32_t px) const {
    if (max == 0) return 0;
    const uint64_t v = (px & mask) >> shift;
    return uint32_t((v * 255 + max / 2) / max);
  }
};

struct Info {
  int64_t width = 0, height = 0;
  uint32_t bits = 0, compression = 0, colours_used = 0, image_size = 0;
  bool os2 = false;      // OS/2 1.x or 2.x header
  bool core = false;     // the 12-byte header: 3-byte palette entries
  bool have_masks = false;
  uint32_t masks[3] = {0, 0, 0};
};

LoadResult parse_header(const uint8_t* d, size_t size, uint32_t header_size, Info& info) {
  const uint8_t* h = d + 14;
  if (header_size == 12) {
    if (size < 14 + 12) return LoadResult::Damaged;
    info.core = info.os2 = true;
    info.width = le16(h + 4);
    info.height = int16_t(le16(h + 6));
    if (le16(h + 8) != 1) return LoadResult::WrongFormat;
    info.bits = le16(h + 10);
    return LoadResult::Success;
  }
  const bool windows = header_size == 40 || header_size == 52 || header_size == 56 || header_size == 108 ||
                       header_size == 124;
  const bool os2 = !windows && header_size >= 16 && header_size <= 64 && header_size % 4 == 0;
  if (!windows && !os2) return LoadResult::WrongFormat;
  if (size < 14 + size_t(header_size)) return LoadResult::Damaged;
  info.os2 = os2;
  info.width = int32_t(le32(h + 4));
  info.height = int32_t(le32(h + 8));
  if (le16(h + 12) != 1) return LoadResult::WrongFormat;
  info.bits = le16(h + 14);
  info.compression = header_size >= 20 ? le32(h + 16) : 0;
  info.image_size = header_size >= 24 ? le32(h + 20) : 0;
  info.colours_used = header_size >= 36 ? le32(h + 32) : 0;
  if (os2 && info.compression != kRgb && info.compression != kRle8 && info.compression != kRle4)
    return LoadResult::WrongFormat;  // OS/2's Huffman and RLE24 are not supported
  if (header_size >= 52) {
    info.have_masks = true;
    for (int i = 0; i < 3; ++i) info.masks[i] = le32(h + 40 + 4 * i);
  }
  return LoadResult::Success;
}

class Rle {
 public:
  // Some writers encode each row out to its padded length (a multiple of 32
  // bits), so runs may reach into the padding; those pixels are dropped.
  Rle(const uint8_t* data, size_t size, int width, int height, bool four_bit)
      : d_(data), n_(size), w_(width), h_(height), four_(four_bit),
        limit_(int(four_bit ? (int64_t(width) + 7) / 8 * 8 : (int64_t(width) + 3) / 4 * 4)) {}

  // Calls put(x, y_from_bottom, index) for every pixel. False when a run or
  // a delta reaches past the padded row or the image: data that would
  // overrun a buffer.
  template <typename Put>
  bool decode(Put&& put) {
    int x = 0, y = 0;
    size_t i = 0;
    while (i + 1 < n_ && y < h_) {
      const uint32_t count = d_[i], value = d_[i + 1];
      i += 2;
      if (count > 0) {
        if (x + int(count) > limit_) return false;
        for (uint32_t k = 0; k < count; ++k, ++x)
          if (x < w_) put(x, y, four_ ? ((k & 1) ? value & 15 : value >> 4) : value);
        continue;
      }
      if (value == 0) {  // end of line
        x = 0;
        ++y;
      } else if (value == 1) {  // end of bitmap
        return true;
      } else if (value == 2) {  // delta
        if (i + 1 >= n_) return true;
        x += d_[i];
        y += d_[i + 1];
        if (x > limit_ || y > h_) return false;
        i += 2;
      } else {  // a literal run, padded to a whole 16-bit word
        const size_t bytes = four_ ? (value + 1) / 2 : value;
        const size_t padded = (bytes + 1) & ~size_t(1);
        if (x + int(value) > limit_) return false;
        for (uint32_t k = 0; k < value; ++k, ++x) {
          const size_t at = i + (four_ ? k / 2 : k);
          if (at >= n_) return true;  // cut short: the rest stays undefined
          if (x < w_) put(x, y, four_ ? ((k & 1) ? d_[at] & 15 : d_[at] >> 4) : d_[at]);
        }
        i += padded;
      }
    }
    return true;
  }

 private:
  const uint8_t* d_;
  size_t n_;
  int w_, h_;
  bool four_;
  int limit_;  // the padded row length in pixels
};

}  // namespace

LoadResult decode_bmp(const uint8_t* d, size_t size, LayerImage& image) {
  image.destroy();
  if (size < 18 || d[0] != 'B' || d[1] != 'M') return LoadResult::WrongFormat;
  const uint32_t pixel_offset = le32(d + 10);
  const uint32_t header_size = le32(d + 14);
  Info info;
  LoadResult r = parse_header(d, size, header_size, info);
  if (r != LoadResult::Success) return r;

  // Size first, before anything else is looked at or allocated.
  if (info.width <= 0 || info.height == 0 || info.height == INT32_MIN) return LoadResult::WrongFormat;
  const bool top_down = info.height < 0;
  const int64_t abs_height = top_down ? -info.height : info.height;
  if (info.width > kMaxPictureSide || abs_height > kMaxPictureSide) return LoadResult::TooLarge;
  const int width = int(info.width), height = int(abs_height);

  const uint32_t bits = info.bits;
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return LoadResult::WrongFormat;
  switch (info.compression) {
    case kRgb: break;
    case kRle8:
    case kRle4:
      if (bits != (info.compression == kRle8 ? 8u : 4u) || top_down) return LoadResult::WrongFormat;
      break;
    case kBitFields:
    case kAlphaBitFields:
      if (bits != 16 && bits != 32) return LoadResult::WrongFormat;
      break;
    default: return LoadResult::WrongFormat;
  }

  // Bit-field masks: in the header from 52 bytes on, else right after a
  // 40-byte header.
  size_t palette_at = 14 + size_t(header_size);
  Channel ch[3];
  if (info.compression == kBitFields || info.compression == kAlphaBitFields) {
    if (!info.have_masks) {
      const size_t mask_bytes = info.compression == kAlphaBitFields ? 16 : 12;
      if (size < palette_at + mask_bytes) return LoadResult::Damaged;
      for (int i = 0; i < 3; ++i) info.masks[i] = le32(d + palette_at + 4 * i);
      palette_at += mask_bytes;
    }
  } else if (bits == 16) {
    info.masks[0] = 0x7C00, info.masks[1] = 0x03E0, info.masks[2] = 0x001F;
  } else if (bits == 32) {
    info.masks[0] = 0xFF0000, info.masks[1] = 0xFF00, info.masks[2] = 0xFF;
  }
  if (bits == 16 || bits == 32) {
    // Each channel needs its own contiguous bits: no empty, gapped or shared masks.
    for (int i = 0; i < 3; ++i)
      if (info.masks[i] == 0 || !ch[i].set(info.masks[i])) return LoadResult::WrongFormat;
    if ((info.masks[0] & info.masks[1]) | (info.masks[0] & info.masks[2]) | (info.masks[1] & info.masks[2]))
      return LoadResult::WrongFormat;
  }

  // The palette: as many entries as declared (or 2^bits), no more than the
  // depth can index, and no more than fit before the pixel data.
  Pixel lut[256];
  std::fill_n(lut, 256, 0xFF000000);  // indices beyond the palette: black
  if (bits <= 8) {
    const size_t entry_bytes = info.core ? 3 : 4;
    // A declared palette must fit before the pixel data.
    if (info.colours_used && pixel_offset > palette_at &&
        uint64_t(info.colours_used) * entry_bytes > pixel_offset - palette_at)
      return LoadResult::Damaged;
    size_t entries = info.colours_used ? info.colours_used : (size_t(1) << bits);
    entries = std::min(entries, size_t(1) << bits);
    if (pixel_offset > palette_at) entries = std::min(entries, (pixel_offset - palette_at) / entry_bytes);
    if (palette_at > size || (size - palette_at) / entry_bytes < entries) return LoadResult::Damaged;
    for (size_t i = 0; i < entries; ++i) {
      const uint8_t* e = d + palette_at + i * entry_bytes;
      lut[i] = make_pixel(255, e[2], e[1], e[0]);
    }
  }

  if (pixel_offset == 0 || pixel_offset >= size) return LoadResult::Damaged;
  // Sizes the header claims beyond the end of the file: the file was cut short.
  const uint32_t file_size = le32(d + 2);
  if (file_size > size || info.image_size > size - pixel_offset) return LoadResult::Damaged;
  const uint8_t* pixels = d + pixel_offset;
  const size_t available = size - pixel_offset;

  if (info.compression == kRle8 || info.compression == kRle4) {
    if (!image.create(width, height)) return LoadResult::OutOfMemory;
    image.fill(0xFF000000);  // pixels the data skips stay black
    Rle rle(pixels, available, width, height, info.compression == kRle4);
    if (!rle.decode([&](int x, int y, uint32_t index) { image.row(height - 1 - y)[x] = lut[index & 255]; })) {
      image.destroy();
      return LoadResult::Damaged;
    }
    return LoadResult::Success;
  }

  const uint64_t stride = (uint64_t(width) * bits + 31) / 32 * 4;
  if (stride * uint64_t(height) > available) return LoadResult::Damaged;
  if (!image.create(width, height)) return LoadResult::OutOfMemory;
  const bool plain32 = bits == 32 && info.masks[0] == 0xFF0000 && info.masks[1] == 0xFF00 && info.masks[2] == 0xFF;
  for (int r = 0; r < height; ++r) {
    const uint8_t* s = pixels + size_t(r) * size_t(stride);
    Pixel* out = image.row(top_down ? r : height - 1 - r);
    switch (bits) {
      case 24: {
        // B, G, R and the next pixel's first byte as one little-endian word;
        // the last pixel of a row is read byte by byte so no read passes the row.
        int x = 0;
        for (; x + 1 < width; ++x, s += 3) out[x] = le32(s) | 0xFF000000u;
        for (; x < width; ++x, s += 3) out[x] = make_pixel(255, s[2], s[1], s[0]);
        break;
      }
      case 32:
        if (plain32) {
          for (int x = 0; x < width; ++x, s += 4) out[x] = make_pixel(255, s[2], s[1], s[0]);
        } else {
          for (int x = 0; x < width; ++x, s += 4) {
            const uint32_t v = le32(s);
            out[x] = make_pixel(255, ch[0](v), ch[1](v), ch[2](v));
          }
        }
        break;
      case 16:
        for (int x = 0; x < width; ++x, s += 2) {
          const uint32_t v = le16(s);
          out[x] = make_pixel(255, ch[0](v), ch[1](v), ch[2](v));
        }
        break;
      case 8:
        for (int x = 0; x < width; ++x) out[x] = lut[s[x]];
        break;
      default: {
        const int per_byte = 8 / int(bits);
        const unsigned mask = (1u << bits) - 1;
        for (int x = 0; x < width; ++x) {
          const int shift = 8 - int(bits) * (x % per_byte + 1);
          out[x] = lut[(s[x / per_byte] >> shift) & mask];
        }
        break;
      }
    }
  }
  return LoadResult::Success;
}

LoadResult load_bmp_result(const std::string& path, LayerImage& image) {
  image.destroy();
  FileBytes bytes;
  const LoadResult r = read_whole_file(path, bytes);
  if (r != LoadResult::Success) return r;
  return decode_bmp(bytes.data(), bytes.size(), image);
}

}  // namespace qm
