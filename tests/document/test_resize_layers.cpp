#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "core/resample.h"
#include "document/document.h"
#include "document/resize_layers.h"
#include "document/undo_history.h"
#include "undo_test_support.h"

namespace qm {
namespace {

// A document of three layers of random, partly transparent pixels.
void fill_layers(Document& doc, uint32_t seed) {
  std::mt19937 rng(seed);
  for (int i = 0; i < doc.layer_count(); ++i) {
    LayerImage& img = doc.layer_at(i)->image;
    for (size_t k = 0; k < img.pixel_count(); ++k) {
      const uint32_t a = rng() % 3 == 0 ? 0 : rng() % 256;
      img.pixels()[k] = a == 0 ? kTransparent : (a << 24 | (rng() & 0xFFFFFF));
    }
  }
}

Document three_layers(int w, int h) {
  Document doc;
  EXPECT_TRUE(doc.new_canvas(w, h, true));
  EXPECT_TRUE(doc.add_layer(false, false));
  EXPECT_TRUE(doc.add_layer(false, false));
  fill_layers(doc, 11);
  doc.composite_all();
  return doc;
}

// The undo history keeps no colour for transparent pixels: compare hashes.
uint64_t hash_of(const std::vector<Pixel>& pixels, int w, int h) {
  LayerImage img;
  EXPECT_TRUE(img.create(w, h));
  std::copy(pixels.begin(), pixels.end(), img.pixels());
  return test::pixel_hash(img);
}

std::vector<std::vector<Pixel>> pixels_of(const Document& doc) {
  std::vector<std::vector<Pixel>> out;
  for (int i = 0; i < doc.layer_count(); ++i) {
    const LayerImage& img = doc.layer_at(i)->image;
    out.emplace_back(img.pixels(), img.pixels() + img.pixel_count());
  }
  return out;
}

struct CountingRecorder : UndoRecorder {
  int all_layers = 0;
  int width_seen = 0;
  bool record_all_layers(const Document& doc) override {
    ++all_layers;
    width_seen = doc.width();  // the step must see the image before the change
    return true;
  }
};

TEST(ResizeLayers, ResizesEveryLayerAndTheWorkRasters) {
  Document doc = three_layers(30, 20);
  CountingRecorder recorder;
  doc.set_undo_recorder(&recorder);
  // Each layer must come out exactly as resampling it alone gives.
  std::vector<LayerImage> want(3);
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(resample(doc.layer_at(i)->image, want[size_t(i)], 47, 13, ResampleMethod::Lanczos2));
  std::vector<std::pair<int, int>> progress;
  const ResizeLayersResult r = resize_layers(doc, 47, 13, ResampleMethod::Lanczos2, true,
                                             [&](int done, int total) { progress.push_back({done, total}); });
  ASSERT_TRUE(r.done);
  EXPECT_FALSE(r.out_of_memory);
  EXPECT_FALSE(r.undo_lost);
  EXPECT_EQ(recorder.all_layers, 1);
  EXPECT_EQ(recorder.width_seen, 30);
  EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));
  EXPECT_EQ(doc.width(), 47);
  EXPECT_EQ(doc.height(), 13);
  for (int i = 0; i < 3; ++i) {
    const LayerImage& img = doc.layer_at(i)->image;
    ASSERT_EQ(img.width(), 47);
    ASSERT_EQ(img.height(), 13);
    EXPECT_TRUE(std::equal(img.pixels(), img.pixels() + img.pixel_count(), want[size_t(i)].pixels()))
        << "layer " << i;
  }
  for (LayerImage* work : {&doc.composite(), &doc.stroke_buffer(), &doc.backup()}) {
    EXPECT_EQ(work->width(), 47);
    EXPECT_EQ(work->height(), 13);
  }
  // The composite was rebuilt from the new layers, and the view told.
  EXPECT_EQ(doc.take_dirty(), doc.bounds());
  const std::vector<Pixel> shown(doc.composite().pixels(),
                                 doc.composite().pixels() + doc.composite().pixel_count());
  doc.composite_all();
  EXPECT_TRUE(std::equal(shown.begin(), shown.end(), doc.composite().pixels()));
}

TEST(ResizeLayers, NothingChangesWhenOneLayerCannotBeResized) {
  for (int failing : {0, 1, 2}) {
    Document doc = three_layers(25, 18);
    CountingRecorder recorder;
    doc.set_undo_recorder(&recorder);
    const auto before = pixels_of(doc);
    const Pixel* composite_before = doc.composite().pixels();
    int asked = 0;
    const ResizeLayersResult r = detail::resize_layers(
        doc, 60, 40, ResampleMethod::Lanczos3, true, {},
        [&](int index) { return ++asked, index != failing; });
    EXPECT_FALSE(r.done) << failing;
    EXPECT_TRUE(r.out_of_memory) << failing;
    EXPECT_EQ(asked, failing + 1);  // it stops at the failure
    EXPECT_EQ(recorder.all_layers, 0) << "no step for a change that did not happen";
    EXPECT_EQ(doc.width(), 25);
    EXPECT_EQ(doc.height(), 18);
    EXPECT_EQ(pixels_of(doc), before) << failing;
    EXPECT_EQ(doc.composite().pixels(), composite_before);
    EXPECT_EQ(doc.backup().width(), 25);
  }
}

TEST(ResizeLayers, RefusedSizesAndTheSameSizeDoNothing) {
  Document doc = three_layers(16, 16);
  CountingRecorder recorder;
  doc.set_undo_recorder(&recorder);
  const auto before = pixels_of(doc);
  for (auto [w, h] : {std::pair{16, 16}, std::pair{0, 16}, std::pair{4501, 16}, std::pair{16, -1}}) {
    const ResizeLayersResult r = resize_layers(doc, w, h, ResampleMethod::Bilinear, true);
    EXPECT_FALSE(r.done) << w << "x" << h;
    EXPECT_FALSE(r.out_of_memory) << w << "x" << h;
  }
  EXPECT_EQ(recorder.all_layers, 0);
  EXPECT_EQ(pixels_of(doc), before);
  Document empty;
  EXPECT_FALSE(resize_layers(empty, 10, 10, ResampleMethod::Nearest, true).done);
}

TEST(ResizeLayers, UndoRestoresTheOldSizeAndPixels) {
  test::TempDir dir;
  UndoHistory history(dir.path());
  Document doc = three_layers(21, 17);
  doc.set_undo_recorder(&history);
  const auto before = pixels_of(doc);
  ASSERT_TRUE(resize_layers(doc, 9, 30, ResampleMethod::Mitchell, true).done);
  const auto after = pixels_of(doc);
  ASSERT_TRUE(history.undo(doc).done);
  EXPECT_EQ(doc.width(), 21);
  EXPECT_EQ(doc.height(), 17);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(test::pixel_hash(doc.layer_at(i)->image), hash_of(before[size_t(i)], 21, 17)) << i;
  ASSERT_TRUE(history.redo(doc).done);
  EXPECT_EQ(doc.width(), 9);
  EXPECT_EQ(doc.height(), 30);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(test::pixel_hash(doc.layer_at(i)->image), hash_of(after[size_t(i)], 9, 30)) << i;
  doc.set_undo_recorder(nullptr);
}

}  // namespace
}  // namespace qm
