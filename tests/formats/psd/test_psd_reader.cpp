// LoadPsd and LoadPsdThumbnail on hand-made files: clipping, channels,
// names, flat files, and every damaged header the reader must refuse.
#include <gtest/gtest.h>

#include "core/layer_image.h"
#include "document/document.h"
#include "formats/jpeg_encoder.h"
#include "formats/psd_document.h"
#include "formats/psd_parser.h"
#include "../magick_reference.h"
#include "psd_test_util.h"

namespace qm {
namespace {

using test::TestLayer;
using test::TestPsd;

class PsdReader : public ::testing::Test {
 protected:
  LoadResult load(const TestPsd& spec, Document& doc, const LoadLimits& limits = {}) {
    test::write_file(path_, test::build_psd(spec));
    return LoadPsd(path_, doc, nullptr, limits);
  }
  LoadResult load(const TestPsd& spec) {
    Document doc;
    return load(spec, doc);
  }
  const std::string& path() const { return path_; }

  test::ScratchDir dir_;
  std::string path_ = dir_.file("in.psd");
};

std::vector<uint8_t> gradient(int w, int h, int base) {
  std::vector<uint8_t> p(size_t(w) * size_t(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p[size_t(y) * size_t(w) + size_t(x)] = uint8_t(base + y * 16 + x);
  return p;
}

TEST_F(PsdReader, ZipChannelsWithAndWithoutPrediction) {
  // A 5 × 3 layer at (−2, −1) on a 4 × 4 canvas, one channel per kind.
  TestPsd spec;
  TestLayer l;
  l.left = -2, l.top = -1, l.right = 3, l.bottom = 2;
  l.channels = {test::zip_channel(0, 5, 3, gradient(5, 3, 0), false),
                test::zip_channel(1, 5, 3, gradient(5, 3, 100), true),
                test::rle_channel(2, 5, 3, gradient(5, 3, 200)),
                test::zip_channel(-1, 5, 3, test::plane_of(5, 3, 0x80), true)};
  spec.layers = {l};
  Document doc;
  ASSERT_EQ(load(spec, doc), LoadResult::Success);
  const LayerImage& img = doc.layer_at(0)->image;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
      const int v = (y + 1) * 16 + (x + 2);
      EXPECT_EQ(img.row(y)[x], x < 3 && y < 2 ? make_pixel(0x80, uint32_t(v), uint32_t(100 + v),
                                                           uint32_t((200 + v) & 0xFF))
                                              : kTransparent);
    }

  // A stream that ends early leaves the rest 0, as raw and RLE data do;
  // a corrupt one is refused.
  test::TestChannel cut = test::zip_channel(0, 5, 3, gradient(5, 3, 0), false);
  cut.data.resize(cut.data.size() - 6);
  spec.layers[0].channels[0] = cut;
  EXPECT_EQ(load(spec), LoadResult::Success);
  test::TestChannel bad = test::zip_channel(0, 5, 3, gradient(5, 3, 0), false);
  bad.data[2] ^= 0xFF;
  spec.layers[0].channels[0] = bad;
  EXPECT_EQ(load(spec), LoadResult::WrongFormat);
  spec.layers[0].channels[0].data[1] = 4;  // no such compression
  EXPECT_EQ(load(spec), LoadResult::WrongFormat);
}

// ImageMagick writes the layers of an RGBA picture with ZIP; each layer
// must match its own decode of the file.
TEST_F(PsdReader, ZipLayersWrittenByImageMagickMatchItsDecode) {
  QM_REQUIRE_MAGICK();
  const std::string psd = dir_.file("magick.psd");
  ASSERT_TRUE(test::magick("-size 23x11 gradient:blue-yellow \\( -size 23x11 xc:none -fill '#C03080A0' "
                           "-draw 'circle 11,5 11,1' \\) \\( -clone 0,1 -flatten \\) -reverse -depth 8 -compress Zip " +
                           test::quoted(psd)));
  const test::MiniPsd mini = test::read_mini_psd(test::read_file(psd));
  ASSERT_EQ(mini.layers.size(), 2u);
  const std::vector<uint8_t> bytes = test::read_file(psd);
  EXPECT_EQ(bytes[mini.layers[1].channels[0].data_at + 1], 2);  // ZIP indeed
  Document doc;
  ASSERT_EQ(LoadPsd(psd, doc, nullptr), LoadResult::Success);
  ASSERT_EQ(doc.layer_count(), 2);
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    // ImageMagick numbers the merged image 0 and the layers bottom first.
    const std::string frame = psd + "[" + std::to_string(i + 1) + "]";
    const std::string out = dir_.file("layer.rgba");
    ASSERT_TRUE(test::magick(test::quoted(frame) + " -depth 8 rgba:" + test::quoted(out)));
    test::expect_same_as_magick(doc.layer_at(1 - i)->image, test::read_file(out));
  }
}

TEST_F(PsdReader, LayersDecodeAlikeBesideEachOtherAndStraightFromTheFile) {
  // Layers of every compression, overhanging, partial and without alpha,
  // decoded side by side on the worker threads and, with the in-memory
  // limit at one byte, one by one from the file.
  TestPsd spec;
  spec.width = 6, spec.height = 5;
  TestLayer over;
  over.left = -2, over.top = -1, over.right = 5, over.bottom = 4;
  over.channels = {test::zip_channel(0, 7, 5, gradient(7, 5, 0), true), test::rle_channel(1, 7, 5, gradient(7, 5, 50)),
                   test::raw_channel(2, gradient(7, 5, 90)), test::zip_channel(-1, 7, 5, gradient(7, 5, 1), false)};
  TestLayer partial = test::solid_layer(1, 1, 6, 5, 10, 20, 30, 128);
  partial.channels.erase(partial.channels.begin() + 1);  // no green
  spec.layers = {test::solid_layer(0, 0, 6, 5, 200, 100, 50), over, partial, test::solid_layer(3, 0, 9, 2, 1, 2, 3, 0)};
  Document together, apart;
  ASSERT_EQ(load(spec, together), LoadResult::Success);
  set_psd_layer_bytes_in_memory(1);
  const LoadResult r = load(spec, apart);
  set_psd_layer_bytes_in_memory(0);
  ASSERT_EQ(r, LoadResult::Success);
  ASSERT_EQ(together.layer_count(), 4);
  ASSERT_EQ(apart.layer_count(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(together.layer_at(i)->name, apart.layer_at(i)->name);
    EXPECT_TRUE(test::same_pixels(together.layer_at(i)->image, apart.layer_at(i)->image)) << i;
  }
  // The overhanging layer (second in the file) at the canvas origin: its
  // sample (2, 1) of every channel.
  EXPECT_EQ(apart.layer_at(2)->image.row(0)[0], make_pixel(1 + 18, 18, 50 + 18, 90 + 18));
}

TEST_F(PsdReader, LayerOverhangingTheCanvasIsCut) {
  // A 5 × 3 layer at (−2, −1) on a 4 × 4 canvas: its pixels (2 … 4, 1 … 2)
  // land on canvas (0 … 2, 0 … 1).
  TestPsd spec;
  TestLayer l;
  l.left = -2, l.top = -1, l.right = 3, l.bottom = 2;
  l.channels = {test::rle_channel(0, 5, 3, gradient(5, 3, 0)), test::raw_channel(1, gradient(5, 3, 100)),
                test::rle_channel(2, 5, 3, gradient(5, 3, 200)), test::raw_channel(-1, test::plane_of(5, 3, 0x80))};
  spec.layers = {l};
  Document doc;
  ASSERT_EQ(load(spec, doc), LoadResult::Success);
  ASSERT_EQ(doc.layer_count(), 1);
  const LayerImage& img = doc.layer_at(0)->image;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
      if (x < 3 && y < 2) {
        const int v = (y + 1) * 16 + (x + 2);
        EXPECT_EQ(img.row(y)[x], make_pixel(0x80, uint32_t(v), uint32_t(100 + v), uint32_t((200 + v) & 0xFF)));
      } else {
        EXPECT_EQ(img.row(y)[x], kTransparent);
      }
    }
}

TEST_F(PsdReader, LayersOffTheCanvasOrEmptyLoadTransparent) {
  TestPsd spec;
  spec.layers = {test::solid_layer(10, 10, 14, 12, 1, 2, 3, 255), test::solid_layer(-9, 0, -1, 4, 1, 2, 3),
                 test::solid_layer(2, 2, 2, 2, 0, 0, 0, 255)};
  Document doc;
  ASSERT_EQ(load(spec, doc), LoadResult::Success);
  ASSERT_EQ(doc.layer_count(), 3);
  for (int i = 0; i < 3; ++i)
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) ASSERT_EQ(doc.layer_at(i)->image.row(y)[x], kTransparent);
}

TEST_F(PsdReader, LayerWithoutTransparencyIsOpaqueOverItsRectangle) {
  TestPsd spec;
  spec.layers = {test::solid_layer(1, 1, 3, 4, 10, 20, 30)};
  Document doc;
  ASSERT_EQ(load(spec, doc), LoadResult::Success);
  const LayerImage& img = doc.layer_at(0)->image;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(img.row(y)[x], (x >= 1 && x < 3 && y >= 1) ? make_pixel(255, 10, 20, 30) : kTransparent);
}

TEST_F(PsdReader, ColourUnderZeroAlphaBecomesWhite) {
  TestPsd spec;
  std::vector<uint8_t> alpha = test::plane_of(4, 4, 200);
  alpha[5] = 0;
  TestLayer l = test::solid_layer(0, 0, 4, 4, 10, 20, 30);
  l.channels.push_back(test::raw_channel(-1, alpha));
  spec.layers = {l};
  Document doc;
  ASSERT_EQ(load(spec, doc), LoadResult::Success);
  EXPECT_EQ(doc.layer_at(0)->image.row(1)[1], kTransparent);
  EXPECT_EQ(doc.layer_at(0)->image.row(1)[2], make_pixel(200, 10, 20, 30));
}

TEST_F(PsdReader, AttributesAndStackOrder) {
  TestPsd spec;
  TestLayer bottom = test::solid_layer(0, 0, 4, 4, 1, 1, 1, 255);
  bottom.key = "scrn";
  bottom.opacity = 128;
  bottom.flags = 2;
  bottom.name = "bottom";
  TestLayer top = test::solid_layer(0, 0, 4, 4, 2, 2, 2, 255);
  top.key = "lbrn";  // Photoshop's linear burn: we have no key for it
  top.name = "top";
  top.flags = 8;  // other flag bits do not hide
  spec.layers = {bottom, top};
  Document doc;
  ASSERT_EQ(load(spec, doc), LoadResult::Success);
  ASSERT_EQ(doc.layer_count(), 2);
  EXPECT_EQ(doc.current_index(), 0);
  EXPECT_EQ(doc.name_counter(), 2);
  EXPECT_EQ(doc.layer_at(0)->name, "top");
  EXPECT_EQ(doc.layer_at(0)->blend_mode, 0);
  EXPECT_TRUE(doc.layer_at(0)->visible());
  EXPECT_EQ(doc.layer_at(1)->name, "bottom");
  EXPECT_EQ(doc.layer_at(1)->blend_mode, 4);
  EXPECT_EQ(doc.layer_at(1)->opacity, 64);
  EXPECT_FALSE(doc.layer_at(1)->visible());
  // A negative count only flags merged transparency.
  spec.count = -2;
  Document again;
  ASSERT_EQ(load(spec, again), LoadResult::Success);
  EXPECT_EQ(again.layer_count(), 2);
}

TEST_F(PsdReader, NamesPreferUnicodeThenTheLegacyCodePage) {
  TestPsd spec;
  TestLayer a = test::solid_layer(0, 0, 1, 1, 0, 0, 0);
  a.name = "Layer 1";  // what an older program wrote in its code page
  a.unicode_name = u"레이어 1";
  a.extra_blocks = {'8', 'B', 'I', 'M', 'l', 's', 'c', 't', 0, 0, 0, 4, 0, 0, 0, 0};
  TestLayer b = test::solid_layer(0, 0, 1, 1, 0, 0, 0);
  b.name = "\x83\x8C\x83\x43\x83\x84\x81\x5B";  // "レイヤー" in CP932
  TestLayer c = test::solid_layer(0, 0, 1, 1, 0, 0, 0);
  c.name = "\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0"
           "\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0";  // 16 × "あ": 32 bytes of CP932
  c.name += "\x81\x40\x81\x40\x81\x40\x81\x40\x81\x40\x81\x40\x81\x40\x81\x40\x81\x40\x81\x40"
            "\x81\x40\x81\x40\x81\x40\x81\x40\x81\x40\x81\x40";  // and 16 ideographic spaces
  TestLayer d = test::solid_layer(0, 0, 1, 1, 0, 0, 0);
  d.unicode_name = u"\U0001F3A8 long name that is longer than the field";
  spec.layers = {a, b, c, d};
  Document doc;
  ASSERT_EQ(load(spec, doc), LoadResult::Success);
  EXPECT_EQ(doc.layer_at(3)->name, "레이어 1");
  EXPECT_EQ(doc.layer_at(2)->name, "レイヤー");
  // Kept to 31 characters, not 31 bytes.
  EXPECT_EQ(doc.layer_at(1)->name, "ああああああああああああああああ　　　　　　　　　　　　　　　");
  EXPECT_EQ(doc.layer_at(0)->name, "\U0001F3A8 long name that is longer than");
}

TEST_F(PsdReader, EachChannelStartsWhereTheLastOneEnded) {
  // The red channel's length covers 7 bytes after its data; a reader that
  // did not seek to the end would take them for the green channel.
  TestPsd spec;
  TestLayer l = test::solid_layer(0, 0, 4, 4, 50, 60, 70, 255);
  for (uint8_t junk : {9, 9, 9, 9, 9, 9, 9}) l.channels[1].data.push_back(junk);
  spec.layers = {l, test::solid_layer(0, 0, 2, 2, 1, 2, 3, 4)};
  Document doc;
  ASSERT_EQ(load(spec, doc), LoadResult::Success);
  EXPECT_EQ(doc.layer_at(1)->image.row(3)[3], make_pixel(255, 50, 60, 70));
  EXPECT_EQ(doc.layer_at(0)->image.row(1)[1], make_pixel(4, 1, 2, 3));
}

TEST_F(PsdReader, PackedDataIsOneStreamWithNoOpHeaders) {
  // The rows as one continuous stream: packets cross the row boundaries, the
  // row counts are wrong, and −128 headers are sprinkled in.
  TestPsd spec;
  TestLayer l = test::solid_layer(0, 0, 4, 4, 0, 0, 0, 255);
  std::vector<uint8_t> red{0, 1, 0x80, 0xFE, 2, 0x80, 9, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0xFE, 13};
  test::TestChannel c{0, {0, 1, 0, 99, 0, 0, 0, 1, 0, 7}, {}};
  test::append(c.data, red);
  l.channels[1] = c;
  spec.layers = {l};
  Document doc;
  ASSERT_EQ(load(spec, doc), LoadResult::Success);
  const uint8_t want[16] = {1, 2, 2, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 13};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(red_of(doc.layer_at(0)->image.row(i / 4)[i % 4]), want[i]) << i;
}

TEST_F(PsdReader, ShortChannelDataLeavesTheRestZero) {
  TestPsd spec;
  TestLayer l = test::solid_layer(0, 0, 4, 4, 0, 0, 0, 255);
  l.channels[1] = test::raw_channel(0, {7, 7, 7, 7, 7, 7});           // 6 of 16 bytes
  l.channels[2] = test::TestChannel{1, {0, 1, 0, 2, 0, 2, 0, 2, 0, 2, 0xFD, 5}, {}};  // 4 bytes
  spec.layers = {l};
  Document doc;
  ASSERT_EQ(load(spec, doc), LoadResult::Success);
  const LayerImage& img = doc.layer_at(0)->image;
  EXPECT_EQ(red_of(img.row(1)[1]), 7);
  EXPECT_EQ(red_of(img.row(1)[2]), 0);
  EXPECT_EQ(green_of(img.row(0)[3]), 5);
  EXPECT_EQ(green_of(img.row(1)[0]), 0);
}

TEST_F(PsdReader, UserMaskChannelsAreSkipped) {
  TestPsd spec;
  TestLayer l = test::solid_layer(0, 0, 4, 4, 10, 20, 30, 255);
  l.channels.insert(l.channels.begin() + 1, test::raw_channel(-2, test::plane_of(3, 3, 0)));
  spec.layers = {l, test::solid_layer(0, 0, 4, 4, 1, 2, 3, 9)};
  Document doc;
  ASSERT_EQ(load(spec, doc), LoadResult::Success);
  EXPECT_EQ(doc.layer_at(1)->image.row(2)[2], make_pixel(255, 10, 20, 30));
  EXPECT_EQ(doc.layer_at(0)->image.row(2)[2], make_pixel(9, 1, 2, 3));
}

TEST_F(PsdReader, FileWithoutLayersOpensAsOneLayerFromTheMergedImage) {
  for (int compression = 0; compression < 2; ++compression) {
    SCOPED_TRACE(compression);
    TestPsd spec;
    spec.width = 5, spec.height = 3, spec.channels = 4;  // an extra alpha channel is not transparency
    test::Be image;
    image.u16(uint32_t(compression));
    std::vector<std::vector<uint8_t>> planes{gradient(5, 3, 0), gradient(5, 3, 100), gradient(5, 3, 150),
                                             test::plane_of(5, 3, 0)};
    if (compression == 0) {
      for (const auto& p : planes) image.raw(p);
    } else {
      test::Be counts, rows;
      for (const auto& p : planes)
        for (int y = 0; y < 3; ++y) {
          const auto packed = test::literal_packbits({p.begin() + y * 5, p.begin() + y * 5 + 5});
          counts.u16(uint32_t(packed.size()));
          rows.raw(packed);
        }
      image.raw(counts.v).raw(rows.v);
    }
    spec.image_data = image.v;
    Document doc;
    ASSERT_EQ(load(spec, doc), LoadResult::Success);
    ASSERT_EQ(doc.layer_count(), 1);
    EXPECT_EQ(doc.name_counter(), 1);
    EXPECT_FALSE(doc.layer_at(0)->name.empty());
    EXPECT_TRUE(doc.layer_at(0)->visible());
    EXPECT_EQ(doc.layer_at(0)->opacity, kFullOpacity);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) {
        const uint32_t v = uint32_t(y * 16 + x);
        ASSERT_EQ(doc.layer_at(0)->image.row(y)[x], make_pixel(255, v, 100 + v, 150 + v));
      }
  }
}

TEST_F(PsdReader, RefusesWhatItCannotRead) {
  const TestLayer good = test::solid_layer(0, 0, 4, 4, 1, 2, 3, 255);
  auto with = [&](auto change) {
    TestPsd spec;
    spec.layers = {good};
    change(spec);
    return load(spec);
  };
  EXPECT_EQ(with([](TestPsd&) {}), LoadResult::Success);
  EXPECT_EQ(with([](TestPsd& s) { s.signature = "8BPX"; }), LoadResult::WrongFormat);
  EXPECT_EQ(with([](TestPsd& s) { s.version = 2; }), LoadResult::WrongFormat);
  EXPECT_EQ(with([](TestPsd& s) { s.depth = 16; }), LoadResult::WrongFormat);
  EXPECT_EQ(with([](TestPsd& s) { s.mode = 4; }), LoadResult::WrongFormat);    // CMYK
  EXPECT_EQ(with([](TestPsd& s) { s.mode = 1; }), LoadResult::WrongFormat);    // greyscale
  EXPECT_EQ(with([](TestPsd& s) { s.width = 4501; }), LoadResult::TooLarge);
  EXPECT_EQ(with([](TestPsd& s) { s.height = 4501; }), LoadResult::TooLarge);
  EXPECT_EQ(with([](TestPsd& s) { s.width = 30001; }), LoadResult::WrongFormat);
  EXPECT_EQ(with([](TestPsd& s) { s.layers[0].signature = "8BIX"; }), LoadResult::WrongFormat);
  EXPECT_EQ(with([](TestPsd& s) { s.layers[0].channels[1].data[1] = 2; }), LoadResult::WrongFormat);
  // Layers decode side by side; a bad one after good ones still fails the file.
  EXPECT_EQ(with([](TestPsd& s) {
              s.layers.assign(4, s.layers[0]);
              s.layers[2].channels[1].data[1] = 2;
            }),
            LoadResult::WrongFormat);
  // Masks beside the colour channels are passed over, up to the format's 56.
  EXPECT_EQ(with([&](TestPsd& s) {
              s.layers[0].channels.push_back(test::raw_channel(-2, {}));
              s.layers[0].channels.push_back(test::raw_channel(-3, {}));
            }),
            LoadResult::Success);
  EXPECT_EQ(with([&](TestPsd& s) { s.layers[0].channels.resize(56, test::raw_channel(-2, {})); }),
            LoadResult::Success);
  EXPECT_EQ(with([&](TestPsd& s) { s.layers[0].channels.resize(57, test::raw_channel(-2, {})); }),
            LoadResult::WrongFormat);
  // Inverted and oversized rectangles.
  EXPECT_EQ(with([](TestPsd& s) { s.layers[0].right = -1; }), LoadResult::WrongFormat);
  EXPECT_EQ(with([](TestPsd& s) { s.layers[0].bottom = -1; }), LoadResult::WrongFormat);
  EXPECT_EQ(with([](TestPsd& s) { s.layers[0].right = 30001; }), LoadResult::WrongFormat);
  EXPECT_EQ(with([](TestPsd& s) { s.layers[0].top = -26000, s.layers[0].bottom = 4001; }),
            LoadResult::WrongFormat);
  EXPECT_EQ(with([](TestPsd& s) { s.layers[0].left = INT32_MIN, s.layers[0].right = INT32_MAX; }),
            LoadResult::WrongFormat);
  // Channel lengths beyond the file, and an RLE channel too short for its
  // own row counts.
  EXPECT_EQ(with([](TestPsd& s) { s.layers[0].channels[0].length = 0x7FFFFFFF; }), LoadResult::WrongFormat);
  EXPECT_EQ(with([](TestPsd& s) { s.layers[0].channels[3].length = 18 + 60000; }), LoadResult::WrongFormat);
  EXPECT_EQ(with([](TestPsd& s) { s.layers[0].channels[2] = test::TestChannel{1, {0, 1, 0, 0, 0, 0}, {}}; }),
            LoadResult::WrongFormat);
  // More layers than a document holds, or than the caller allows.
  EXPECT_EQ(with([&](TestPsd& s) { s.layers.assign(101, test::solid_layer(0, 0, 1, 1, 0, 0, 0)); }),
            LoadResult::OutOfMemory);
  EXPECT_EQ(with([](TestPsd& s) { s.count = 7; }), LoadResult::WrongFormat);  // records cut short
  EXPECT_EQ(LoadPsd(dir_.file("missing.psd"), *std::make_unique<Document>(), nullptr), LoadResult::CannotOpen);
  LoadLimits small;
  small.max_side = 3;
  TestPsd spec;
  spec.layers = {good};
  Document doc;
  EXPECT_EQ(load(spec, doc, small), LoadResult::TooLarge);
  // A file cut anywhere is refused, never read past its end.
  const std::vector<uint8_t> whole = test::build_psd(spec);
  // (The merged image after the layers is not needed, so cuts stop there.)
  const size_t image_data = 2 + 4 * 4 * 3;
  for (size_t n = 0; n + image_data < whole.size(); n += 3) {
    test::write_file(path_, {whole.begin(), whole.begin() + ptrdiff_t(n)});
    Document d;
    EXPECT_NE(LoadPsd(path_, d, nullptr), LoadResult::Success) << n;
  }
}

// ---------------------------------------------------------------- thumbnail --

std::vector<uint8_t> small_jpeg(int w, int h, Pixel colour) {
  LayerImage img;
  EXPECT_TRUE(img.create(w, h));
  img.fill(colour);
  std::vector<uint8_t> jpeg;
  EXPECT_TRUE(encode_jpeg_to_memory(img, JpegOptions{95, false, 96}, jpeg));
  return jpeg;
}

TEST_F(PsdReader, ThumbnailIsReadAndClippedToItsStatedSize) {
  const std::vector<uint8_t> jpeg = small_jpeg(16, 8, 0xFF2040C0);
  TestPsd spec;
  spec.resources = test::resource_block(1005, std::vector<uint8_t>(16, 0));
  const auto with_thumb = [&](const std::vector<uint8_t>& data) {
    TestPsd s = spec;
    const auto block = test::resource_block(1036, data);
    test::append(s.resources, block);
    test::write_file(path_, test::build_psd(s));
    LayerImage img;
    const bool ok = LoadPsdThumbnail(path_, img);
    EXPECT_EQ(ok, !img.empty());
    return img;
  };
  LayerImage t = with_thumb(test::thumbnail_data(16, 8, jpeg));
  ASSERT_EQ(t.width(), 16);
  ASSERT_EQ(t.height(), 8);
  EXPECT_NEAR(red_of(t.row(4)[8]), 0x20, 3);
  EXPECT_NEAR(blue_of(t.row(4)[8]), 0xC0, 3);
  EXPECT_EQ(alpha_of(t.row(4)[8]), 255);
  // Stated smaller than the stream: cut; stated larger: the rest is white.
  t = with_thumb(test::thumbnail_data(5, 3, jpeg));
  ASSERT_EQ(t.width(), 5);
  ASSERT_EQ(t.height(), 3);
  t = with_thumb(test::thumbnail_data(20, 10, jpeg));
  ASSERT_EQ(t.width(), 20);
  EXPECT_EQ(t.row(9)[19], kOpaqueWhite);
  EXPECT_NEAR(red_of(t.row(7)[15]), 0x20, 3);
  // Damaged fields.
  EXPECT_TRUE(with_thumb(test::thumbnail_data(0, 8, jpeg)).empty());
  EXPECT_TRUE(with_thumb(test::thumbnail_data(16, 0, jpeg)).empty());
  EXPECT_TRUE(with_thumb(test::thumbnail_data(4501, 8, jpeg)).empty());
  EXPECT_TRUE(with_thumb(test::thumbnail_data(16, 8, jpeg, 0)).empty());
  EXPECT_TRUE(with_thumb(test::thumbnail_data(16, 8, jpeg, uint32_t(jpeg.size()) + 1)).empty());
  EXPECT_TRUE(with_thumb(test::thumbnail_data(16, 8, jpeg, 0xFFFFFFF0)).empty());
  std::vector<uint8_t> not_jpeg = test::thumbnail_data(16, 8, jpeg);
  not_jpeg[3] = 0;  // format 0: raw pixels, which we do not read
  EXPECT_TRUE(with_thumb(not_jpeg).empty());
  std::vector<uint8_t> bits = test::thumbnail_data(16, 8, jpeg);
  bits[25] = 32;
  EXPECT_TRUE(with_thumb(bits).empty());
  std::vector<uint8_t> garbage = test::thumbnail_data(16, 8, std::vector<uint8_t>(jpeg.size(), 0x5A));
  EXPECT_TRUE(with_thumb(garbage).empty());
  // No thumbnail resource at all.
  test::write_file(path_, test::build_psd(spec));
  LayerImage none;
  EXPECT_FALSE(LoadPsdThumbnail(path_, none));
}

TEST_F(PsdReader, FlatFileStillYieldsItsThumbnail) {
  TestPsd spec;
  spec.depth = 16;  // no layers we could read, but the preview is there
  spec.resources = test::resource_block(1036, test::thumbnail_data(16, 8, small_jpeg(16, 8, 0xFF000000)));
  test::write_file(path_, test::build_psd(spec));
  LayerImage img;
  ASSERT_TRUE(LoadPsdThumbnail(path_, img));
  EXPECT_EQ(img.width(), 16);
  Document doc;
  EXPECT_EQ(LoadPsd(path_, doc, nullptr), LoadResult::WrongFormat);
}

}  // namespace
}  // namespace qm
