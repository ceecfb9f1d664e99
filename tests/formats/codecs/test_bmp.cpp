#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "../magick_reference.h"
#include "codec_test_util.h"
#include "formats/bmp_codec.h"
#include "formats/png_codec.h"

namespace qm {
namespace {

LoadResult decode(const std::vector<uint8_t>& file, LayerImage& img) { return decode_bmp(file.data(), file.size(), img); }

// A BMP with a 40-byte header; `pixels` are the rows as stored.
std::vector<uint8_t> bmp40(int w, int h, int bits, uint32_t compression, const std::vector<uint8_t>& palette,
                           const std::vector<uint8_t>& pixels, const std::vector<uint8_t>& masks = {}) {
  test::Bytes b;
  const uint32_t offset = uint32_t(54 + masks.size() + palette.size());
  b.str("BM").u32(offset + uint32_t(pixels.size())).u32(0).u32(offset);
  b.u32(40).u32(uint32_t(w)).u32(uint32_t(h)).u16(1).u16(uint32_t(bits)).u32(compression).u32(0);
  b.u32(2835).u32(2835).u32(uint32_t(palette.size() / 4)).u32(0);
  b.raw(masks).raw(palette).raw(pixels);
  return b.v;
}

std::vector<uint8_t> quad_palette(std::initializer_list<uint32_t> rgbs) {
  std::vector<uint8_t> p;
  for (uint32_t c : rgbs) {
    p.push_back(uint8_t(c));
    p.push_back(uint8_t(c >> 8));
    p.push_back(uint8_t(c >> 16));
    p.push_back(0);
  }
  return p;
}

// ---------------------------------------------------------------- writer --

TEST(BmpEncode, PaletteForFewColoursAndTrueColourForMany) {
  LayerImage img;
  ASSERT_TRUE(img.create(5, 3));
  img.fill(0xFF0000FFu);
  img.row(2)[0] = 0xFFFF0000u;  // bottom-left: first in the census
  std::vector<uint8_t> file;
  ASSERT_TRUE(encode_bmp(img, file));
  // Rows of 5 index bytes padded to 8: 54 + 2 × 4 + 3 × 8.
  ASSERT_EQ(file.size(), 54u + 8 + 24);
  test::Bytes want;
  want.str("BM").u32(86).u32(0).u32(62).u32(40).u32(5).u32(3).u16(1).u16(8).u32(0).u32(0).u32(3780).u32(3780).u32(2).u32(0);
  want.raw(quad_palette({0xFF0000, 0x0000FF}));
  EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 62), want.v);
  EXPECT_EQ(std::vector<uint8_t>(file.begin() + 62, file.begin() + 70), (std::vector<uint8_t>{0, 1, 1, 1, 1, 0, 0, 0}));
  LayerImage back;
  ASSERT_EQ(decode(file, back), LoadResult::Success);
  EXPECT_TRUE(test::same_pixels(back, img));

  LayerImage many;
  ASSERT_TRUE(many.create(300, 2));
  for (int i = 0; i < 600; ++i) many.pixels()[i] = 0xFF000000u | uint32_t(i % 300) * 0x10203u;
  file.clear();
  ASSERT_TRUE(encode_bmp(many, file));
  EXPECT_EQ(file[28], 24);
  EXPECT_EQ(file.size(), 54u + 2 * 900);
  ASSERT_EQ(decode(file, back), LoadResult::Success);
  EXPECT_TRUE(test::same_pixels(back, many));
}

TEST(BmpEncode, ASecondDecoderReadsIdenticalPixels) {
  const std::string convert = test::find_tool("convert");
  if (convert.empty()) GTEST_SKIP() << "ImageMagick (convert) not installed";
  test::ScratchDir dir;
  for (int colours : {2, 256, 100000}) {
    SCOPED_TRACE(colours);
    LayerImage img;
    ASSERT_TRUE(img.create(37, 23));  // odd width: row padding on every row
    test::fill_photo(img, 9);
    if (colours <= 256)
      for (size_t i = 0; i < img.pixel_count(); ++i) img.pixels()[i] = 0xFF000000u | uint32_t(i % size_t(colours)) * 0x010305u;
    ASSERT_TRUE(SaveBmp(dir.file("a.bmp"), img));
    ASSERT_TRUE(test::run_quiet(test::shell_quote(convert) + " " + test::shell_quote(dir.file("a.bmp")) +
                                " -depth 8 rgba:" + test::shell_quote(dir.file("a.rgba"))));
    const std::vector<uint8_t> raw = test::read_file(dir.file("a.rgba"));
    ASSERT_EQ(raw.size(), img.byte_count());
    for (size_t i = 0; i < img.pixel_count(); ++i)
      ASSERT_EQ(make_pixel(255, raw[4 * i], raw[4 * i + 1], raw[4 * i + 2]), img.pixels()[i] | 0xFF000000u) << i;
  }
}

// ---------------------------------------------------------------- reader --

TEST(BmpDecode, RunLengthEncodingWithDeltasAndEndsOfLine) {
  // 4 × 3, RLE8, bottom row first: a run, a literal, a delta, an early end.
  const std::vector<uint8_t> rle = {
      2, 1, 1, 2, 1, 3,        // row 0: runs 1 1, 2 and 3
      0, 0,                    // end of line
      0, 2, 1, 1,              // delta: x + 1, y + 1 → (1, 2)
      0, 3, 2, 2, 2, 0,        // row 2 from x = 1: a literal 2 2 2, padded to a word
      0, 1};                   // end of bitmap: row 1 stays undefined (black)
  const auto file = bmp40(4, 3, 8, 1, quad_palette({0x000010, 0x000011, 0x000012, 0x000013}), rle);
  LayerImage img;
  ASSERT_EQ(decode(file, img), LoadResult::Success);
  const Pixel bottom[4] = {0xFF000011, 0xFF000011, 0xFF000012, 0xFF000013};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(img.row(2)[x], bottom[x]) << x;
  for (int x = 0; x < 4; ++x) EXPECT_EQ(img.row(1)[x], 0xFF000000u) << x;
  EXPECT_EQ(img.row(0)[0], 0xFF000000u);
  for (int x = 1; x < 4; ++x) EXPECT_EQ(img.row(0)[x], 0xFF000012u) << x;

  // RLE4: a run alternates the two nibbles, a literal reads them in order.
  const std::vector<uint8_t> rle4 = {5, 0x12, 0, 3, 0x34, 0x50, 0, 1};
  const auto file4 = bmp40(8, 1, 4, 2, quad_palette({0, 1, 2, 3, 4, 5}), rle4);
  ASSERT_EQ(decode(file4, img), LoadResult::Success);
  const uint32_t want[8] = {1, 2, 1, 2, 1, 3, 4, 5};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(img.row(0)[x], 0xFF000000u | want[x]) << x;

  // Runs, literals and deltas that reach outside the picture are damage.
  for (const std::vector<uint8_t>& wild : std::vector<std::vector<uint8_t>>{
           {5, 1, 0, 1}, {2, 1, 0, 3, 1, 1, 1, 0, 0, 1}, {0, 2, 5, 0, 0, 1}, {0, 2, 0, 4, 0, 1}}) {
    EXPECT_EQ(decode(bmp40(4, 3, 8, 1, quad_palette({1, 2}), wild), img), LoadResult::Damaged);
    EXPECT_TRUE(img.empty());
  }
  // A delta to the very end and data that stop early are fine.
  ASSERT_EQ(decode(bmp40(4, 3, 8, 1, quad_palette({1, 2}), {0, 2, 4, 3}), img), LoadResult::Success);
  ASSERT_EQ(decode(bmp40(4, 3, 8, 1, quad_palette({1, 2}), {4, 1}), img), LoadResult::Success);
  EXPECT_EQ(img.row(2)[3], 0xFF000002u);
  EXPECT_EQ(img.row(0)[0], 0xFF000000u);
  // Top-down RLE does not exist.
  EXPECT_EQ(decode(bmp40(4, -3, 8, 1, quad_palette({1, 2}), rle), img), LoadResult::WrongFormat);
}

// Writers that encode rows out to their padded length and end the last row
// before the end of the bitmap, as ImageMagick does.
TEST(BmpDecode, RunLengthFilesOfOtherWritersMatchTheirDecode) {
  QM_REQUIRE_MAGICK();
  test::ScratchDir dir;
  const std::string png = dir.file("in.png");
  ASSERT_TRUE(test::magick("-size 37x19 -seed 3 plasma:fractal +dither -colors 40 -type Palette " +
                           test::quoted(png)));
  for (const char* target : {"BMP3:", "BMP:"}) {  // 40-byte and V5 headers
    SCOPED_TRACE(target);
    const std::string bmp = dir.file("rle8.bmp");
    ASSERT_TRUE(test::magick(test::quoted(png) + " -type Palette -compress RLE " + target + test::quoted(bmp)));
    const std::vector<uint8_t> file = test::read_file(bmp);
    ASSERT_EQ(file[30], 1);  // RLE8 indeed
    LayerImage img;
    ASSERT_EQ(decode(file, img), LoadResult::Success);
    test::expect_same_as_magick(img, test::magick_rgba(bmp));
  }

  // RLE4 the same way, 5 pixels wide (padded to 8), made by hand and read by both.
  const std::vector<uint8_t> rle4 = {8, 0x12, 0, 0,                 // row 0 out to the padding
                                     0, 8, 0x34, 0x56, 0x70, 0x12,  // row 1: a literal of 8
                                     0, 0, 0, 1};                   // end of line, end of bitmap
  const std::string path = dir.file("rle4.bmp");
  test::write_file(path, bmp40(5, 2, 4, 2, quad_palette({0, 0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0,
                                                         0x111111, 0x777777}),
                               rle4));
  LayerImage img;
  ASSERT_EQ(decode(test::read_file(path), img), LoadResult::Success);
  test::expect_same_as_magick(img, test::magick_rgba(path));
  // Past the padding is still damage.
  EXPECT_EQ(decode(bmp40(5, 2, 4, 2, quad_palette({0, 1}), {9, 0x11, 0, 1}), img), LoadResult::Damaged);
  EXPECT_EQ(decode(bmp40(5, 2, 8, 1, quad_palette({0, 1}), {9, 1, 0, 1}), img), LoadResult::Damaged);
}

TEST(BmpDecode, DepthsMasksAndRowOrder) {
  // 16-bit 5-6-5 through bit-field masks; all ones is white, not 248.
  test::Bytes px;
  px.u16(0xFFFF).u16(0xF800).u16(0x07E0).u16(0x001F);
  test::Bytes masks;
  masks.u32(0xF800).u32(0x07E0).u32(0x001F);
  LayerImage img;
  ASSERT_EQ(decode(bmp40(4, 1, 16, 3, {}, px.v, masks.v), img), LoadResult::Success);
  EXPECT_EQ(img.row(0)[0], 0xFFFFFFFFu);
  EXPECT_EQ(img.row(0)[1], 0xFFFF0000u);
  EXPECT_EQ(img.row(0)[2], 0xFF00FF00u);
  EXPECT_EQ(img.row(0)[3], 0xFF0000FFu);
  // Masks with a gap, an empty one, or two sharing bits are refused.
  for (const auto& m : {std::vector<uint32_t>{0xF0F0, 0x0F00, 0x000F}, std::vector<uint32_t>{0xFF00, 0x00FF, 0},
                        std::vector<uint32_t>{0xF800, 0x0FE0, 0x001F}}) {
    test::Bytes bad;
    bad.u32(m[0]).u32(m[1]).u32(m[2]);
    EXPECT_EQ(decode(bmp40(4, 1, 16, 3, {}, px.v, bad.v), img), LoadResult::WrongFormat);
  }

  // 1-bit, top-down (negative height): the first stored row is the top.
  const std::vector<uint8_t> rows = {0x80, 0, 0, 0, 0x40, 0, 0, 0};
  ASSERT_EQ(decode(bmp40(2, -2, 1, 0, quad_palette({0x000000, 0xFFFFFF}), rows), img), LoadResult::Success);
  EXPECT_EQ(img.row(0)[0], 0xFFFFFFFFu);
  EXPECT_EQ(img.row(1)[1], 0xFFFFFFFFu);
  EXPECT_EQ(img.row(1)[0], 0xFF000000u);
  // The same rows bottom-up.
  ASSERT_EQ(decode(bmp40(2, 2, 1, 0, quad_palette({0x000000, 0xFFFFFF}), rows), img), LoadResult::Success);
  EXPECT_EQ(img.row(1)[0], 0xFFFFFFFFu);
  EXPECT_EQ(img.row(0)[1], 0xFFFFFFFFu);

  // 32-bit: the fourth byte is ignored, the picture is opaque.
  ASSERT_EQ(decode(bmp40(1, 1, 32, 0, {}, {1, 2, 3, 0}), img), LoadResult::Success);
  EXPECT_EQ(img.row(0)[0], 0xFF030201u);
  // An index beyond a short palette is black.
  ASSERT_EQ(decode(bmp40(2, 1, 8, 0, quad_palette({0x123456}), {0, 9, 0, 0}), img), LoadResult::Success);
  EXPECT_EQ(img.row(0)[0], 0xFF123456u);
  EXPECT_EQ(img.row(0)[1], 0xFF000000u);
}

// 24-bit rows are read a word per pixel: every width against the bytes one
// by one, the file ending right after the last pixel's padding.
TEST(BmpDecode, TwentyFourBitRowsMatchTheirBytesAtEveryWidth) {
  std::mt19937 rng(5);
  for (int w = 1; w <= 9; ++w) {
    const int h = 3;
    const size_t stride = (size_t(w) * 3 + 3) / 4 * 4;
    std::vector<uint8_t> pixels(stride * h);
    for (uint8_t& b : pixels) b = uint8_t(rng());
    LayerImage img;
    ASSERT_EQ(decode(bmp40(w, h, 24, 0, {}, pixels), img), LoadResult::Success) << w;
    for (int r = 0; r < h; ++r)
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = pixels.data() + size_t(r) * stride + size_t(x) * 3;
        ASSERT_EQ(img.row(h - 1 - r)[x], make_pixel(255, p[2], p[1], p[0])) << w << " " << x;
      }
  }
}

TEST(BmpDecode, SizesAreCheckedBeforeAnythingIsAllocated) {
  LayerImage img;
  EXPECT_EQ(decode(bmp40(4501, 1, 24, 0, {}, std::vector<uint8_t>(13504)), img), LoadResult::TooLarge);
  EXPECT_EQ(decode(bmp40(1, -4501, 24, 0, {}, std::vector<uint8_t>(16)), img), LoadResult::TooLarge);
  EXPECT_EQ(decode(bmp40(0, 1, 24, 0, {}, std::vector<uint8_t>(4)), img), LoadResult::WrongFormat);
  EXPECT_EQ(decode(bmp40(-5, 1, 24, 0, {}, std::vector<uint8_t>(4)), img), LoadResult::WrongFormat);
  // Header sizes beyond the end of the file: the file size, the image size,
  // a palette larger than the room before the pixels.
  auto big = bmp40(1, 1, 24, 0, {}, {1, 2, 3, 0});
  big[2] = 0xFF;
  EXPECT_EQ(decode(big, img), LoadResult::Damaged);
  big = bmp40(1, 1, 24, 0, {}, {1, 2, 3, 0});
  big[34] = 5;  // biSizeImage 5 with 4 bytes of pixels
  EXPECT_EQ(decode(big, img), LoadResult::Damaged);
  big = bmp40(1, 1, 8, 0, quad_palette({1, 2}), {1, 0, 0, 0});
  big[46] = 3;  // three colours declared, two stored
  EXPECT_EQ(decode(big, img), LoadResult::Damaged);
  // The largest size with almost no pixel data: refused as cut short, not allocated.
  EXPECT_EQ(decode(bmp40(4500, 4500, 24, 0, {}, std::vector<uint8_t>(100)), img), LoadResult::Damaged);
  EXPECT_TRUE(img.empty());
  // Unknown header size, depth and compression.
  auto f = bmp40(1, 1, 24, 0, {}, {1, 2, 3, 0});
  f[14] = 66;
  EXPECT_EQ(decode(f, img), LoadResult::WrongFormat);
  EXPECT_EQ(decode(bmp40(1, 1, 7, 0, {}, {1, 2, 3, 0}), img), LoadResult::WrongFormat);
  EXPECT_EQ(decode(bmp40(1, 1, 24, 4, {}, {1, 2, 3, 0}), img), LoadResult::WrongFormat);
  // Cut short at every length.
  const auto good = bmp40(3, 2, 8, 0, quad_palette({1, 2, 3}), {0, 1, 2, 0, 2, 1, 0, 0});
  ASSERT_EQ(decode(good, img), LoadResult::Success);
  for (size_t n = 0; n < good.size(); ++n)
    EXPECT_NE(decode(std::vector<uint8_t>(good.begin(), good.begin() + ptrdiff_t(n)), img), LoadResult::Success) << n;
}

// ----------------------------------------------------------- conformance --

struct SuiteEntry {
  std::string file;
  std::vector<std::string> refs;
};

std::vector<SuiteEntry> suite_index() {
  std::ifstream in(test::conformance_dir() / "bmpsuite" / "INDEX.tsv");
  std::vector<SuiteEntry> out;
  std::string line;
  std::getline(in, line);  // column names
  while (std::getline(in, line)) {
    std::istringstream cols(line);
    SuiteEntry e;
    std::string refs;
    std::getline(cols, e.file, '\t');
    std::getline(cols, refs, '\t');
    std::istringstream r(refs);
    for (std::string one; r >> one;) e.refs.push_back(one);
    out.push_back(e);
  }
  return out;
}

TEST(BmpConformance, GoodFilesMatchTheReferenceAndBadOnesFailCleanly) {
  QM_REQUIRE_CONFORMANCE();
  const auto dir = test::conformance_dir() / "bmpsuite";
  int good = 0, good_matched = 0, bad = 0, bad_refused = 0, other = 0, other_loaded = 0;
  for (const SuiteEntry& e : suite_index()) {
    SCOPED_TRACE(e.file);
    const std::vector<uint8_t> bytes = test::read_file((dir / e.file).string());
    ASSERT_FALSE(bytes.empty());
    LayerImage img;
    const LoadResult r = decode(bytes, img);
    if (e.file.rfind("b/", 0) == 0) {
      ++bad;
      bad_refused += r != LoadResult::Success;
      continue;
    }
    if (e.file.rfind("g/", 0) != 0) {
      ++other;
      other_loaded += r == LoadResult::Success;
      continue;
    }
    ++good;
    ASSERT_EQ(r, LoadResult::Success);
    bool matched = false;
    for (const std::string& ref_name : e.refs) {
      const std::vector<uint8_t> ref_bytes = test::read_file((dir / ref_name).string());
      LayerImage ref;
      ASSERT_EQ(decode_png(ref_bytes.data(), ref_bytes.size(), ref, nullptr), LoadResult::Success);
      if (test::same_pixels(img, ref)) matched = true;
    }
    EXPECT_TRUE(matched);
    good_matched += matched;
  }
  EXPECT_EQ(good, 27);
  EXPECT_EQ(good_matched, good);
  std::printf("bmpsuite: %d of %d good files match the reference; %d of %d bad files refused (the rest decode "
              "safely); %d of %d questionable files load\n",
              good_matched, good, bad_refused, bad, other_loaded, other);
}

}  // namespace
}  // namespace qm
