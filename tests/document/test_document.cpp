#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/document.h"

namespace qm {
namespace {

// Remembers every call, with the layer count the document had at that moment.
struct LoggingRecorder : UndoRecorder {
  std::vector<std::string> log;
  void note(const Document& doc, const std::string& what) {
    log.push_back(what + "@" + std::to_string(doc.current_index()) + "/" +
                  std::to_string(doc.layer_count()));
  }
  bool record_layer_added(const Document& d, int previous) override {
    return note(d, "add(" + std::to_string(previous) + ")"), true;
  }
  bool record_layer_deleted(const Document& d) override { return note(d, "delete"), true; }
  bool record_flip(const Document& d, bool vertical) override {
    return note(d, vertical ? "flipv" : "fliph"), true;
  }
  bool record_rotate(const Document& d, RotateDirection dir) override {
    return note(d, dir == RotateDirection::Clockwise ? "cw" : "ccw"), true;
  }
  bool record_layer_moved(const Document& d, bool down) override {
    return note(d, down ? "down" : "up"), true;
  }
  bool record_layer_moved_to(const Document& d, int from, int to) override {
    return note(d, "to" + std::to_string(from) + ">" + std::to_string(to)), true;
  }
  bool record_merge(const Document& d, const std::vector<int>& idx) override {
    std::string s = "merge";
    for (int i : idx) s.append(":").append(std::to_string(i));
    return note(d, s), true;
  }
};

std::vector<std::string> names(const Document& doc) {
  std::vector<std::string> out;
  for (int i = 0; i < doc.layer_count(); ++i) out.push_back(doc.layer_at(i)->name);
  return out;
}

// A document of `n` layers named "ﾚｲﾔ0" (bottom) … "ﾚｲﾔn-1" (top), top current.
Document make_doc(int n, int w = 4, int h = 4) {
  Document doc;
  EXPECT_TRUE(doc.new_canvas(w, h, true));
  for (int i = 1; i < n; ++i) {
    doc.select(0);
    EXPECT_TRUE(doc.add_layer(false, true));
  }
  return doc;
}

TEST(Document, NewCanvasLimitsAndDefaults) {
  Document doc;
  EXPECT_TRUE(doc.new_canvas(4500, 4500, true));
  EXPECT_FALSE(doc.new_canvas(4501, 10, true));
  EXPECT_FALSE(doc.new_canvas(0, 10, true));
  // A refused size leaves the open image as it was.
  EXPECT_EQ(doc.width(), 4500);
  EXPECT_EQ(doc.layer_count(), 1);

  ASSERT_TRUE(doc.new_canvas(3, 2, true));
  ASSERT_EQ(doc.layer_count(), 1);
  const Layer& layer = *doc.current();
  EXPECT_EQ(layer.name, "ﾚｲﾔ0");
  EXPECT_EQ(doc.name_counter(), 1);
  EXPECT_EQ(layer.opacity, 128);
  EXPECT_EQ(layer.blend_mode, 0);
  EXPECT_EQ(layer.mask_mode, 0);
  EXPECT_EQ(layer.flags, kLayerVisible);
  EXPECT_EQ(layer.image.get_pixel(2, 1), kTransparent);
  EXPECT_EQ(doc.stroke_buffer().width(), 3);
  EXPECT_EQ(doc.backup().height(), 2);
  // The work rasters are cleared when first asked for, also after a move.
  ASSERT_TRUE(doc.new_canvas(4, 3, true));
  Document moved(std::move(doc));
  for (LayerImage* work : {&moved.stroke_buffer(), &moved.backup()})
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) EXPECT_EQ(work->get_pixel(x, y), kTransparent);
  moved.stroke_buffer().fill(0x12345678);
  EXPECT_EQ(moved.stroke_buffer().get_pixel(1, 1), 0x12345678u);  // cleared once only

  ASSERT_TRUE(doc.new_canvas(5, 5, false));
  EXPECT_EQ(doc.layer_count(), 0);
  EXPECT_EQ(doc.current(), nullptr);
  EXPECT_EQ(doc.name_counter(), 0);
}

TEST(Document, ClearingTheStrokeBufferClearsWhatWasPaintedSince) {
  Document doc;
  ASSERT_TRUE(doc.new_canvas(8, 6, true));
  auto all_clear = [](const LayerImage& img) {
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if (img.get_pixel(x, y) != kTransparent) return false;
    return true;
  };
  // A stroke notes what it paints, over several steps.
  LayerImage& buffer = doc.clear_stroke_buffer();
  EXPECT_TRUE(all_clear(buffer));
  buffer.fill_rect(1, 1, 2, 2, 0x80102030);
  doc.note_stroke_buffer_use({1, 1, 2, 2});
  buffer.fill_rect(6, 4, 2, 2, 0x80102030);
  doc.note_stroke_buffer_use({6, 4, 2, 2});
  EXPECT_TRUE(all_clear(doc.clear_stroke_buffer()));
  // Other tools may paint anywhere.
  doc.stroke_buffer().fill(0xFFABCDEF);
  EXPECT_TRUE(all_clear(doc.clear_stroke_buffer()));
  // A new canvas's buffer is cleared whole on first use.
  ASSERT_TRUE(doc.new_canvas(8, 6, true));
  EXPECT_TRUE(all_clear(doc.clear_stroke_buffer()));
}

TEST(Document, AdoptedLayersKeepTheirPixelsAndTakeTheNextName) {
  Document doc;
  ASSERT_TRUE(doc.new_canvas(3, 2, false));
  LayerImage wrong;
  ASSERT_TRUE(wrong.create(2, 3));
  EXPECT_EQ(doc.adopt_layer(std::move(wrong), true), nullptr);
  LayerImage picture;
  ASSERT_TRUE(picture.create(3, 2));
  picture.fill(0x80112233);
  const Layer* layer = doc.adopt_layer(std::move(picture), true);
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(doc.layer_count(), 1);
  EXPECT_EQ(layer->name, "ﾚｲﾔ0");
  EXPECT_EQ(layer->opacity, 128);
  EXPECT_EQ(layer->image.get_pixel(2, 1), 0x80112233u);
}

TEST(Document, AddAndDuplicateTakeCounterNumbers) {
  Document doc = make_doc(1);
  LoggingRecorder rec;
  doc.set_undo_recorder(&rec);
  doc.current()->image.fill(0xFF102030);
  doc.current()->opacity = 50;
  doc.current()->mask_mode = 3;

  ASSERT_TRUE(doc.add_layer(true, true));  // duplicate
  EXPECT_EQ(doc.current_index(), 0);
  EXPECT_EQ(doc.current()->name, "ﾚｲﾔ0");
  EXPECT_EQ(doc.current()->opacity, 50);
  EXPECT_EQ(doc.current()->mask_mode, 3);
  EXPECT_EQ(doc.current()->image.get_pixel(1, 1), 0xFF102030u);

  doc.select(1);
  ASSERT_TRUE(doc.add_layer(false, true));  // plain add directly above the bottom layer
  EXPECT_EQ(doc.current_index(), 1);
  EXPECT_EQ(names(doc), (std::vector<std::string>{"ﾚｲﾔ0", "ﾚｲﾔ2", "ﾚｲﾔ0"}));
  EXPECT_EQ(rec.log, (std::vector<std::string>{"add(0)@0/2", "add(1)@1/3"}));

  // Undo and redo re-add without names or records.
  ASSERT_TRUE(doc.add_layer(false, false));
  EXPECT_EQ(doc.current()->name, "");
  EXPECT_EQ(doc.name_counter(), 3);
  EXPECT_EQ(rec.log.size(), 2u);
}

TEST(Document, LayerLimitIsOneHundred) {
  Document doc = make_doc(1, 1, 1);
  for (int i = 1; i < kMaxLayers; ++i) ASSERT_TRUE(doc.add_layer(false, true));
  EXPECT_FALSE(doc.add_layer(false, true));
  EXPECT_FALSE(doc.add_layer(true, true));
  EXPECT_EQ(doc.create_layer(true), nullptr);
  EXPECT_FALSE(doc.merge_visible_to_new());
  EXPECT_EQ(doc.layer_count(), kMaxLayers);
}

TEST(Document, DeleteKeepsOneLayerAndClampsTheCurrentIndex) {
  Document doc = make_doc(1);
  EXPECT_FALSE(doc.delete_current(true));
  doc = make_doc(3);
  LoggingRecorder rec;
  doc.set_undo_recorder(&rec);
  doc.select(2);
  ASSERT_TRUE(doc.delete_current(true));
  EXPECT_EQ(doc.current_index(), 1);
  EXPECT_EQ(names(doc), (std::vector<std::string>{"ﾚｲﾔ2", "ﾚｲﾔ1"}));
  // Recorded while the layer was still there.
  EXPECT_EQ(rec.log, (std::vector<std::string>{"delete@2/3"}));
}

TEST(Document, MergeDown) {
  Document doc = make_doc(2, 2, 1);
  LoggingRecorder rec;
  doc.set_undo_recorder(&rec);
  doc.select(1);
  EXPECT_FALSE(doc.merge_down());  // the bottom layer has nothing below
  doc.select(0);
  Layer& upper = *doc.layer_at(0);
  Layer& lower = *doc.layer_at(1);
  upper.image.row(0)[0] = 0xFFFF0000;  // opaque red over opaque blue
  lower.image.fill(0xFF0000FF);
  lower.opacity = 64;
  lower.flags |= kLayerFillReference;
  ASSERT_TRUE(doc.merge_down());
  ASSERT_EQ(doc.layer_count(), 1);
  EXPECT_EQ(doc.current_index(), 0);
  const Layer& merged = *doc.current();
  EXPECT_EQ(merged.name, "ﾚｲﾔ0");
  EXPECT_EQ(merged.opacity, 128);
  EXPECT_EQ(merged.flags, kLayerVisible | kLayerFillReference);
  EXPECT_EQ(merged.image.get_pixel(0, 0), 0xFFFF0000u);
  // Where the upper layer is empty, the lower layer's opacity moved into alpha:
  // ((64 * 255) >> 7) = 127.
  EXPECT_EQ(merged.image.get_pixel(1, 0), 0x7F0000FFu);
  EXPECT_EQ(rec.log, (std::vector<std::string>{"merge:0:1@0/2"}));
}

TEST(Document, MergingTwoMultiplyLayersKeepsMultiply) {
  Document doc = make_doc(2, 1, 1);
  doc.layer_at(0)->blend_mode = 1;
  doc.layer_at(1)->blend_mode = 1;
  doc.layer_at(0)->image.fill(0xFF808080);
  doc.layer_at(1)->image.fill(0xFF404040);
  doc.select(0);
  ASSERT_TRUE(doc.merge_down());
  EXPECT_EQ(doc.current()->blend_mode, 1);
  // Combined with Normal: the opaque upper pixel replaces the lower one.
  EXPECT_EQ(doc.current()->image.get_pixel(0, 0), 0xFF808080u);
}

TEST(Document, MergeVisible) {
  Document doc = make_doc(4, 1, 1);
  LoggingRecorder rec;
  doc.set_undo_recorder(&rec);
  doc.set_visibility_all(1);
  doc.toggle_visible(2);
  EXPECT_FALSE(doc.merge_visible(false));  // one visible layer: nothing, nothing recorded
  EXPECT_TRUE(rec.log.empty());

  // Layers top to bottom: 0 visible, 1 hidden, 2 visible, 3 hidden.
  doc.toggle_visible(0);
  doc.layer_at(0)->image.fill(0x80FF0000);
  doc.layer_at(2)->image.fill(0xFF0000FF);
  doc.layer_at(2)->blend_mode = 4;
  ASSERT_TRUE(doc.merge_visible(false));
  EXPECT_EQ(names(doc), (std::vector<std::string>{"ﾚｲﾔ2", "ﾚｲﾔ1", "ﾚｲﾔ0"}));
  EXPECT_EQ(doc.current_index(), 1);
  const Layer& merged = *doc.current();
  EXPECT_EQ(merged.blend_mode, 0);
  EXPECT_EQ(alpha_of(merged.image.get_pixel(0, 0)), 255);  // onto white: opaque
  EXPECT_EQ(rec.log, (std::vector<std::string>{"merge:0:2@0/4"}));
}

TEST(Document, MergeVisibleKeepingAlphaAndToNewLayer) {
  Document doc = make_doc(3, 1, 1);
  doc.layer_at(1)->flags = 0;  // hidden middle layer
  doc.layer_at(0)->image.fill(0x80FF0000);
  doc.select(2);
  ASSERT_TRUE(doc.merge_visible_to_new());
  ASSERT_EQ(doc.layer_count(), 4);
  EXPECT_EQ(doc.current_index(), 0);  // above the topmost visible layer
  EXPECT_EQ(doc.current()->name, "ﾚｲﾔ3");
  EXPECT_EQ(doc.current()->image.get_pixel(0, 0), 0x80FF0000u);

  ASSERT_TRUE(doc.merge_visible(true));
  EXPECT_EQ(doc.layer_count(), 2);  // the three visible layers became one
  // Two half-covering reds: a = as + ad - as*ad = 0.752, stored as 192.
  EXPECT_EQ(doc.current()->image.get_pixel(0, 0), 0xC0FF0000u);
  EXPECT_FALSE(doc.layer_at(0)->visible());
}

TEST(Document, MovingLayers) {
  Document doc = make_doc(4);
  LoggingRecorder rec;
  doc.set_undo_recorder(&rec);
  doc.select(0);
  EXPECT_FALSE(doc.move_up(true));
  ASSERT_TRUE(doc.move_down(true));
  EXPECT_EQ(doc.current_index(), 1);
  EXPECT_EQ(names(doc), (std::vector<std::string>{"ﾚｲﾔ2", "ﾚｲﾔ3", "ﾚｲﾔ1", "ﾚｲﾔ0"}));
  ASSERT_TRUE(doc.move_up(true));
  EXPECT_EQ(doc.current_index(), 0);

  EXPECT_FALSE(doc.move_to(0, true));  // already at the top
  EXPECT_FALSE(doc.move_to(1, true));  // "above the layer at 1" is where it is
  ASSERT_TRUE(doc.move_to(3, true));   // above the bottom layer
  EXPECT_EQ(names(doc), (std::vector<std::string>{"ﾚｲﾔ2", "ﾚｲﾔ1", "ﾚｲﾔ3", "ﾚｲﾔ0"}));
  EXPECT_EQ(doc.current_index(), 2);
  ASSERT_TRUE(doc.move_to(99, true));
  EXPECT_EQ(doc.current_index(), 3);
  ASSERT_TRUE(doc.move_to(1, true));  // from below: ends at index 1
  EXPECT_EQ(names(doc), (std::vector<std::string>{"ﾚｲﾔ2", "ﾚｲﾔ3", "ﾚｲﾔ1", "ﾚｲﾔ0"}));
  ASSERT_TRUE(doc.move_to(-5, true));
  EXPECT_EQ(doc.current_index(), 0);
  EXPECT_EQ(rec.log, (std::vector<std::string>{"down@1/4", "up@0/4", "to0>2@2/4", "to2>3@3/4",
                                               "to3>1@1/4", "to1>0@0/4"}));
}

TEST(Document, AttributesAndVisibility) {
  Document doc = make_doc(3);
  doc.set_opacity_percent(50);
  EXPECT_EQ(doc.current()->opacity, 64);
  doc.set_opacity_percent(100);
  EXPECT_EQ(doc.current()->opacity, 128);
  doc.set_opacity_percent(1);
  EXPECT_EQ(doc.current()->opacity, 1);
  EXPECT_EQ(percent_from_opacity(64), 50);
  doc.set_blend_mode(21);  // out of range: ignored
  EXPECT_EQ(doc.current()->blend_mode, 0);
  doc.set_blend_mode(20);
  EXPECT_EQ(doc.current()->blend_mode, 20);
  doc.set_mask_mode(3);
  EXPECT_EQ(doc.current()->mask_mode, 3);
  doc.toggle_fill_reference(1);
  EXPECT_TRUE(doc.layer_at(1)->fill_reference());

  doc.select(1);
  doc.set_visibility_all(2);
  EXPECT_FALSE(doc.layer_at(0)->visible());
  EXPECT_TRUE(doc.layer_at(1)->visible());
  EXPECT_TRUE(doc.layer_at(1)->fill_reference());  // other flags kept
  doc.set_visibility_all(0);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(doc.layer_at(i)->visible());
}

TEST(Document, LayerNamesFitTheirField) {
  EXPECT_EQ(fit_layer_name("short"), "short");
  const std::string ascii(40, 'a');
  EXPECT_EQ(fit_layer_name(ascii).size(), 31u);
  // Characters, not bytes: 31 three-byte characters stay, the 32nd goes.
  std::string kana;
  for (int i = 0; i < 32; ++i) kana += "ﾚ";
  EXPECT_EQ(fit_layer_name(kana), kana.substr(0, 93));
  std::string emoji;
  for (int i = 0; i < 40; ++i) emoji += "\U0001F58A";
  EXPECT_EQ(fit_layer_name(emoji), emoji.substr(0, 124));
}

TEST(Document, DisplayCompositeOfARectangle) {
  Document doc = make_doc(2, 16, 16);
  doc.layer_at(1)->image.fill(0xFF000000);  // black bottom layer
  doc.layer_at(0)->image.fill(0xFFFF0000);  // red top layer, hidden
  doc.toggle_visible(0);
  doc.take_dirty();
  doc.composite_rect({2, 2, 100, 3});
  EXPECT_EQ(doc.take_dirty(), (Rect{2, 2, 14, 3}));
  EXPECT_EQ(doc.take_dirty(), Rect{});
  // Black at opacity 128 over white: 255 + ((255 * -255) >> 8) = 0.
  EXPECT_EQ(doc.composite().get_pixel(3, 3) & 0xFFFFFF, 0u);

  doc.layer_at(1)->flags = 0;
  doc.set_display_background({true, 0x111111, 0x222222});
  doc.composite_all();
  EXPECT_EQ(doc.composite().get_pixel(0, 0) & 0xFFFFFF, 0x111111u);
  EXPECT_EQ(doc.composite().get_pixel(8, 0) & 0xFFFFFF, 0x222222u);
  EXPECT_EQ(doc.composite().get_pixel(8, 8) & 0xFFFFFF, 0x111111u);
}

TEST(Document, Flatten) {
  Document doc = make_doc(2, 2, 1);
  doc.layer_at(0)->image.row(0)[0] = 0xFF00FF00;
  doc.layer_at(1)->flags = 0;
  LayerImage out;
  ASSERT_TRUE(doc.flatten(out, false));
  EXPECT_EQ(out.get_pixel(1, 0), kOpaqueWhite);
  // Normal through the table: 255 + (0 - 255) * 255 / 255 = 0 on red and blue.
  EXPECT_EQ(out.get_pixel(0, 0), 0xFF00FF00u);
  ASSERT_TRUE(doc.flatten(out, true));
  EXPECT_EQ(out.get_pixel(1, 0), kTransparent);
  EXPECT_EQ(out.get_pixel(0, 0), 0xFF00FF00u);
}

TEST(Document, InsertAndRemoveForLoaders) {
  Document doc;
  ASSERT_TRUE(doc.new_canvas(2, 2, false));
  auto wrong = std::make_unique<Layer>();
  ASSERT_TRUE(wrong->image.create(3, 2));
  EXPECT_FALSE(doc.insert_layer(0, std::move(wrong)));  // not canvas-sized
  auto layer = std::make_unique<Layer>();
  ASSERT_TRUE(layer->image.create(2, 2));
  layer->name = "bottom";
  EXPECT_TRUE(doc.insert_layer(5, std::move(layer)));
  ASSERT_TRUE(doc.create_layer(false));
  EXPECT_EQ(doc.layer_at(1)->name, "bottom");
  auto removed = doc.remove_layer(1);
  ASSERT_TRUE(removed);
  EXPECT_EQ(removed->name, "bottom");
  EXPECT_EQ(doc.layer_count(), 1);
  EXPECT_EQ(doc.remove_layer(4), nullptr);
}

// Layers of w × h whose pixels hold their own position (x, y) and layer.
Document numbered_doc(int w, int h) {
  Document doc = make_doc(2, w, h);
  for (int i = 0; i < 2; ++i)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        doc.layer_at(i)->image.row(y)[x] = 0xFF000000u | uint32_t(i << 16 | y << 8 | x);
  return doc;
}

Pixel numbered(int layer, int x, int y) { return 0xFF000000u | uint32_t(layer << 16 | y << 8 | x); }

TEST(Document, FlipAll) {
  Document doc = numbered_doc(3, 2);
  LoggingRecorder rec;
  doc.set_undo_recorder(&rec);
  ASSERT_TRUE(doc.flip_all(false, true));
  for (int i = 0; i < 2; ++i)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(doc.layer_at(i)->image.get_pixel(x, 1), numbered(i, 2 - x, 1));
  ASSERT_TRUE(doc.flip_all(true, false));
  EXPECT_EQ(doc.layer_at(1)->image.get_pixel(0, 0), numbered(1, 2, 1));
  EXPECT_EQ(rec.log, std::vector<std::string>{"fliph@0/2"});
}

TEST(Document, RotateAllTurnsEveryLayerAndTheCanvas) {
  // a b c        clockwise: d a      the other way: c f
  // d e f                   e b                     b e
  //                         f c                     a d
  Document doc = numbered_doc(3, 2);
  LoggingRecorder rec;
  doc.set_undo_recorder(&rec);
  doc.layer_at(0)->name = "kept";
  ASSERT_TRUE(doc.rotate_all(RotateDirection::Clockwise, true));
  EXPECT_EQ(rec.log, std::vector<std::string>{"cw@0/2"});
  ASSERT_EQ(doc.width(), 2);
  ASSERT_EQ(doc.height(), 3);
  EXPECT_EQ(doc.composite().width(), 2);
  EXPECT_EQ(doc.stroke_buffer().height(), 3);
  EXPECT_EQ(doc.backup().width(), 2);
  EXPECT_EQ(doc.layer_at(0)->name, "kept");
  const LayerImage& cw = doc.layer_at(1)->image;
  EXPECT_EQ(cw.get_pixel(0, 0), numbered(1, 0, 1));  // d
  EXPECT_EQ(cw.get_pixel(1, 0), numbered(1, 0, 0));  // a
  EXPECT_EQ(cw.get_pixel(0, 2), numbered(1, 2, 1));  // f
  EXPECT_EQ(cw.get_pixel(1, 2), numbered(1, 2, 0));  // c

  doc = numbered_doc(3, 2);
  ASSERT_TRUE(doc.rotate_all(RotateDirection::CounterClockwise, true));
  const LayerImage& ccw = doc.layer_at(0)->image;
  EXPECT_EQ(ccw.get_pixel(0, 0), numbered(0, 2, 0));  // c
  EXPECT_EQ(ccw.get_pixel(1, 0), numbered(0, 2, 1));  // f
  EXPECT_EQ(ccw.get_pixel(0, 2), numbered(0, 0, 0));  // a
  EXPECT_EQ(ccw.get_pixel(1, 1), numbered(0, 1, 1));  // e
}

TEST(Document, RotateAllAcrossTileEdgesMatchesThePlainTurn) {
  Document doc = numbered_doc(130, 67);  // not multiples of the tile size
  ASSERT_TRUE(doc.rotate_all(RotateDirection::Clockwise, false));
  for (int y = 0; y < 67; ++y)
    for (int x = 0; x < 130; ++x)
      ASSERT_EQ(doc.layer_at(0)->image.get_pixel(66 - y, x), numbered(0, x, y)) << x << "," << y;
  ASSERT_TRUE(doc.rotate_all(RotateDirection::CounterClockwise, false));
  ASSERT_TRUE(doc.rotate_all(RotateDirection::CounterClockwise, false));
  for (int y = 0; y < 67; ++y)
    for (int x = 0; x < 130; ++x)
      ASSERT_EQ(doc.layer_at(1)->image.get_pixel(y, 129 - x), numbered(1, x, y)) << x << "," << y;
}

TEST(Document, ReplaceAllRastersChecksEveryRaster) {
  Document doc = make_doc(2, 4, 4);
  auto rasters = [](int n, int w, int h) {
    std::vector<LayerImage> out(static_cast<size_t>(n));
    for (LayerImage& r : out) EXPECT_TRUE(r.create(w, h));
    return out;
  };
  EXPECT_FALSE(doc.replace_all_rasters(5, 3, rasters(1, 5, 3)));  // one layer short
  auto mixed = rasters(2, 5, 3);
  ASSERT_TRUE(mixed[1].create(5, 4));
  EXPECT_FALSE(doc.replace_all_rasters(5, 3, std::move(mixed)));
  EXPECT_FALSE(doc.replace_all_rasters(4501, 1, rasters(2, 4501, 1)));
  EXPECT_EQ(doc.width(), 4);
  ASSERT_TRUE(doc.replace_all_rasters(5, 3, rasters(2, 5, 3)));
  EXPECT_EQ(doc.width(), 5);
  EXPECT_EQ(doc.layer_at(1)->image.height(), 3);
  EXPECT_EQ(doc.composite().width(), 5);
  EXPECT_EQ(doc.backup().height(), 3);
}

TEST(Document, RecordingFailuresAreReportedWithTheChange) {
  struct Refusing : UndoRecorder {
    bool record_layer_added(const Document&, int) override { return false; }
    bool record_merge(const Document&, const std::vector<int>&) override { return false; }
  } rec;
  Document doc = make_doc(2);
  doc.set_undo_recorder(&rec);
  const EditResult added = doc.add_layer(false, true);
  EXPECT_TRUE(added.done);
  EXPECT_TRUE(added.undo_lost);
  EXPECT_EQ(doc.layer_count(), 3);
  const EditResult merged = doc.merge_down();
  EXPECT_TRUE(merged.done && merged.undo_lost);
  EXPECT_EQ(doc.layer_count(), 2);
  const EditResult moved = doc.move_down(true);
  EXPECT_TRUE(moved.done && !moved.undo_lost);
}

}  // namespace
}  // namespace qm
