// Clipboard exchange on Qt's offscreen platform, whose clipboard lives in the
// process: what is put there is what the next read sees.
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "document/blend_modes.h"
#include "document/compositing.h"
#include "document/document.h"
#include "document/layer.h"
#include "platform/clipboard_exchange.h"

namespace qm {
namespace {

struct Messages {
  std::vector<std::string> log;
  MessageSink sink() {
    return [this](const std::string& m) { log.push_back(m); };
  }
};

void fill_random(LayerImage& img, uint32_t seed) {
  std::mt19937 rng(seed);
  for (size_t k = 0; k < img.pixel_count(); ++k) {
    const uint32_t a = rng() % 4 == 0 ? 0 : rng() % 256;
    img.pixels()[k] = a == 0 ? kTransparent : (a << 24 | (rng() & 0xFFFFFF));
  }
}

Document random_doc(int w, int h, int layers) {
  Document doc;
  EXPECT_TRUE(doc.new_canvas(w, h, true));
  for (int i = 1; i < layers; ++i) EXPECT_TRUE(doc.add_layer(false, false));
  for (int i = 0; i < doc.layer_count(); ++i) fill_random(doc.layer_at(i)->image, 40u + uint32_t(i));
  doc.composite_all();
  return doc;
}

std::vector<Pixel> pixels(const LayerImage& img) {
  return {img.pixels(), img.pixels() + img.pixel_count()};
}

void put_qimage(int w, int h, QImage::Format format, QRgb colour) {
  QImage img(w, h, format);
  img.fill(colour);
  QGuiApplication::clipboard()->setImage(img);
}

class Clipboard : public ::testing::Test {
 protected:
  void SetUp() override { QGuiApplication::clipboard()->clear(); }
};

TEST_F(Clipboard, Copy32ThenPasteTransparentGivesTheSamePixels) {
  Document doc = random_doc(23, 17, 2);
  const std::vector<Pixel> layer = pixels(doc.current()->image);
  ASSERT_TRUE(copy_current_layer_32(doc));
  Messages m;
  const int before = doc.layer_count();
  ASSERT_TRUE(paste_as_new_layer(doc, true, false, m.sink()));
  EXPECT_TRUE(m.log.empty());
  ASSERT_EQ(doc.layer_count(), before + 1);
  EXPECT_EQ(pixels(doc.current()->image), layer);
  // The raw reads agree: the 24-bit one makes every pixel opaque.
  LayerImage raw;
  ASSERT_TRUE(raw.create(23, 17));
  ASSERT_TRUE(paste_clipboard_24(raw));
  for (size_t i = 0; i < raw.pixel_count(); ++i)
    ASSERT_EQ(raw.pixels()[i], layer[i] | 0xFF000000u) << i;
}

TEST_F(Clipboard, Copy24FlattensTheLayerOnWhite) {
  Document doc = random_doc(19, 11, 1);
  LayerImage& img = doc.current()->image;
  img.pixels()[0] = make_pixel(128, 255, 0, 0);  // half-transparent red
  doc.current()->opacity = 20;                     // the copy ignores the layer opacity
  LayerImage want;
  ASSERT_TRUE(want.create(19, 11));
  want.fill(kOpaqueWhite);
  flatten_layer(want, img, kFullOpacity, int(BlendMode::Normal));
  ASSERT_TRUE(copy_current_layer_24(doc));
  const QImage got = QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(got.width(), 19);
  ASSERT_EQ(got.height(), 11);
  EXPECT_FALSE(QGuiApplication::clipboard()->image().hasAlphaChannel());
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 19; ++x)
      ASSERT_EQ(got.pixel(x, y), want.get_pixel(x, y) | 0xFF000000u) << x << "," << y;
  // Red over white at half alpha is pink: red stays full, the others are in between.
  const QRgb pink = got.pixel(0, 0);
  EXPECT_EQ(qRed(pink), 255);
  EXPECT_GT(qGreen(pink), 100);
  EXPECT_LT(qGreen(pink), 160);
  EXPECT_EQ(qGreen(pink), qBlue(pink));
  // A normal paste gives the flattened pixels back, opaque.
  Messages m;
  ASSERT_TRUE(paste_as_new_layer(doc, false, false, m.sink()));
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 19; ++x)
      ASSERT_EQ(doc.current()->image.get_pixel(x, y), want.get_pixel(x, y) | 0xFF000000u);
}

TEST_F(Clipboard, CopyCompositeIsTheFlattenOnWhite) {
  Document doc = random_doc(13, 9, 3);
  doc.layer_at(1)->blend_mode = 3;
  LayerImage want;
  ASSERT_TRUE(doc.flatten(want, false));
  ASSERT_TRUE(copy_composite(doc));
  LayerImage got;
  ASSERT_TRUE(got.create(13, 9));
  ASSERT_TRUE(paste_clipboard_24(got));
  for (size_t i = 0; i < got.pixel_count(); ++i)
    ASSERT_EQ(got.pixels()[i], want.pixels()[i] | 0xFF000000u) << i;
}

TEST_F(Clipboard, PasteCutsOrPadsToTheLayer) {
  Document doc = random_doc(6, 5, 1);
  // Larger than the layer: the top-left part.
  LayerImage big;
  ASSERT_TRUE(big.create(9, 8));
  fill_random(big, 3);
  copy_image_to_clipboard_32(big);
  Messages m;
  ASSERT_TRUE(paste_as_new_layer(doc, true, false, m.sink()));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) ASSERT_EQ(doc.current()->image.get_pixel(x, y), big.get_pixel(x, y));
  // Smaller: the rest is transparent white.
  LayerImage small;
  ASSERT_TRUE(small.create(2, 3));
  small.fill(0x80102030u);
  copy_image_to_clipboard_32(small);
  ASSERT_TRUE(paste_as_new_layer(doc, true, false, m.sink()));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x)
      ASSERT_EQ(doc.current()->image.get_pixel(x, y), x < 2 && y < 3 ? 0x80102030u : kTransparent);
  EXPECT_TRUE(m.log.empty());
}

TEST_F(Clipboard, RefusalsShowTheirMessageAndChangeNothing) {
  Document doc = random_doc(6, 5, 1);
  Messages m;
  // Nothing there.
  EXPECT_FALSE(paste_as_new_layer(doc, false, false, m.sink()));
  EXPECT_FALSE(open_from_clipboard(doc, m.sink()));
  EXPECT_EQ(m.log, (std::vector<std::string>{kClipboardEmptyMessage, kClipboardEmptyMessage}));
  // A picture without alpha cannot be pasted keeping alpha.
  m.log.clear();
  put_qimage(4, 4, QImage::Format_RGB32, qRgb(1, 2, 3));
  EXPECT_FALSE(paste_as_new_layer(doc, true, false, m.sink()));
  EXPECT_EQ(m.log, (std::vector<std::string>{kClipboardNot32BitMessage}));
  // Wider or taller than any document.
  for (auto [w, h] : {std::pair{4501, 2}, std::pair{2, 4501}}) {
    m.log.clear();
    put_qimage(w, h, QImage::Format_ARGB32, qRgba(1, 2, 3, 4));
    EXPECT_FALSE(open_from_clipboard(doc, m.sink()));
    EXPECT_FALSE(paste_as_new_layer(doc, false, false, m.sink()));
    const std::string too_large = too_large_image_message();
    EXPECT_NE(too_large.find("4500"), std::string::npos);
    EXPECT_EQ(m.log, (std::vector<std::string>{too_large, too_large}));
  }
  EXPECT_EQ(doc.layer_count(), 1);
  EXPECT_EQ(doc.width(), 6);
  EXPECT_EQ(doc.height(), 5);
}

TEST_F(Clipboard, OpenFromClipboardMakesAnOpaqueOneLayerDocument) {
  LayerImage picture;
  ASSERT_TRUE(picture.create(4500, 3));  // the limit itself is allowed
  fill_random(picture, 9);
  copy_image_to_clipboard_32(picture);
  Document doc = random_doc(6, 5, 3);
  Messages m;
  ASSERT_TRUE(open_from_clipboard(doc, m.sink()));
  EXPECT_TRUE(m.log.empty());
  ASSERT_EQ(doc.width(), 4500);
  ASSERT_EQ(doc.height(), 3);
  ASSERT_EQ(doc.layer_count(), 1);
  for (size_t i = 0; i < picture.pixel_count(); ++i)
    ASSERT_EQ(doc.current()->image.pixels()[i], picture.pixels()[i] | 0xFF000000u) << i;
  EXPECT_EQ(doc.composite().width(), 4500);
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
