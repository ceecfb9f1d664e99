// SavePsd and the round trip through LoadPsd: the bytes the writer lays down
// (checked with an independent little reader) and what comes back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "../doc_test_util.h"
#include "../fault_injection.h"
#include "document/blend_modes.h"
#include "formats/psd_document.h"
#include "../layer_names_reference.h"
#include "formats/layer_name.h"
#include "psd_test_util.h"

namespace qm {
namespace {

using test::MiniPsd;
using test::ScratchDir;

// What a layer's pixels become through PSD: colours under alpha 0 are white.
LayerImage expected_after_psd(const LayerImage& src) {
  LayerImage out;
  EXPECT_TRUE(out.create(src.width(), src.height()));
  for (int y = 0; y < src.height(); ++y)
    for (int x = 0; x < src.width(); ++x) {
      const Pixel p = src.row(y)[x];
      out.row(y)[x] = alpha_of(p) == 0 ? kTransparent : p;
    }
  return out;
}

// One layer per blend mode, with opacities, hidden layers and names in
// several scripts.
std::unique_ptr<Document> every_mode_document() {
  auto doc = std::make_unique<Document>();
  EXPECT_TRUE(doc->new_canvas(37, 23, false));
  const char* names[] = {"背景", "레이어 1", "ﾚｲﾔ2", "Ebene ä", "🎨 paint", "", "x",
                         "ああああああああああ", "abcdefghijklmnopqrstuvwxyz01234"};
  for (int mode = 0; mode < kBlendModeCount; ++mode) {
    Layer* l = doc->create_layer(false);
    EXPECT_NE(l, nullptr);
    test::fill_random(l->image, uint32_t(100 + mode));
    l->blend_mode = uint8_t(mode);
    l->opacity = uint8_t(mode * 6 + 8 > 128 ? 128 : mode * 6 + 8);
    l->flags = mode % 3 == 1 ? 0 : kLayerVisible;
    l->name = std::string(names[mode % 9]) + (mode >= 9 ? std::to_string(mode) : "");
    l->name = fit_layer_name(l->name);
  }
  doc->select(0);
  return doc;
}

TEST(PsdOpacity, ConversionsRoundHalfUpAndRoundTrip) {
  EXPECT_EQ(psd_opacity_from_layer(128), 255);
  EXPECT_EQ(psd_opacity_from_layer(64), 128);
  EXPECT_EQ(psd_opacity_from_layer(0), 0);
  EXPECT_EQ(psd_opacity_from_layer(1), 2);  // 1.99 rounds up
  EXPECT_EQ(layer_opacity_from_psd(255), 128);
  EXPECT_EQ(layer_opacity_from_psd(128), 64);
  EXPECT_EQ(layer_opacity_from_psd(1), 1);  // 0.502 rounds up
  EXPECT_EQ(layer_opacity_from_psd(0), 0);
  // Against the floating-point rule, and every stored opacity survives.
  for (int p = 0; p <= 255; ++p) ASSERT_EQ(layer_opacity_from_psd(p), int(p * 128.0 / 255.0 + 0.5));
  for (int o = 0; o <= 128; ++o) {
    ASSERT_EQ(psd_opacity_from_layer(o), int(o * 1.9921875 + 0.5));
    ASSERT_EQ(layer_opacity_from_psd(psd_opacity_from_layer(o)), o);
  }
}

TEST(PsdBlendKeys, KeyedModesMapBothWaysOthersAreNormal) {
  const int unkeyed[] = {2, 3, 10, 11, 12, 13};
  for (int mode = 0; mode < kBlendModeCount; ++mode) {
    const PsdBlendKey key = psd_blend_key(mode);
    const bool has_key = std::find(std::begin(unkeyed), std::end(unkeyed), mode) == std::end(unkeyed);
    EXPECT_EQ(psd_blend_mode(key), has_key ? mode : 0) << mode;
    if (!has_key) {
      EXPECT_EQ(std::string(key.data(), 4), "norm");
    }
  }
  EXPECT_EQ(std::string(psd_blend_key(8).data(), 4), "div ");
  EXPECT_EQ(std::string(psd_blend_key(9).data(), 4), "idiv");
  // Keys we do not use (linear burn, pass through, garbage) read as Normal.
  EXPECT_EQ(psd_blend_mode({'l', 'b', 'r', 'n'}), 0);
  EXPECT_EQ(psd_blend_mode({'p', 'a', 's', 's'}), 0);
  EXPECT_EQ(psd_blend_mode({'\0', '\0', '\0', '\0'}), 0);
}

TEST(PsdThumbnailSize, FitsA100Box) {
  EXPECT_EQ(psd_thumbnail_size(100, 100).width, 100);
  EXPECT_EQ(psd_thumbnail_size(1, 1).height, 1);
  // 400 × 150: 150 × 100 / 400 = 37.5, rounded half up.
  EXPECT_EQ(psd_thumbnail_size(400, 150).width, 100);
  EXPECT_EQ(psd_thumbnail_size(400, 150).height, 38);
  EXPECT_EQ(psd_thumbnail_size(150, 400).width, 38);
  EXPECT_EQ(psd_thumbnail_size(150, 400).height, 100);
  EXPECT_EQ(psd_thumbnail_size(4500, 1).height, 1);
}

TEST(PsdRoundTrip, EveryModeOpacityVisibilityAndName) {
  ScratchDir dir;
  const auto doc = every_mode_document();
  const std::string path = dir.file("modes.psd");
  ASSERT_TRUE(SavePsd(path, *doc, nullptr));
  Document back;
  ASSERT_EQ(LoadPsd(path, back, nullptr), LoadResult::Success);
  ASSERT_EQ(back.width(), doc->width());
  ASSERT_EQ(back.height(), doc->height());
  ASSERT_EQ(back.layer_count(), doc->layer_count());
  EXPECT_EQ(back.current_index(), 0);
  EXPECT_EQ(back.name_counter(), doc->layer_count());
  for (int i = 0; i < doc->layer_count(); ++i) {
    SCOPED_TRACE("layer " + std::to_string(i));
    const Layer& a = *doc->layer_at(i);
    const Layer& b = *back.layer_at(i);
    EXPECT_EQ(b.name, a.name);
    EXPECT_EQ(b.opacity, a.opacity);
    EXPECT_EQ(b.visible(), a.visible());
    EXPECT_EQ(b.blend_mode, psd_blend_mode(psd_blend_key(a.blend_mode)));
    EXPECT_TRUE(test::same_pixels(b.image, expected_after_psd(a.image)));
  }
}

// Pascal names in the legacy code page, "luni" with every name whole; a
// reader without "luni" support still gets the CP932 names.
TEST(PsdRoundTrip, NamesInEveryScript) {
  test::ScratchDir dir;
  const auto doc = test::document_with_names();
  const std::string path = dir.file("names.psd");
  ASSERT_TRUE(SavePsd(path, *doc, nullptr));
  Document back;
  ASSERT_EQ(LoadPsd(path, back, nullptr), LoadResult::Success);
  const auto& cases = test::name_cases();
  ASSERT_EQ(back.layer_count(), int(cases.size()));
  const test::MiniPsd mini = test::read_mini_psd(test::read_file(path));
  ASSERT_EQ(mini.layers.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(back.layer_at(back.layer_count() - 1 - int(i))->name, cases[i].name);
    if (!cases[i].legacy.empty()) EXPECT_EQ(mini.layers[i].name, cases[i].legacy);
    EXPECT_TRUE(mini.layers[i].unicode_name.has_value());
  }

  // Without "luni" the Pascal name is read in the chosen code page.
  test::TestPsd spec;
  test::TestLayer l = test::solid_layer(0, 0, 4, 4, 1, 2, 3);
  l.name = "\xC7\xD1\xB1\xDB\x20\xC0\xCC\xB8\xA7";  // "한글 이름" in CP949
  spec.layers = {l};
  test::write_file(path, test::build_psd(spec));
  ASSERT_EQ(LoadPsd(path, back, nullptr), LoadResult::Success);
  EXPECT_EQ(back.layer_at(0)->name, "ﾇﾑｱﾛ ﾀﾌｸｧ");
  set_legacy_code_page(949);
  ASSERT_EQ(LoadPsd(path, back, nullptr), LoadResult::Success);
  EXPECT_EQ(back.layer_at(0)->name, "한글 이름");
  set_legacy_code_page(932);
}

TEST(PsdWriter, LayoutOfHeaderResourcesAndRecords) {
  ScratchDir dir;
  Document doc;
  ASSERT_TRUE(doc.new_canvas(250, 30, true));
  Layer& top = *doc.create_layer(false);
  top.name = "Hello";  // 5 bytes: a length-prefixed string of 8
  top.opacity = 64;
  top.flags = 0;
  top.blend_mode = 1;
  test::fill_artwork(top.image, 3);
  doc.layer_at(1)->name = "bottom";
  test::fill_artwork(doc.layer_at(1)->image, 4);
  const std::string path = dir.file("layout.psd");
  ASSERT_TRUE(SavePsd(path, doc, nullptr));
  const std::vector<uint8_t> bytes = test::read_file(path);
  const MiniPsd p = test::read_mini_psd(bytes);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.version, 1);
  EXPECT_EQ(p.channels, 3);
  EXPECT_EQ(p.width, 250u);
  EXPECT_EQ(p.height, 30u);
  EXPECT_EQ(p.depth, 8);
  EXPECT_EQ(p.mode, 3);

  ASSERT_EQ(p.resources.size(), 2u);
  EXPECT_EQ(p.resources[0].first, kPsdResolutionResource);
  EXPECT_EQ(p.resources[0].second,
            (std::vector<uint8_t>{2, 0x58, 0, 0, 0, 1, 0, 2, 2, 0x58, 0, 0, 0, 1, 0, 2}));
  EXPECT_EQ(p.resources[1].first, kPsdThumbnailResource);
  const std::vector<uint8_t>& t = p.resources[1].second;
  test::BeReader tr{t};
  EXPECT_EQ(tr.u32(), 1u);    // JPEG
  EXPECT_EQ(tr.u32(), 100u);  // 250 × 30 fits 100 × 12
  EXPECT_EQ(tr.u32(), 12u);
  EXPECT_EQ(tr.u32(), 300u);  // row bytes of 100 24-bit pixels
  EXPECT_EQ(tr.u32(), 3600u);
  const uint32_t jpeg_size = tr.u32();
  EXPECT_EQ(tr.u16(), 24u);
  EXPECT_EQ(tr.u16(), 1u);
  EXPECT_EQ(t.size(), jpeg_size + 28);
  EXPECT_EQ(t[28], 0xFF);
  EXPECT_EQ(t[29], 0xD8);

  // The records, bottom first.
  EXPECT_EQ(p.stored_count, 2);
  ASSERT_EQ(p.layers.size(), 2u);
  const test::MiniLayer& l = p.layers[1];
  EXPECT_EQ(l.top, 0);
  EXPECT_EQ(l.left, 0);
  EXPECT_EQ(l.bottom, 30);
  EXPECT_EQ(l.right, 250);
  ASSERT_EQ(l.channels.size(), 4u);
  EXPECT_EQ(l.channels[0].id, 0);
  EXPECT_EQ(l.channels[1].id, 1);
  EXPECT_EQ(l.channels[2].id, 2);
  EXPECT_EQ(l.channels[3].id, -1);
  EXPECT_EQ(l.key, "mul ");
  EXPECT_EQ(l.opacity, 128);
  EXPECT_EQ(l.flags, kPsdFlagHidden);
  EXPECT_EQ(l.name, "Hello");
  // Mask and ranges lengths (8), the name in 8 bytes, then the "luni" block:
  // 12 bytes of header and 4 + 5 × 2 = 14 bytes padded to 16.
  EXPECT_EQ(l.extra_length, 8u + 8u + 12u + 16u);
  ASSERT_TRUE(l.unicode_name.has_value());
  EXPECT_EQ(*l.unicode_name, u"Hello");
  EXPECT_EQ(p.layers[0].name, "bottom");
  EXPECT_EQ(p.layers[0].key, "norm");
  EXPECT_EQ(p.layers[0].opacity, 255);
  EXPECT_EQ(p.layers[0].flags, 0);

  // Each channel: RLE, row counts that add up, rows that unpack to the layer.
  size_t channel_bytes = 0;
  for (size_t i = 0; i < 2; ++i) {
    const Layer& src = *doc.layer_at(int(1 - i));
    for (const test::MiniChannel& c : p.layers[i].channels) {
      channel_bytes += c.length;
      ASSERT_EQ(bytes[c.data_at], 0);
      ASSERT_EQ(bytes[c.data_at + 1], 1);
      size_t sum = 0;
      for (size_t y = 0; y < 30; ++y) sum += size_t(bytes[c.data_at + 2 + 2 * y] << 8 | bytes[c.data_at + 3 + 2 * y]);
      EXPECT_EQ(c.length, 2 + 60 + sum);
      const std::vector<uint8_t> plane = test::mini_channel_plane(bytes, p.layers[i], c);
      const int byte = c.id == 0 ? 2 : c.id == 1 ? 1 : c.id == 2 ? 0 : 3;
      for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 250; ++x)
          ASSERT_EQ(plane[size_t(y) * 250 + size_t(x)], uint8_t(src.image.row(y)[x] >> (8 * byte)));
    }
  }
  // Layer info = count + records + channel data, padded to even; the section
  // adds its own length word and an empty global mask block.
  EXPECT_EQ(p.layer_info_length % 2, 0u);
  const size_t data_end = p.layers[1].channels[3].data_at + p.layers[1].channels[3].length;
  EXPECT_EQ(p.layer_info_at + p.layer_info_length - data_end, (data_end - p.layer_info_at) & 1);
  EXPECT_GT(channel_bytes, 0u);
  EXPECT_EQ(p.section_length, p.layer_info_length + 8);

  // The merged image is the flattened picture, RGB.
  LayerImage flat;
  ASSERT_TRUE(doc.flatten(flat, false));
  const auto planes = test::mini_merged_planes(bytes, p);
  for (int c = 0; c < 3; ++c)
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 250; ++x)
        ASSERT_EQ(planes[size_t(c)][size_t(y) * 250 + size_t(x)], uint8_t(flat.row(y)[x] >> (16 - 8 * c)));
}

// Counts what a save or load reports.
class CountingSink : public ProgressSink {
 public:
  void set_range(int64_t maximum) override { range = maximum, steps = 0; }
  void step() override { ++steps; }
  void set_position(int64_t) override {}
  int64_t range = -1, steps = 0;
};

TEST(PsdWriter, ProgressCountsLayers) {
  ScratchDir dir;
  const auto doc = test::make_document(20, 10, 4);
  CountingSink save, load;
  ASSERT_TRUE(SavePsd(dir.file("p.psd"), *doc, &save));
  EXPECT_EQ(save.range, 4);
  EXPECT_EQ(save.steps, 4);
  Document back;
  ASSERT_EQ(LoadPsd(dir.file("p.psd"), back, &load), LoadResult::Success);
  EXPECT_EQ(load.range, 4);
  EXPECT_EQ(load.steps, 4);
}

TEST(PsdWriter, ThumbnailReadsBackAtItsSize) {
  ScratchDir dir;
  const auto doc = test::make_document(400, 150, 2);
  ASSERT_TRUE(SavePsd(dir.file("t.psd"), *doc, nullptr));
  LayerImage thumb;
  ASSERT_TRUE(LoadPsdThumbnail(dir.file("t.psd"), thumb));
  EXPECT_EQ(thumb.width(), 100);
  EXPECT_EQ(thumb.height(), 38);
  for (int y = 0; y < thumb.height(); ++y)
    for (int x = 0; x < thumb.width(); ++x) ASSERT_EQ(alpha_of(thumb.row(y)[x]), 255);
  // Flat white paper stays (nearly) white through the JPEG.
  Document white;
  ASSERT_TRUE(white.new_canvas(20, 10, true));
  ASSERT_TRUE(SavePsd(dir.file("w.psd"), white, nullptr));
  ASSERT_TRUE(LoadPsdThumbnail(dir.file("w.psd"), thumb));
  EXPECT_EQ(thumb.width(), 20);
  EXPECT_GE(red_of(thumb.row(5)[10]), 250);
}

TEST(PsdWriter, FailedSaveKeepsThePreviousFile) {
  ScratchDir dir;
  const auto doc = test::make_document(300, 200, 3);
  const std::string path = dir.file("keep.psd");
  test::write_file(path, {1, 2, 3});
  {
    // A disk that fills up part-way through the channel data.
    test::FileSizeLimit limit(20000);
    EXPECT_FALSE(SavePsd(path, *doc, nullptr));
  }
  EXPECT_EQ(test::read_file(path), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"keep.psd"});
  EXPECT_FALSE(SavePsd(dir.file("no/such/folder.psd"), *doc, nullptr));
  Document empty;
  EXPECT_FALSE(SavePsd(dir.file("empty.psd"), empty, nullptr));
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"keep.psd"});
}

}  // namespace
}  // namespace qm
