#pragma once
// Documents for the format tests, and a builder of native files by hand.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "document/document.h"
#include "format_test_util.h"

namespace qm::test {

// A w × h document of `layers` layers filled with artwork-like pixels.
inline std::unique_ptr<Document> make_document(int w, int h, int layers, uint32_t seed = 1) {
  auto doc = std::make_unique<Document>();
  EXPECT_TRUE(doc->new_canvas(w, h, true));
  for (int i = 1; i < layers; ++i) EXPECT_NE(doc->create_layer(true), nullptr);
  for (int i = 0; i < layers; ++i) fill_artwork(doc->layer_at(i)->image, seed + uint32_t(i));
  return doc;
}

inline void expect_same_document(const Document& a, const Document& b) {
  ASSERT_EQ(a.width(), b.width());
  ASSERT_EQ(a.height(), b.height());
  ASSERT_EQ(a.layer_count(), b.layer_count());
  EXPECT_EQ(a.name_counter(), b.name_counter());
  EXPECT_EQ(a.current_index(), b.current_index());
  for (int i = 0; i < a.layer_count(); ++i) {
    SCOPED_TRACE("layer " + std::to_string(i));
    const Layer& la = *a.layer_at(i);
    const Layer& lb = *b.layer_at(i);
    EXPECT_EQ(la.name, lb.name);
    EXPECT_EQ(la.blend_mode, lb.blend_mode);
    EXPECT_EQ(la.opacity, lb.opacity);
    EXPECT_EQ(la.mask_mode, lb.mask_mode);
    EXPECT_EQ(la.flags, lb.flags);
    EXPECT_TRUE(same_pixels(la.image, lb.image));
  }
}

// One layer entry of a hand-made native file.
struct NativeLayerSpec {
  std::vector<uint8_t> name_field = std::vector<uint8_t>(32, 0);
  uint8_t blend = 0, opacity = 128, flags = 1;
  std::vector<uint8_t> pixels;  // bottom row first; compressed unless `stream` is set
  std::vector<uint8_t> stream;  // used as is when not empty
  std::vector<uint8_t> trailing;  // bytes after the stream, counted in Z
};

struct NativeFileSpec {
  uint8_t version = 0;
  uint16_t width = 2, height = 2, counter = 1, current = 0;
  int count = -1;                    // −1: the number of layers given
  std::vector<uint8_t> header_extra;  // H − 10 bytes
  uint16_t thumb_w = 1, thumb_h = 1;
  int64_t thumb_size = -1;  // −1: TW × TH × 4
  std::vector<uint8_t> thumb_pixels;  // defaults to TW × TH × 4 bytes of 0x80
  uint32_t record_bytes = 35;
  std::vector<uint8_t> record_extra;  // R − 35 bytes per record
  std::vector<NativeLayerSpec> layers;  // bottom first
};

inline std::vector<uint8_t> native_file(const NativeFileSpec& s) {
  Bytes b;
  b.str("DIZIDID").u8(s.version).u32(10 + uint32_t(s.header_extra.size()));
  b.u16(s.width).u16(s.height).u16(s.count < 0 ? uint32_t(s.layers.size()) : uint32_t(s.count));
  b.u16(s.counter).u16(s.current).raw(s.header_extra);
  std::vector<uint8_t> thumb = s.thumb_pixels;
  if (thumb.empty()) thumb.assign(size_t(s.thumb_w) * s.thumb_h * 4, 0x80);
  b.u16(s.thumb_w).u16(s.thumb_h).u32(s.thumb_size < 0 ? uint32_t(thumb.size()) : uint32_t(s.thumb_size));
  b.raw(thumb).u32(s.record_bytes);
  for (const NativeLayerSpec& l : s.layers) {
    b.raw(l.name_field).u8(l.blend).u8(l.opacity).u8(l.flags).raw(s.record_extra);
    std::vector<uint8_t> z = l.stream;
    if (z.empty()) {
      std::vector<uint8_t> px = l.pixels;
      if (px.empty()) px.assign(size_t(s.width) * s.height * 4, 0);
      z = zlib_compress(px.data(), px.size());
    }
    b.u32(uint32_t(z.size() + l.trailing.size())).raw(z).raw(l.trailing);
  }
  return b.v;
}

inline std::vector<uint8_t> name_field(std::string_view text) {
  std::vector<uint8_t> f(32, 0);
  std::copy_n(text.begin(), std::min<size_t>(text.size(), 32), f.begin());
  return f;
}

}  // namespace qm::test
