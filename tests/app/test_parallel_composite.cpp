// The banded composite of the open job against the document's own.
#include <gtest/gtest.h>

#include <random>

#include "app/parallel_composite.h"
#include "document/blend_modes.h"
#include "document/document.h"

namespace qm {
namespace {

// Random pixels (a quarter fully transparent), random modes, opacities and
// visibility, one hidden layer.
void fill_random(Document& doc, uint32_t seed) {
  std::mt19937 rng(seed);
  for (int i = 0; i < doc.layer_count(); ++i) {
    Layer& layer = *doc.layer_at(i);
    layer.blend_mode = uint8_t(rng() % kBlendModeCount);
    layer.opacity = uint8_t(rng() % 129);
    if (i == 1) layer.flags &= uint8_t(~kLayerVisible);
    for (int y = 0; y < doc.height(); ++y)
      for (int x = 0; x < doc.width(); ++x)
        layer.image.row(y)[x] = rng() % 4 == 0 ? kTransparent : Pixel(rng());
  }
}

TEST(ParallelComposite, SamePixelsAsTheDocumentsOwn) {
  for (const auto& [w, h, threads] : {std::tuple{97, 131, 2}, {64, 700, 3}, {5, 1000, 8}, {40, 40, 4}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h << " threads " << threads);
    Document doc;
    ASSERT_TRUE(doc.new_canvas(w, h, true));
    while (doc.layer_count() < 5) ASSERT_TRUE(doc.create_layer(true));
    fill_random(doc, uint32_t(w * 7919 + h));
    for (bool checker : {false, true}) {
      doc.set_display_background({checker, 0x102030, 0xA0B0C0});
      doc.composite_all();
      const LayerImage reference = [&] {
        LayerImage copy;
        EXPECT_TRUE(copy.create(w, h));
        copy.copy_from(doc.composite());
        return copy;
      }();
      doc.composite().fill(0x12345678);
      composite_all_parallel(doc, threads);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(doc.composite().row(y)[x], reference.row(y)[x]) << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace qm
