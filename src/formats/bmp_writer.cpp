#include "formats/bmp_codec.h"
#include "formats/png_census.h"
#include "formats/safe_write.h"

namespace qm {
namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

}  // namespace

bool encode_bmp(const LayerImage& image, std::vector<uint8_t>& out) {
  if (image.empty()) return false;
  const ColourCensus census = take_colour_census(image);
  const bool paletted = !census.too_many && !census.colours.empty();
  const uint32_t entries = paletted ? uint32_t(census.colours.size()) : 0;
  const uint64_t bytes_per_pixel = paletted ? 1 : 3;
  const uint64_t row_size = (uint64_t(image.width()) * bytes_per_pixel + 3) & ~uint64_t(3);
  const uint64_t image_size = row_size * uint64_t(image.height());
  const uint64_t offset = 54 + 4 * uint64_t(entries);
  if (offset + image_size > 0xFFFFFFFFu) return false;  // the size fields are 32-bit

  out.reserve(out.size() + size_t(offset + image_size));
  out.push_back('B');
  out.push_back('M');
  put32(out, uint32_t(offset + image_size));
  put32(out, 0);  // two reserved words
  put32(out, uint32_t(offset));

  put32(out, 40);
  put32(out, uint32_t(image.width()));
  put32(out, uint32_t(image.height()));  // positive: rows bottom-up
  put16(out, 1);
  put16(out, paletted ? 8 : 24);
  put32(out, 0);     // no compression
  put32(out, 0);     // image size (may be 0 when uncompressed)
  put32(out, 3780);  // 96 dpi in pixels per metre
  put32(out, 3780);
  put32(out, entries);
  put32(out, 0);
  for (uint32_t c : census.colours) {
    if (!paletted) break;
    out.push_back(uint8_t(c));
    out.push_back(uint8_t(c >> 8));
    out.push_back(uint8_t(c >> 16));
    out.push_back(0);
  }

  const PaletteIndex index(census.colours);
  const size_t pad = size_t(row_size - uint64_t(image.width()) * bytes_per_pixel);
  for (int y = image.height() - 1; y >= 0; --y) {
    const Pixel* row = image.row(y);
    if (paletted) {
      uint32_t last = 0xFFFFFFFF;
      uint8_t last_index = 0;
      for (int x = 0; x < image.width(); ++x) {
        const uint32_t rgb = row[x] & 0x00FFFFFF;
        if (rgb != last) {
          last = rgb;
          last_index = index(rgb);
        }
        out.push_back(last_index);
      }
    } else {
      for (int x = 0; x < image.width(); ++x) {
        out.push_back(blue_of(row[x]));
        out.push_back(green_of(row[x]));
        out.push_back(red_of(row[x]));
      }
    }
    out.insert(out.end(), pad, 0);
  }
  return true;
}

bool SaveBmp(const std::string& path, const LayerImage& image) {
  std::vector<uint8_t> bytes;
  if (!encode_bmp(image, bytes)) return false;
  return safe_write(path, [&](BinaryFile& f) { return f.write(bytes.data(), bytes.size()); });
}

}  // namespace qm
