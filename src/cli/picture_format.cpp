#include "cli/picture_format.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace qm::cli {
namespace {

uint32_t be16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }
uint32_t le16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t le32(const uint8_t* p) { return le16(p) | le16(p + 2) << 16; }

std::string bits(uint32_t n) { return std::to_string(n) + "-bit "; }

std::string png(const std::vector<uint8_t>& d) {
  if (d.size() < 29 || std::memcmp(d.data() + 12, "IHDR", 4) != 0) return {};
  static const char* const kTypes[] = {"greyscale", "?", "RGB", "palette", "greyscale with alpha", "?", "RGBA"};
  const uint8_t type = d[25];
  std::string out = "PNG, " + bits(d[24]) + (type <= 6 ? kTypes[type] : "?");
  if (d[28] == 1) out += ", interlaced";
  return out;
}

std::string gif(const std::vector<uint8_t>& d) {
  if (d.size() < 13) return {};
  const std::string version(reinterpret_cast<const char*>(d.data()), 6);
  const uint32_t depth = (d[10] & 0x80) ? (d[10] & 7) + 1 : 8;
  return version + ", " + bits(depth) + "palette";
}

std::string bmp(const std::vector<uint8_t>& d) {
  if (d.size() < 30) return {};
  const uint32_t header = le32(d.data() + 14);
  const uint32_t depth = header == 12 ? le16(d.data() + 24) : le16(d.data() + 28);
  const uint32_t compression = header >= 20 && d.size() >= 34 ? le32(d.data() + 30) : 0;
  std::string out = "BMP, " + bits(depth) + (depth <= 8 ? "palette" : "RGB");
  if (compression == 1) out += ", RLE8";
  if (compression == 2) out += ", RLE4";
  if (compression == 3 || compression == 6) out += ", bit fields";
  return out;
}

std::string jpeg(const std::vector<uint8_t>& d) {
  size_t i = 2;
  while (i + 9 < d.size() && d[i] == 0xFF) {
    const uint8_t marker = d[i + 1];
    const size_t len = be16(d.data() + i + 2);
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      const uint32_t components = d[i + 9];
      const char* type = components == 1 ? "greyscale" : components == 3 ? "YCbCr" : components == 4 ? "CMYK" : "?";
      return std::string("JPEG, ") + bits(d[i + 4]) + type + (marker == 0xC2 ? ", progressive" : "");
    }
    if (len < 2) break;
    i += 2 + len;
  }
  return "JPEG";
}

}  // namespace

std::string describe_picture_format(const std::string& path) {
  // The headers lie at the start; a JPEG's frame header follows its
  // metadata, which 256 KiB covers in practice.
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return {};
  std::vector<uint8_t> d(256 * 1024);
  d.resize(std::fread(d.data(), 1, d.size(), f));
  std::fclose(f);
  if (d.size() >= 8 && std::memcmp(d.data(), "\x89PNG\r\n\x1a\n", 8) == 0) return png(d);
  if (d.size() >= 6 && (std::memcmp(d.data(), "GIF87a", 6) == 0 || std::memcmp(d.data(), "GIF89a", 6) == 0))
    return gif(d);
  if (d.size() >= 2 && d[0] == 'B' && d[1] == 'M') return bmp(d);
  if (d.size() >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) return jpeg(d);
  return {};
}

}  // namespace qm::cli
