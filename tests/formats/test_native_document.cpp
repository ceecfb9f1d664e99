// The native document: round trips, the file layout, and damaged files.
#include <gtest/gtest.h>

#include <chrono>

#include "doc_test_util.h"
#include "fault_injection.h"
#include "formats/binary_file.h"
#include "formats/document_io.h"
#include "formats/native_document.h"
#include "formats/thumbnail.h"

namespace qm {
namespace {

using test::Bytes;
using test::NativeFileSpec;
using test::NativeLayerSpec;
using test::ScratchDir;

struct StepSink : ProgressSink {
  int64_t range = -1;
  int steps = 0;
  void set_range(int64_t m) override { range = m; }
  void step() override { ++steps; }
  void set_position(int64_t) override {}
};

LoadResult load(const std::string& path, std::unique_ptr<Document>& out) {
  out = std::make_unique<Document>();
  return LoadNativeDocument(path, *out, nullptr);
}

LoadResult load_bytes(const ScratchDir& dir, const std::vector<uint8_t>& bytes,
                      std::unique_ptr<Document>& out) {
  const std::string path = dir.file("hand.qmd");
  test::write_file(path, bytes);
  return load(path, out);
}

TEST(NativeDocument, OnePixelRoundTripsWithAOnePixelThumbnail) {
  ScratchDir dir;
  auto doc = test::make_document(1, 1, 1);
  doc->layer_at(0)->image.row(0)[0] = 0x80FF0000;  // half-transparent red
  const std::string path = dir.file("one.qmd");
  ASSERT_TRUE(SaveNativeDocument(path, *doc, nullptr));
  std::unique_ptr<Document> back;
  ASSERT_EQ(load(path, back), LoadResult::Success);
  test::expect_same_document(*doc, *back);

  LayerImage thumb;
  ASSERT_TRUE(LoadNativeThumbnail(path, thumb));
  ASSERT_EQ(thumb.width(), 1);
  ASSERT_EQ(thumb.height(), 1);
  LayerImage flat;
  ASSERT_TRUE(doc->flatten(flat, false));
  EXPECT_EQ(thumb.row(0)[0], flat.row(0)[0] | 0xFF000000);
}

// Every attribute a layer has, in several combinations.
std::unique_ptr<Document> attribute_document(int w, int h) {
  auto doc = test::make_document(w, h, 6, 40);
  const char* names[] = {"背景", "線画 layer", "", "ﾚｲﾔ12", "0123456789012345678901234567890",
                         "色"};
  for (int i = 0; i < 6; ++i) {
    Layer& l = *doc->layer_at(i);
    l.name = names[i];
    l.blend_mode = uint8_t(std::vector<int>{0, 5, 20, 1, 14, 17}[size_t(i)]);
    l.opacity = uint8_t(std::vector<int>{128, 0, 1, 64, 127, 100}[size_t(i)]);
    l.mask_mode = uint8_t(i % 4);
    l.flags = uint8_t((i % 2 ? 0 : kLayerVisible) | (i % 3 == 1 ? kLayerFillReference : 0));
  }
  doc->set_name_counter(17);
  doc->select(2);
  return doc;
}

TEST(NativeDocument, SeveralLayersOfEveryAttributeRoundTrip) {
  ScratchDir dir;
  auto doc = attribute_document(300, 300);
  const std::string path = dir.file("attrs.qmd");
  StepSink save_sink;
  ASSERT_TRUE(SaveNativeDocument(path, *doc, &save_sink));
  EXPECT_EQ(save_sink.steps, 7);  // the thumbnail and each layer
  StepSink load_sink;
  auto back = std::make_unique<Document>();
  ASSERT_EQ(LoadNativeDocument(path, *back, &load_sink), LoadResult::Success);
  EXPECT_EQ(load_sink.range, 6);
  EXPECT_EQ(load_sink.steps, 6);
  test::expect_same_document(*doc, *back);

  // The layout: header, a 90 × 90 thumbnail, then records bottom layer first.
  const std::vector<uint8_t> f = test::read_file(path);
  const Bytes header =
      Bytes().str("DIZIDID").u8(0).u32(10).u16(300).u16(300).u16(6).u16(17).u16(2).u16(90).u16(90);
  ASSERT_GT(f.size(), header.size());
  EXPECT_TRUE(std::equal(header.v.begin(), header.v.end(), f.begin()));
  const size_t records = 22 + 8 + 90 * 90 * 4 + 4;  // header, thumbnail, record size
  EXPECT_EQ(f[records - 4], 35);  // record size
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&f[records])), "\x90\x46");  // bottom layer: "色" in CP932
  EXPECT_EQ(f[records + 32], 17);   // its blend mode
  EXPECT_EQ(f[records + 33], 100);  // its opacity
  EXPECT_EQ(f[records + 34], 0x02 | 0x00);  // mask mode 1, hidden
}

// Layers are deflated and inflated on worker threads: every stream must be
// an ordinary zlib stream of that layer's rows, written in stack order, and
// the reloaded document bit-identical.
TEST(NativeDocument, ManyLayersSavedAndLoadedInParallelStayInOrderAndExact) {
  ScratchDir dir;
  const int w = 257, h = 131, layers = 11;
  auto doc = test::make_document(w, h, layers, 40);
  doc->layer_at(3)->image.fill(kTransparent);  // a layer that compresses to almost nothing
  test::fill_random(doc->layer_at(5)->image, 9);  // one that hardly compresses
  for (int i = 0; i < layers; ++i) doc->layer_at(i)->opacity = uint8_t(i * 9);
  doc->select(4);
  const std::string path = dir.file("many.qmd");
  StepSink save_sink;
  ASSERT_TRUE(SaveNativeDocument(path, *doc, &save_sink));
  EXPECT_EQ(save_sink.steps, layers + 1);

  const std::vector<uint8_t> f = test::read_file(path);
  auto u32 = [&](size_t at) {
    return uint32_t(f[at]) | uint32_t(f[at + 1]) << 8 | uint32_t(f[at + 2]) << 16 |
           uint32_t(f[at + 3]) << 24;
  };
  size_t at = 22 + 4;
  at += 4 + u32(at);  // the thumbnail
  const uint32_t record_bytes = u32(at);
  at += 4;
  for (int item = 0; item < layers; ++item) {
    SCOPED_TRACE("stream " + std::to_string(item));
    const LayerImage& image = doc->layer_at(layers - 1 - item)->image;
    EXPECT_EQ(f[at + 33], uint8_t((layers - 1 - item) * 9));
    at += record_bytes;
    const uint32_t z = u32(at);
    at += 4;
    ASSERT_LE(at + z, f.size());
    const std::vector<uint8_t> stream(f.begin() + ptrdiff_t(at), f.begin() + ptrdiff_t(at + z));
    const std::vector<uint8_t> raw = test::zlib_uncompress(stream, image.byte_count());
    ASSERT_EQ(raw.size(), image.byte_count());
    for (int y = 0; y < h; ++y)
      ASSERT_EQ(std::memcmp(raw.data() + size_t(h - 1 - y) * w * 4, image.row(y), size_t(w) * 4), 0);
    at += z;
  }
  EXPECT_EQ(at, f.size());

  StepSink load_sink;
  auto back = std::make_unique<Document>();
  ASSERT_EQ(LoadNativeDocument(path, *back, &load_sink), LoadResult::Success);
  EXPECT_EQ(load_sink.steps, layers);
  test::expect_same_document(*doc, *back);
}

TEST(NativeDocument, FlagBytesOnDiskFollowTheFileLayout) {
  Layer l;
  l.flags = kLayerVisible;
  l.mask_mode = 2;
  EXPECT_EQ(native_flag_byte(l), 0x05);
  l.mask_mode = 3;  // its own bit, never bits 1–2
  EXPECT_EQ(native_flag_byte(l), 0x09);
  l.flags = kLayerFillReference;
  l.mask_mode = 1;
  EXPECT_EQ(native_flag_byte(l), 0x12);
}

TEST(NativeDocument, LargestCanvasRoundTripsAndOneMoreIsRefusedBeforeAllocating) {
  ScratchDir dir;
  auto doc = test::make_document(4500, 4500, 1, 3);
  const std::string path = dir.file("big.qmd");
  ASSERT_TRUE(SaveNativeDocument(path, *doc, nullptr));
  std::unique_ptr<Document> back;
  ASSERT_EQ(load(path, back), LoadResult::Success);
  test::expect_same_document(*doc, *back);
  back.reset();

  // Width 4501 in an otherwise good header.
  std::vector<uint8_t> f = test::read_file(path);
  f[12] = uint8_t(4501 & 0xFF);
  f[13] = uint8_t(4501 >> 8);
  ASSERT_EQ(load_bytes(dir, f, back), LoadResult::TooLarge);
  EXPECT_EQ(back->width(), 0);  // nothing was set up
  EXPECT_EQ(back->layer_count(), 0);
}

TEST(NativeDocument, ThumbnailSizesFitTheBox) {
  auto size = [](int w, int h) {
    const ThumbnailSize s = native_thumbnail_size(w, h);
    return std::pair(s.width, s.height);
  };
  EXPECT_EQ(size(400, 100), std::pair(90, 23));  // 22.5 rounds up
  EXPECT_EQ(size(100, 400), std::pair(23, 90));
  EXPECT_EQ(size(90, 90), std::pair(90, 90));
  EXPECT_EQ(size(12, 90), std::pair(12, 90));
  EXPECT_EQ(size(91, 90), std::pair(90, 89));
  EXPECT_EQ(size(4500, 4500), std::pair(90, 90));
  // A sliver still gets one pixel across.
  EXPECT_EQ(size(1, 4500), std::pair(1, 90));
  EXPECT_EQ(size(4500, 1), std::pair(90, 1));

  ScratchDir dir;
  auto doc = test::make_document(400, 100, 2);
  ASSERT_TRUE(SaveNativeDocument(dir.file("wide.qmd"), *doc, nullptr));
  LayerImage thumb;
  ASSERT_TRUE(LoadNativeThumbnail(dir.file("wide.qmd"), thumb));
  EXPECT_EQ(thumb.width(), 90);
  EXPECT_EQ(thumb.height(), 23);
  for (int y = 0; y < thumb.height(); ++y)
    for (int x = 0; x < thumb.width(); ++x) ASSERT_EQ(alpha_of(thumb.row(y)[x]), 255);
}

TEST(NativeDocument, BoxStretchAveragesEachCellAndRounds) {
  LayerImage src, dst;
  ASSERT_TRUE(src.create(4, 2));
  ASSERT_TRUE(dst.create(2, 1));
  // Left 2 × 2 cell: red 0, 1, 1, 1 → 0.75 → 1; blue 10, 20, 30, 41 → 25.25 → 25.
  // Right cell: green 255 × 3 and 0 → 191.25 → 191; alpha is ignored.
  const Pixel row0[4] = {make_pixel(0, 0, 0, 10), make_pixel(7, 1, 0, 20), make_pixel(0, 0, 255, 0),
                         make_pixel(0, 0, 255, 0)};
  const Pixel row1[4] = {make_pixel(0, 1, 0, 30), make_pixel(0, 1, 0, 41), make_pixel(0, 0, 255, 0),
                         make_pixel(0, 0, 0, 0)};
  std::copy(row0, row0 + 4, src.row(0));
  std::copy(row1, row1 + 4, src.row(1));
  box_stretch(src, dst);
  EXPECT_EQ(dst.row(0)[0], make_pixel(255, 1, 0, 25));
  EXPECT_EQ(dst.row(0)[1], make_pixel(255, 0, 191, 0));
  // The same size copies the colour and makes it opaque.
  LayerImage same;
  ASSERT_TRUE(same.create(4, 2));
  box_stretch(src, same);
  EXPECT_EQ(same.row(1)[3], 0xFF000000u);
  EXPECT_EQ(same.row(0)[1], make_pixel(255, 1, 0, 20));
}

TEST(NativeDocument, LargerHeaderAndRecordSizesAreSkipped) {
  ScratchDir dir;
  std::vector<uint8_t> px(2 * 2 * 4);
  for (size_t i = 0; i < px.size(); ++i) px[i] = uint8_t(i * 13);
  NativeFileSpec plain;
  plain.counter = 9;
  plain.current = 1;
  plain.layers = {{test::name_field("bottom"), 3, 100, 0x01, px, {}, {}},
                  {test::name_field("top"), 4, 50, 0x10, px, {}, {}}};
  NativeFileSpec extended = plain;
  extended.header_extra = {0xFF, 0xEE, 0xDD, 0xCC, 0xBB};
  extended.record_bytes = 41;
  extended.record_extra = {9, 8, 7, 6, 5, 4};

  std::unique_ptr<Document> a, b;
  ASSERT_EQ(load_bytes(dir, test::native_file(plain), a), LoadResult::Success);
  ASSERT_EQ(load_bytes(dir, test::native_file(extended), b), LoadResult::Success);
  test::expect_same_document(*a, *b);
  EXPECT_EQ(a->layer_at(0)->name, "top");
  EXPECT_EQ(a->layer_at(1)->name, "bottom");
  EXPECT_EQ(a->current_index(), 1);
  EXPECT_EQ(a->name_counter(), 9);
  // Pixels are stored bottom row first.
  auto px_at = [&](size_t i) {
    Pixel p;
    std::memcpy(&p, &px[i], 4);
    return p;
  };
  EXPECT_EQ(a->layer_at(0)->image.row(1)[0], px_at(0));
  EXPECT_EQ(a->layer_at(0)->image.row(0)[1], px_at(12));

  LayerImage tb;
  test::write_file(dir.file("x.qmd"), test::native_file(extended));
  EXPECT_TRUE(LoadNativeThumbnail(dir.file("x.qmd"), tb));
  EXPECT_EQ(tb.width(), 1);
}

TEST(NativeDocument, RecordFieldsAreMappedAndBounded) {
  ScratchDir dir;
  NativeFileSpec s;
  std::vector<uint8_t> full_name(32, 'A');  // no terminator in the field
  const std::vector<uint8_t> cp932 = {0xDB, 0xB2, 0xD4, 0x31, 0x82, 0xA0};  // ﾛｲﾔ1あ
  s.layers = {{test::name_field("a"), 25, 128, 0x08, {}, {}, {}},
              {test::name_field("b"), 20, 200, 0x06, {}, {}, {}},
              {test::name_field("c"), 0, 0, 0x04, {}, {}, {}},
              {full_name, 1, 1, 0x13, {}, {}, {}},
              {[&] { auto f = test::name_field(""); std::copy(cp932.begin(), cp932.end(), f.begin()); return f; }(),
               2, 2, 0x00, {}, {}, {}}};
  std::unique_ptr<Document> d;
  ASSERT_EQ(load_bytes(dir, test::native_file(s), d), LoadResult::Success);
  // Bottom first in the file: "a" is at index 4.
  const Layer& a = *d->layer_at(4);
  EXPECT_EQ(a.blend_mode, 0);  // 25 is no blend mode
  EXPECT_EQ(a.mask_mode, 3);   // bit 3
  EXPECT_EQ(a.flags, 0);
  const Layer& b = *d->layer_at(3);
  EXPECT_EQ(b.blend_mode, 20);
  EXPECT_EQ(b.opacity, 128);  // clamped
  EXPECT_EQ(b.mask_mode, 3);  // bits 1–2 both set
  EXPECT_EQ(d->layer_at(2)->mask_mode, 2);
  const Layer& full = *d->layer_at(1);
  EXPECT_EQ(full.name, std::string(31, 'A'));
  EXPECT_EQ(full.mask_mode, 1);
  EXPECT_EQ(full.flags, kLayerVisible | kLayerFillReference);
  EXPECT_EQ(d->layer_at(0)->name, "ﾛｲﾔ1あ");
  EXPECT_EQ(d->layer_at(0)->flags, 0);
}

TEST(NativeDocument, CurrentIndexCountsFromTheTop) {
  ScratchDir dir;
  NativeFileSpec s;
  s.layers.resize(3);
  s.current = 2;  // the bottom layer
  std::unique_ptr<Document> d;
  ASSERT_EQ(load_bytes(dir, test::native_file(s), d), LoadResult::Success);
  EXPECT_EQ(d->current_index(), 2);
  s.current = 7;  // past the stack: the top layer
  ASSERT_EQ(load_bytes(dir, test::native_file(s), d), LoadResult::Success);
  EXPECT_EQ(d->current_index(), 0);
  EXPECT_NE(d->current(), nullptr);
}

TEST(NativeDocument, ImpossibleHeadersAreRefusedBeforeAllocating) {
  ScratchDir dir;
  std::unique_ptr<Document> d;
  NativeFileSpec good;
  good.layers.resize(1);
  ASSERT_EQ(load_bytes(dir, test::native_file(good), d), LoadResult::Success);

  auto result_of = [&](auto change) {
    NativeFileSpec s = good;
    change(s);
    const LoadResult r = load_bytes(dir, test::native_file(s), d);
    EXPECT_EQ(d->layer_count(), 0) << "result " << int(r);
    return r;
  };
  EXPECT_EQ(result_of([](NativeFileSpec& s) { s.version = 1; }), LoadResult::WrongFormat);
  EXPECT_EQ(result_of([](NativeFileSpec& s) { s.count = 0; s.layers.clear(); }),
            LoadResult::WrongFormat);
  EXPECT_EQ(result_of([](NativeFileSpec& s) { s.count = 101; }), LoadResult::OutOfMemory);
  EXPECT_EQ(result_of([](NativeFileSpec& s) { s.width = 0; }), LoadResult::OutOfMemory);
  EXPECT_EQ(result_of([](NativeFileSpec& s) { s.height = 4501; }), LoadResult::TooLarge);
  EXPECT_EQ(result_of([](NativeFileSpec& s) { s.record_bytes = 34; }), LoadResult::WrongFormat);
  // A layer count larger than the file holds: refused before the canvas.
  EXPECT_EQ(result_of([](NativeFileSpec& s) {
              s.count = 50;
              s.width = s.height = 4500;
              const uint8_t px[4] = {};
              s.layers[0].stream = test::zlib_compress(px, 4);
            }),
            LoadResult::Damaged);

  // H below 10 cannot hold the known fields.
  std::vector<uint8_t> f = test::native_file(good);
  f[8] = 9;
  EXPECT_EQ(load_bytes(dir, f, d), LoadResult::WrongFormat);
  f = test::native_file(good);
  f[0] = 'X';
  EXPECT_EQ(load_bytes(dir, f, d), LoadResult::WrongFormat);
  EXPECT_EQ(load(dir.file("missing.qmd"), d), LoadResult::CannotOpen);
}

TEST(NativeDocument, LayerStreamsAreJudged) {
  ScratchDir dir;
  std::unique_ptr<Document> d;
  NativeFileSpec s;
  std::vector<uint8_t> px(16, 0x42);
  // A valid stream that ends early: the rest stays transparent white.
  std::vector<uint8_t> part(4, 0x11);
  s.layers = {{test::name_field("p"), 0, 128, 1, {}, test::zlib_compress(part.data(), 4), {}}};
  ASSERT_EQ(load_bytes(dir, test::native_file(s), d), LoadResult::Success);
  EXPECT_EQ(d->layer_at(0)->image.row(1)[0], 0x11111111u);  // bottom row first
  EXPECT_EQ(d->layer_at(0)->image.row(1)[1], kTransparent);
  EXPECT_EQ(d->layer_at(0)->image.row(0)[0], kTransparent);
  // Ending inside a pixel: its other bytes stay those of transparent white.
  std::vector<uint8_t> part3(11, 0x22);
  s.width = 3;
  s.layers = {{test::name_field("q"), 0, 128, 1, {}, test::zlib_compress(part3.data(), 11), {}}};
  ASSERT_EQ(load_bytes(dir, test::native_file(s), d), LoadResult::Success);
  const LayerImage& q = d->layer_at(0)->image;
  EXPECT_EQ(q.row(1)[1], 0x22222222u);
  EXPECT_EQ(q.row(1)[2], 0x00222222u);
  EXPECT_EQ(q.row(0)[0], kTransparent);
  EXPECT_EQ(q.row(0)[2], kTransparent);
  s.width = 2;
  // Bytes after the stream inside Z are passed over, and the next layer reads.
  s.layers = {{test::name_field("a"), 0, 128, 1, px, {}, {1, 2, 3, 4, 5}},
              {test::name_field("b"), 0, 128, 1, px, {}, {}}};
  ASSERT_EQ(load_bytes(dir, test::native_file(s), d), LoadResult::Success);
  EXPECT_EQ(d->layer_at(0)->name, "b");
  EXPECT_EQ(d->layer_at(0)->image.row(0)[0], 0x42424242u);
  // Too much data for the layer.
  std::vector<uint8_t> over(17, 1);
  s.layers = {{test::name_field("o"), 0, 128, 1, over, {}, {}}};
  EXPECT_EQ(load_bytes(dir, test::native_file(s), d), LoadResult::Damaged);
  // Corrupt data.
  s.layers = {{test::name_field("c"), 0, 128, 1, {}, {0x78, 0x9C, 0xFF, 0xFF, 0xFF, 0xFF}, {}}};
  EXPECT_EQ(load_bytes(dir, test::native_file(s), d), LoadResult::Damaged);
}

// Every possible cut of a real file fails, with 3 inside the magic and
// version, and with 5 after it; none crashes or succeeds.
TEST(NativeDocument, EveryTruncationFails) {
  ScratchDir dir;
  auto doc = attribute_document(9, 7);
  const std::string path = dir.file("t.qmd");
  ASSERT_TRUE(SaveNativeDocument(path, *doc, nullptr));
  const std::vector<uint8_t> f = test::read_file(path);
  std::unique_ptr<Document> d;
  for (size_t cut = 0; cut < f.size(); ++cut) {
    const LoadResult r = load_bytes(dir, {f.begin(), f.begin() + ptrdiff_t(cut)}, d);
    ASSERT_EQ(r, cut < 8 ? LoadResult::WrongFormat : LoadResult::Damaged) << "cut at " << cut;
  }
  ASSERT_EQ(load_bytes(dir, f, d), LoadResult::Success);
}

TEST(NativeDocument, ThumbnailLoaderChecksItsSizes) {
  ScratchDir dir;
  const std::string path = dir.file("t.qmd");
  LayerImage thumb;
  ASSERT_TRUE(thumb.create(3, 3));
  thumb.fill(0x12345678);
  auto result = [&](const NativeFileSpec& s) {
    test::write_file(path, test::native_file(s));
    return LoadNativeThumbnail(path, thumb);
  };
  NativeFileSpec s;
  s.layers.resize(1);
  s.thumb_w = 2;
  s.thumb_h = 3;
  s.thumb_pixels.resize(24);
  for (size_t i = 0; i < 24; ++i) s.thumb_pixels[i] = uint8_t(i);
  NativeFileSpec bad = s;
  bad.thumb_size = 25;
  EXPECT_FALSE(result(bad));
  EXPECT_EQ(thumb.width(), 3);  // untouched on failure
  bad = s;
  bad.thumb_size = 0xFFFFFFF0;
  EXPECT_FALSE(result(bad));
  bad = s;
  bad.thumb_w = 0;
  bad.thumb_size = 24;
  EXPECT_FALSE(result(bad));
  bad = s;
  bad.version = 1;
  EXPECT_FALSE(result(bad));
  ASSERT_TRUE(result(s));
  ASSERT_EQ(thumb.width(), 2);
  ASSERT_EQ(thumb.height(), 3);
  // Bytes as stored, bottom row first.
  EXPECT_EQ(thumb.row(2)[0], 0x03020100u);
  EXPECT_EQ(thumb.row(0)[1], 0x17161514u);
  // A file cut inside the thumbnail.
  std::vector<uint8_t> f = test::native_file(s);
  f.resize(40);
  test::write_file(path, f);
  EXPECT_FALSE(LoadNativeThumbnail(path, thumb));
}

TEST(NativeDocument, AFailedSaveLeavesThePreviousFileByteIdentical) {
  ScratchDir dir;
  const std::string path = dir.file("keep.qmd");
  auto first = test::make_document(64, 48, 2, 1);
  ASSERT_TRUE(SaveNativeDocument(path, *first, nullptr));
  const std::vector<uint8_t> before = test::read_file(path);

  auto second = attribute_document(120, 80);
  // The size the second save needs, learnt from a save elsewhere.
  ASSERT_TRUE(SaveNativeDocument(dir.file("probe.qmd"), *second, nullptr));
  const uint64_t needed = test::read_file(dir.file("probe.qmd")).size();
  std::filesystem::remove(dir.file("probe.qmd"));

  for (uint64_t cut : {uint64_t{0}, uint64_t{5}, uint64_t{21}, uint64_t{200}, needed / 2,
                       needed - 1}) {
    SCOPED_TRACE(cut);
    bool saved;
    {
      test::FileSizeLimit limit(cut);
      saved = SaveNativeDocument(path, *second, nullptr);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(test::read_file(path), before);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"keep.qmd"});
  }
  {
    test::FileSizeLimit limit(needed);
    EXPECT_TRUE(SaveNativeDocument(path, *second, nullptr));
  }
  std::unique_ptr<Document> back;
  ASSERT_EQ(load(path, back), LoadResult::Success);
  test::expect_same_document(*second, *back);
}

TEST(DocumentIo, AFailedOpenLeavesTheOpenDocumentAlone) {
  ScratchDir dir;
  std::unique_ptr<Document> open = test::make_document(10, 10, 3);
  Document* const before = open.get();
  DisplayBackground bg;
  bg.checker = true;
  open->set_display_background(bg);

  NativeFileSpec s;
  s.layers.resize(2);
  std::vector<uint8_t> f = test::native_file(s);
  f.resize(f.size() - 3);  // the second layer is cut short
  test::write_file(dir.file("cut.qmd"), f);
  EXPECT_EQ(open_document(dir.file("cut.qmd"), open, nullptr), LoadResult::Damaged);
  EXPECT_EQ(open.get(), before);
  EXPECT_EQ(open->layer_count(), 3);
  EXPECT_EQ(open->width(), 10);
  EXPECT_EQ(open_document(dir.file("none.qmd"), open, nullptr), LoadResult::CannotOpen);
  test::write_file(dir.file("text.qmd"), {'h', 'e', 'l', 'l', 'o', '!', '!', '!'});
  EXPECT_EQ(open_document(dir.file("text.qmd"), open, nullptr), LoadResult::WrongFormat);
  EXPECT_EQ(open.get(), before);

  // A good file replaces it, composited and with the same display settings.
  test::write_file(dir.file("good.qmd"), test::native_file(s));
  EXPECT_EQ(open_document(dir.file("good.qmd"), open, nullptr), LoadResult::Success);
  EXPECT_EQ(open->layer_count(), 2);
  EXPECT_EQ(open->width(), 2);
  EXPECT_TRUE(open->display_background().checker);
  EXPECT_FALSE(open->take_dirty().empty());
}

TEST(DocumentIo, FormatsAreFoundByExtensionAndContent) {
  EXPECT_EQ(document_format_for_path("a/b.QMD"), DocumentFormat::Native);
  EXPECT_EQ(document_format_for_path("x.lfw"), DocumentFormat::Lineforge);
  EXPECT_EQ(document_format_for_path("x.qmd.png"), DocumentFormat::Unknown);
  ScratchDir dir;
  auto doc = test::make_document(3, 3, 1);
  // Saving picks the writer by extension; loading looks at the content.
  ASSERT_TRUE(save_document(dir.file("a.lfw"), *doc, nullptr));
  EXPECT_FALSE(save_document(dir.file("a.txt"), *doc, nullptr));
  std::filesystem::rename(dir.file("a.lfw"), dir.file("renamed.qmd"));
  const LoadedDocument loaded = load_document(dir.file("renamed.qmd"), nullptr);
  EXPECT_EQ(loaded.result, LoadResult::Success);
  EXPECT_EQ(loaded.format, DocumentFormat::Lineforge);
}

TEST(DocumentIo, LimitsBoundWhatALoaderAllocates) {
  ScratchDir dir;
  auto doc = test::make_document(100, 100, 3);
  ASSERT_TRUE(SaveNativeDocument(dir.file("d.qmd"), *doc, nullptr));
  LoadLimits limits;
  limits.max_pixel_bytes = 100 * 100 * 4 * 6 - 1;  // one byte short of 3 layers + 3 work rasters
  EXPECT_EQ(load_document(dir.file("d.qmd"), nullptr, limits).result, LoadResult::OutOfMemory);
  limits.max_pixel_bytes += 1;
  EXPECT_EQ(load_document(dir.file("d.qmd"), nullptr, limits).result, LoadResult::Success);
  limits.max_side = 99;
  EXPECT_EQ(load_document(dir.file("d.qmd"), nullptr, limits).result, LoadResult::TooLarge);
}

}  // namespace
}  // namespace qm
