// The texture library: conversion of pictures, the packed buffer, and the
// .qmt file in both versions with its damaged forms.
#include <gtest/gtest.h>

#include "../fault_injection.h"
#include "../format_test_util.h"
#include "formats/texture_library.h"
#include "psd_test_util.h"

namespace qm {
namespace {

using test::Bytes;
using test::ScratchDir;

LayerImage picture(int w, int h, uint32_t seed) {
  LayerImage img;
  EXPECT_TRUE(img.create(w, h));
  test::fill_random(img, seed);
  return img;
}

// The header of a library file; the caller appends the stream.
Bytes qmt_header(int version, uint32_t count, uint32_t stored, uint32_t compressed) {
  Bytes b;
  b.str("QMKTEXLIB").u8(uint32_t(version)).u16(count).u32(stored).u32(compressed);
  return b;
}

std::vector<uint8_t> qmt_file(int version, uint32_t count, const std::vector<uint8_t>& buffer,
                              int64_t stored = -1) {
  const std::vector<uint8_t> z = test::zlib_compress(buffer.data(), buffer.size());
  Bytes b = qmt_header(version, count, stored < 0 ? uint32_t(buffer.size()) : uint32_t(stored),
                       count ? uint32_t(z.size()) : 0);
  if (count) b.raw(z);
  return b.v;
}

TEST(TextureLibrary, PixelValuesAreInvertedLuminance) {
  EXPECT_EQ(texture_value(0, 0, 0), 255);
  EXPECT_EQ(texture_value(255, 255, 255), 0);
  EXPECT_EQ(texture_value(255, 0, 0), 255 - 76);
  EXPECT_EQ(texture_value(0, 255, 0), 255 - 149);
  EXPECT_EQ(texture_value(0, 0, 255), 255 - 28);
  LayerImage img;
  ASSERT_TRUE(img.create(2, 1));
  img.row(0)[0] = 0x00FF0000;  // alpha is ignored
  img.row(0)[1] = 0xFF808080;
  TextureLibrary lib;
  ASSERT_TRUE(lib.add(img));
  const LibraryTexture t = lib.texture(0);
  ASSERT_EQ(t.width, 2);
  ASSERT_EQ(t.height, 1);
  EXPECT_EQ(t.pixels[0], 179);
  EXPECT_EQ(t.pixels[1], 255 - ((77 * 128 + 150 * 128 + 29 * 128) >> 8));
}

TEST(TextureLibrary, AddCutsTo512InsertsAndDeletes) {
  TextureLibrary lib;
  const LayerImage wide = picture(600, 300, 1);
  ASSERT_TRUE(lib.add(wide));
  EXPECT_TRUE(lib.modified());
  LibraryTexture t = lib.texture(0);
  ASSERT_EQ(t.width, 512);
  ASSERT_EQ(t.height, 300);
  // Rows from the top, the left 512 columns.
  const Pixel p = wide.row(299)[511];
  EXPECT_EQ(t.pixels[299 * 512 + 511], texture_value(red_of(p), green_of(p), blue_of(p)));
  EXPECT_EQ(lib.byte_size(), 4u + 512 * 300);

  ASSERT_TRUE(lib.add(picture(3, 2, 2)));      // appended
  ASSERT_TRUE(lib.add(picture(5, 7, 3), 1));   // before the 3 × 2
  ASSERT_TRUE(lib.add(picture(1, 1, 4), 0));   // first
  ASSERT_TRUE(lib.add(picture(2, 2, 5), 99));  // outside: appended
  ASSERT_EQ(lib.count(), 5);
  const int widths[] = {1, 512, 5, 3, 2};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(lib.texture(i).width, widths[i]);
  EXPECT_EQ(lib.texture(5).pixels, nullptr);
  EXPECT_EQ(lib.byte_size(), 5 * 4u + 1 + 512 * 300 + 35 + 6 + 4);

  lib.set_modified(false);
  lib.remove(1);
  EXPECT_TRUE(lib.modified());
  ASSERT_EQ(lib.count(), 4);
  EXPECT_EQ(lib.texture(1).width, 5);
  EXPECT_EQ(lib.texture(1).height, 7);
  EXPECT_EQ(lib.texture(3).width, 2);
  lib.remove(-1);
  lib.remove(4);
  EXPECT_EQ(lib.count(), 4);
  EXPECT_EQ(lib.byte_size(), 4 * 4u + 1 + 35 + 6 + 4);
  lib.clear();
  EXPECT_EQ(lib.count(), 0);
  EXPECT_EQ(lib.byte_size(), 0u);
  EXPECT_FALSE(lib.add(LayerImage{}));
}

TEST(TextureLibrary, RefusesThe501st) {
  TextureLibrary lib;
  const LayerImage one = picture(1, 1, 9);
  for (int i = 0; i < kMaxTextures; ++i) ASSERT_TRUE(lib.add(one));
  EXPECT_FALSE(lib.add(one));
  EXPECT_EQ(lib.count(), 500);
}

TEST(TextureLibrary, SaveLoadRoundTrip) {
  ScratchDir dir;
  TextureLibrary lib;
  ASSERT_TRUE(lib.add(picture(40, 30, 1)));
  ASSERT_TRUE(lib.add(picture(512, 512, 2)));
  ASSERT_TRUE(lib.add(picture(1, 9, 3)));
  const std::string path = dir.file("texture.qmt");
  ASSERT_TRUE(SaveTextureLibrary(path, lib, true));
  EXPECT_FALSE(lib.modified());
  const std::vector<uint8_t> bytes = test::read_file(path);
  ASSERT_GE(bytes.size(), 20u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 9), "QMKTEXLIB");
  EXPECT_EQ(bytes[9], 2);
  EXPECT_EQ(bytes[10] | bytes[11] << 8, 3);
  const uint32_t stored = uint32_t(bytes[12] | bytes[13] << 8 | bytes[14] << 16 | bytes[15] << 24);
  const uint32_t z = uint32_t(bytes[16] | bytes[17] << 8 | bytes[18] << 16 | bytes[19] << 24);
  EXPECT_EQ(stored, lib.byte_size());
  ASSERT_EQ(bytes.size(), 20u + z);
  // zlib's own decoder agrees, and the stream is level 4 (FLEVEL 1 in the header).
  EXPECT_EQ(test::zlib_uncompress({bytes.begin() + 20, bytes.end()}, stored), lib.bytes());
  EXPECT_EQ(bytes[21] >> 6, 1);

  TextureLibrary back;
  ASSERT_TRUE(LoadTextureLibrary(path, back, false));
  EXPECT_FALSE(back.modified());
  EXPECT_EQ(back.count(), 3);
  EXPECT_EQ(back.bytes(), lib.bytes());
  ASSERT_TRUE(LoadTextureLibrary(path, back, true));
  EXPECT_TRUE(back.modified());

  // Unmodified with only-when-modified: not written.
  test::write_file(path, {1});
  EXPECT_TRUE(SaveTextureLibrary(path, lib, true));
  EXPECT_EQ(test::read_file(path), std::vector<uint8_t>{1});
  EXPECT_TRUE(SaveTextureLibrary(path, lib, false));
  EXPECT_EQ(test::read_file(path), bytes);
}

TEST(TextureLibrary, EmptyLibraryHasNothingAfterTheHeader) {
  ScratchDir dir;
  TextureLibrary lib;
  lib.clear();
  ASSERT_TRUE(SaveTextureLibrary(dir.file("e.qmt"), lib, true));
  EXPECT_EQ(test::read_file(dir.file("e.qmt")), qmt_header(2, 0, 0, 0).v);
  TextureLibrary back;
  ASSERT_TRUE(back.add(picture(2, 2, 1)));
  ASSERT_TRUE(LoadTextureLibrary(dir.file("e.qmt"), back, false));
  EXPECT_EQ(back.count(), 0);
}

TEST(TextureLibrary, VersionOneIsWidenedAndMarkedForRewriting) {
  ScratchDir dir;
  // Two records with 8-bit sides: 2 × 3 and 255 × 1.
  Bytes v1;
  v1.u8(2).u8(3).raw(std::vector<uint8_t>{1, 2, 3, 4, 5, 6}).u8(255).u8(1).raw(std::vector<uint8_t>(255, 7));
  test::write_file(dir.file("old.qmt"), qmt_file(1, 2, v1.v));
  TextureLibrary lib;
  ASSERT_TRUE(LoadTextureLibrary(dir.file("old.qmt"), lib, false));
  EXPECT_TRUE(lib.modified());
  ASSERT_EQ(lib.count(), 2);
  EXPECT_EQ(lib.byte_size(), v1.size() + 4);
  EXPECT_EQ(lib.texture(0).width, 2);
  EXPECT_EQ(lib.texture(0).height, 3);
  EXPECT_EQ(lib.texture(0).pixels[5], 6);
  EXPECT_EQ(lib.texture(1).width, 255);
  EXPECT_EQ(lib.texture(1).pixels[254], 7);
  ASSERT_TRUE(SaveTextureLibrary(dir.file("old.qmt"), lib, true));
  EXPECT_EQ(test::read_file(dir.file("old.qmt"))[9], 2);
}

TEST(TextureLibrary, DamagedFilesLeaveTheLibraryAsItWas) {
  ScratchDir dir;
  TextureLibrary lib;
  ASSERT_TRUE(lib.add(picture(4, 4, 1)));
  lib.set_modified(false);
  const std::vector<uint8_t> before = lib.bytes();

  Bytes rec;
  rec.u16(2).u16(2).raw(std::vector<uint8_t>{1, 2, 3, 4});
  Bytes two = rec;
  two.raw(rec.v);
  std::vector<std::pair<std::string, std::vector<uint8_t>>> bad = {
      {"magic", [] { auto f = qmt_file(2, 0, {}); f[0] = 'X'; return f; }()},
      {"version 0", qmt_file(0, 0, {})},
      {"version 3", qmt_file(3, 0, {})},
      {"501 textures", qmt_file(2, 501, rec.v)},
      {"count above records", qmt_file(2, 2, rec.v)},
      {"count below records", qmt_file(2, 1, two.v)},
      {"stored size above stream", qmt_file(2, 1, rec.v, 9)},
      {"stored size below stream", qmt_file(2, 1, rec.v, 7)},
      {"stored size without textures", qmt_file(2, 0, rec.v, 8)},
      {"width 0", [] { Bytes r; r.u16(0).u16(2); return qmt_file(2, 1, r.v); }()},
      {"width 513", [] { Bytes r; r.u16(513).u16(1).zeros(513); return qmt_file(2, 1, r.v); }()},
      {"v1 height 0", [] { Bytes r; r.u8(3).u8(0); return qmt_file(1, 1, r.v); }()},
      {"stored size beyond a full library", qmt_header(2, 1, 0xFFFFFFF0, 10).raw(std::vector<uint8_t>(10, 0)).v},
      {"stored size beyond what the stream can hold", qmt_header(2, 1, 20000000, 16).raw(std::vector<uint8_t>(16, 0)).v},
      {"stream past the end", qmt_header(2, 1, 8, 0x7FFFFFFF).raw(test::zlib_compress(rec.v.data(), 8)).v},
      {"corrupt stream", qmt_header(2, 1, 8, 6).raw(std::vector<uint8_t>{0x78, 0x9C, 0xFF, 0xFF, 0xFF, 0xFF}).v},
      {"truncated header", qmt_header(2, 1, 8, 6).v},
  };
  for (const auto& [what, bytes] : bad) {
    SCOPED_TRACE(what);
    test::write_file(dir.file("bad.qmt"), bytes);
    EXPECT_FALSE(LoadTextureLibrary(dir.file("bad.qmt"), lib, true));
    EXPECT_EQ(lib.bytes(), before);
    EXPECT_EQ(lib.count(), 1);
    EXPECT_FALSE(lib.modified());
  }
  EXPECT_FALSE(LoadTextureLibrary(dir.file("missing.qmt"), lib, true));
  EXPECT_EQ(lib.count(), 1);
  // And the control: the good record loads.
  test::write_file(dir.file("good.qmt"), qmt_file(2, 1, rec.v));
  ASSERT_TRUE(LoadTextureLibrary(dir.file("good.qmt"), lib, false));
  EXPECT_EQ(lib.texture(0).pixels[3], 4);
}

TEST(TextureLibrary, FailedSaveKeepsThePreviousFile) {
  ScratchDir dir;
  TextureLibrary lib;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(lib.add(picture(300, 300, uint32_t(i))));
  const std::string path = dir.file("texture.qmt");
  test::write_file(path, {4, 5, 6});
  {
    test::FileSizeLimit limit(4096);  // the disk fills during the stream
    EXPECT_FALSE(SaveTextureLibrary(path, lib, true));
  }
  EXPECT_TRUE(lib.modified());
  EXPECT_EQ(test::read_file(path), (std::vector<uint8_t>{4, 5, 6}));
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"texture.qmt"});
}

TEST(TextureLibrary, TextureFromAPictureFile) {
  ScratchDir dir;
  const LayerImage pic = picture(7, 5, 3);
  test::write_file(dir.file("t.bmp"), test::bmp24(pic));
  TextureLibrary lib;
  ASSERT_TRUE(add_texture_from_file(dir.file("t.bmp"), lib));
  ASSERT_EQ(lib.count(), 1);
  ASSERT_EQ(lib.texture(0).width, 7);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) {
      const Pixel p = pic.row(y)[x];
      ASSERT_EQ(lib.texture(0).pixels[y * 7 + x], texture_value(red_of(p), green_of(p), blue_of(p)));
    }
  lib.set_modified(false);
  EXPECT_FALSE(add_texture_from_file(dir.file("missing.bmp"), lib));
  EXPECT_EQ(lib.count(), 1);
  EXPECT_FALSE(lib.modified());
}

}  // namespace
}  // namespace qm
