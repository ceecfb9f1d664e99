#pragma once
// Helpers for the format tests: hand-built files, scratch folders, rasters.
#include <zlib.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/layer_image.h"

namespace qm::test {

// Little-endian byte building for hand-made files.
struct Bytes {
  std::vector<uint8_t> v;
  Bytes& u8(uint32_t x) { v.push_back(uint8_t(x)); return *this; }
  Bytes& u16(uint32_t x) { return u8(x).u8(x >> 8); }
  Bytes& u32(uint32_t x) { return u16(x).u16(x >> 16); }
  Bytes& str(std::string_view s) { return raw(s.data(), s.size()); }
  Bytes& raw(const std::vector<uint8_t>& b) { return raw(b.data(), b.size()); }
  // resize + memcpy rather than insert: GCC 12 warns falsely about the latter.
  Bytes& raw(const void* p, size_t n) {
    const size_t at = v.size();
    v.resize(at + n);
    if (n) std::memcpy(v.data() + at, p, n);
    return *this;
  }
  Bytes& zeros(size_t n) { v.insert(v.end(), n, 0); return *this; }
  // A 32-byte name field.
  Bytes& name(std::string_view s) {
    uint8_t f[32] = {};
    std::memcpy(f, s.data(), std::min<size_t>(s.size(), 32));
    return raw(f, 32);
  }
  size_t size() const { return v.size(); }
};

// zlib's own one-shot compressor, independent of the code under test.
inline std::vector<uint8_t> zlib_compress(const void* data, size_t size, int level = 6) {
  uLongf out_size = compressBound(uLong(size));
  std::vector<uint8_t> out(out_size);
  compress2(out.data(), &out_size, static_cast<const Bytef*>(data), uLong(size), level);
  out.resize(out_size);
  return out;
}

// zlib's one-shot decompressor; the output size must be known.
inline std::vector<uint8_t> zlib_uncompress(const std::vector<uint8_t>& in, size_t expected) {
  std::vector<uint8_t> out(expected + 1);
  uLongf out_size = uLongf(out.size());
  if (uncompress(out.data(), &out_size, in.data(), uLong(in.size())) != Z_OK) return {};
  out.resize(out_size);
  return out;
}

// A fresh folder for one test, removed with everything in it afterwards.
class ScratchDir {
 public:
  ScratchDir() {
    static int serial = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("qm_formats_" + std::to_string(::getpid()) + "_" + std::to_string(++serial));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }
  // Every entry in the folder, to prove no temporary file was left behind.
  std::vector<std::string> entries() const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(path_))
      out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }

 private:
  std::filesystem::path path_;
};

inline void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Pixels of every kind: opaque, transparent (0x00FFFFFF and others) and half
// alpha, so a format that loses any byte shows it.
inline void fill_random(LayerImage& image, uint32_t seed) {
  std::mt19937 rng(seed);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const uint32_t r = rng();
      image.row(y)[x] = (r & 7) == 0 ? kTransparent : r;
    }
}

// Mostly smooth content with a noisy patch: compresses like real artwork.
inline void fill_artwork(LayerImage& image, uint32_t seed) {
  std::mt19937 rng(seed);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      Pixel p = make_pixel(uint32_t(x + y + seed) & 0xFF, uint32_t(x * 3) & 0xFF,
                           uint32_t(y * 5) & 0xFF, seed & 0xFF);
      if (((x / 64) + (y / 64)) % 7 == 0) p = rng();
      if (((x / 128) + (y / 96)) % 5 == 1) p = kTransparent;
      image.row(y)[x] = p;
    }
}

inline bool same_pixels(const LayerImage& a, const LayerImage& b) {
  return a.width() == b.width() && a.height() == b.height() &&
         std::memcmp(a.pixels(), b.pixels(), a.byte_count()) == 0;
}

}  // namespace qm::test
