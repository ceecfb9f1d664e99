// The palette store and its files: palette.dat, .qml, .aco and pictures.
#include <gtest/gtest.h>

#include "../format_test_util.h"
#include "formats/palette_store.h"
#include "psd_test_util.h"

namespace qm {
namespace {

using test::Bytes;
using test::ScratchDir;

Palette numbered(uint32_t seed) {
  Palette p;
  for (size_t i = 0; i < p.size(); ++i) p[i] = (uint32_t(i) * 2654435761u + seed) & 0x00FFFFFFu;
  return p;
}

// A palette.dat of `count` palettes declaring `entries` colours each.
std::vector<uint8_t> store_file(int count, int entries, size_t palettes_written) {
  Bytes b;
  b.str("QMKPLD").u8(0).u8(uint32_t(count));
  for (size_t k = 0; k < palettes_written; ++k) {
    b.u16(uint32_t(entries));
    for (int i = 0; i < entries; ++i) b.u8(uint32_t(i)).u8(uint32_t(k)).u8(0x40).u8(0);
  }
  return b.v;
}

TEST(PaletteStore, SaveAndLoadRoundTripOnlyWhenModified) {
  ScratchDir dir;
  PaletteStore store;
  EXPECT_EQ(store.count(), 1);
  EXPECT_EQ(store.palette(0), white_palette());
  ASSERT_TRUE(store.add_palette());
  ASSERT_TRUE(store.add_palette());
  store.palette(0) = numbered(1);
  store.palette(2) = numbered(2);
  const std::string path = dir.file("palette.dat");
  ASSERT_TRUE(SavePaletteStore(path, store));
  EXPECT_FALSE(store.modified());
  const std::vector<uint8_t> bytes = test::read_file(path);
  ASSERT_EQ(bytes.size(), 8u + 3 * (2 + 4096));
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "QMKPLD");
  EXPECT_EQ(bytes[7], 3);
  EXPECT_EQ(bytes[8] | bytes[9] << 8, 1024);
  // Colours as B, G, R, 0.
  const uint32_t c0 = numbered(1)[0];
  EXPECT_EQ(bytes[10], uint8_t(c0));
  EXPECT_EQ(bytes[12], uint8_t(c0 >> 16));
  EXPECT_EQ(bytes[13], 0);

  // Unmodified: not rewritten.
  test::write_file(path, {9});
  EXPECT_TRUE(SavePaletteStore(path, store));
  EXPECT_EQ(test::read_file(path), std::vector<uint8_t>{9});
  test::write_file(path, bytes);

  PaletteStore back;
  ASSERT_TRUE(LoadPaletteStore(path, back));
  EXPECT_FALSE(back.modified());
  ASSERT_EQ(back.count(), 3);
  EXPECT_EQ(back.palette(0), numbered(1));
  EXPECT_EQ(back.palette(1), white_palette());
  EXPECT_EQ(back.palette(2), numbered(2));
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"palette.dat"});
}

TEST(PaletteStore, LoadClampsCountsAndKeepsOnePalette) {
  ScratchDir dir;
  const std::string path = dir.file("palette.dat");
  // Twelve palettes declared and written: the first ten are kept.
  test::write_file(path, store_file(12, 3, 12));
  PaletteStore store;
  ASSERT_TRUE(LoadPaletteStore(path, store));
  ASSERT_EQ(store.count(), 10);
  EXPECT_EQ(store.palette(9)[2], 0x400902u);
  EXPECT_EQ(store.palette(9)[3], kPaletteUnused);
  // More than 1024 entries: the rest are skipped, the next palette is found.
  test::write_file(path, store_file(2, 1030, 2));
  ASSERT_TRUE(LoadPaletteStore(path, store));
  ASSERT_EQ(store.count(), 2);
  EXPECT_EQ(store.palette(1)[1023], 0x4001FFu);
  EXPECT_EQ(store.palette(1)[0], 0x400100u);
  // No palettes at all: one white palette remains.
  test::write_file(path, store_file(0, 0, 0));
  ASSERT_TRUE(LoadPaletteStore(path, store));
  ASSERT_EQ(store.count(), 1);
  EXPECT_EQ(store.palette(0), white_palette());
  // A file cut short keeps what it has.
  std::vector<uint8_t> cut = store_file(3, 1024, 3);
  cut.resize(8 + 2 + 4096 + 2 + 40);
  test::write_file(path, cut);
  ASSERT_TRUE(LoadPaletteStore(path, store));
  ASSERT_EQ(store.count(), 2);
  EXPECT_EQ(store.palette(1)[9], 0x400109u);
  EXPECT_EQ(store.palette(1)[10], kPaletteUnused);
}

TEST(PaletteStore, BadOrMissingFilesChangeNothing) {
  ScratchDir dir;
  PaletteStore store;
  store.palette(0) = numbered(5);
  store.set_modified(true);
  EXPECT_FALSE(LoadPaletteStore(dir.file("missing.dat"), store));
  std::vector<uint8_t> wrong_version = store_file(2, 4, 2);
  wrong_version[6] = 1;
  test::write_file(dir.file("v1.dat"), wrong_version);
  EXPECT_FALSE(LoadPaletteStore(dir.file("v1.dat"), store));
  test::write_file(dir.file("magic.dat"), {'Q', 'M', 'K', 'P', 'A', 'L', 0, 1});
  EXPECT_FALSE(LoadPaletteStore(dir.file("magic.dat"), store));
  EXPECT_EQ(store.count(), 1);
  EXPECT_EQ(store.palette(0), numbered(5));
  EXPECT_TRUE(store.modified());
  // A failed save leaves the old file.
  EXPECT_FALSE(SavePaletteStore(dir.file("no/such/dir/palette.dat"), store));
  EXPECT_TRUE(store.modified());
}

TEST(PaletteFiles, QmlExportImportAndCounts) {
  ScratchDir dir;
  PaletteStore store;
  ASSERT_TRUE(store.add_palette());
  store.palette(1) = numbered(7);
  store.set_modified(false);
  ASSERT_TRUE(ExportPalette(dir.file("p.qml"), store, 1));
  const std::vector<uint8_t> bytes = test::read_file(dir.file("p.qml"));
  ASSERT_EQ(bytes.size(), 6u + 1 + 2 + 4096);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "QMKPAL");
  EXPECT_FALSE(ExportPalette(dir.file("x.qml"), store, 2));

  ASSERT_TRUE(ImportPalette(dir.file("p.qml"), store, 0));
  EXPECT_EQ(store.palette(0), numbered(7));
  EXPECT_TRUE(store.modified());
  // An upper-case extension works; an unknown one does not.
  test::write_file(dir.file("P.QML"), bytes);
  EXPECT_TRUE(ImportPalette(dir.file("P.QML"), store, 0));
  test::write_file(dir.file("p.txt"), bytes);
  EXPECT_FALSE(ImportPalette(dir.file("p.txt"), store, 0));
  EXPECT_FALSE(ImportPalette(dir.file("p.qml"), store, 5));

  // A count of 2000 reads 1024; a count of 3 leaves the rest white.
  Bytes big;
  big.str("QMKPAL").u8(0).u16(2000);
  for (int i = 0; i < 2000; ++i) big.u32(uint32_t(i));
  test::write_file(dir.file("big.qml"), big.v);
  ASSERT_TRUE(ImportPalette(dir.file("big.qml"), store, 1));
  EXPECT_EQ(store.palette(1)[1023], 1023u);
  Bytes few;
  few.str("QMKPAL").u8(0).u16(3).u32(0x11).u32(0x22).u32(0xAA000033);
  test::write_file(dir.file("few.qml"), few.v);
  ASSERT_TRUE(ImportPalette(dir.file("few.qml"), store, 1));
  EXPECT_EQ(store.palette(1)[2], 0x33u);  // the fourth byte is not colour
  EXPECT_EQ(store.palette(1)[3], kPaletteUnused);
  // Wrong magic or version: the palette keeps its colours.
  std::vector<uint8_t> v1 = few.v;
  v1[6] = 1;
  test::write_file(dir.file("v1.qml"), v1);
  EXPECT_FALSE(ImportPalette(dir.file("v1.qml"), store, 1));
  EXPECT_EQ(store.palette(1)[0], 0x11u);
}

std::vector<uint8_t> aco_file(int version, const std::vector<std::array<uint16_t, 5>>& colours,
                              uint16_t declared = 0xFFFF) {
  test::Be b;
  b.u16(uint32_t(version)).u16(declared == 0xFFFF ? uint32_t(colours.size()) : declared);
  for (const auto& c : colours) {
    for (uint16_t v : c) b.u16(v);
    if (version == 2) b.u16(0).u16(3).u16('A').u16('2').u16(0);
  }
  return b.v;
}

TEST(PaletteFiles, AcoVersionsOneAndTwo) {
  ScratchDir dir;
  PaletteStore store;
  store.palette(0) = numbered(1);
  const std::vector<std::array<uint16_t, 5>> rgb = {{0, 65535, 0, 0, 0}, {0, 0, 32768, 0, 0}, {0, 0, 0, 255, 0}};
  for (int version = 1; version <= 2; ++version) {
    SCOPED_TRACE(version);
    test::write_file(dir.file("s.aco"), aco_file(version, rgb));
    ASSERT_TRUE(ImportPalette(dir.file("s.aco"), store, 0));
    EXPECT_EQ(store.palette(0)[0], 0xFF0000u);
    EXPECT_EQ(store.palette(0)[1], 0x008000u);
    EXPECT_EQ(store.palette(0)[2], 0x000000u);
    EXPECT_EQ(store.palette(0)[3], kPaletteUnused);
  }
  // Photoshop's files: a version 1 section and then version 2; the first counts.
  std::vector<uint8_t> both = aco_file(1, {{0, 0x1200, 0x3400, 0x5600, 0}});
  const std::vector<uint8_t> second = aco_file(2, {{0, 0xFF00, 0xFF00, 0xFF00, 0}});
  test::append(both, second);
  test::write_file(dir.file("both.aco"), both);
  ASSERT_TRUE(ImportPalette(dir.file("both.aco"), store, 0));
  EXPECT_EQ(store.palette(0)[0], 0x123456u);
  EXPECT_EQ(store.palette(0)[1], kPaletteUnused);
  // A count beyond the data: what is there, then white.
  test::write_file(dir.file("short.aco"), aco_file(2, rgb, 900));
  ASSERT_TRUE(ImportPalette(dir.file("short.aco"), store, 0));
  EXPECT_EQ(store.palette(0)[2], 0u);
  EXPECT_EQ(store.palette(0)[3], kPaletteUnused);
  // Versions other than 1 and 2 are not swatch files.
  store.palette(0) = numbered(3);
  test::write_file(dir.file("v3.aco"), aco_file(3, rgb));
  EXPECT_FALSE(ImportPalette(dir.file("v3.aco"), store, 0));
  test::write_file(dir.file("v0.aco"), aco_file(0, rgb));
  EXPECT_FALSE(ImportPalette(dir.file("v0.aco"), store, 0));
  EXPECT_FALSE(ImportPalette(dir.file("missing.aco"), store, 0));
  EXPECT_EQ(store.palette(0), numbered(3));
}

TEST(PaletteFiles, AcoColourSpacesBecomeRgb) {
  auto colour = [](uint16_t space, uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
    const uint16_t v[4] = {a, b, c, d};
    return aco_colour(space, v);
  };
  EXPECT_EQ(colour(0, 0xABFF, 0x0100, 0xFFFF, 0x1234), 0xAB01FFu);
  // HSB: red, green at 120°, half-bright blue at 240°, grey without saturation.
  EXPECT_EQ(colour(1, 0, 65535, 65535, 0), 0xFF0000u);
  EXPECT_EQ(colour(1, 21845, 65535, 65535, 0), 0x00FF00u);
  EXPECT_EQ(colour(1, 43690, 65535, 32768, 0), 0x000080u);
  EXPECT_EQ(colour(1, 1000, 0, 65535, 0), 0xFFFFFFu);
  // CMYK stores 65535 for no ink: white, black, cyan.
  EXPECT_EQ(colour(2, 65535, 65535, 65535, 65535), 0xFFFFFFu);
  EXPECT_EQ(colour(2, 65535, 65535, 65535, 0), 0x000000u);
  EXPECT_EQ(colour(2, 0, 65535, 65535, 65535), 0x00FFFFu);
  // Lab: white, black, and a red that is clearly red.
  EXPECT_EQ(colour(7, 10000, 0, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(colour(7, 0, 0, 0, 0), 0x000000u);
  const uint32_t red = colour(7, 5400, uint16_t(8000), uint16_t(6700), 0);
  EXPECT_GT(red >> 16 & 0xFF, 200u);
  EXPECT_LT(red >> 8 & 0xFF, 60u);
  // Greyscale: 0 … 10000 of black ink.
  EXPECT_EQ(colour(8, 0, 0, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(colour(8, 10000, 0, 0, 0), 0x000000u);
  EXPECT_EQ(colour(8, 5000, 0, 0, 0), 0x808080u);
}

TEST(PaletteFiles, PaletteFromPictureScansBottomUp) {
  PaletteStore store;
  LayerImage pic;
  ASSERT_TRUE(pic.create(3, 2));
  // Top row then bottom row; alpha is ignored.
  pic.row(0)[0] = 0xFF000001, pic.row(0)[1] = 0x00000002, pic.row(0)[2] = 0xFF000003;
  pic.row(1)[0] = 0xFF000003, pic.row(1)[1] = 0x10000003, pic.row(1)[2] = 0xFF000004;
  ASSERT_TRUE(PaletteFromPicture(pic, store, 0));
  EXPECT_TRUE(store.modified());
  EXPECT_EQ(store.palette(0)[0], 3u);
  EXPECT_EQ(store.palette(0)[1], 4u);
  EXPECT_EQ(store.palette(0)[2], 1u);
  EXPECT_EQ(store.palette(0)[3], 2u);
  EXPECT_EQ(store.palette(0)[4], kPaletteUnused);
  // More than 1024 colours: the first 1024 met from the bottom left.
  LayerImage many;
  ASSERT_TRUE(many.create(100, 30));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 100; ++x) many.row(y)[x] = 0xFF000000u | uint32_t((29 - y) * 100 + x);
  ASSERT_TRUE(PaletteFromPicture(many, store, 0));
  for (uint32_t i = 0; i < 1024; ++i) ASSERT_EQ(store.palette(0)[i], i);
  EXPECT_FALSE(PaletteFromPicture(many, store, 1));
}

TEST(PaletteFiles, PaletteFromAPictureFile) {
  ScratchDir dir;
  LayerImage pic;
  ASSERT_TRUE(pic.create(3, 2));
  pic.row(0)[0] = 0xFF000001, pic.row(0)[1] = 0xFF000002, pic.row(0)[2] = 0xFF000003;
  pic.row(1)[0] = 0xFF000003, pic.row(1)[1] = 0xFF000003, pic.row(1)[2] = 0xFF000004;
  test::write_file(dir.file("p.bmp"), test::bmp24(pic));
  PaletteStore store;
  ASSERT_TRUE(palette_from_picture_file(dir.file("p.bmp"), store, 0));
  EXPECT_EQ(store.palette(0)[0], 3u);
  EXPECT_EQ(store.palette(0)[1], 4u);
  EXPECT_EQ(store.palette(0)[2], 1u);
  EXPECT_EQ(store.palette(0)[4], kPaletteUnused);
  // A file that does not load leaves the palette alone.
  store.set_modified(false);
  test::write_file(dir.file("bad.bmp"), {'B', 'M', 0});
  EXPECT_FALSE(palette_from_picture_file(dir.file("bad.bmp"), store, 0));
  EXPECT_FALSE(palette_from_picture_file(dir.file("missing.png"), store, 0));
  EXPECT_EQ(store.palette(0)[0], 3u);
  EXPECT_FALSE(store.modified());
}

}  // namespace
}  // namespace qm
