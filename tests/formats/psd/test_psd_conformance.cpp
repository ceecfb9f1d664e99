// The public PSD collection: every 8-bit RGB document opens with its layer
// records' count, names, visibility and pixels (checked against a small
// independent reader), flattening a Normal-only document gives its merged
// image, everything else is refused with 3. And a PSD of ours opens in a
// second reader (ImageMagick) with the same layers and merged pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "../codecs/codec_test_util.h"
#include "../doc_test_util.h"
#include "document/document.h"
#include "formats/psd_document.h"
#include "psd_test_util.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

struct IndexRow {
  std::string file, mode, outcome;
  int version = 0, depth = 0, records = 0;
};

std::vector<IndexRow> read_index() {
  std::vector<IndexRow> rows;
  std::ifstream f(test::conformance_dir() / "psd-tools" / "INDEX.tsv");
  std::string line;
  std::getline(f, line);  // column names
  while (std::getline(f, line)) {
    std::vector<std::string> cols;
    std::stringstream ss(line);
    std::string col;
    while (std::getline(ss, col, '\t')) cols.push_back(col);
    if (cols.size() < 10) continue;
    IndexRow r;
    r.file = cols[0];
    r.version = std::atoi(cols[1].c_str());
    r.mode = cols[2];
    r.depth = std::atoi(cols[3].c_str());
    r.records = std::atoi(cols[5].c_str());
    r.outcome = cols[9];
    rows.push_back(r);
  }
  return rows;
}

std::string utf16_to_utf8(const std::u16string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t c = s[i];
    if (c == 0) break;
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | c >> 6), out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | c >> 12), out += char(0x80 | (c >> 6 & 0x3F)), out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | c >> 18), out += char(0x80 | (c >> 12 & 0x3F));
      out += char(0x80 | (c >> 6 & 0x3F)), out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// The expected pixels of one layer, from the independent reader.
LayerImage expected_layer(const std::vector<uint8_t>& bytes, const test::MiniPsd& p, const test::MiniLayer& l) {
  LayerImage img;
  EXPECT_TRUE(img.create(int(p.width), int(p.height)));
  img.fill(kTransparent);
  const int w = l.right - l.left, h = l.bottom - l.top;
  if (w <= 0 || h <= 0) return img;
  std::vector<uint8_t> planes[4];
  bool alpha = false;
  for (const test::MiniChannel& c : l.channels) {
    if (c.id < -1 || c.id > 2 || c.length < 2) continue;
    const int k = c.id < 0 ? 3 : c.id;
    planes[k] = test::mini_channel_plane(bytes, l, c);
    planes[k].resize(size_t(w) * size_t(h), 0);
    alpha = alpha || c.id == -1;
  }
  for (int y = std::max(0, l.top); y < std::min<int>(int(p.height), l.bottom); ++y)
    for (int x = std::max(0, l.left); x < std::min<int>(int(p.width), l.right); ++x) {
      const size_t i = size_t(y - l.top) * size_t(w) + size_t(x - l.left);
      auto at = [&](int k) -> uint32_t { return planes[k].empty() ? 0 : planes[k][i]; };
      const uint32_t a = alpha ? at(3) : 255;
      img.row(y)[x] = a == 0 ? kTransparent : make_pixel(a, at(0), at(1), at(2));
    }
  return img;
}

// Whether every layer is a plain Normal layer whose pixels are what it
// shows: no other blend key, clipping, layer mask, group, effect, adjustment
// or fill opacity. Shape, text, fill and placed layers carry their rendered
// pixels and count as plain.
bool only_plain_normal_layers(const test::MiniPsd& p) {
  static const std::set<std::string> plain = {
      "luni", "lyid", "lclr", "lspf", "fxrp", "clbl", "knko", "infx", "shmd", "lnsr", "lyvr",
      "sn2P", "SoCo", "GdFl", "PtFl", "vmsk", "vsms", "vogk", "vscg", "vstk", "vowv", "TySh",
      "PlLd", "SoLd", "SoLE"};
  for (const test::MiniLayer& l : p.layers) {
    if (l.key != "norm" || l.clipping != 0) return false;
    for (const test::MiniChannel& c : l.channels)
      if (c.id < -1) return false;
    for (const std::string& k : l.block_keys)
      if (!plain.count(k)) return false;
  }
  return true;
}

// Resource 1057 (version info) says whether the merged image is real; a
// file saved without it keeps a blank white one.
bool has_real_merged_image(const test::MiniPsd& p) {
  for (const auto& [id, data] : p.resources)
    if (id == 1057 && data.size() >= 5) return data[4] != 0;
  return true;
}

// A rectangle with right < left or bottom < top is damage we refuse.
bool has_inverted_rectangle(const test::MiniPsd& p) {
  for (const test::MiniLayer& l : p.layers)
    if (l.right < l.left || l.bottom < l.top) return true;
  return false;
}

TEST(PsdConformance, EveryFileOpensOrIsRefusedAsExpected) {
  QM_REQUIRE_CONFORMANCE();
  const std::vector<IndexRow> rows = read_index();
  ASSERT_GT(rows.size(), 200u);
  int opened = 0, flat = 0, refused = 0, inverted = 0, compared = 0;
  double worst_mad = 0;
  std::string worst_file;
  for (const IndexRow& row : rows) {
    SCOPED_TRACE(row.file);
    const std::string path = (test::conformance_dir() / "psd-tools" / row.file).string();
    // Ours to read: version 1, 8-bit RGB. Everything else is refused.
    const bool readable = row.version == 1 && row.depth == 8 && row.mode == "rgb";
    Document doc;
    const LoadResult result = LoadPsd(path, doc, nullptr);
    const std::vector<uint8_t> bytes = test::read_file(path);
    const test::MiniPsd p = test::read_mini_psd(bytes);
    if (readable && has_inverted_rectangle(p)) {
      EXPECT_EQ(result, LoadResult::WrongFormat);
      ++inverted;
      continue;
    }
    if (!readable) {
      EXPECT_EQ(result, LoadResult::WrongFormat);
      EXPECT_EQ(row.outcome.rfind("refuse", 0), 0u);
      ++refused;
      continue;
    }
    ASSERT_EQ(result, LoadResult::Success);
    ++opened;
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(doc.width(), int(p.width));
    ASSERT_EQ(doc.height(), int(p.height));
    if (row.records == 0) {
      // No layer records: one opaque layer of the merged image.
      ++flat;
      ASSERT_EQ(doc.layer_count(), 1);
      const auto planes = test::mini_merged_planes(bytes, p);
      for (int y = 0; y < doc.height(); ++y)
        for (int x = 0; x < doc.width(); ++x) {
          const size_t i = size_t(y) * p.width + size_t(x);
          ASSERT_EQ(doc.layer_at(0)->image.row(y)[x], make_pixel(255, planes[0][i], planes[1][i], planes[2][i]));
        }
      continue;
    }
    ASSERT_EQ(doc.layer_count(), row.records);
    ASSERT_EQ(size_t(doc.layer_count()), p.layers.size());
    for (int i = 0; i < doc.layer_count(); ++i) {
      SCOPED_TRACE("record " + std::to_string(i));
      const test::MiniLayer& rec = p.layers[size_t(i)];
      const Layer& layer = *doc.layer_at(doc.layer_count() - 1 - i);  // records are bottom first
      const std::string want = rec.unicode_name ? utf16_to_utf8(*rec.unicode_name) : rec.name;
      EXPECT_EQ(layer.name, fit_layer_name(want));
      EXPECT_EQ(layer.visible(), (rec.flags & 2) == 0);
      EXPECT_EQ(layer.opacity, int(rec.opacity * 128.0 / 255.0 + 0.5));
      EXPECT_EQ(layer.blend_mode, psd_blend_mode({rec.key[0], rec.key[1], rec.key[2], rec.key[3]}));
      ASSERT_TRUE(test::same_pixels(layer.image, expected_layer(bytes, p, rec)));
    }
    if (!only_plain_normal_layers(p) || !has_real_merged_image(p)) continue;
    // Flattened onto white, a Normal-only document is its merged image
    // (which the writing program also matted onto white).
    LayerImage flat_image;
    ASSERT_TRUE(doc.flatten(flat_image, false));
    const auto planes = test::mini_merged_planes(bytes, p);
    double sum[3] = {0, 0, 0};
    for (int y = 0; y < doc.height(); ++y)
      for (int x = 0; x < doc.width(); ++x) {
        const size_t i = size_t(y) * p.width + size_t(x);
        const Pixel px = flat_image.row(y)[x];
        sum[0] += std::abs(int(red_of(px)) - planes[0][i]);
        sum[1] += std::abs(int(green_of(px)) - planes[1][i]);
        sum[2] += std::abs(int(blue_of(px)) - planes[2][i]);
      }
    const double n = double(doc.width()) * doc.height();
    for (int c = 0; c < 3; ++c) {
      EXPECT_LT(sum[c] / n, 1.0) << "channel " << c;
      if (sum[c] / n > worst_mad) worst_mad = sum[c] / n, worst_file = row.file;
    }
    ++compared;
  }
  std::printf("PSD collection: %d opened (%d of them flat), %d refused with 3 (not 8-bit RGB version 1), "
              "%d refused with 3 for an inverted layer rectangle, %d flattened and compared with their merged "
              "image (worst mean difference %.3f, %s)\n",
              opened, flat, refused, inverted, compared, worst_mad, worst_file.c_str());
  EXPECT_GT(compared, 20);  // the comparison is not vacuous
}

TEST(PsdConformance, ThumbnailsOfTheCollection) {
  QM_REQUIRE_CONFORMANCE();
  int with = 0;
  for (const IndexRow& row : read_index()) {
    SCOPED_TRACE(row.file);
    const std::string path = (test::conformance_dir() / "psd-tools" / row.file).string();
    const test::MiniPsd p = test::read_mini_psd(test::read_file(path));
    bool has_1036 = false;
    uint32_t tw = 0, th = 0;
    for (const auto& [id, data] : p.resources)
      if (id == 1036 && data.size() >= 28) {
        test::BeReader r{data};
        has_1036 = r.u32() == 1;
        tw = r.u32(), th = r.u32();
      }
    LayerImage thumb;
    const bool ok = LoadPsdThumbnail(path, thumb);
    if (row.version != 1) {
      EXPECT_FALSE(ok);
      continue;
    }
    EXPECT_EQ(ok, has_1036);
    if (!ok) continue;
    ++with;
    EXPECT_EQ(thumb.width(), int(tw));
    EXPECT_EQ(thumb.height(), int(th));
  }
  EXPECT_GT(with, 150);
}

// ------------------------------------------------------- second reader --

// The merged image and the layer count as ImageMagick reads them.
bool magick_read(const std::string& psd, const test::ScratchDir& dir, int& frames, std::vector<uint8_t>& rgb) {
  const std::string convert = test::find_tool("convert"), identify = test::find_tool("identify");
  if (convert.empty() || identify.empty()) return false;
  const std::string list = dir.file("frames.txt"), raw = dir.file("merged.rgb");
  const std::string list_command = test::shell_quote(identify) + " -format '%s\\n' " + test::shell_quote(psd) +
                                   " > " + test::shell_quote(list) + " 2>/dev/null";
  if (std::system(list_command.c_str()) != 0) return false;
  std::ifstream f(list);
  std::string line;
  frames = 0;
  while (std::getline(f, line)) ++frames;
  if (!test::run_quiet(test::shell_quote(convert) + " " + test::shell_quote(psd + "[0]") +
                       " -depth 8 " + test::shell_quote("rgb:" + raw)))
    return false;
  rgb = test::read_file(raw);
  return true;
}

TEST(PsdConformance, OurFileOpensInASecondReader) {
  if (test::find_tool("convert").empty()) GTEST_SKIP() << "ImageMagick (convert) not installed";
  test::ScratchDir dir;
  auto doc = test::make_document(61, 47, 4, 9);
  doc->layer_at(1)->flags = 0;
  doc->layer_at(2)->opacity = 77;
  doc->layer_at(0)->name = "前景";
  const std::string path = dir.file("ours.psd");
  ASSERT_TRUE(SavePsd(path, *doc, nullptr));
  int frames = 0;
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(magick_read(path, dir, frames, rgb));
  // The merged image comes first, then one frame per layer.
  EXPECT_EQ(frames, 1 + doc->layer_count());
  LayerImage flat;
  ASSERT_TRUE(doc->flatten(flat, false));
  ASSERT_EQ(rgb.size(), size_t(61) * 47 * 3);
  for (int y = 0; y < 47; ++y)
    for (int x = 0; x < 61; ++x) {
      const Pixel p = flat.row(y)[x];
      const uint8_t* q = &rgb[(size_t(y) * 61 + size_t(x)) * 3];
      ASSERT_EQ(q[0], red_of(p));
      ASSERT_EQ(q[1], green_of(p));
      ASSERT_EQ(q[2], blue_of(p));
    }
}

}  // namespace
}  // namespace qm
