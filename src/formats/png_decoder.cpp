#include <libdeflate.h>
#include <zlib.h>


#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/huge_pages.h"
#include "formats/png_codec.h"

namespace qm {
namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

inline uint32_t be32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
inline uint32_t be16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }
// 16-bit sample to 8 bits: round(v × 255 / 65535), which is round(v / 257).
inline uint32_t reduce16(uint32_t v) { return (v + 128) / 257; }
inline uint32_t reduce16(const uint8_t* p) { return reduce16(be16(p)); }

bool chunk_type_is(const uint8_t* p, const char* type) { return std::memcmp(p, type, 4) == 0; }

struct Chunk {
  size_t start = 0;  // of the length field
  uint32_t length = 0;
  const uint8_t* type = nullptr;
  const uint8_t* data = nullptr;
};

// The chunk at `pos`: Damaged when its header or body reaches past the end.
LoadResult chunk_at(const uint8_t* file, size_t size, size_t pos, Chunk& c) {
  if (pos > size || size - pos < 12) return LoadResult::Damaged;
  c.start = pos;
  c.length = be32(file + pos);
  if (c.length > 0x7FFFFFFFu || uint64_t(c.length) > uint64_t(size - pos - 12)) return LoadResult::Damaged;
  c.type = file + pos + 4;
  c.data = file + pos + 8;
  return LoadResult::Success;
}

bool crc_ok(const Chunk& c) {
  const uint32_t stored = be32(c.data + c.length);
  return libdeflate_crc32(0, c.type, size_t(c.length) + 4) == stored;
}

struct Header {
  uint32_t width = 0, height = 0;
  int depth = 0, colour_type = 0, interlace = 0;
  int channels() const {
    switch (colour_type) {
      case 2: return 3;
      case 4: return 2;
      case 6: return 4;
      default: return 1;
    }
  }
  int bits_per_pixel() const { return channels() * depth; }
};

LoadResult parse_ihdr(const Chunk& c, Header& h) {
  if (c.length != 13) return LoadResult::WrongFormat;
  if (!crc_ok(c)) return LoadResult::Damaged;
  const uint8_t* d = c.data;
  h.width = be32(d);
  h.height = be32(d + 4);
  h.depth = d[8];
  h.colour_type = d[9];
  h.interlace = d[12];
  bool depth_ok = false;
  switch (h.colour_type) {
    case 0: depth_ok = h.depth == 1 || h.depth == 2 || h.depth == 4 || h.depth == 8 || h.depth == 16; break;
    case 3: depth_ok = h.depth == 1 || h.depth == 2 || h.depth == 4 || h.depth == 8; break;
    case 2:
    case 4:
    case 6: depth_ok = h.depth == 8 || h.depth == 16; break;
    default: return LoadResult::WrongFormat;
  }
  if (!depth_ok || d[10] != 0 || d[11] != 0 || h.interlace > 1) return LoadResult::WrongFormat;
  if (h.width == 0 || h.height == 0) return LoadResult::WrongFormat;
  if (h.width > uint32_t(kMaxPictureSide) || h.height > uint32_t(kMaxPictureSide)) return LoadResult::TooLarge;
  return LoadResult::Success;
}

struct Pass {
  int x_step, x_start, y_step, y_start;
};
constexpr Pass kFullPass[1] = {{1, 0, 1, 0}};
constexpr Pass kAdam7[7] = {{8, 0, 8, 0}, {8, 4, 8, 0}, {4, 0, 8, 4}, {4, 2, 4, 0},
                            {2, 0, 4, 2}, {2, 1, 2, 0}, {1, 0, 2, 1}};

// The image data of consecutive IDAT chunks as one stream of bytes.
class IdatInput {
 public:
  IdatInput(const uint8_t* file, size_t size, const Chunk& first) : file_(file), size_(size), chunk_(first) {}

  // The next IDAT's data; false when the run of IDAT chunks has ended.
  // Damaged when the file is cut short or a CRC is wrong.
  LoadResult next(const uint8_t*& data, size_t& length, bool& ended) {
    ended = false;
    if (!started_) {
      started_ = true;
    } else {
      Chunk c;
      const LoadResult r = chunk_at(file_, size_, chunk_.start + 12 + chunk_.length, c);
      if (r != LoadResult::Success) return r;
      if (!chunk_type_is(c.type, "IDAT")) {
        ended = true;
        return LoadResult::Success;
      }
      chunk_ = c;
    }
    if (!crc_ok(chunk_)) return LoadResult::Damaged;
    data = chunk_.data;
    length = chunk_.length;
    return LoadResult::Success;
  }

 private:
  const uint8_t* file_;
  size_t size_;
  Chunk chunk_;
  bool started_ = false;
};

class Inflate {
 public:
  Inflate() { ok_ = inflateInit2(&zs_, 15) == Z_OK; }
  ~Inflate() {
    if (ok_) inflateEnd(&zs_);
  }
  Inflate(const Inflate&) = delete;
  Inflate& operator=(const Inflate&) = delete;
  bool ok() const { return ok_; }

  // Fills `dst` completely. Success with `complete` false when the data ran
  // out first (the stream ended or the IDAT chunks did): the image is cut short.
  LoadResult fill(uint8_t* dst, size_t size, IdatInput& input, bool& complete) {
    complete = false;
    zs_.next_out = dst;
    zs_.avail_out = uInt(size);
    while (zs_.avail_out > 0) {
      if (finished_) return LoadResult::Success;
      if (zs_.avail_in == 0) {
        const uint8_t* data;
        size_t length;
        bool ended;
        const LoadResult r = input.next(data, length, ended);
        if (r != LoadResult::Success) return r;
        if (ended) {
          finished_ = true;
          return LoadResult::Success;
        }
        zs_.next_in = const_cast<uint8_t*>(data);
        zs_.avail_in = uInt(length);
        if (length == 0) continue;
      }
      const int r = inflate(&zs_, Z_NO_FLUSH);
      if (r == Z_STREAM_END) {
        finished_ = true;
      } else if (r != Z_OK && !(r == Z_BUF_ERROR && zs_.avail_in == 0)) {
        return LoadResult::Damaged;
      }
    }
    complete = true;
    return LoadResult::Success;
  }

 private:
  z_stream zs_{};
  bool ok_ = false;
  bool finished_ = false;
};

inline uint8_t paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return uint8_t(a);
  if (pb <= pc) return uint8_t(b);
  return uint8_t(c);
}

// Undoes the row filter in place. `prev` is the previous row of the pass
// (all zero for the first). False for an unknown filter type.
bool unfilter(int type, uint8_t* row, const uint8_t* prev, size_t n, size_t bpp) {
  switch (type) {
    case 0: return true;
    case 1:
      for (size_t i = bpp; i < n; ++i) row[i] = uint8_t(row[i] + row[i - bpp]);
      return true;
    case 2:
      for (size_t i = 0; i < n; ++i) row[i] = uint8_t(row[i] + prev[i]);
      return true;
    case 3:
      for (size_t i = 0; i < bpp && i < n; ++i) row[i] = uint8_t(row[i] + (prev[i] >> 1));
      for (size_t i = bpp; i < n; ++i) row[i] = uint8_t(row[i] + ((row[i - bpp] + prev[i]) >> 1));
      return true;
    case 4:
      for (size_t i = 0; i < bpp && i < n; ++i) row[i] = uint8_t(row[i] + prev[i]);
      for (size_t i = bpp; i < n; ++i) row[i] = uint8_t(row[i] + paeth(row[i - bpp], prev[i], prev[i - bpp]));
      return true;
    default: return false;
  }
}

// Turns one unfiltered row of a pass into pixels.
class RowConverter {
 public:
  RowConverter(const Header& h, const std::array<Pixel, 256>& lut) : h_(h), lut_(lut) {}

  // Writes `cols` pixels to dst[0], dst[step], dst[2 × step], …
  void convert(const uint8_t* s, int cols, Pixel* dst, int step) const {
    const int d = h_.depth;
    switch (h_.colour_type) {
      case 0:
        if (d == 16) {
          for (int c = 0; c < cols; ++c, s += 2) dst[size_t(c) * step] = grey(reduce16(s), 255);
          return;
        }
        [[fallthrough]];
      case 3:
        if (d == 8) {
          for (int c = 0; c < cols; ++c) dst[size_t(c) * step] = lut_[s[c]];
        } else {
          // Indices packed most significant bits first.
          const int per_byte = 8 / d;
          const unsigned mask = (1u << d) - 1;
          for (int c = 0; c < cols; ++c) {
            const int shift = 8 - d * (c % per_byte + 1);
            dst[size_t(c) * step] = lut_[(s[c / per_byte] >> shift) & mask];
          }
        }
        return;
      case 2:
        if (d == 8) {
          for (int c = 0; c < cols; ++c, s += 3) dst[size_t(c) * step] = make_pixel(255, s[0], s[1], s[2]);
        } else {
          for (int c = 0; c < cols; ++c, s += 6)
            dst[size_t(c) * step] = make_pixel(255, reduce16(s), reduce16(s + 2), reduce16(s + 4));
        }
        return;
      case 4:
        if (d == 8) {
          for (int c = 0; c < cols; ++c, s += 2) dst[size_t(c) * step] = grey(s[0], s[1]);
        } else {
          for (int c = 0; c < cols; ++c, s += 4) dst[size_t(c) * step] = grey(reduce16(s), reduce16(s + 2));
        }
        return;
      case 6:
        if (d == 8) {
          for (int c = 0; c < cols; ++c, s += 4) dst[size_t(c) * step] = make_pixel(s[3], s[0], s[1], s[2]);
        } else {
          for (int c = 0; c < cols; ++c, s += 8)
            dst[size_t(c) * step] = make_pixel(reduce16(s + 6), reduce16(s), reduce16(s + 2), reduce16(s + 4));
        }
        return;
    }
  }

 private:
  static Pixel grey(uint32_t v, uint32_t a) { return make_pixel(a, v, v, v); }
  const Header& h_;
  const std::array<Pixel, 256>& lut_;
};

// The palette and transparency state gathered before the image data.
struct Ancillary {
  std::vector<uint32_t> palette;  // 0xRRGGBB
  bool have_palette = false;
  std::vector<uint8_t> palette_alpha;  // from tRNS, one per entry given
  bool have_key = false;
  uint32_t key[3] = {0, 0, 0};  // grey or R, G, B at the file's bit depth
};

struct FreeDeleter {
  void operator()(uint8_t* p) const { std::free(p); }
};
using RawBuffer = std::unique_ptr<uint8_t, FreeDeleter>;

// The run of IDAT chunks inflated in one call into `out`, when it is
// exactly `expected` bytes of sound data; false otherwise (the caller
// streams instead). `out` may hold anything afterwards.
bool inflate_whole(const uint8_t* file, size_t size, const Chunk& first, uint8_t* out, size_t expected) {
  if (expected == 0) return false;
  // Gather the run of sound IDAT chunks; a single one is used in place.
  Chunk c = first;
  size_t total = 0, count = 0;
  std::vector<uint8_t> joined;
  const uint8_t* src = nullptr;
  for (;;) {
    if (!crc_ok(c)) return false;
    if (count == 0) {
      src = c.data;
    } else {
      if (count == 1) joined.assign(src, src + total);
      joined.insert(joined.end(), c.data, c.data + c.length);
      src = joined.data();
    }
    total += c.length;
    ++count;
    Chunk next;
    if (chunk_at(file, size, c.start + 12 + c.length, next) != LoadResult::Success ||
        !chunk_type_is(next.type, "IDAT"))
      break;
    c = next;
  }
  struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
  };
  std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> d(libdeflate_alloc_decompressor());
  if (!d) return false;
  size_t got = 0;
  return libdeflate_zlib_decompress(d.get(), src, total, out, expected, &got) == LIBDEFLATE_SUCCESS &&
         got == expected;
}

// Pixels of alpha 0 become transparent white, as in all our rasters.
void normalise_transparent(Pixel* px, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (alpha_of(px[i]) == 0) px[i] = kTransparent;
}

LoadResult decode_image(const uint8_t* file, size_t size, const Chunk& first_idat, const Header& h,
                        const Ancillary& anc, LayerImage& image, PictureInfo& info) {
  // The lookup table of palette and low-depth grey files, and what tRNS means.
  std::array<Pixel, 256> lut{};
  bool per_pixel_alpha = h.colour_type == 4 || h.colour_type == 6;
  if (h.colour_type == 0 && h.depth <= 8) {
    const uint32_t levels = (1u << h.depth) - 1;
    for (uint32_t i = 0; i <= levels; ++i) {
      const uint32_t v = i * 255 / levels;
      lut[i] = make_pixel(255, v, v, v);
    }
  } else if (h.colour_type == 3) {
    const size_t n = anc.palette.size();
    // One fully transparent entry and every other one opaque is the simple
    // case: it is reported as the transparent colour and the pixels stay
    // opaque. Any other alpha list becomes per-pixel alpha.
    int zeros = 0, partial = 0, first_zero = -1;
    for (size_t i = 0; i < anc.palette_alpha.size() && i < n; ++i) {
      const uint8_t a = anc.palette_alpha[i];
      if (a == 0) {
        if (first_zero < 0) first_zero = int(i);
        ++zeros;
      } else if (a != 255) {
        ++partial;
      }
    }
    if (partial == 0 && zeros == 1) {
      info.transparent = anc.palette[size_t(first_zero)];
    } else if (partial > 0 || zeros > 1) {
      per_pixel_alpha = true;
    }
    for (size_t i = 0; i < n; ++i) {
      const uint32_t a = per_pixel_alpha && i < anc.palette_alpha.size() ? anc.palette_alpha[i] : 255;
      lut[i] = a << 24 | anc.palette[i];
    }
    // Indices beyond the palette stay 0: transparent black.
  }
  if (anc.have_key) {
    if (h.colour_type == 0) {
      if (h.depth == 16) {
        const uint32_t v = reduce16(anc.key[0]);
        info.transparent = v << 16 | v << 8 | v;
      } else if (anc.key[0] < (1u << h.depth)) {
        info.transparent = lut[anc.key[0]] & 0x00FFFFFF;
      }
    } else if (h.colour_type == 2) {
      uint32_t rgb[3];
      for (int i = 0; i < 3; ++i) rgb[i] = h.depth == 16 ? reduce16(anc.key[i]) : (anc.key[i] & 0xFF);
      info.transparent = rgb[0] << 16 | rgb[1] << 8 | rgb[2];
    }
  }

  const size_t bpp = size_t(std::max(1, h.bits_per_pixel() / 8));
  const size_t max_row = (size_t(h.width) * size_t(h.bits_per_pixel()) + 7) / 8;
  std::vector<uint8_t> zero_row(max_row + 1, 0);
  const RowConverter converter(h, lut);
  const Pass* passes = h.interlace ? kAdam7 : kFullPass;
  const int pass_count = h.interlace ? 7 : 1;
  struct PassShape {
    int cols = 0, rows = 0;
    size_t row_bytes = 0;
  };
  PassShape shape[7];
  size_t expected = 0;  // the size of the whole inflated data
  for (int p = 0; p < pass_count; ++p) {
    const Pass& pass = passes[p];
    // An empty pass (an image narrower or shorter than its start) holds no bytes at all.
    shape[p].cols = (int(h.width) - pass.x_start + pass.x_step - 1) / pass.x_step;
    shape[p].rows = (int(h.height) - pass.y_start + pass.y_step - 1) / pass.y_step;
    if (shape[p].cols <= 0 || shape[p].rows <= 0) shape[p].cols = shape[p].rows = 0;
    shape[p].row_bytes = (size_t(shape[p].cols) * size_t(h.bits_per_pixel()) + 7) / 8;
    expected += size_t(shape[p].rows) * (shape[p].row_bytes + 1);
  }
  // A plain (not interlaced) image whose rows are no longer than the pixels
  // they become inflates into the raster's own memory, ending where the
  // raster ends: converted row y then only overwrites rows already read,
  // and no second buffer the size of the image is needed.
  const size_t pixel_bytes = size_t(h.width) * 4;
  const bool in_place = pass_count == 1 && shape[0].row_bytes <= pixel_bytes;
  const size_t raster_bytes = pixel_bytes * h.height;
  const size_t spare = in_place && expected > raster_bytes ? expected - raster_bytes : 0;
  if (!image.create_with_spare(int(h.width), int(h.height), spare)) return LoadResult::OutOfMemory;

  // Unfilters one row (filter byte first) against the row above and emits its pixels.
  const auto emit_row = [&](int p, int r, uint8_t* row, const uint8_t* prev) {
    if (!unfilter(row[0], row + 1, prev + 1, shape[p].row_bytes, bpp)) return false;
    const Pass& pass = passes[p];
    converter.convert(row + 1, shape[p].cols, image.row(pass.y_start + r * pass.y_step) + pass.x_start, pass.x_step);
    return true;
  };

  // The common case in one go: the whole stream inflated at once by
  // libdeflate. Anything unusual (data cut short, extra data, a damaged
  // chunk further on) is left to the streaming path below, which decides.
  bool whole = false;
  if (in_place) {
    uint8_t* raw = reinterpret_cast<uint8_t*>(image.pixels()) + (raster_bytes + spare - expected);
    whole = inflate_whole(file, size, first_idat, raw, expected);
    if (whole) {
      const size_t raw_row = shape[0].row_bytes + 1;
      std::vector<uint8_t> buffers(2 * raw_row);
      uint8_t* cur = buffers.data();
      uint8_t* prev = cur + raw_row;
      for (int r = 0; r < shape[0].rows; ++r, raw += raw_row) {
        std::memcpy(cur, raw, raw_row);
        if (!emit_row(0, r, cur, prev)) {
          image.destroy();
          return LoadResult::Damaged;
        }
        if (per_pixel_alpha) normalise_transparent(image.row(r), h.width);
        std::swap(cur, prev);
      }
      if (per_pixel_alpha) info.had_alpha = true;
      return LoadResult::Success;
    }
    // The streaming path starts from a cleared raster.
    if (!image.create(int(h.width), int(h.height))) return LoadResult::OutOfMemory;
  }
  RawBuffer raw;
  if (!in_place && expected > 0) {
    raw.reset(static_cast<uint8_t*>(std::malloc(expected)));
    if (raw) {
      advise_huge_pages(raw.get(), expected);
      whole = inflate_whole(file, size, first_idat, raw.get(), expected);
    }
  }
  if (whole) {
    uint8_t* at = raw.get();
    for (int p = 0; p < pass_count; ++p) {
      const uint8_t* prev = zero_row.data();
      for (int r = 0; r < shape[p].rows; ++r) {
        if (!emit_row(p, r, at, prev)) {
          image.destroy();
          return LoadResult::Damaged;
        }
        prev = at;
        at += shape[p].row_bytes + 1;
      }
    }
  } else {
    Inflate z;
    if (!z.ok()) {
      image.destroy();
      return LoadResult::OutOfMemory;
    }
    IdatInput input(file, size, first_idat);
    std::vector<uint8_t> buffers(2 * (max_row + 1));
    uint8_t* cur = buffers.data();
    uint8_t* prev = buffers.data() + max_row + 1;
    bool complete = true;
    for (int p = 0; p < pass_count && complete; ++p) {
      std::memset(prev, 0, shape[p].row_bytes + 1);
      for (int r = 0; r < shape[p].rows; ++r) {
        const LoadResult res = z.fill(cur, shape[p].row_bytes + 1, input, complete);
        if (res != LoadResult::Success) {
          image.destroy();
          return res;
        }
        if (!complete) break;  // data cut short: the rest keeps its initial value
        if (!emit_row(p, r, cur, prev)) {
          image.destroy();
          return LoadResult::Damaged;
        }
        std::swap(cur, prev);
      }
    }
  }

  if (per_pixel_alpha) {
    info.had_alpha = true;
    normalise_transparent(image.pixels(), image.pixel_count());
  }
  return LoadResult::Success;
}

}  // namespace

LoadResult decode_png(const uint8_t* data, size_t size, LayerImage& image, PictureInfo* info_out) {
  image.destroy();
  PictureInfo info;
  if (size < 8 || std::memcmp(data, kSignature, 8) != 0) return LoadResult::WrongFormat;

  Header h;
  bool have_header = false;
  Ancillary anc;
  size_t pos = 8;
  for (;;) {
    Chunk c;
    const LoadResult r = chunk_at(data, size, pos, c);
    if (r != LoadResult::Success) return r;
    if (!have_header) {
      // IHDR must come first; nothing else makes sense without it.
      if (!chunk_type_is(c.type, "IHDR")) return LoadResult::WrongFormat;
      const LoadResult hr = parse_ihdr(c, h);
      if (hr != LoadResult::Success) return hr;
      have_header = true;
    } else if (chunk_type_is(c.type, "IHDR")) {
      return LoadResult::Damaged;
    } else if (chunk_type_is(c.type, "PLTE")) {
      if (!crc_ok(c)) return LoadResult::Damaged;
      if (anc.have_palette || c.length % 3 != 0 || c.length == 0 || c.length / 3 > 256) return LoadResult::Damaged;
      if (h.colour_type == 3) {
        // A palette larger than the bit depth can index is harmless: the
        // extra entries are never used.
        anc.palette.resize(c.length / 3);
        for (size_t i = 0; i < anc.palette.size(); ++i)
          anc.palette[i] = uint32_t(c.data[3 * i]) << 16 | uint32_t(c.data[3 * i + 1]) << 8 | c.data[3 * i + 2];
      }
      anc.have_palette = true;  // a suggestion in grey and true-colour files: ignored
    } else if (chunk_type_is(c.type, "tRNS")) {
      if (!crc_ok(c)) return LoadResult::Damaged;
      if (h.colour_type == 3 && anc.have_palette) {
        anc.palette_alpha.assign(c.data, c.data + std::min<size_t>(c.length, anc.palette.size()));
      } else if (h.colour_type == 0 && c.length >= 2) {
        anc.have_key = true;
        anc.key[0] = be16(c.data);
      } else if (h.colour_type == 2 && c.length >= 6) {
        anc.have_key = true;
        for (int i = 0; i < 3; ++i) anc.key[i] = be16(c.data + 2 * i);
      }
      // Grey + alpha and RGBA carry no tRNS; one there is ignored.
    } else if (chunk_type_is(c.type, "IDAT")) {
      if (h.colour_type == 3 && anc.palette.empty()) return LoadResult::Damaged;
      const LoadResult dr = decode_image(data, size, c, h, anc, image, info);
      if (dr == LoadResult::Success && info_out) *info_out = info;
      return dr;
    } else if (chunk_type_is(c.type, "IEND")) {
      return LoadResult::Damaged;  // no image data
    }
    pos += 12 + size_t(c.length);
  }
}

LoadResult load_png_result(const std::string& path, LayerImage& image, PictureInfo* info) {
  image.destroy();
  FileBytes bytes;
  const LoadResult r = read_whole_file(path, bytes);
  if (r != LoadResult::Success) return r;
  return decode_png(bytes.data(), bytes.size(), image, info);
}

bool LoadPng(const std::string& path, LayerImage& image, PictureInfo* info) {
  return load_png_result(path, image, info) == LoadResult::Success;
}

}  // namespace qm
