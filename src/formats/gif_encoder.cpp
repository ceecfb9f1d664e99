#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "formats/gif_codec.h"
#include "formats/png_census.h"
#include "formats/safe_write.h"

namespace qm {
namespace {

// Collects codes least significant bit first into sub-blocks of 255 bytes.
class CodeWriter {
 public:
  explicit CodeWriter(std::vector<uint8_t>& out) : out_(out) {}
  void put(uint32_t code, int width) {
    acc_ |= uint64_t(code) << bits_;
    bits_ += width;
    while (bits_ >= 8) {
      byte(uint8_t(acc_));
      acc_ >>= 8;
      bits_ -= 8;
    }
  }
  void finish() {
    if (bits_ > 0) byte(uint8_t(acc_));
    acc_ = 0;
    bits_ = 0;
    flush_block();
    out_.push_back(0);
  }

 private:
  void byte(uint8_t b) {
    block_[block_len_++] = b;
    if (block_len_ == 255) flush_block();
  }
  void flush_block() {
    if (block_len_ == 0) return;
    out_.push_back(uint8_t(block_len_));
    out_.insert(out_.end(), block_.begin(), block_.begin() + block_len_);
    block_len_ = 0;
  }
  std::vector<uint8_t>& out_;
  uint64_t acc_ = 0;
  int bits_ = 0;
  std::array<uint8_t, 255> block_;
  int block_len_ = 0;
};

}  // namespace

void lzw_encode(const uint8_t* indices, size_t count, int min_code_size, std::vector<uint8_t>& out) {
  const int s = std::clamp(min_code_size, 2, 8);
  const uint32_t clear = 1u << s, end = clear + 1;
  // Slots hold (key << 12) | code; the key (prefix × 2^s + pixel) fits 20 bits.
  constexpr uint32_t kEmpty = 0xFFFFFFFF;
  constexpr uint32_t kSlots = 8192;
  auto table = std::make_unique<uint32_t[]>(kSlots);
  std::fill_n(table.get(), kSlots, kEmpty);
  uint32_t next_free = clear + 2;
  int width = s + 1;
  CodeWriter w(out);

  auto emit = [&](uint32_t code) {
    w.put(code, width);
    if (next_free >= (1u << width) && width < 12) ++width;
  };

  emit(clear);
  if (count == 0) {
    emit(end);
    w.finish();
    return;
  }
  const uint32_t pixel_mask = clear - 1;
  uint32_t prefix = indices[0] & pixel_mask;
  for (size_t i = 1; i < count; ++i) {
    const uint32_t c = indices[i] & pixel_mask;
    const uint32_t key = prefix << s | c;
    uint32_t h = ((key >> 12) ^ key) & (kSlots - 1);
    bool found = false;
    while (table[h] != kEmpty) {
      if (table[h] >> 12 == key) {
        prefix = table[h] & 0xFFF;
        found = true;
        break;
      }
      h = (h + 1) & (kSlots - 1);
    }
    if (found) continue;
    emit(prefix);
    if (next_free < 4095) {
      table[h] = key << 12 | next_free++;
    } else {
      // Code 4095 is never assigned: start over with a fresh table.
      emit(clear);
      std::fill_n(table.get(), kSlots, kEmpty);
      next_free = clear + 2;
      width = s + 1;
    }
    prefix = c;
  }
  emit(prefix);
  emit(end);
  w.finish();
}

bool encode_gif(LayerImage& image, std::optional<uint32_t> transparent, std::vector<uint8_t>& out) {
  if (image.empty() || image.width() > 65535 || image.height() > 65535) return false;
  ColourCensus census = take_colour_census(image);
  if (census.too_many) {
    reduce_colours(image);
    census = take_colour_census(image);
  }
  const std::vector<uint32_t>& palette = census.colours;
  const int n = int(palette.size());
  int b = 8;
  for (int k = 1; k <= 7; ++k) {
    if ((1 << k) >= n) {
      b = k;
      break;
    }
  }

  const auto put16 = [&](uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
  };
  static constexpr char kMagic[6] = {'G', 'I', 'F', '8', '9', 'a'};
  out.insert(out.end(), kMagic, kMagic + 6);
  put16(uint32_t(image.width()));
  put16(uint32_t(image.height()));
  out.push_back(uint8_t(0x80 | (b - 1) << 4 | (b - 1)));
  out.push_back(0);  // background index
  out.push_back(0);  // aspect
  for (int i = 0; i < (1 << b); ++i) {
    const uint32_t c = i < n ? palette[size_t(i)] : 0;
    out.push_back(uint8_t(c >> 16));
    out.push_back(uint8_t(c >> 8));
    out.push_back(uint8_t(c));
  }

  if (transparent) {
    const auto it = std::find(palette.begin(), palette.end(), *transparent & 0x00FFFFFF);
    if (it != palette.end()) {
      const uint8_t gce[8] = {0x21, 0xF9, 0x04, 0x01, 0, 0, uint8_t(it - palette.begin()), 0};
      out.insert(out.end(), gce, gce + 8);
    }
  }

  out.push_back(0x2C);
  put16(0);
  put16(0);
  put16(uint32_t(image.width()));
  put16(uint32_t(image.height()));
  out.push_back(0);

  // Indices row by row from the top row down.
  std::vector<uint8_t> indices;
  indices.resize(image.pixel_count());
  const PaletteIndex index(palette);
  uint32_t last = 0xFFFFFFFF;
  uint8_t last_index = 0;
  const Pixel* px = image.pixels();
  for (size_t i = 0; i < indices.size(); ++i) {
    const uint32_t rgb = px[i] & 0x00FFFFFF;
    if (rgb != last) {
      last = rgb;
      last_index = index(rgb);
    }
    indices[i] = last_index;
  }
  const int code_size = std::max(b, 2);
  out.push_back(uint8_t(code_size));
  lzw_encode(indices.data(), indices.size(), code_size, out);
  out.push_back(0x3B);
  return true;
}

bool SaveGif(const std::string& path, LayerImage& image, std::optional<uint32_t> transparent) {
  std::vector<uint8_t> bytes;
  if (!encode_gif(image, transparent, bytes)) return false;
  return safe_write(path, [&](BinaryFile& f) { return f.write(bytes.data(), bytes.size()); });
}

}  // namespace qm
