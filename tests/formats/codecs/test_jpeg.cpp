#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cmath>
#include <random>

#include "../magick_reference.h"
#include "codec_test_util.h"
#include "photo_image.h"
#include "formats/jpeg_decoder.h"
#include "formats/jpeg_encoder.h"
#include "formats/load_picture.h"

namespace qm {
namespace {

// ------------------------------------------------------ plain reference --

// The AAN forward DCT on eight scalars, straight from the algorithm.
void aan_1d(float* d, int stride) {
  float v[8];
  for (int i = 0; i < 8; ++i) v[i] = d[i * stride];
  const float tmp0 = v[0] + v[7], tmp7 = v[0] - v[7], tmp1 = v[1] + v[6], tmp6 = v[1] - v[6];
  const float tmp2 = v[2] + v[5], tmp5 = v[2] - v[5], tmp3 = v[3] + v[4], tmp4 = v[3] - v[4];
  float tmp10 = tmp0 + tmp3, tmp13 = tmp0 - tmp3, tmp11 = tmp1 + tmp2, tmp12 = tmp1 - tmp2;
  v[0] = tmp10 + tmp11;
  v[4] = tmp10 - tmp11;
  const float z1 = (tmp12 + tmp13) * 0.707106781f;
  v[2] = tmp13 + z1;
  v[6] = tmp13 - z1;
  tmp10 = tmp4 + tmp5;
  tmp11 = tmp5 + tmp6;
  tmp12 = tmp6 + tmp7;
  const float z5 = (tmp10 - tmp12) * 0.382683433f;
  const float z2 = 0.541196100f * tmp10 + z5;
  const float z4 = 1.306562965f * tmp12 + z5;
  const float z3 = tmp11 * 0.707106781f;
  const float z11 = tmp7 + z3, z13 = tmp7 - z3;
  v[5] = z13 + z2;
  v[3] = z13 - z2;
  v[1] = z11 + z4;
  v[7] = z11 - z4;
  for (int i = 0; i < 8; ++i) d[i * stride] = v[i];
}

void reference_transform(const float* samples, const float* recip, int16_t* zigzag) {
  float b[64];
  std::copy(samples, samples + 64, b);
  for (int r = 0; r < 8; ++r) aan_1d(b + 8 * r, 1);  // rows
  for (int c = 0; c < 8; ++c) aan_1d(b + c, 8);      // then columns
  for (int k = 0; k < 64; ++k) {
    const int n = jpeg_detail::kZigzag[k];
    const float x = b[n] * recip[n];
    zigzag[k] = int16_t(std::floor(x + 0.5f));
  }
}

TEST(JpegEncode, FastTransformIsBitIdenticalToThePlainReference) {
  std::mt19937 rng(5);
  for (int quality : {1, 10, 50, 75, 90, 100}) {
    const auto tables = jpeg_quant_tables(quality);
    for (int t = 0; t < 2; ++t) {
      const auto recip = jpeg_detail::quant_reciprocals(tables[size_t(t)]);
      for (int block = 0; block < 4000; ++block) {
        alignas(32) float s[64];
        const int kind = block % 4;
        for (int i = 0; i < 64; ++i) {
          const int v = kind == 0   ? int(rng() % 256) - 128
                        : kind == 1 ? ((i + block) & 1 ? 127 : -128)  // extremes
                        : kind == 2 ? (i / 8) * 30 - 110 + int(rng() % 5)
                                    : int(rng() % 256) - 128;
          s[i] = float(v);
        }
        alignas(32) int16_t fast[64], slow[64];
        jpeg_detail::transform_block(s, recip.data(), fast);
        reference_transform(s, recip.data(), slow);
        for (int k = 0; k < 64; ++k) ASSERT_EQ(fast[k], slow[k]) << "q " << quality << " block " << block << " k " << k;
        alignas(32) int16_t natural[64];
        jpeg_detail::transform_block_natural(s, recip.data(), natural);
        for (int k = 0; k < 64; ++k) ASSERT_EQ(natural[jpeg_detail::kZigzag[k]], slow[k]) << k;
        // From 16-bit rows inside a wider, unaligned plane, as the encoder reads them.
        int16_t plane[8 * 27];
        const size_t stride = 27, at = 3;
        for (int i = 0; i < 64; ++i) plane[size_t(i / 8) * stride + at + size_t(i % 8)] = int16_t(s[i]);
        jpeg_detail::transform_samples_natural(plane + at, stride, recip.data(), natural);
        for (int k = 0; k < 64; ++k) ASSERT_EQ(natural[jpeg_detail::kZigzag[k]], slow[k]) << k;
      }
    }
  }
}

// The whole stream against the encoder's plain scalar path: photo content,
// noise (long non-zero runs), flat areas (long zero runs and 0xFF stuffing),
// all-noise pictures, sizes that leave partial blocks and MCUs on both edges,
// both subsamplings, low to top quality.
TEST(JpegEncode, OutputBytesEqualThePlainEncoder) {
  std::mt19937 rng(8);
  const auto check = [](const LayerImage& img, const char* kind) {
    for (const int quality : {1, 5, 25, 50, 75, 90, 95, 100})
      for (const bool sub : {false, true}) {
        std::vector<uint8_t> fast, plain;
        ASSERT_TRUE(encode_jpeg_to_memory(img, {quality, sub, 96}, fast));
        ASSERT_TRUE(jpeg_detail::encode_jpeg_plain(img, {quality, sub, 96}, plain));
        ASSERT_EQ(fast, plain) << kind << " " << img.width() << "x" << img.height() << " q" << quality
                               << " sub " << sub;
      }
  };
  for (const auto& [w, h] : {std::pair{1, 1}, std::pair{7, 9}, std::pair{37, 21}, std::pair{128, 96},
                             std::pair{301, 143}, std::pair{17, 250}}) {
    LayerImage img;
    ASSERT_TRUE(img.create(w, h));
    test::fill_photo(img, uint32_t(w));
    for (int y = 0; y < h / 3; ++y)
      for (int x = 0; x < w; ++x) img.row(y)[x] = 0xFF000000u | (rng() & 0xFFFFFF);
    img.fill_rect(0, h / 2, w / 2, h / 4, 0xFFFFFFFF);
    check(img, "photo");
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) img.row(y)[x] = rng();  // alpha is ignored
    check(img, "noise");
  }
}

TEST(JpegEncode, ColourConversionIsBitIdenticalToThePlainFormula) {
  // Every colour once, in runs whose lengths are not multiples of eight.
  std::vector<Pixel> px(1 << 24);
  for (uint32_t i = 0; i < px.size(); ++i) px[i] = 0xFF000000u | i;
  std::vector<int16_t> y(px.size()), cb(px.size()), cr(px.size());
  for (size_t at = 0; at < px.size(); at += 4093) {
    const int n = int(std::min<size_t>(4093, px.size() - at));
    jpeg_detail::ycc_row(px.data() + at, n, y.data() + at, cb.data() + at, cr.data() + at);
  }
  size_t wrong = 0;
  uint32_t first_wrong = 0;
  for (uint32_t i = 0; i < px.size(); ++i) {
    const int r = int(i >> 16), g = int((i >> 8) & 255), b = int(i & 255);
    if (y[i] != ((77 * r + 150 * g + 29 * b) >> 8) - 128 || cb[i] != (-43 * r - 85 * g + 128 * b) >> 8 ||
        cr[i] != (128 * r - 107 * g - 21 * b) >> 8)
      first_wrong = wrong++ ? first_wrong : i;
  }
  EXPECT_EQ(wrong, 0u) << "first at colour " << std::hex << first_wrong;
}

TEST(JpegEncode, QuantisationTablesFollowTheQuality) {
  const auto q50 = jpeg_quant_tables(50);
  EXPECT_EQ(q50[0][0], 16);
  EXPECT_EQ(q50[0][1], 11);  // zigzag position 1 is (0, 1)
  EXPECT_EQ(q50[0][2], 12);  // position 2 is (1, 0)
  EXPECT_EQ(q50[0][63], 99);
  EXPECT_EQ(q50[1][0], 17);
  EXPECT_EQ(q50[1][63], 99);
  const auto q100 = jpeg_quant_tables(100);
  for (uint8_t v : q100[0]) EXPECT_EQ(v, 1);
  EXPECT_EQ(jpeg_quant_tables(0), jpeg_quant_tables(1));
  EXPECT_EQ(jpeg_quant_tables(120), jpeg_quant_tables(100));
  // Quality 90: 16 × 10 × 0.02 + 0.5 = 3.7 → 3; quality 10: 16 × 50 / 10 + 0.5 → 80.
  EXPECT_EQ(jpeg_quant_tables(90)[0][0], 3);
  EXPECT_EQ(jpeg_quant_tables(10)[0][0], 80);
  EXPECT_EQ(jpeg_quant_tables(1)[0][63], 255);  // 99 × 50 + 0.5 is capped
}

// The marker segments of a stream up to SOS: marker and body.
std::vector<std::pair<uint8_t, std::vector<uint8_t>>> segments(const std::vector<uint8_t>& f, size_t& data_start) {
  std::vector<std::pair<uint8_t, std::vector<uint8_t>>> out;
  EXPECT_EQ(f[0], 0xFF);
  EXPECT_EQ(f[1], 0xD8);
  size_t pos = 2;
  for (;;) {
    const uint8_t m = f[pos + 1];
    const size_t len = size_t(f[pos + 2]) << 8 | f[pos + 3];
    out.emplace_back(m, std::vector<uint8_t>(f.begin() + ptrdiff_t(pos + 4), f.begin() + ptrdiff_t(pos + 2 + len)));
    pos += 2 + len;
    if (m == 0xDA) break;
  }
  data_start = pos;
  return out;
}

TEST(JpegEncode, MarkersAndTheEntropyDataOfOneWhitePixel) {
  LayerImage img;
  ASSERT_TRUE(img.create(1, 1));
  img.fill(0xFFFFFFFFu);
  std::vector<uint8_t> f;
  ASSERT_TRUE(encode_jpeg_to_memory(img, {100, false, 96}, f));
  size_t data = 0;
  const auto seg = segments(f, data);
  ASSERT_EQ(seg.size(), 5u);
  EXPECT_EQ(seg[0].first, 0xE0);
  EXPECT_EQ(seg[0].second, (std::vector<uint8_t>{'J', 'F', 'I', 'F', 0, 1, 1, 1, 0, 96, 0, 96, 0, 0}));
  EXPECT_EQ(seg[1].first, 0xDB);
  EXPECT_EQ(seg[1].second.size() + 2, 132u);
  EXPECT_EQ(seg[2].first, 0xC0);
  EXPECT_EQ(seg[2].second, (std::vector<uint8_t>{8, 0, 1, 0, 1, 3, 1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1}));
  EXPECT_EQ(seg[3].first, 0xC4);
  EXPECT_EQ(seg[3].second.size() + 2, 418u);
  EXPECT_EQ(seg[4].first, 0xDA);
  EXPECT_EQ(seg[4].second, (std::vector<uint8_t>{3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0}));
  // Y: DC category 10 (1016 = 127 × 8) code 11111110 + 1111111000, end of
  // block 1010; Cb and Cr: DC 0 (00) and end of block (00); two 1 bits fill.
  EXPECT_EQ(std::vector<uint8_t>(f.begin() + ptrdiff_t(data), f.end()),
            (std::vector<uint8_t>{0xFE, 0xFE, 0x28, 0x03, 0xFF, 0xD9}));

  // Grey 140: Y DC 96 (category 7, code 11110): 5 + 7 + 4 + 8 = 24 bits end
  // on a byte boundary, and a whole byte of 1 bits still follows.
  img.fill(0xFF8C8C8Cu);
  f.clear();
  ASSERT_TRUE(encode_jpeg_to_memory(img, {100, false, 96}, f));
  ASSERT_GE(f.size(), 4u);
  EXPECT_EQ(std::vector<uint8_t>(f.end() - 4, f.end()), (std::vector<uint8_t>{0xFF, 0x00, 0xFF, 0xD9}));
  EXPECT_EQ(f.size() - data, 3u + 4u);
}

struct Decoded {
  int width = 0, height = 0, subsampling = -1;
  std::vector<uint8_t> rgb;
};

Decoded turbo_decode(const std::vector<uint8_t>& f) {
  Decoded d;
  tjhandle tj = tjInitDecompress();
  int cs = 0;
  if (tjDecompressHeader3(tj, f.data(), f.size(), &d.width, &d.height, &d.subsampling, &cs) == 0) {
    d.rgb.resize(size_t(d.width) * size_t(d.height) * 3);
    if (tjDecompress2(tj, f.data(), f.size(), d.rgb.data(), d.width, d.width * 3, d.height, TJPF_RGB, 0) != 0)
      d.rgb.clear();
  }
  tjDestroy(tj);
  return d;
}

double psnr(const LayerImage& img, const std::vector<uint8_t>& rgb) {
  double se = 0;
  for (size_t i = 0; i < img.pixel_count(); ++i) {
    const Pixel p = img.pixels()[i];
    const int d[3] = {int(red_of(p)) - rgb[3 * i], int(green_of(p)) - rgb[3 * i + 1], int(blue_of(p)) - rgb[3 * i + 2]};
    se += d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
  }
  const double mse = se / double(img.pixel_count() * 3);
  return 10 * std::log10(255.0 * 255.0 / mse);
}

TEST(JpegEncode, LibjpegTurboDecodesEverySizeAndSubsampling) {
  for (bool sub : {false, true}) {
    for (auto [w, h] : {std::pair{1, 1}, {17, 9}, {8, 8}, {16, 16}, {33, 2}, {200, 130}}) {
      SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + (sub ? " 4:2:0" : " 4:4:4"));
      LayerImage img;
      ASSERT_TRUE(img.create(w, h));
      test::fill_photo(img, 3);
      std::vector<uint8_t> f;
      ASSERT_TRUE(encode_jpeg_to_memory(img, {90, sub, 96}, f));
      const Decoded d = turbo_decode(f);
      ASSERT_EQ(d.width, w);
      ASSERT_EQ(d.height, h);
      EXPECT_EQ(d.subsampling, sub ? TJSAMP_420 : TJSAMP_444);
      ASSERT_FALSE(d.rgb.empty());
      if (w * h >= 64) {
        EXPECT_GT(psnr(img, d.rgb), sub ? 28.0 : 32.0);
      }
    }
  }
  // A flat colour comes back within the rounding of the colour conversion.
  LayerImage flat;
  ASSERT_TRUE(flat.create(17, 9));
  flat.fill(0xFF3080C0u);
  std::vector<uint8_t> f;
  ASSERT_TRUE(encode_jpeg_to_memory(flat, {95, true, 96}, f));
  LayerImage back;
  ASSERT_EQ(decode_jpeg(f.data(), f.size(), back), LoadResult::Success);
  for (size_t i = 0; i < back.pixel_count(); ++i) {
    const Pixel p = back.pixels()[i];
    EXPECT_EQ(alpha_of(p), 255);
    EXPECT_NEAR(red_of(p), 0x30, 3);
    EXPECT_NEAR(green_of(p), 0x80, 3);
    EXPECT_NEAR(blue_of(p), 0xC0, 3);
  }
}

TEST(JpegEncode, AppendsIntoAnOpenFileAndLeavesItOpen) {
  test::ScratchDir dir;
  LayerImage img;
  ASSERT_TRUE(img.create(20, 10));
  test::fill_photo(img, 1);
  BinaryFile file;
  ASSERT_TRUE(file.open_write(dir.file("a.bin")));
  ASSERT_TRUE(file.write("abc", 3));
  ASSERT_TRUE(EncodeJpeg(file, img, 80, true, 96));
  EXPECT_TRUE(file.is_open());
  ASSERT_TRUE(file.write("xyz", 3));
  ASSERT_TRUE(file.close());
  const std::vector<uint8_t> all = test::read_file(dir.file("a.bin"));
  std::vector<uint8_t> alone;
  ASSERT_TRUE(encode_jpeg_to_memory(img, {80, true, 96}, alone));
  ASSERT_EQ(all.size(), alone.size() + 6);
  EXPECT_TRUE(std::equal(alone.begin(), alone.end(), all.begin() + 3));
  EXPECT_EQ(all[3], 0xFF);
  EXPECT_EQ(all[4], 0xD8);

  ASSERT_TRUE(EncodeJpeg(dir.file("b.jpg"), img, 80, false, 72));
  EXPECT_EQ(test::read_file(dir.file("b.jpg")).size(), [&] {
    std::vector<uint8_t> v;
    encode_jpeg_to_memory(img, {80, false, 72}, v);
    return v.size();
  }());
  EXPECT_FALSE(EncodeJpeg(dir.file("none/b.jpg"), img, 80, false, 72));
  LayerImage empty;
  EXPECT_FALSE(EncodeJpeg(dir.file("c.jpg"), empty, 80, false, 72));
}

TEST(JpegEncode, QualityAndSizeMatchTheReferenceEncoder) {
  const std::string cjpeg = test::find_tool("cjpeg");
  if (cjpeg.empty()) GTEST_SKIP() << "cjpeg (libjpeg-turbo-progs) not installed";
  test::ScratchDir dir;
  LayerImage img;
  ASSERT_TRUE(img.create(1024, 768));
  test::fill_photo(img, 1);
  // The same picture as a binary PPM for the reference encoder.
  test::Bytes ppm;
  ppm.str("P6\n1024 768\n255\n");
  for (size_t i = 0; i < img.pixel_count(); ++i) {
    const Pixel p = img.pixels()[i];
    ppm.u8(red_of(p)).u8(green_of(p)).u8(blue_of(p));
  }
  test::write_file(dir.file("a.ppm"), ppm.v);
  for (bool sub : {false, true}) {
    SCOPED_TRACE(sub ? "4:2:0" : "4:4:4");
    ASSERT_TRUE(test::run_quiet(test::shell_quote(cjpeg) + " -quality 90 -sample " + (sub ? "2x2" : "1x1") +
                                " -outfile " + test::shell_quote(dir.file("ref.jpg")) + " " +
                                test::shell_quote(dir.file("a.ppm"))));
    const std::vector<uint8_t> theirs = test::read_file(dir.file("ref.jpg"));
    std::vector<uint8_t> ours;
    ASSERT_TRUE(encode_jpeg_to_memory(img, {90, sub, 96}, ours));
    const Decoded a = turbo_decode(ours), b = turbo_decode(theirs);
    ASSERT_FALSE(a.rgb.empty());
    ASSERT_FALSE(b.rgb.empty());
    const double pa = psnr(img, a.rgb), pb = psnr(img, b.rgb);
    const double size_ratio = double(ours.size()) / double(theirs.size());
    std::printf("quality 90 %s: ours %.2f dB %zu bytes, cjpeg %.2f dB %zu bytes (size ratio %.3f)\n",
                sub ? "4:2:0" : "4:4:4", pa, ours.size(), pb, theirs.size(), size_ratio);
    EXPECT_NEAR(pa, pb, 0.5);
    EXPECT_NEAR(size_ratio, 1.0, 0.05);
  }
}

TEST(JpegDecode, SizesAreCheckedAndDamageIsReported) {
  LayerImage img;
  ASSERT_TRUE(img.create(40, 24));
  test::fill_photo(img, 6);
  std::vector<uint8_t> f;
  ASSERT_TRUE(encode_jpeg_to_memory(img, {85, false, 96}, f));
  LayerImage back;
  ASSERT_EQ(decode_jpeg(f.data(), f.size(), back), LoadResult::Success);
  EXPECT_EQ(back.width(), 40);

  // Height 4501 in the frame header: refused before the pixels are allocated.
  size_t data = 0;
  segments(f, data);
  std::vector<uint8_t> big = f;
  for (size_t i = 2; i + 8 < big.size(); ++i)
    if (big[i] == 0xFF && big[i + 1] == 0xC0) {
      big[i + 5] = 4501 >> 8;
      big[i + 6] = 4501 & 0xFF;
      break;
    }
  EXPECT_EQ(decode_jpeg(big.data(), big.size(), back), LoadResult::TooLarge);
  EXPECT_TRUE(back.empty());
  const std::vector<uint8_t> junk = {0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3};
  EXPECT_EQ(decode_jpeg(junk.data(), junk.size(), back), LoadResult::WrongFormat);
  // Cut short inside the entropy data: a usable, opaque picture.
  const std::vector<uint8_t> cut(f.begin(), f.begin() + ptrdiff_t(data + (f.size() - data) / 2));
  ASSERT_EQ(decode_jpeg(cut.data(), cut.size(), back), LoadResult::Success);
  EXPECT_EQ(alpha_of(back.row(23)[39]), 255);
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

// CMYK JPEGs as ImageMagick writes them (an Adobe marker, inverted samples),
// and the YCCK variant, read as RGB the way ImageMagick reads them.
TEST(JpegDecode, CmykAndYcckMatchImageMagick) {
  QM_REQUIRE_MAGICK();
  test::ScratchDir dir;
  const std::string png = dir.file("in.png");
  ASSERT_TRUE(test::magick("-size 29x17 -seed 5 plasma:fractal " + test::quoted(png)));
  for (const char* extra : {"", "-define jpeg:colorspace=11"}) {  // 11: YCCK
    SCOPED_TRACE(extra);
    const std::string jpg = dir.file("cmyk.jpg");
    ASSERT_TRUE(test::magick(test::quoted(png) + " -colorspace CMYK " + extra + " -quality 90 " + test::quoted(jpg)));
    LayerImage img;
    ASSERT_EQ(load_picture_result(jpg, img, nullptr), LoadResult::Success);
    test::expect_same_as_magick(img, test::magick_rgba(jpg, "-colorspace sRGB"));
  }
  // What the library cannot read is not a JPEG we know.
  std::vector<uint8_t> junk = {0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8, 0, 1, 0, 1, 9, 1, 0x11, 0, 0xFF, 0xD9};
  LayerImage img;
  EXPECT_EQ(decode_jpeg(junk.data(), junk.size(), img), LoadResult::WrongFormat);
}

}  // namespace
}  // namespace qm
