#include <gtest/gtest.h>

#include <set>

#include "codec_test_util.h"
#include "formats/gif_codec.h"
#include "formats/png_census.h"

namespace qm {
namespace {

// ------------------------------------------------- hand-made GIF files --

// A plain LZW stream of literals only: a clear code before the table would
// make the code width grow, so every code has the starting width.
std::vector<uint8_t> literal_lzw(const std::vector<uint8_t>& indices, int code_size) {
  const uint32_t clear = 1u << code_size;
  const int width = code_size + 1;
  std::vector<uint8_t> bytes;
  uint64_t acc = 0;
  int bits = 0;
  const auto put = [&](uint32_t code) {
    acc |= uint64_t(code) << bits;
    bits += width;
    while (bits >= 8) {
      bytes.push_back(uint8_t(acc));
      acc >>= 8;
      bits -= 8;
    }
  };
  for (size_t i = 0; i < indices.size(); ++i) {
    if (i % (clear - 2) == 0) put(clear);
    put(indices[i]);
  }
  put(clear + 1);
  if (bits) bytes.push_back(uint8_t(acc));
  std::vector<uint8_t> out;
  for (size_t at = 0; at < bytes.size(); at += 255) {
    const size_t n = std::min<size_t>(255, bytes.size() - at);
    out.push_back(uint8_t(n));
    out.insert(out.end(), bytes.begin() + ptrdiff_t(at), bytes.begin() + ptrdiff_t(at + n));
  }
  out.push_back(0);
  return out;
}

struct GifFrame {
  int x = 0, y = 0, w = 1, h = 1;
  bool interlaced = false;
  std::vector<uint8_t> local_palette;  // R, G, B triples, a power of two entries
  std::vector<uint8_t> indices;        // in stream order
};

std::vector<uint8_t> build_gif(int sw, int sh, const std::vector<uint8_t>& global, int background,
                               const std::vector<GifFrame>& frames, int transparent = -1) {
  test::Bytes b;
  b.str("GIF89a").u16(uint32_t(sw)).u16(uint32_t(sh));
  int bits = 0;
  while ((3 << (bits + 1)) < int(global.size())) ++bits;
  b.u8(global.empty() ? 0 : 0x80 | uint32_t(bits) << 4 | uint32_t(bits)).u8(uint32_t(background)).u8(0);
  b.raw(global);
  if (transparent >= 0) b.u8(0x21).u8(0xF9).u8(4).u8(1).u16(0).u8(uint32_t(transparent)).u8(0);
  b.u8(0x21).u8(0xFE).u8(3).str("hi!").u8(0);  // a comment to skip
  for (const GifFrame& f : frames) {
    int lbits = 0;
    while ((3 << (lbits + 1)) < int(f.local_palette.size())) ++lbits;
    b.u8(0x2C).u16(uint32_t(f.x)).u16(uint32_t(f.y)).u16(uint32_t(f.w)).u16(uint32_t(f.h));
    b.u8((f.local_palette.empty() ? 0 : 0x80 | uint32_t(lbits)) | (f.interlaced ? 0x40 : 0));
    b.raw(f.local_palette);
    b.u8(8).raw(literal_lzw(f.indices, 8));
  }
  b.u8(0x3B);
  return b.v;
}

std::vector<uint8_t> grey_palette(int n) {
  std::vector<uint8_t> p;
  for (int i = 0; i < 3 * n; ++i) p.push_back(uint8_t(i / 3));
  return p;
}

LoadResult decode(const std::vector<uint8_t>& file, LayerImage& img, PictureInfo* info = nullptr) {
  return decode_gif(file.data(), file.size(), img, info);
}

// ---------------------------------------------------------------- writer --

TEST(GifEncode, OnePixelStreamIsClearPixelEnd) {
  // Code size 2, width 3: clear 4, pixel 0, end 5, least significant bit first.
  std::vector<uint8_t> out;
  const uint8_t pixel = 0;
  lzw_encode(&pixel, 1, 2, out);
  EXPECT_EQ(out, (std::vector<uint8_t>{2, 0x44, 0x01, 0}));

  LayerImage img;
  ASSERT_TRUE(img.create(1, 1));
  img.fill(0xFF123456u);
  std::vector<uint8_t> file;
  ASSERT_TRUE(encode_gif(img, std::nullopt, file));
  // Header, screen 1 × 1, packed 0x80 (b = 1), two palette entries.
  const std::vector<uint8_t> head = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0x12, 0x34, 0x56, 0, 0, 0};
  EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 19), head);
  const std::vector<uint8_t> tail = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B};
  EXPECT_EQ(std::vector<uint8_t>(file.begin() + 19, file.end()), tail);
}

TEST(GifEncode, PaletteBitsAndTransparentColour) {
  LayerImage img;
  ASSERT_TRUE(img.create(5, 1));
  for (int i = 0; i < 5; ++i) img.row(0)[i] = 0xFF000000u | uint32_t(i) * 0x111111u;
  std::vector<uint8_t> file;
  ASSERT_TRUE(encode_gif(img, 0x333333u, file));
  EXPECT_EQ(file[10], 0x80 | 2 << 4 | 2);  // 5 colours: b = 3, an 8-entry table
  const size_t gce = 13 + 8 * 3;
  EXPECT_EQ(std::vector<uint8_t>(file.begin() + ptrdiff_t(gce), file.begin() + ptrdiff_t(gce + 8)),
            (std::vector<uint8_t>{0x21, 0xF9, 4, 1, 0, 0, 3, 0}));
  LayerImage back;
  PictureInfo info;
  ASSERT_EQ(decode(file, back, &info), LoadResult::Success);
  EXPECT_EQ(info.transparent, std::optional<uint32_t>(0x333333u));
  EXPECT_TRUE(test::same_pixels(back, img));

  // A colour that is not in the picture writes no graphic control extension.
  file.clear();
  ASSERT_TRUE(encode_gif(img, 0xABCDEFu, file));
  EXPECT_EQ(file[gce], 0x2C);
  ASSERT_EQ(decode(file, back, &info), LoadResult::Success);
  EXPECT_FALSE(info.transparent.has_value());
}

TEST(GifEncode, RoundTripsExactlyAcrossTableResets) {
  const std::string convert = test::find_tool("convert");
  test::ScratchDir dir;
  const int colours[] = {1, 2, 3, 4, 5, 16, 17, 128, 200, 256};
  for (int n : colours) {
    SCOPED_TRACE(n);
    LayerImage img;
    ASSERT_TRUE(img.create(131, 97));
    uint32_t h = uint32_t(n);
    for (size_t i = 0; i < img.pixel_count(); ++i) {
      h = h * 1664525u + 1013904223u;
      // Runs and noise, so both long strings and table resets occur.
      const uint32_t k = (i % 50 < 20) ? uint32_t(i / 50) % uint32_t(n) : (h >> 16) % uint32_t(n);
      img.pixels()[i] = 0xFF000000u | (k * 0x9E3779B9u >> 8);
    }
    const LayerImage original = [&] {
      LayerImage c;
      c.create(img.width(), img.height());
      c.copy_from(img);
      return c;
    }();
    std::vector<uint8_t> file;
    ASSERT_TRUE(encode_gif(img, std::nullopt, file));
    EXPECT_TRUE(test::same_pixels(img, original));  // ≤ 256 colours: untouched
    LayerImage back;
    ASSERT_EQ(decode(file, back), LoadResult::Success);
    EXPECT_TRUE(test::same_pixels(back, original));

    // A second decoder reads the same pixels.
    if (!convert.empty()) {
      test::write_file(dir.file("a.gif"), file);
      ASSERT_TRUE(test::run_quiet(test::shell_quote(convert) + " " + test::shell_quote(dir.file("a.gif")) +
                                  " -depth 8 rgba:" + test::shell_quote(dir.file("a.rgba"))));
      const std::vector<uint8_t> raw = test::read_file(dir.file("a.rgba"));
      ASSERT_EQ(raw.size(), original.byte_count());
      for (size_t i = 0; i < original.pixel_count(); ++i) {
        const Pixel p = original.pixels()[i];
        ASSERT_EQ(make_pixel(raw[4 * i + 3], raw[4 * i], raw[4 * i + 1], raw[4 * i + 2]), p) << i;
      }
    }
  }
  if (convert.empty()) GTEST_SKIP() << "ImageMagick (convert) not installed: second decoder not checked";
}

TEST(GifEncode, MoreThan256ColoursAreReducedInPlace) {
  LayerImage img;
  ASSERT_TRUE(img.create(40, 30));
  test::fill_photo(img, 4);
  ASSERT_TRUE(take_colour_census(img).too_many);
  std::vector<uint8_t> file;
  ASSERT_TRUE(encode_gif(img, std::nullopt, file));
  EXPECT_FALSE(take_colour_census(img).too_many);
  LayerImage back;
  ASSERT_EQ(decode(file, back), LoadResult::Success);
  EXPECT_TRUE(test::same_pixels(back, img));
  EXPECT_EQ(file[10], 0x80 | 7 << 4 | 7);
}

// ------------------------------------------------------------- reduction --

TEST(GifReduce, DegenerateSetsNeverDivideByZero) {
  LayerImage img;
  ASSERT_TRUE(img.create(8, 8));
  img.fill(0xFF406080u);  // one colour: every split leaves one side empty
  std::vector<uint32_t> palette = reduce_colours(img);
  EXPECT_EQ(palette, (std::vector<uint32_t>{0x406080u}));
  EXPECT_EQ(img.row(3)[3], 0xFF406080u);

  img.fill(kTransparent);  // fully transparent: alpha stays, colour is white
  palette = reduce_colours(img);
  EXPECT_EQ(palette.size(), 1u);
  EXPECT_EQ(img.row(0)[0], kTransparent);

  // 257 colours in 257 different cells: at most 256 boxes come out.
  LayerImage many;
  ASSERT_TRUE(many.create(257, 1));
  for (uint32_t i = 0; i < 257; ++i)
    many.row(0)[i] = make_pixel(255, (i % 64) * 4, (i / 64) * 40, (i % 8) * 32);
  ASSERT_TRUE(take_colour_census(many).too_many);
  palette = reduce_colours(many);
  EXPECT_LE(palette.size(), 256u);
  EXPECT_GE(palette.size(), 2u);
  const std::set<uint32_t> entries(palette.begin(), palette.end());
  for (int i = 0; i < 257; ++i) EXPECT_EQ(entries.count(many.row(0)[i] & 0xFFFFFF), 1u) << i;
  EXPECT_FALSE(take_colour_census(many).too_many);
}

TEST(GifReduce, CellColourIsItsBasePlusTheMeanOfTheDroppedBits) {
  LayerImage img;
  ASSERT_TRUE(img.create(4, 1));
  // Three pixels in one cell (R 0–3, G 0–3, B 0–7), one far away in its own.
  img.row(0)[0] = 0xFF000000u;
  img.row(0)[1] = 0xFF030307u;
  img.row(0)[2] = 0xFF030307u;
  img.row(0)[3] = 0xFFC88040u;
  const std::vector<uint32_t> palette = reduce_colours(img);
  ASSERT_EQ(palette.size(), 2u);
  // Low-bit means (0 + 3 + 3) / 3 = 2 and (0 + 7 + 7) / 3 = 4.
  EXPECT_EQ(img.row(0)[0], 0xFF020204u);
  EXPECT_EQ(img.row(0)[1], 0xFF020204u);
  EXPECT_EQ(img.row(0)[3], 0xFFC88040u);
  EXPECT_EQ(std::set<uint32_t>(palette.begin(), palette.end()), (std::set<uint32_t>{0x020204u, 0xC88040u}));
}

// ---------------------------------------------------------------- reader --

TEST(GifDecode, FirstFrameOnTheBackgroundInterlacedOrNot) {
  // A 4 × 3 frame at (1, 1) on a 6 × 5 screen of background 9.
  GifFrame f;
  f.x = 1, f.y = 1, f.w = 4, f.h = 3;
  for (int i = 0; i < 12; ++i) f.indices.push_back(uint8_t(20 + i));
  GifFrame second = f;
  second.x = 0, second.y = 0;
  second.indices.assign(12, 99);
  LayerImage img;
  ASSERT_EQ(decode(build_gif(6, 5, grey_palette(256), 9, {f, second}), img), LoadResult::Success);
  ASSERT_EQ(img.width(), 6);
  EXPECT_EQ(img.row(0)[0], 0xFF090909u);
  EXPECT_EQ(img.row(4)[5], 0xFF090909u);
  EXPECT_EQ(img.row(1)[1], 0xFF141414u);
  EXPECT_EQ(img.row(3)[4], 0xFF1F1F1Fu);

  // Interlaced: the rows arrive in the order 0, 2, 1 for a frame of three rows
  // (pass starts 0, 4, 2, 1 with steps 8, 8, 4, 2).
  GifFrame il;
  il.w = 2, il.h = 3, il.interlaced = true;
  il.indices = {1, 1, 3, 3, 2, 2};
  ASSERT_EQ(decode(build_gif(2, 3, grey_palette(4), 0, {il}), img), LoadResult::Success);
  EXPECT_EQ(img.row(0)[0], 0xFF010101u);
  EXPECT_EQ(img.row(1)[1], 0xFF020202u);
  EXPECT_EQ(img.row(2)[0], 0xFF030303u);

  // Frames reaching past the screen are cut; data that stops early leaves
  // the background.
  GifFrame big;
  big.x = 1, big.w = 4, big.h = 2;
  big.indices = {1, 2, 3, 3, 3};  // 5 of 8 pixels; two of row 0 fall off the screen
  ASSERT_EQ(decode(build_gif(3, 3, grey_palette(4), 0, {big}), img), LoadResult::Success);
  EXPECT_EQ(img.row(0)[0], 0xFF000000u);
  EXPECT_EQ(img.row(0)[1], 0xFF010101u);
  EXPECT_EQ(img.row(0)[2], 0xFF020202u);
  EXPECT_EQ(img.row(1)[1], 0xFF030303u);
  EXPECT_EQ(img.row(1)[2], 0xFF000000u);  // background: the data ran out
  EXPECT_EQ(img.row(2)[1], 0xFF000000u);
}

TEST(GifDecode, IndicesBeyondThePaletteAndTheTransparentIndex) {
  GifFrame f;
  f.w = 3;
  f.indices = {0, 5, 200};
  LayerImage img;
  PictureInfo info;
  // Beyond a 4-entry palette: the background colour.
  ASSERT_EQ(decode(build_gif(3, 1, grey_palette(4), 3, {f}, 2), img, &info), LoadResult::Success);
  EXPECT_EQ(img.row(0)[1], 0xFF030303u);
  EXPECT_EQ(img.row(0)[2], 0xFF030303u);
  EXPECT_EQ(info.transparent, std::optional<uint32_t>(0x020202u));
  EXPECT_EQ(alpha_of(img.row(0)[0]), 255);
  // The background index beyond the palette too: black.
  ASSERT_EQ(decode(build_gif(3, 1, grey_palette(4), 7, {f}, 9), img, &info), LoadResult::Success);
  EXPECT_EQ(img.row(0)[1], 0xFF000000u);
  EXPECT_FALSE(info.transparent.has_value());  // index 9 is not in the palette
  // No palette at all: black.
  ASSERT_EQ(decode(build_gif(3, 1, {}, 0, {f}), img), LoadResult::Success);
  EXPECT_EQ(img.row(0)[0], 0xFF000000u);
  // A local palette replaces the global one.
  f.local_palette = {9, 9, 9, 8, 8, 8};
  ASSERT_EQ(decode(build_gif(3, 1, grey_palette(4), 1, {f}), img), LoadResult::Success);
  EXPECT_EQ(img.row(0)[0], 0xFF090909u);
  EXPECT_EQ(img.row(0)[1], 0xFF080808u);
}

TEST(GifDecode, DamagedFilesFailCleanly) {
  GifFrame f;
  f.w = 2, f.h = 2;
  f.indices = {0, 1, 2, 3};
  const std::vector<uint8_t> good = build_gif(2, 2, grey_palette(4), 0, {f});
  LayerImage img;
  ASSERT_EQ(decode(good, img), LoadResult::Success);

  std::vector<uint8_t> bad = good;
  bad[4] = '8';  // "GIF88a"
  EXPECT_EQ(decode(bad, img), LoadResult::WrongFormat);
  bad = good;
  bad[6] = bad[7] = 0;  // screen width 0
  EXPECT_EQ(decode(bad, img), LoadResult::WrongFormat);
  bad = good;
  bad[6] = 0x95, bad[7] = 0x11;  // 4501
  EXPECT_EQ(decode(bad, img), LoadResult::TooLarge);
  EXPECT_EQ(decode(build_gif(0xFFFF, 0xFFFF, {}, 0, {f}), img), LoadResult::TooLarge);

  // Something other than an extension or an image before the first image.
  test::Bytes b;
  b.str("GIF87a").u16(1).u16(1).u8(0).u8(0).u8(0).u8(0x3B);
  EXPECT_NE(decode(b.v, img), LoadResult::Success);
  // A code that is not yet in the table.
  test::Bytes c;
  c.str("GIF87a").u16(1).u16(1).u8(0).u8(0).u8(0).u8(0x2C).u16(0).u16(0).u16(2).u16(1).u8(0).u8(2);
  // Clear (4), literal 0, then code 7 while the next free code is 6.
  c.u8(2).u8(0xC4).u8(0x01).u8(0);
  EXPECT_EQ(decode(c.v, img), LoadResult::Damaged);
  // Minimum code sizes outside 2 … 9.
  bad = good;
  const size_t lzw_at = good.size() - 1 - literal_lzw(f.indices, 8).size() - 1;
  ASSERT_EQ(bad[lzw_at], 8);
  bad[lzw_at] = 12;
  EXPECT_EQ(decode(bad, img), LoadResult::Damaged);

  // Every truncation fails or decodes; none reads past the end.
  for (size_t n = 0; n < good.size(); ++n) {
    const LoadResult r = decode(std::vector<uint8_t>(good.begin(), good.begin() + ptrdiff_t(n)), img);
    if (n <= lzw_at) {
      EXPECT_NE(r, LoadResult::Success) << n;
    }
  }
}

TEST(GifDecode, AFullTableStaysAtTwelveBitsWithoutAClearCode) {
  // Literal codes only and never a clear code after the first: the table
  // fills up at 4096 entries, after which codes stay 12 bits wide and
  // nothing more is added.
  const int n = 6000;
  std::vector<uint8_t> bytes;
  uint64_t acc = 0;
  int bits = 0, width = 9;
  uint32_t next_free = 258;
  const auto put = [&](uint32_t code) {
    acc |= uint64_t(code) << bits;
    bits += width;
    while (bits >= 8) {
      bytes.push_back(uint8_t(acc));
      acc >>= 8;
      bits -= 8;
    }
  };
  put(256);
  for (int i = 0; i < n; ++i) {
    put(uint32_t(i * 7 % 256));
    if (i > 0 && next_free < 4096) {
      ++next_free;
      if (next_free == (1u << width) && width < 12) ++width;
    }
  }
  put(257);
  if (bits) bytes.push_back(uint8_t(acc));
  test::Bytes f;
  f.str("GIF89a").u16(100).u16(60).u8(0xF7).u8(0).u8(0).raw(grey_palette(256));
  f.u8(0x2C).u16(0).u16(0).u16(100).u16(60).u8(0).u8(8);
  for (size_t at = 0; at < bytes.size(); at += 255) {
    const size_t k = std::min<size_t>(255, bytes.size() - at);
    f.u8(uint32_t(k)).raw(bytes.data() + at, k);
  }
  f.u8(0).u8(0x3B);
  LayerImage img;
  ASSERT_EQ(decode(f.v, img), LoadResult::Success);
  for (int i = 0; i < n; ++i) ASSERT_EQ(img.pixels()[i] & 0xFF, uint32_t(i * 7 % 256)) << i;
}

TEST(GifDecode, LoadGifReadsAFileSavedBySaveGif) {
  test::ScratchDir dir;
  LayerImage img;
  ASSERT_TRUE(img.create(30, 20));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) img.row(y)[x] = (x + y) % 3 ? 0xFF00FF00u : 0xFF0000FFu;
  ASSERT_TRUE(SaveGif(dir.file("a.gif"), img, 0x0000FFu));
  LayerImage back;
  PictureInfo info;
  ASSERT_TRUE(LoadGif(dir.file("a.gif"), back, &info));
  EXPECT_TRUE(test::same_pixels(back, img));
  EXPECT_EQ(info.transparent, std::optional<uint32_t>(0x0000FFu));
  EXPECT_FALSE(SaveGif(dir.file("no/such/dir/a.gif"), img, std::nullopt));
}

}  // namespace
}  // namespace qm
