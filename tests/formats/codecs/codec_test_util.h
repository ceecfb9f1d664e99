#pragma once
// Helpers for the flat-image codec tests: a photo-like test picture, an
// independent PNG builder (every colour type, depth, filter and Adam7), and
// access to the conformance files and the external tools.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "../format_test_util.h"
#include "core/layer_image.h"
#include "photo_image.h"

namespace qm::test {

// ---------------------------------------------------------------- files --

inline std::filesystem::path conformance_dir() { return std::filesystem::path(QM_CONFORMANCE_DIR); }

#define QM_REQUIRE_CONFORMANCE()                                                              \
  do {                                                                                        \
    if (!std::filesystem::is_directory(::qm::test::conformance_dir()))                        \
      GTEST_SKIP() << "conformance collection not found at " << ::qm::test::conformance_dir(); \
  } while (0)

// The full path of a program on PATH, or "" when there is none.
inline std::string find_tool(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = dirs.find(':', start);
    const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const std::filesystem::path p = std::filesystem::path(dir.empty() ? "." : dir) / name;
    if (::access(p.c_str(), X_OK) == 0) return p.string();
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return {};
}

// Runs a shell command quietly; true when it exited with 0.
inline bool run_quiet(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

inline std::string shell_quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// ------------------------------------------------------------ PNG builder --

inline void put_be32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 3; i >= 0; --i) v.push_back(uint8_t(x >> (8 * i)));
}

inline void put_png_chunk(std::vector<uint8_t>& out, const std::string& type, const std::vector<uint8_t>& data,
                          bool bad_crc = false) {
  put_be32(out, uint32_t(data.size()));
  std::vector<uint8_t> body(type.begin(), type.end());
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  uint32_t crc = uint32_t(crc32(0, body.data(), uInt(body.size())));
  put_be32(out, bad_crc ? crc ^ 1 : crc);
}

struct PngRecipe {
  int width = 1, height = 1;
  int colour_type = 6, depth = 8;
  bool interlace = false;
  // Samples pixel by pixel, channel by channel, top row first, at the file's depth.
  std::vector<uint32_t> samples;
  std::vector<uint8_t> palette;  // R, G, B triples (PLTE)
  std::vector<uint8_t> trns;     // tRNS body, written when not empty
  int filter = -1;               // −1: cycle through all five filter types
  size_t idat_pieces = 1;        // the zlib stream split over this many IDAT chunks
};

inline int png_channels(int colour_type) {
  switch (colour_type) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

// Filters one packed row with the given type (the encoder side of the filters).
inline std::vector<uint8_t> png_filter_row(int type, const std::vector<uint8_t>& raw, const std::vector<uint8_t>& prev,
                                           size_t bpp) {
  std::vector<uint8_t> out(raw.size() + 1);
  out[0] = uint8_t(type);
  for (size_t i = 0; i < raw.size(); ++i) {
    const int a = i >= bpp ? raw[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
    int pred = 0;
    switch (type) {
      case 1: pred = a; break;
      case 2: pred = b; break;
      case 3: pred = (a + b) / 2; break;
      case 4: {
        const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        pred = (pa <= pb && pa <= pc) ? a : pb <= pc ? b : c;
        break;
      }
      default: break;
    }
    out[i + 1] = uint8_t(raw[i] - pred);
  }
  return out;
}

// The raw (zlib-compressed) image data: every pass, every row, filtered.
inline std::vector<uint8_t> png_image_data(const PngRecipe& s) {
  const int ch = png_channels(s.colour_type);
  struct P { int xs, x0, ys, y0; };
  const std::vector<P> passes = s.interlace
      ? std::vector<P>{{8, 0, 8, 0}, {8, 4, 8, 0}, {4, 0, 8, 4}, {4, 2, 4, 0}, {2, 0, 4, 2}, {2, 1, 2, 0}, {1, 0, 2, 1}}
      : std::vector<P>{{1, 0, 1, 0}};
  const size_t bpp = size_t(std::max(1, ch * s.depth / 8));
  std::vector<uint8_t> raw_stream;
  int row_counter = 0;
  for (const P& p : passes) {
    std::vector<uint8_t> prev;
    for (int y = p.y0; y < s.height; y += p.ys) {
      std::vector<uint8_t> row;
      uint32_t acc = 0;
      int bits = 0;
      int cols = 0;
      for (int x = p.x0; x < s.width; x += p.xs, ++cols) {
        for (int c = 0; c < ch; ++c) {
          const uint32_t v = s.samples[(size_t(y) * size_t(s.width) + size_t(x)) * size_t(ch) + size_t(c)];
          if (s.depth == 16) {
            row.push_back(uint8_t(v >> 8));
            row.push_back(uint8_t(v));
          } else if (s.depth == 8) {
            row.push_back(uint8_t(v));
          } else {
            acc = acc << s.depth | v;
            bits += s.depth;
            if (bits == 8) {
              row.push_back(uint8_t(acc));
              acc = 0;
              bits = 0;
            }
          }
        }
      }
      if (cols == 0) break;  // an empty pass holds no rows at all
      if (bits) row.push_back(uint8_t(acc << (8 - bits)));
      if (prev.empty()) prev.assign(row.size(), 0);
      const int type = s.filter >= 0 ? s.filter : row_counter++ % 5;
      const std::vector<uint8_t> f = png_filter_row(type, row, prev, bpp);
      raw_stream.insert(raw_stream.end(), f.begin(), f.end());
      prev = row;
    }
  }
  return raw_stream;
}

inline std::vector<uint8_t> build_png(const PngRecipe& s) {
  std::vector<uint8_t> out = {137, 80, 78, 71, 13, 10, 26, 10};
  std::vector<uint8_t> ihdr;
  put_be32(ihdr, uint32_t(s.width));
  put_be32(ihdr, uint32_t(s.height));
  ihdr.insert(ihdr.end(), {uint8_t(s.depth), uint8_t(s.colour_type), 0, 0, uint8_t(s.interlace ? 1 : 0)});
  put_png_chunk(out, "IHDR", ihdr);
  if (!s.palette.empty()) put_png_chunk(out, "PLTE", s.palette);
  if (!s.trns.empty()) put_png_chunk(out, "tRNS", s.trns);
  const std::vector<uint8_t> raw = png_image_data(s);
  const std::vector<uint8_t> z = zlib_compress(raw.data(), raw.size(), 9);
  const size_t pieces = std::max<size_t>(1, s.idat_pieces);
  const size_t step = (z.size() + pieces - 1) / pieces;
  for (size_t at = 0; at < z.size(); at += step)
    put_png_chunk(out, "IDAT", std::vector<uint8_t>(z.begin() + ptrdiff_t(at), z.begin() + ptrdiff_t(std::min(z.size(), at + step))));
  put_png_chunk(out, "IEND", {});
  return out;
}

// Deterministic sample values for a recipe (every value the depth allows occurs).
inline void fill_png_samples(PngRecipe& s, uint32_t seed) {
  const int ch = png_channels(s.colour_type);
  const uint32_t max = s.colour_type == 3 ? uint32_t(s.palette.size() / 3 - 1) : (1u << s.depth) - 1;
  s.samples.resize(size_t(s.width) * size_t(s.height) * size_t(ch));
  uint32_t h = seed * 2654435761u + 12345;
  for (auto& v : s.samples) {
    h ^= h << 13;
    h ^= h >> 17;
    h ^= h << 5;
    v = h % (max + 1);
  }
}

// ------------------------------------------------------------- comparing --

// Compares two pictures; pixels whose alpha is 0 in both match whatever
// their colour. Reports the first difference.
inline ::testing::AssertionResult same_rgba(const LayerImage& got, const LayerImage& want) {
  if (got.width() != want.width() || got.height() != want.height())
    return ::testing::AssertionFailure() << "size " << got.width() << "x" << got.height() << " vs " << want.width()
                                         << "x" << want.height();
  for (int y = 0; y < got.height(); ++y)
    for (int x = 0; x < got.width(); ++x) {
      const Pixel a = got.row(y)[x], b = want.row(y)[x];
      if (a == b || (alpha_of(a) == 0 && alpha_of(b) == 0)) continue;
      return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << "): " << std::hex << a << " vs " << b;
    }
  return ::testing::AssertionSuccess();
}

}  // namespace qm::test
