#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "codec_test_util.h"
#include "formats/png_census.h"
#include "formats/png_codec.h"

namespace qm {
namespace {

using test::PngRecipe;

// What a file's samples mean, worked out here independently of the decoder
// (tRNS aside): grey levels scaled to 0 … 255, 16-bit samples rounded.
Pixel expected_pixel(const PngRecipe& s, int x, int y) {
  const int ch = test::png_channels(s.colour_type);
  const uint32_t* v = &s.samples[(size_t(y) * size_t(s.width) + size_t(x)) * size_t(ch)];
  const auto scale = [&](uint32_t sample) -> uint32_t {
    const double max = double((1u << s.depth) - 1);
    return uint32_t(std::floor(sample * 255.0 / max + 0.5));
  };
  switch (s.colour_type) {
    case 0: return make_pixel(255, scale(v[0]), scale(v[0]), scale(v[0]));
    case 2: return make_pixel(255, scale(v[0]), scale(v[1]), scale(v[2]));
    case 3: return make_pixel(255, s.palette[3 * v[0]], s.palette[3 * v[0] + 1], s.palette[3 * v[0] + 2]);
    case 4: return make_pixel(scale(v[1]), scale(v[0]), scale(v[0]), scale(v[0]));
    default: return make_pixel(scale(v[3]), scale(v[0]), scale(v[1]), scale(v[2]));
  }
}

LayerImage expected_image(const PngRecipe& s) {
  LayerImage img;
  EXPECT_TRUE(img.create(s.width, s.height));
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      const Pixel p = expected_pixel(s, x, y);
      img.row(y)[x] = alpha_of(p) == 0 ? kTransparent : p;
    }
  return img;
}

LoadResult decode(const std::vector<uint8_t>& file, LayerImage& out, PictureInfo* info = nullptr) {
  return decode_png(file.data(), file.size(), out, info);
}

std::vector<uint8_t> make_palette(int n) {
  std::vector<uint8_t> p;
  for (int i = 0; i < n; ++i) {
    p.push_back(uint8_t(i * 37));
    p.push_back(uint8_t(255 - i));
    p.push_back(uint8_t(i * 11 + 3));
  }
  return p;
}

struct Kind {
  int colour_type, depth;
};
constexpr Kind kAllKinds[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1}, {3, 2},
                              {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};

TEST(PngDecode, EveryKindAndSizeDecodesAndInterlacedTwinsMatch) {
  // Sizes below 8 leave Adam7 passes empty; those passes hold no bytes.
  const int sizes[] = {1, 2, 3, 4, 5, 7, 8, 9, 15, 17, 33};
  for (const Kind k : kAllKinds) {
    for (int w : sizes) {
      for (int h : sizes) {
        SCOPED_TRACE("type " + std::to_string(k.colour_type) + " depth " + std::to_string(k.depth) + " " +
                     std::to_string(w) + "x" + std::to_string(h));
        PngRecipe s;
        s.width = w;
        s.height = h;
        s.colour_type = k.colour_type;
        s.depth = k.depth;
        if (k.colour_type == 3) s.palette = make_palette(1 << k.depth);
        test::fill_png_samples(s, uint32_t(w * 100 + h));
        const LayerImage want = expected_image(s);
        LayerImage plain, interlaced;
        ASSERT_EQ(decode(test::build_png(s), plain), LoadResult::Success);
        s.interlace = true;
        ASSERT_EQ(decode(test::build_png(s), interlaced), LoadResult::Success);
        ASSERT_TRUE(test::same_rgba(plain, want));
        ASSERT_TRUE(test::same_pixels(interlaced, plain));
      }
    }
  }
}

TEST(PngDecode, LowDepthGreyLevelsAndSixteenBitRounding) {
  PngRecipe s;
  s.width = 16;
  s.height = 1;
  s.colour_type = 0;
  s.depth = 4;
  for (uint32_t i = 0; i < 16; ++i) s.samples.push_back(i);
  LayerImage img;
  ASSERT_EQ(decode(test::build_png(s), img), LoadResult::Success);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(img.row(0)[i], make_pixel(255, 17u * i, 17u * i, 17u * i));

  s.width = 2;
  s.depth = 1;
  s.samples = {0, 1};
  ASSERT_EQ(decode(test::build_png(s), img), LoadResult::Success);
  EXPECT_EQ(img.row(0)[0], 0xFF000000u);
  EXPECT_EQ(img.row(0)[1], 0xFFFFFFFFu);

  // round(v × 255 / 65535): 128 → 0.498 → 0, 129 → 1, 385 → 1.498 → 1, 386 → 2.
  s.width = 5;
  s.depth = 16;
  s.samples = {128, 129, 385, 386, 65535};
  ASSERT_EQ(decode(test::build_png(s), img), LoadResult::Success);
  const uint32_t want[5] = {0, 1, 1, 2, 255};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(img.row(0)[i] & 0xFF, want[i]) << i;
}

TEST(PngDecode, ImageDataSplitOverManyChunksDecodesTheSame) {
  PngRecipe s;
  s.width = 37;
  s.height = 23;
  s.colour_type = 2;
  test::fill_png_samples(s, 7);
  LayerImage one, many;
  ASSERT_EQ(decode(test::build_png(s), one), LoadResult::Success);
  s.idat_pieces = 40;
  ASSERT_EQ(decode(test::build_png(s), many), LoadResult::Success);
  EXPECT_TRUE(test::same_pixels(one, many));
}

TEST(PngDecode, SinglyTransparentPaletteEntryIsReportedAndPixelsStayOpaque) {
  PngRecipe s;
  s.width = 4;
  s.colour_type = 3;
  s.palette = make_palette(4);
  s.samples = {0, 1, 2, 3};
  s.trns = {255, 0};  // entry 1 transparent; the rest default to opaque
  LayerImage img;
  PictureInfo info;
  ASSERT_EQ(decode(test::build_png(s), img, &info), LoadResult::Success);
  EXPECT_FALSE(info.had_alpha);
  ASSERT_TRUE(info.transparent.has_value());
  EXPECT_EQ(*info.transparent, (img.row(0)[1] & 0x00FFFFFFu));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(alpha_of(img.row(0)[i]), 255);
}

TEST(PngDecode, PartialPaletteAlphaBecomesPerPixelAlpha) {
  PngRecipe s;
  s.width = 4;
  s.colour_type = 3;
  s.depth = 2;
  s.palette = make_palette(4);
  s.samples = {0, 1, 2, 3};
  s.trns = {0, 0x55, 0xAA};  // the fourth entry stays opaque
  LayerImage img;
  PictureInfo info;
  ASSERT_EQ(decode(test::build_png(s), img, &info), LoadResult::Success);
  EXPECT_TRUE(info.had_alpha);
  EXPECT_FALSE(info.transparent.has_value());
  EXPECT_EQ(img.row(0)[0], kTransparent);  // alpha 0 is always transparent white
  EXPECT_EQ(alpha_of(img.row(0)[1]), 0x55);
  EXPECT_EQ(img.row(0)[1] & 0xFFFFFF, uint32_t(37) << 16 | 254 << 8 | 14);
  EXPECT_EQ(alpha_of(img.row(0)[2]), 0xAA);
  EXPECT_EQ(alpha_of(img.row(0)[3]), 255);

  // A tRNS longer than the palette is read only as far as the palette goes.
  s.trns = {10, 20, 30, 40, 50, 60, 70, 80};
  ASSERT_EQ(decode(test::build_png(s), img, &info), LoadResult::Success);
  EXPECT_EQ(alpha_of(img.row(0)[3]), 40);
}

TEST(PngDecode, GreyAndRgbKeysAreReportedAtTheFileDepth) {
  PngRecipe s;
  s.width = 2;
  s.colour_type = 0;
  s.depth = 4;
  s.samples = {15, 3};
  s.trns = {0, 3};
  LayerImage img;
  PictureInfo info;
  ASSERT_EQ(decode(test::build_png(s), img, &info), LoadResult::Success);
  ASSERT_TRUE(info.transparent.has_value());
  EXPECT_EQ(*info.transparent, 0x333333u);
  EXPECT_EQ(img.row(0)[1], 0xFF333333u);

  s.colour_type = 2;
  s.depth = 16;
  s.samples = {0xFFFF, 0x8080, 0, 1, 2, 3};
  s.trns = {0xFF, 0xFF, 0x80, 0x80, 0, 0};
  ASSERT_EQ(decode(test::build_png(s), img, &info), LoadResult::Success);
  ASSERT_TRUE(info.transparent.has_value());
  EXPECT_EQ(*info.transparent, 0xFF8000u);

  s.depth = 8;
  s.samples = {1, 2, 3, 4, 5, 6};
  s.trns = {0, 4, 0, 5, 0, 6};
  ASSERT_EQ(decode(test::build_png(s), img, &info), LoadResult::Success);
  EXPECT_EQ(*info.transparent, 0x040506u);
  EXPECT_FALSE(info.had_alpha);
}

TEST(PngDecode, FullyTransparentPixelsOfAlphaFilesBecomeWhite) {
  PngRecipe s;
  s.width = 2;
  s.colour_type = 6;
  s.samples = {0, 0, 0, 0, 10, 20, 30, 0x80};
  LayerImage img;
  PictureInfo info;
  ASSERT_EQ(decode(test::build_png(s), img, &info), LoadResult::Success);
  EXPECT_TRUE(info.had_alpha);
  EXPECT_EQ(img.row(0)[0], kTransparent);
  EXPECT_EQ(img.row(0)[1], 0x800A141Eu);
}

// A valid file and a way to rebuild it with one chunk changed.
std::vector<uint8_t> file_with(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& chunks) {
  std::vector<uint8_t> out = {137, 80, 78, 71, 13, 10, 26, 10};
  for (const auto& [type, data] : chunks) test::put_png_chunk(out, type, data);
  return out;
}

std::vector<uint8_t> ihdr(uint32_t w, uint32_t h, int depth, int type, int interlace = 0) {
  std::vector<uint8_t> d;
  test::put_be32(d, w);
  test::put_be32(d, h);
  d.insert(d.end(), {uint8_t(depth), uint8_t(type), 0, 0, uint8_t(interlace)});
  return d;
}

std::vector<uint8_t> idat_for(size_t raw_bytes) {
  std::vector<uint8_t> raw(raw_bytes, 0);
  return test::zlib_compress(raw.data(), raw.size());
}

TEST(PngDecode, HeaderAndChunkFaultsFailCleanly) {
  LayerImage img;
  const auto good = file_with({{"IHDR", ihdr(2, 2, 8, 2)}, {"IDAT", idat_for(2 * 7)}, {"IEND", {}}});
  ASSERT_EQ(decode(good, img), LoadResult::Success);

  // Sizes: 0 is impossible, 4501 too large (checked before any allocation).
  EXPECT_EQ(decode(file_with({{"IHDR", ihdr(0, 2, 8, 2)}, {"IDAT", idat_for(1)}}), img), LoadResult::WrongFormat);
  EXPECT_EQ(decode(file_with({{"IHDR", ihdr(4501, 1, 8, 2)}, {"IDAT", idat_for(1)}}), img), LoadResult::TooLarge);
  EXPECT_EQ(decode(file_with({{"IHDR", ihdr(1, 0xFFFFFFFF, 8, 6)}, {"IDAT", idat_for(1)}}), img),
            LoadResult::TooLarge);
  EXPECT_TRUE(img.empty());
  ASSERT_EQ(decode(file_with({{"IHDR", ihdr(4500, 1, 8, 2)}, {"IDAT", idat_for(4500 * 3 + 1)}}), img),
            LoadResult::Success);
  EXPECT_EQ(img.width(), 4500);

  // Colour type and depth combinations the format does not have.
  EXPECT_EQ(decode(file_with({{"IHDR", ihdr(2, 2, 4, 2)}, {"IDAT", idat_for(8)}}), img), LoadResult::WrongFormat);
  EXPECT_EQ(decode(file_with({{"IHDR", ihdr(2, 2, 16, 3)}, {"IDAT", idat_for(8)}}), img), LoadResult::WrongFormat);
  EXPECT_EQ(decode(file_with({{"IHDR", ihdr(2, 2, 8, 2, 2)}, {"IDAT", idat_for(8)}}), img), LoadResult::WrongFormat);

  // Image data before the header; no image data at all.
  EXPECT_NE(decode(file_with({{"IDAT", idat_for(14)}, {"IHDR", ihdr(2, 2, 8, 2)}, {"IEND", {}}}), img),
            LoadResult::Success);
  EXPECT_NE(decode(file_with({{"IHDR", ihdr(2, 2, 8, 2)}, {"IEND", {}}}), img), LoadResult::Success);

  // Palettes: more than 256 entries, a length that is not whole entries, none at all.
  const auto pal = [](size_t bytes) { return std::vector<uint8_t>(bytes, 7); };
  EXPECT_EQ(decode(file_with({{"IHDR", ihdr(2, 2, 8, 3)}, {"PLTE", pal(257 * 3)}, {"IDAT", idat_for(6)}}), img),
            LoadResult::Damaged);
  EXPECT_EQ(decode(file_with({{"IHDR", ihdr(2, 2, 8, 3)}, {"PLTE", pal(10)}, {"IDAT", idat_for(6)}}), img),
            LoadResult::Damaged);
  EXPECT_EQ(decode(file_with({{"IHDR", ihdr(2, 2, 8, 3)}, {"IDAT", idat_for(6)}}), img), LoadResult::Damaged);
  EXPECT_EQ(decode(file_with({{"IHDR", ihdr(2, 2, 8, 3)}, {"PLTE", pal(256 * 3)}, {"IDAT", idat_for(6)}}), img),
            LoadResult::Success);

  // An unknown filter type, and data that is not zlib.
  std::vector<uint8_t> raw(14, 0);
  raw[7] = 5;
  EXPECT_EQ(decode(file_with({{"IHDR", ihdr(2, 2, 8, 2)}, {"IDAT", test::zlib_compress(raw.data(), raw.size())}}), img),
            LoadResult::Damaged);
  EXPECT_EQ(decode(file_with({{"IHDR", ihdr(2, 2, 8, 2)}, {"IDAT", {1, 2, 3, 4, 5}}, {"IEND", {}}}), img),
            LoadResult::Damaged);

  // Damaged CRCs in the header and in the image data.
  std::vector<uint8_t> bad = good;
  bad[8 + 8 + 13] ^= 1;
  EXPECT_EQ(decode(bad, img), LoadResult::Damaged);
  bad = good;
  bad[8 + 25 + 8 + 2] ^= 1;  // inside the IDAT data: its CRC no longer matches
  EXPECT_EQ(decode(bad, img), LoadResult::Damaged);
  EXPECT_TRUE(img.empty());
}

TEST(PngDecode, TruncatedFilesFailAtEveryLengthUntilTheImageIsComplete) {
  PngRecipe s;
  s.width = 9;
  s.height = 7;
  s.colour_type = 6;
  s.interlace = true;
  test::fill_png_samples(s, 3);
  const std::vector<uint8_t> file = test::build_png(s);
  LayerImage full, img;
  ASSERT_EQ(decode(file, full), LoadResult::Success);
  // Only the closing IEND chunk (12 bytes) may be missing.
  for (size_t n = 0; n + 12 < file.size(); ++n) {
    ASSERT_NE(decode(std::vector<uint8_t>(file.begin(), file.begin() + ptrdiff_t(n)), img), LoadResult::Success) << n;
    ASSERT_TRUE(img.empty());
  }
  for (size_t n = file.size() - 12; n <= file.size(); ++n) {
    ASSERT_EQ(decode(std::vector<uint8_t>(file.begin(), file.begin() + ptrdiff_t(n)), img), LoadResult::Success) << n;
    EXPECT_TRUE(test::same_pixels(img, full));
  }
}

TEST(PngDecode, InflatedBytesPastTheImageAreIgnored) {
  // RGBA rows (filter None) and then bytes the image does not need: the
  // one-call inflate into the raster's memory refuses the stream, and the
  // row-by-row decoder starts again from a clear raster.
  const uint32_t w = 5, h = 3;
  std::vector<uint8_t> raw;
  for (uint32_t y = 0; y < h; ++y) {
    raw.push_back(0);
    for (uint32_t x = 0; x < w; ++x) raw.insert(raw.end(), {uint8_t(10 * x), uint8_t(20 * y), uint8_t(x + y), 200});
  }
  std::vector<uint8_t> longer = raw;
  longer.insert(longer.end(), 64, 0xAB);
  LayerImage exact, padded;
  ASSERT_EQ(decode(file_with({{"IHDR", ihdr(w, h, 8, 6)}, {"IDAT", test::zlib_compress(raw.data(), raw.size())},
                              {"IEND", {}}}),
                   exact),
            LoadResult::Success);
  ASSERT_EQ(decode(file_with({{"IHDR", ihdr(w, h, 8, 6)},
                              {"IDAT", test::zlib_compress(longer.data(), longer.size())},
                              {"IEND", {}}}),
                   padded),
            LoadResult::Success);
  EXPECT_EQ(exact.row(2)[4], make_pixel(200, 40, 40, 6));
  EXPECT_TRUE(test::same_pixels(exact, padded));
}

// ---------------------------------------------------------------- writer --

// The chunks of a PNG file, checked for structure and CRCs.
std::map<std::string, std::vector<uint8_t>> chunks_of(const std::vector<uint8_t>& file, std::vector<std::string>* order = nullptr) {
  std::map<std::string, std::vector<uint8_t>> out;
  size_t pos = 8;
  while (pos + 12 <= file.size()) {
    const uint32_t len = uint32_t(file[pos]) << 24 | uint32_t(file[pos + 1]) << 16 | uint32_t(file[pos + 2]) << 8 | file[pos + 3];
    const std::string type(file.begin() + ptrdiff_t(pos + 4), file.begin() + ptrdiff_t(pos + 8));
    const uint32_t crc = uint32_t(crc32(0, file.data() + pos + 4, len + 4));
    const size_t at = pos + 8 + len;
    EXPECT_EQ(crc, uint32_t(file[at]) << 24 | uint32_t(file[at + 1]) << 16 | uint32_t(file[at + 2]) << 8 | file[at + 3]) << type;
    out[type] = std::vector<uint8_t>(file.begin() + ptrdiff_t(pos + 8), file.begin() + ptrdiff_t(at));
    if (order) order->push_back(type);
    pos = at + 4;
  }
  EXPECT_EQ(pos, file.size());
  return out;
}

TEST(PngEncode, PicksTheColourTypeAndKeepsTheCensusOrder) {
  LayerImage img;
  ASSERT_TRUE(img.create(20, 17));
  // 256 distinct colours, then one more.
  for (int i = 0; i < 20 * 17; ++i) img.pixels()[i] = 0xFF000000u | uint32_t(std::min(i, 255)) * 0x010101u;
  EXPECT_EQ(choose_png_colour_type(img, false), 3);
  std::vector<uint8_t> file;
  ASSERT_TRUE(encode_png(img, {}, file));
  auto c = chunks_of(file);
  EXPECT_EQ(c["IHDR"][9], 3);
  EXPECT_EQ(c["PLTE"].size(), 256u * 3);
  img.pixels()[300] = 0xFF123456u;  // one of the repeated greys becomes a 257th colour
  EXPECT_EQ(choose_png_colour_type(img, false), 2);
  EXPECT_EQ(choose_png_colour_type(img, true), 6);

  // Red in the bottom-left corner comes first: the census runs bottom-up.
  LayerImage two;
  ASSERT_TRUE(two.create(3, 2));
  two.fill(0xFF0000FFu);
  two.row(1)[0] = 0xFFFF0000u;
  file.clear();
  ASSERT_TRUE(encode_png(two, {}, file));
  c = chunks_of(file);
  EXPECT_EQ(c["PLTE"], (std::vector<uint8_t>{255, 0, 0, 0, 0, 255}));
}

TEST(PngEncode, ChunkOrderTransparencyAndResolution) {
  LayerImage img;
  ASSERT_TRUE(img.create(3, 1));
  img.row(0)[0] = 0xFF102030u;
  img.row(0)[1] = 0xFF405060u;
  img.row(0)[2] = 0xFF708090u;
  std::vector<uint8_t> file;
  std::vector<std::string> order;
  ASSERT_TRUE(encode_png(img, {6, false, 0x405060u, 96}, file));
  auto c = chunks_of(file, &order);
  EXPECT_EQ(order, (std::vector<std::string>{"IHDR", "PLTE", "tRNS", "pHYs", "IDAT", "IEND"}));
  EXPECT_EQ(c["tRNS"], (std::vector<uint8_t>{255, 0}));
  // 96 dpi = 3779.52… pixels per metre, rounded half up.
  EXPECT_EQ(c["pHYs"], (std::vector<uint8_t>{0, 0, 0x0E, 0xC4, 0, 0, 0x0E, 0xC4, 1}));
  EXPECT_EQ(std::vector<uint8_t>(file.end() - 12, file.end()),
            (std::vector<uint8_t>{0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82}));

  // A colour the palette lacks writes no tRNS; neither does the alpha type.
  file.clear();
  ASSERT_TRUE(encode_png(img, {6, false, 0x000001u, std::nullopt}, file));
  EXPECT_EQ(chunks_of(file).count("tRNS"), 0u);
  file.clear();
  ASSERT_TRUE(encode_png(img, {6, true, 0x405060u, std::nullopt}, file));
  EXPECT_EQ(chunks_of(file).count("tRNS"), 0u);

  // The true-colour key: six bytes 0 R 0 G 0 B.
  LayerImage many;
  ASSERT_TRUE(many.create(300, 1));
  for (int i = 0; i < 300; ++i) many.row(0)[i] = 0xFF000000u | uint32_t(i);
  file.clear();
  ASSERT_TRUE(encode_png(many, {0, false, 0xABCDEFu, std::nullopt}, file));
  c = chunks_of(file);
  EXPECT_EQ(c["IHDR"][9], 2);
  EXPECT_EQ(c["tRNS"], (std::vector<uint8_t>{0, 0xAB, 0, 0xCD, 0, 0xEF}));
}

TEST(PngEncode, AllThreeWrittenTypesRoundTripExactly) {
  for (int level : {0, 1, 6, 9}) {
    // Type 6: every byte, with fully transparent pixels as transparent white.
    LayerImage rgba;
    ASSERT_TRUE(rgba.create(67, 45));
    test::fill_random(rgba, uint32_t(level));
    for (size_t i = 0; i < rgba.pixel_count(); ++i)
      if (alpha_of(rgba.pixels()[i]) == 0) rgba.pixels()[i] = kTransparent;
    std::vector<uint8_t> file;
    ASSERT_TRUE(encode_png(rgba, {level, true, std::nullopt, std::nullopt}, file));
    LayerImage back;
    PictureInfo info;
    ASSERT_EQ(decode_png(file.data(), file.size(), back, &info), LoadResult::Success);
    EXPECT_TRUE(info.had_alpha);
    EXPECT_TRUE(test::same_pixels(back, rgba));

    // Types 2 and 3: the colours of an opaque picture, and the transparent colour comes back.
    for (int colours : {1, 2, 200, 256, 5000}) {
      LayerImage rgb;
      ASSERT_TRUE(rgb.create(71, 59));
      for (size_t i = 0; i < rgb.pixel_count(); ++i)
        rgb.pixels()[i] = 0xFF000000u | uint32_t((i * 7919) % size_t(colours)) * 2654435761u >> 8;
      file.clear();
      const uint32_t key = rgb.pixels()[5] & 0xFFFFFF;
      ASSERT_TRUE(encode_png(rgb, {level, false, key, std::nullopt}, file));
      EXPECT_EQ(chunks_of(file)["IHDR"][9], colours <= 256 ? 3 : 2);
      ASSERT_EQ(decode_png(file.data(), file.size(), back, &info), LoadResult::Success);
      EXPECT_TRUE(test::same_pixels(back, rgb)) << colours;
      EXPECT_FALSE(info.had_alpha);
      EXPECT_EQ(info.transparent, std::optional<uint32_t>(key));
    }
  }
}

TEST(PngEncode, SavePngWritesTheFileAndLoadPngReadsIt) {
  test::ScratchDir dir;
  LayerImage img;
  ASSERT_TRUE(img.create(10, 10));
  test::fill_photo(img, 2);
  ASSERT_TRUE(SavePng(dir.file("a.png"), img, 6, false, std::nullopt));
  LayerImage back;
  ASSERT_TRUE(LoadPng(dir.file("a.png"), back));
  EXPECT_TRUE(test::same_pixels(back, img));
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.png"}));
  EXPECT_FALSE(SavePng(dir.file("missing/a.png"), img, 6, false, std::nullopt));
  EXPECT_EQ(load_png_result(dir.file("nothing.png"), back, nullptr), LoadResult::CannotOpen);
}

// ----------------------------------------------------------- conformance --

TEST(PngConformance, PngSuiteMatchesTheReferenceAndCorruptFilesFail) {
  QM_REQUIRE_CONFORMANCE();
  const auto dir = test::conformance_dir() / "pngsuite";
  int matched = 0, refused = 0, files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir / "png")) {
    const std::string name = e.path().stem().string();
    if (e.path().extension() != ".png") continue;
    ++files;
    SCOPED_TRACE(name);
    const std::vector<uint8_t> bytes = test::read_file(e.path().string());
    LayerImage got;
    PictureInfo info;
    const LoadResult r = decode_png(bytes.data(), bytes.size(), got, &info);
    if (name[0] == 'x') {
      EXPECT_NE(r, LoadResult::Success);
      EXPECT_TRUE(got.empty());
      refused += r != LoadResult::Success;
      continue;
    }
    ASSERT_EQ(r, LoadResult::Success);
    const std::vector<uint8_t> ref_bytes = test::read_file((dir / "ref-rgba8" / (name + ".rgba.png")).string());
    LayerImage ref;
    ASSERT_EQ(decode_png(ref_bytes.data(), ref_bytes.size(), ref, nullptr), LoadResult::Success);
    ASSERT_EQ(got.width(), ref.width());
    ASSERT_EQ(got.height(), ref.height());
    bool same = true;
    for (size_t i = 0; i < got.pixel_count() && same; ++i) {
      const Pixel a = got.pixels()[i], b = ref.pixels()[i];
      if (a == b || (alpha_of(a) == 0 && alpha_of(b) == 0)) continue;
      // A key colour or a single transparent palette entry is reported, not
      // applied: the pixel stays opaque in that very colour.
      if (alpha_of(b) == 0 && alpha_of(a) == 255 && info.transparent && (a & 0xFFFFFF) == *info.transparent &&
          (b & 0xFFFFFF) == *info.transparent)
        continue;
      ADD_FAILURE() << "pixel " << i << ": " << std::hex << a << " vs reference " << b;
      same = false;
    }
    matched += same;
  }
  EXPECT_EQ(files, 175);
  EXPECT_EQ(matched, 161);
  EXPECT_EQ(refused, 14);
  std::printf("PngSuite: %d of 161 valid files match the reference, %d of 14 corrupt files refused\n", matched, refused);
}

}  // namespace
}  // namespace qm
