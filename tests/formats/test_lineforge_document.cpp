// Lineforge documents: the black-lines save, version 0 and tiled version 1.
#include <gtest/gtest.h>

#include "doc_test_util.h"
#include "fault_injection.h"
#include "formats/layer_name.h"
#include "formats/lineforge_document.h"

namespace qm {
namespace {

using test::Bytes;
using test::ScratchDir;

LoadResult load_bytes(const ScratchDir& dir, const std::vector<uint8_t>& bytes,
                      std::unique_ptr<Document>& out) {
  const std::string path = dir.file("hand.lfw");
  test::write_file(path, bytes);
  out = std::make_unique<Document>();
  return LoadLineforgeDocument(path, *out, nullptr);
}

TEST(LineforgeDocument, SavingKeepsAlphaAsBlackLines) {
  ScratchDir dir;
  auto doc = test::make_document(7, 5, 2, 9);
  Layer& top = *doc->layer_at(0);
  top.image.fill(0x80FF0000);  // red, half transparent
  top.image.row(2)[3] = 0x00123456;  // fully transparent, odd colour
  top.name = "赤";
  top.opacity = 77;
  top.blend_mode = 3;
  top.mask_mode = 2;
  top.flags = kLayerFillReference;  // hidden
  doc->set_name_counter(5);
  doc->select(1);
  const std::string path = dir.file("lines.lfw");
  ASSERT_TRUE(SaveLineforgeDocument(path, *doc, nullptr));

  auto back = std::make_unique<Document>();
  ASSERT_EQ(LoadLineforgeDocument(path, *back, nullptr), LoadResult::Success);
  ASSERT_EQ(back->layer_count(), 2);
  EXPECT_EQ(back->name_counter(), 5);
  EXPECT_EQ(back->current_index(), 1);
  const Layer& t = *back->layer_at(0);
  EXPECT_EQ(t.name, "赤");
  EXPECT_EQ(t.opacity, 77);
  EXPECT_EQ(t.blend_mode, 0);  // not stored
  EXPECT_EQ(t.mask_mode, 0);
  EXPECT_EQ(t.flags, 0);       // hidden; the fill mark is not stored
  EXPECT_EQ(t.image.row(0)[0], 0x80000000u);
  EXPECT_EQ(t.image.row(2)[3], kTransparent);
  // Any colour becomes black with the pixel's alpha.
  const Layer& src = *doc->layer_at(1);
  const Layer& b = *back->layer_at(1);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) {
      const Pixel a = alpha_of(src.image.row(y)[x]);
      ASSERT_EQ(b.image.row(y)[x], a ? a << 24 : kTransparent) << x << "," << y;
    }
}

// The version 0 layout, read back by hand: header, the preview of the
// flattened picture, and density rows padded to 4 bytes.
TEST(LineforgeDocument, Version0LayoutAndDensityRowPadding) {
  ScratchDir dir;
  auto doc = test::make_document(5, 3, 1, 2);
  doc->layer_at(0)->name = "ink";
  const std::string path = dir.file("pad.lfw");
  ASSERT_TRUE(SaveLineforgeDocument(path, *doc, nullptr));
  const std::vector<uint8_t> f = test::read_file(path);
  const Bytes header = Bytes().str("RAREVIR").u8(0).u16(5).u16(3).u16(1).u16(1).u16(0).u8(0);
  ASSERT_GT(f.size(), header.size() + 4);
  ASSERT_TRUE(std::equal(header.v.begin(), header.v.end(), f.begin()));
  size_t at = header.size();
  auto u32_at = [&](size_t i) { return uint32_t(f[i] | f[i + 1] << 8 | f[i + 2] << 16 | uint32_t(f[i + 3]) << 24); };

  const uint32_t preview_size = u32_at(at);
  const std::vector<uint8_t> preview =
      test::zlib_uncompress({f.begin() + ptrdiff_t(at + 4), f.begin() + ptrdiff_t(at + 4 + preview_size)}, 5 * 3 * 4);
  ASSERT_EQ(preview.size(), 5u * 3 * 4);
  LayerImage flat;
  ASSERT_TRUE(doc->flatten(flat, false));
  // Bottom row first.
  EXPECT_EQ(0, std::memcmp(preview.data(), flat.row(2), 20));
  EXPECT_EQ(0, std::memcmp(preview.data() + 40, flat.row(0), 20));
  at += 4 + preview_size;

  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&f[at])), "ink");
  EXPECT_EQ(f[at + 32], 128);  // opacity
  EXPECT_EQ(f[at + 33], 1);    // visible
  EXPECT_EQ(u32_at(at + 34), 0u);  // black
  const uint32_t z = u32_at(at + 38);
  const std::vector<uint8_t> density =
      test::zlib_uncompress({f.begin() + ptrdiff_t(at + 42), f.begin() + ptrdiff_t(at + 42 + z)}, 100);
  ASSERT_EQ(density.size(), 8u * 3);  // width 5 padded to 8, top row first
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(density[size_t(y * 8 + x)], x < 5 ? alpha_of(doc->layer_at(0)->image.row(y)[x]) : 0);
  EXPECT_EQ(at + 42 + z, f.size());

  // The preview loads as the flattened picture.
  LayerImage thumb;
  ASSERT_TRUE(LoadLineforgeThumbnail(path, thumb));
  EXPECT_TRUE(test::same_pixels(thumb, flat));
}

// --- version 1 -------------------------------------------------------------

struct Tile {
  uint16_t ix, iy;
  std::vector<uint8_t> data;  // as stored: 4096 raw bytes or a zlib stream
};
struct V1Layer {
  int32_t x = 0, y = 0;
  std::u16string name;
  uint8_t opacity = 128, flags = 1;
  uint32_t colour = 0;  // 0x00RRGGBB
  std::vector<Tile> tiles;
  int64_t tile_count = -1;  // −1: tiles.size()
};
struct V1File {
  uint16_t width = 100, height = 70, current = 0;
  uint16_t header_bytes = 12, record_bytes = 79;
  uint16_t pw = 2, ph = 1;
  int count = -1;
  std::vector<V1Layer> layers;
};

std::vector<uint8_t> v1_file(const V1File& s) {
  Bytes b;
  std::vector<uint8_t> preview(size_t(s.pw) * s.ph * 4);
  for (size_t i = 0; i < preview.size(); ++i) preview[i] = uint8_t(i + 1);
  const auto pz = test::zlib_compress(preview.data(), preview.size());
  b.str("RAREVIR").u8(1).u16(s.pw).u16(s.ph).u32(uint32_t(pz.size())).raw(pz);
  b.u16(s.header_bytes).u16(s.width).u16(s.height).u16(0xBEEF);
  b.u16(s.count < 0 ? uint32_t(s.layers.size()) : uint32_t(s.count)).u16(s.current).u16(s.record_bytes);
  b.zeros(s.header_bytes > 12 ? s.header_bytes - 12u : 0);
  for (const V1Layer& l : s.layers) {
    b.u32(uint32_t(l.x)).u32(uint32_t(l.y)).zeros(8);
    b.u32(l.tile_count < 0 ? uint32_t(l.tiles.size()) : uint32_t(l.tile_count));
    for (size_t i = 0; i < 25; ++i) b.u16(i < l.name.size() ? l.name[i] : 0);
    b.u8(l.opacity).u8(l.colour).u8(l.colour >> 8).u8(l.colour >> 16).u8(0xAA);
    b.u8(l.flags).zeros(3).zeros(s.record_bytes > 79 ? s.record_bytes - 79u : 0);
    for (const Tile& t : l.tiles) b.u16(t.ix).u16(t.iy).u16(uint32_t(t.data.size())).raw(t.data);
  }
  return b.v;
}

std::vector<uint8_t> tile_pattern(uint32_t seed) {
  std::vector<uint8_t> t(4096);
  for (size_t i = 0; i < t.size(); ++i) t[i] = uint8_t((i * seed) >> 4);
  return t;
}

TEST(LineforgeDocument, Version1TilesRawCompressedAndOffset) {
  ScratchDir dir;
  const std::vector<uint8_t> raw = tile_pattern(7), packed = tile_pattern(3);
  V1File s;
  s.header_bytes = 16;  // four unknown header bytes
  s.record_bytes = 83;  // four unknown record bytes
  s.current = 1;
  V1Layer lines;
  lines.x = -10;
  lines.y = 5;
  lines.name = u"線画\U0001F58A";
  lines.opacity = 200;
  lines.colour = 0x112233;
  lines.tiles = {{0, 0, raw}, {1, 0, test::zlib_compress(packed.data(), 4096)}};
  V1Layer fill;
  fill.flags = 0;
  fill.name = u"0123456789012345678901234";  // 25 units
  fill.tiles = {{1, 1, test::zlib_compress(raw.data(), 4096)}};
  s.layers = {lines, fill};

  std::unique_ptr<Document> d;
  ASSERT_EQ(load_bytes(dir, v1_file(s), d), LoadResult::Success);
  ASSERT_EQ(d->layer_count(), 2);
  EXPECT_EQ(d->width(), 100);
  EXPECT_EQ(d->height(), 70);
  EXPECT_EQ(d->name_counter(), 2);  // the layer count
  EXPECT_EQ(d->current_index(), 1);

  const Layer& l = *d->layer_at(1);  // bottom in the file
  EXPECT_EQ(l.name, "線画\U0001F58A");
  EXPECT_EQ(l.opacity, 128);  // clamped
  EXPECT_EQ(l.flags, kLayerVisible);
  auto expect_pixel = [](uint8_t density, Pixel colour) {
    return density ? (Pixel{density} << 24 | colour) : kTransparent;
  };
  for (int y = 0; y < 70; ++y)
    for (int x = 0; x < 100; ++x) {
      // Tile (0, 0) covers canvas x −10 … 53, tile (1, 0) x 54 … 117; y 5 … 68.
      Pixel want = kTransparent;
      if (y >= 5 && y < 69) {
        const int ty = y - 5;
        if (x < 54) want = expect_pixel(raw[size_t(ty * 64 + x + 10)], 0x112233);
        else want = expect_pixel(packed[size_t(ty * 64 + x - 54)], 0x112233);
      }
      ASSERT_EQ(l.image.row(y)[x], want) << x << "," << y;
    }

  const Layer& f = *d->layer_at(0);
  EXPECT_EQ(f.name, "0123456789012345678901234");
  EXPECT_EQ(f.flags, 0);
  EXPECT_EQ(f.image.row(63)[63], kTransparent);
  EXPECT_EQ(f.image.row(64)[64], expect_pixel(raw[0], 0));
  EXPECT_EQ(f.image.row(69)[99], expect_pixel(raw[5 * 64 + 35], 0));

  // The preview: PW × PH, bottom row first.
  LayerImage thumb;
  test::write_file(dir.file("v1.lfw"), v1_file(s));
  ASSERT_TRUE(LoadLineforgeThumbnail(dir.file("v1.lfw"), thumb));
  EXPECT_EQ(thumb.width(), 2);
  EXPECT_EQ(thumb.height(), 1);
  EXPECT_EQ(thumb.row(0)[1], 0x08070605u);
}

TEST(LineforgeDocument, Version1DamageAndImpossibleHeaders) {
  ScratchDir dir;
  std::unique_ptr<Document> d;
  const std::vector<uint8_t> raw = tile_pattern(5);
  V1File good;
  good.layers.resize(1);
  good.layers[0].tiles = {{0, 0, raw}};
  ASSERT_EQ(load_bytes(dir, v1_file(good), d), LoadResult::Success);

  auto result_of = [&](auto change) {
    V1File s = good;
    change(s);
    return load_bytes(dir, v1_file(s), d);
  };
  EXPECT_EQ(result_of([](V1File& s) { s.layers[0].tiles[0].data.clear(); }), LoadResult::Damaged);
  EXPECT_EQ(result_of([&](V1File& s) { s.layers[0].tiles[0].data.push_back(0); }),
            LoadResult::Damaged);  // 4097 bytes
  EXPECT_EQ(result_of([](V1File& s) { s.layers[0].tiles[0].data = {0x78, 0x9C, 1, 2, 3}; }),
            LoadResult::Damaged);
  EXPECT_EQ(result_of([](V1File& s) { s.header_bytes = 11; }), LoadResult::WrongFormat);
  EXPECT_EQ(result_of([](V1File& s) { s.record_bytes = 78; }), LoadResult::WrongFormat);
  EXPECT_EQ(result_of([](V1File& s) { s.width = 4501; }), LoadResult::TooLarge);
  EXPECT_EQ(result_of([](V1File& s) { s.count = 0; }), LoadResult::WrongFormat);
  EXPECT_EQ(result_of([](V1File& s) { s.count = 101; }), LoadResult::OutOfMemory);
  // Tiles far outside the canvas are dropped whole.
  EXPECT_EQ(result_of([](V1File& s) {
              s.layers[0].x = -2000000000;
              s.layers[0].tiles[0].ix = 0xFFFF;
            }),
            LoadResult::Success);
  EXPECT_EQ(d->layer_at(0)->image.row(0)[0], kTransparent);

  // A tile count the file cannot hold fails at once instead of reading on.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(result_of([](V1File& s) { s.layers[0].tile_count = 0xFFFFFFFF; }), LoadResult::Damaged);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(result_of([](V1File& s) { s.layers[0].tile_count = 2; }), LoadResult::Damaged);

  const std::vector<uint8_t> f = v1_file(good);
  for (size_t cut = 0; cut < f.size(); cut += 7) {
    ASSERT_NE(load_bytes(dir, {f.begin(), f.begin() + ptrdiff_t(cut)}, d), LoadResult::Success)
        << "cut at " << cut;
  }
}

TEST(LineforgeDocument, Version0HeaderChecks) {
  ScratchDir dir;
  auto doc = test::make_document(6, 4, 2, 1);
  const std::string path = dir.file("v0.lfw");
  ASSERT_TRUE(SaveLineforgeDocument(path, *doc, nullptr));
  const std::vector<uint8_t> good = test::read_file(path);
  std::unique_ptr<Document> d;
  auto with = [&](size_t at, std::vector<uint8_t> bytes) {
    std::vector<uint8_t> f = good;
    std::copy(bytes.begin(), bytes.end(), f.begin() + ptrdiff_t(at));
    return load_bytes(dir, f, d);
  };
  EXPECT_EQ(with(7, {2}), LoadResult::WrongFormat);  // version 2
  EXPECT_EQ(with(18, {1}), LoadResult::WrongFormat);  // reserved byte
  EXPECT_EQ(with(8, {0x95, 0x11}), LoadResult::TooLarge);  // width 4501
  EXPECT_EQ(with(12, {0, 0}), LoadResult::WrongFormat);  // no layers
  EXPECT_EQ(with(12, {101, 0}), LoadResult::OutOfMemory);
  EXPECT_EQ(with(16, {9, 0}), LoadResult::Success);  // current index past the stack
  EXPECT_EQ(d->current_index(), 0);
  for (size_t cut = 0; cut < good.size(); ++cut)
    ASSERT_EQ(load_bytes(dir, {good.begin(), good.begin() + ptrdiff_t(cut)}, d),
              cut < 8 ? LoadResult::WrongFormat : LoadResult::Damaged)
        << "cut at " << cut;
}

TEST(LineforgeDocument, ThumbnailSizesAreChecked) {
  ScratchDir dir;
  const std::string path = dir.file("t.lfw");
  LayerImage thumb;
  auto thumb_of = [&](const std::vector<uint8_t>& bytes) {
    test::write_file(path, bytes);
    return LoadLineforgeThumbnail(path, thumb);
  };
  const std::vector<uint8_t> px(4 * 4, 9);
  const auto pz = test::zlib_compress(px.data(), px.size());
  auto v0 = [&](uint16_t w, uint16_t h, uint32_t p) {
    return Bytes().str("RAREVIR").u8(0).u16(w).u16(h).u16(1).u16(1).u16(0).u8(0).u32(p).raw(pz).v;
  };
  EXPECT_TRUE(thumb_of(v0(2, 2, uint32_t(pz.size()))));
  EXPECT_EQ(thumb.row(0)[0], 0x09090909u);
  EXPECT_FALSE(thumb_of(v0(0, 2, uint32_t(pz.size()))));
  EXPECT_FALSE(thumb_of(v0(2, 2, 0)));  // a save that had no preview
  EXPECT_FALSE(thumb_of(v0(2, 2, uint32_t(pz.size()) + 100)));  // past the end
  EXPECT_FALSE(thumb_of(v0(4600, 2, uint32_t(pz.size()))));
  EXPECT_FALSE(thumb_of(v0(1, 2, uint32_t(pz.size()))));  // more data than the picture
  V1File v1;
  v1.pw = 5000;
  v1.layers.resize(1);
  EXPECT_FALSE(thumb_of(v1_file(v1)));
  EXPECT_FALSE(thumb_of(Bytes().str("RAREVIR").u8(2).u16(2).u16(2).v));
}

TEST(LineforgeDocument, AFailedSaveLeavesThePreviousFile) {
  ScratchDir dir;
  const std::string path = dir.file("keep.lfw");
  auto first = test::make_document(20, 20, 1, 1);
  ASSERT_TRUE(SaveLineforgeDocument(path, *first, nullptr));
  const std::vector<uint8_t> before = test::read_file(path);
  auto second = test::make_document(150, 100, 3, 7);
  for (uint64_t cut : {uint64_t{0}, uint64_t{10}, uint64_t{30}, uint64_t{5000}}) {
    bool saved;
    {
      test::FileSizeLimit limit(cut);
      saved = SaveLineforgeDocument(path, *second, nullptr);
    }
    EXPECT_FALSE(saved) << cut;
    EXPECT_EQ(test::read_file(path), before);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"keep.lfw"});
  }
}

}  // namespace
}  // namespace qm
