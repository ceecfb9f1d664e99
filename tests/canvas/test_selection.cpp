#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "canvas/floating_blend.h"
#include "canvas/selection_commands.h"
#include "canvas/selection_tool.h"
#include "document/undo_history.h"
#include "selection_reference.h"

namespace qm {
namespace {

using test::copy_of;

bool same(const LayerImage& a, const LayerImage& b) {
  return a.width() == b.width() && a.height() == b.height() &&
         std::equal(a.pixels(), a.pixels() + a.pixel_count(), b.pixels());
}

// A 64 × 48 document of random pixels (some fully transparent) with an undo
// history, the selection and its tool.
struct Rig {
  Settings settings;
  DrawingStateModel model{settings};
  PendingWork pending;
  UndoHistory undo;
  Document doc;
  Selection sel;
  std::unique_ptr<SelectionTool> tool;

  explicit Rig(int w = 64, int h = 48) {
    doc.set_undo_recorder(&undo);
    doc.new_canvas(w, h, true);
    std::mt19937 rng(7);
    LayerImage& img = layer();
    for (size_t i = 0; i < img.pixel_count(); ++i)
      img.pixels()[i] = rng() % 5 == 0 ? kTransparent : Pixel(rng()) | 0x01000000u;
    doc.composite_all();
    settings.draw.tool = kToolRectSelect;
    settings.env.ex_view_flag = 0;
    tool = std::make_unique<SelectionTool>(doc, sel, model, pending);
  }
  ~Rig() {
    tool.reset();
    doc.set_undo_recorder(nullptr);
  }
  LayerImage& layer() { return doc.current()->image; }

  static PointF at(int x, int y) { return {x + 0.5, y + 0.5}; }
  void drag(IntPoint from, IntPoint to, HeldKeys keys = {}) {
    ASSERT_TRUE(tool->press(at(from.x, from.y), keys, 100));
    tool->move(at((from.x + to.x) / 2, (from.y + to.y) / 2), keys);
    tool->move(at(to.x, to.y), keys);
    tool->release(at(to.x, to.y), keys);
  }
  void set_composite(bool on) { settings.env.ex_view_flag = on ? kViewPasteComposite : 0; }
};

TEST(Selection, FrameDragsAndSetSelection) {
  Rig r;
  r.drag({10, 10}, {10, 10});
  EXPECT_EQ(r.sel.mode(), Selection::Mode::kNone) << "a single pixel is no selection";

  r.drag({20, 5}, {10, 15});
  EXPECT_EQ(r.sel.frame(), (Rect{10, 5, 11, 11}));
  // Ctrl: a square with the larger side.
  HeldKeys ctrl;
  ctrl.ctrl = true;
  r.drag({30, 30}, {33, 40}, ctrl);
  EXPECT_EQ(r.sel.frame(), (Rect{30, 30, 11, 11}));
  // A drag reaching outside is cut to the canvas; one wholly outside leaves none.
  r.drag({50, 40}, {90, 90});
  EXPECT_EQ(r.sel.frame(), (Rect{50, 40, 14, 8}));
  r.drag({-20, -20}, {-5, -5});
  EXPECT_FALSE(r.sel.has_frame());

  // Set selection swaps reversed corners before cutting, so no negative size.
  EXPECT_TRUE(r.sel.set(r.doc, 40, 30, 5, 2));
  EXPECT_EQ(r.sel.frame(), (Rect{5, 2, 36, 29}));
  EXPECT_TRUE(r.sel.set(r.doc, 4000, 4000, 60, 40));
  EXPECT_EQ(r.sel.frame(), (Rect{60, 40, 4, 8}));
  EXPECT_FALSE(r.sel.set(r.doc, 7, 7, 7, 7));
  EXPECT_EQ(r.sel.area(r.doc), r.doc.bounds()) << "no frame: the whole canvas";
}

TEST(Selection, HoverHandlesAndResize) {
  Rig r;
  r.sel.set(r.doc, 10, 10, 40, 30);
  const Rect f = r.sel.frame();
  EXPECT_EQ(selection_handle_at(f, Rig::at(10, 10), 100), kHandleTopLeft);
  EXPECT_EQ(selection_handle_at(f, Rig::at(42, 32), 100), kHandleBottomRight);
  EXPECT_EQ(selection_handle_at(f, Rig::at(40, 8), 100), kHandleTopRight);
  EXPECT_EQ(selection_handle_at(f, Rig::at(7, 33), 100), kHandleBottomLeft);
  EXPECT_EQ(selection_handle_at(f, Rig::at(25, 13), 100), kHandleTop);
  EXPECT_EQ(selection_handle_at(f, Rig::at(25, 30), 100), kHandleBottom);
  EXPECT_EQ(selection_handle_at(f, Rig::at(12, 20), 100), kHandleLeft);
  EXPECT_EQ(selection_handle_at(f, Rig::at(38, 20), 100), kHandleRight);
  EXPECT_EQ(selection_handle_at(f, Rig::at(25, 20), 100), kHandleNone);
  // Above 100 % the tolerance is one pixel.
  EXPECT_EQ(selection_handle_at(f, Rig::at(25, 13), 200), kHandleNone);
  EXPECT_EQ(selection_handle_at(f, Rig::at(25, 11), 200), kHandleTop);

  // Dragging the right edge past the canvas stops at its edge.
  r.drag({40, 20}, {100, 20});
  EXPECT_EQ(r.sel.frame(), (Rect{10, 10, 54, 21}));
  // Dragging the left edge past the right one normalises the frame.
  r.drag({10, 20}, {0, 20});
  EXPECT_EQ(r.sel.frame(), (Rect{0, 10, 64, 21}));

  // A floating image shows no handles: it can be moved, never resized.
  r.sel.set(r.doc, 10, 10, 40, 30);
  ASSERT_TRUE(r.sel.lift(r.doc, false));
  EXPECT_EQ(r.tool->hover(Rig::at(10, 10), 100), kHandleNone);
}

TEST(Selection, CutMoveAndCopyMove) {
  Rig r;
  const LayerImage before = copy_of(r.layer());
  const Rect block{8, 8, 16, 12};
  // A plain drag inside the frame cuts: the old place becomes transparent.
  r.sel.set_rect(r.doc, block);
  r.drag({15, 14}, {35, 29});
  ASSERT_TRUE(r.sel.floating());
  EXPECT_EQ(r.sel.frame(), (Rect{28, 23, 16, 12}));
  LayerImage expect = copy_of(before);
  expect.fill_rect(block.x, block.y, block.w, block.h, kTransparent);
  expect.blit_from(28, 23, 16, 12, before, block.x, block.y);
  EXPECT_TRUE(same(r.layer(), expect));
  r.tool->end_selection();
  EXPECT_FALSE(r.sel.has_frame());
  EXPECT_TRUE(same(r.layer(), expect));
  EXPECT_TRUE(r.undo.undo(r.doc).done);
  EXPECT_TRUE(same(r.layer(), before)) << "undo gives the cut pixels back in both places";

  // Alt: a copy moves, the pixels at the start stay.
  HeldKeys alt;
  alt.alt = true;
  r.sel.set_rect(r.doc, block);
  r.drag({15, 14}, {35, 29}, alt);
  r.tool->end_selection();
  LayerImage copied = copy_of(before);
  copied.blit_from(28, 23, 16, 12, before, block.x, block.y);
  EXPECT_TRUE(same(r.layer(), copied));
  EXPECT_TRUE(r.undo.undo(r.doc).done);
  EXPECT_TRUE(same(r.layer(), before));

  // Ctrl holds the horizontal position, Shift the vertical one.
  HeldKeys ctrl;
  ctrl.ctrl = true;
  r.sel.set_rect(r.doc, block);
  r.drag({15, 14}, {35, 29}, ctrl);
  EXPECT_EQ(r.sel.frame(), (Rect{8, 23, 16, 12}));
  r.tool->end_selection();
  EXPECT_TRUE(r.undo.undo(r.doc).done);
  EXPECT_TRUE(same(r.layer(), before));
}

TEST(Selection, MovePartlyOffTheCanvasAndBack) {
  Rig r;
  const LayerImage before = copy_of(r.layer());
  r.sel.set(r.doc, 40, 30, 59, 44);
  // Far past the bottom-right corner, then back a little: the floating
  // image keeps every pixel while it is outside.
  ASSERT_TRUE(r.tool->press(Rig::at(45, 35), {}, 100));
  r.tool->move(Rig::at(75, 60), {});
  r.tool->move(Rig::at(50, 38), {});
  r.tool->release(Rig::at(50, 38), {});
  EXPECT_EQ(r.sel.frame(), (Rect{45, 33, 20, 15}));
  r.tool->end_selection();
  LayerImage expect = copy_of(before);
  expect.fill_rect(40, 30, 20, 15, kTransparent);
  expect.blit_from(45, 33, 20, 15, before, 40, 30);
  EXPECT_TRUE(same(r.layer(), expect));
  EXPECT_TRUE(r.undo.undo(r.doc).done);
  EXPECT_TRUE(same(r.layer(), before));
}

TEST(Selection, PasteAsCompositeDecidesHowTransparencyLands) {
  for (const bool composite : {false, true}) {
    SCOPED_TRACE(composite ? "composite" : "replace");
    Rig r;
    r.set_composite(composite);
    r.layer().fill(0xFFFF0000);
    LayerImage image;
    image.create(4, 4);
    image.fill(kTransparent);
    image.fill_rect(0, 0, 2, 4, 0x800000FF);
    ASSERT_TRUE(r.tool->paste(std::move(image), 10, 10));
    r.tool->end_selection();
    const Pixel clear = r.layer().get_pixel(12, 10), half = r.layer().get_pixel(10, 10);
    if (composite) {
      EXPECT_EQ(clear, 0xFFFF0000u) << "transparent parts leave what is below";
      LayerImage ref;
      ref.create(1, 1);
      ref.fill(0xFFFF0000);
      LayerImage dot;
      dot.create(1, 1);
      dot.fill(0x800000FF);
      ref.blend_from(0, 0, dot, 0, 0, 1, 1);
      EXPECT_EQ(half, ref.get_pixel(0, 0));
    } else {
      EXPECT_EQ(clear, kTransparent) << "transparent parts replace what is below";
      EXPECT_EQ(half, 0x800000FFu);
    }
    EXPECT_TRUE(r.undo.undo(r.doc).done);
    for (int y = 0; y < r.doc.height(); ++y)
      for (int x = 0; x < r.doc.width(); ++x) ASSERT_EQ(r.layer().get_pixel(x, y), 0xFFFF0000u);
  }
}

TEST(Selection, PastePositionCentresAndStaysInside) {
  Rig r;
  EXPECT_EQ(paste_position(r.doc, 10, 10, {32, 24}), (IntPoint{27, 19}));
  EXPECT_EQ(paste_position(r.doc, 10, 10, {2, 46}), (IntPoint{0, 38}));
  // Larger than the canvas: centred, not moved.
  EXPECT_EQ(paste_position(r.doc, 100, 10, {32, 24}), (IntPoint{-18, 19}));
}

TEST(Selection, RotateNinetyKeepsTheCentre) {
  Rig r(200, 200);
  const LayerImage before = copy_of(r.layer());
  r.sel.set(r.doc, 50, 80, 149, 119);  // 100 × 40
  ASSERT_TRUE(rotate_selection_90(r.doc, r.sel, true).done);
  EXPECT_EQ(r.sel.frame(), (Rect{80, 50, 40, 100}));
  EXPECT_TRUE(same(r.layer(), test::reference_rotate_90(before, {50, 80, 100, 40}, true)));
  EXPECT_TRUE(r.undo.undo(r.doc).done);
  EXPECT_TRUE(same(r.layer(), before)) << "the old area outside the new one comes back too";

  // A block turned past the canvas edge: the frame is cut like Set selection.
  r.sel.set(r.doc, 0, 0, 99, 9);
  ASSERT_TRUE(rotate_selection_90(r.doc, r.sel, false).done);
  EXPECT_EQ(r.sel.frame(), (Rect{45, 0, 10, 55}));
  EXPECT_TRUE(same(r.layer(), test::reference_rotate_90(before, {0, 0, 100, 10}, false)));
}

TEST(Selection, BlockOperationsMatchTheReference) {
  Rig r;
  const LayerImage before = copy_of(r.layer());
  const Rect a{5, 7, 13, 9};
  r.sel.set_rect(r.doc, a);
  for (const bool vertical : {false, true}) {
    ASSERT_TRUE(flip_selection(r.doc, r.sel, vertical).done);
    EXPECT_TRUE(same(r.layer(), test::reference_flip(before, a, vertical)));
    r.undo.undo(r.doc);
  }
  const std::pair<PatternSpread, Rect> spreads[] = {
      {PatternSpread::kWhole, r.doc.bounds()},
      {PatternSpread::kRows, {0, a.y, 64, a.h}},
      {PatternSpread::kColumns, {a.x, 0, a.w, 48}}};
  for (const auto& [spread, region] : spreads) {
    const SelectionEdit e = make_pattern(r.doc, r.sel, spread);
    ASSERT_TRUE(e.done);
    EXPECT_EQ(e.changed, region);
    EXPECT_TRUE(same(r.layer(), test::reference_pattern(before, a, region)));
    r.undo.undo(r.doc);
  }
  ASSERT_TRUE(same(r.layer(), before));
  // Without a frame the area is the whole image: no pattern, no trim.
  r.sel.clear();
  EXPECT_FALSE(make_pattern(r.doc, r.sel, PatternSpread::kWhole).done);
  EXPECT_FALSE(trim_to_selection(r.doc, r.sel).done);
  EXPECT_EQ(r.undo.undo_count(), 0);
}

TEST(Selection, TrimCropsEveryLayer) {
  Rig r;
  r.doc.add_layer(true, false);
  r.sel.set(r.doc, 10, 20, 29, 29);
  const LayerImage before = copy_of(r.layer());
  const SelectionEdit e = trim_to_selection(r.doc, r.sel);
  ASSERT_TRUE(e.done);
  EXPECT_TRUE(e.canvas_resized);
  EXPECT_EQ(r.doc.width(), 20);
  EXPECT_EQ(r.doc.height(), 10);
  EXPECT_FALSE(r.sel.has_frame()) << "the selection does not outlive the canvas";
  for (int i = 0; i < r.doc.layer_count(); ++i)
    EXPECT_EQ(r.doc.layer_at(i)->image.get_pixel(3, 4), before.get_pixel(13, 24));
  EXPECT_TRUE(r.undo.undo(r.doc).done);
  EXPECT_EQ(r.doc.width(), 64);
  EXPECT_TRUE(same(r.layer(), before));
}

TEST(Selection, FrameIsCutToACanvasThatShrank) {
  Rig r;
  r.sel.set(r.doc, 40, 30, 60, 45);
  Document small;
  small.new_canvas(50, 35, true);
  r.sel.fit_to(small);
  EXPECT_EQ(r.sel.frame(), (Rect{40, 30, 10, 5}));
  Document tiny;
  tiny.new_canvas(20, 20, true);
  r.sel.fit_to(tiny);
  EXPECT_FALSE(r.sel.has_frame());
}

// Every pixel command, then undo: the layer comes back bit for bit.
TEST(Selection, EveryCommandUndoesBitForBit) {
  using Edit = std::function<bool(Rig&)>;
  const std::pair<const char*, Edit> edits[] = {
      {"cut", [](Rig& r) { LayerImage b; return cut_selection(r.doc, r.sel, b).done; }},
      {"fill", [](Rig& r) { return fill_selection(r.doc, r.sel, 0xFF123456).done; }},
      {"erase", [](Rig& r) { return fill_selection(r.doc, r.sel, kTransparent).done; }},
      {"flip", [](Rig& r) { return flip_selection(r.doc, r.sel, false).done; }},
      {"rotate right", [](Rig& r) { return rotate_selection_90(r.doc, r.sel, true).done; }},
      {"rotate left", [](Rig& r) { return rotate_selection_90(r.doc, r.sel, false).done; }},
      {"rotate 33", [](Rig& r) { return rotate_selection(r.doc, r.sel, 33, true).done; }},
      {"rotate -100", [](Rig& r) { return rotate_selection(r.doc, r.sel, -100, false).done; }},
      {"scale up", [](Rig& r) { return scale_selection(r.doc, r.sel, 50, 30, ResampleMethod::Lanczos3).done; }},
      {"scale down", [](Rig& r) { return scale_selection(r.doc, r.sel, 5, 3, ResampleMethod::Bilinear).done; }},
      {"pattern", [](Rig& r) { return make_pattern(r.doc, r.sel, PatternSpread::kColumns).done; }},
      {"paste", [](Rig& r) {
         LayerImage b;
         copy_selection(r.doc, r.sel, b);
         r.sel.clear();
         const bool pasted = r.tool->paste(std::move(b), 50, 40);  // partly off the canvas
         r.tool->end_selection();
         return pasted;
       }},
  };
  for (const Rect frame : {Rect{30, 20, 20, 9}, Rect{0, 0, 0, 0}}) {
    for (const auto& [name, edit] : edits) {
      // A pattern of the whole image is no change.
      if (frame.empty() && std::string(name) == "pattern") continue;
      SCOPED_TRACE(std::string(name) + (frame.empty() ? " (whole image)" : " (frame)"));
      Rig r;
      if (!frame.empty()) r.sel.set_rect(r.doc, frame);
      const LayerImage before = copy_of(r.layer());
      ASSERT_TRUE(edit(r));
      EXPECT_FALSE(same(r.layer(), before));
      ASSERT_TRUE(r.undo.undo(r.doc).done);
      EXPECT_TRUE(same(r.layer(), before));
    }
  }
}

TEST(Selection, CommandsAreRefusedWhileFloating) {
  Rig r;
  r.sel.set(r.doc, 5, 5, 20, 20);
  ASSERT_TRUE(r.sel.lift(r.doc, false));
  const LayerImage before = copy_of(r.layer());
  LayerImage buffer;
  EXPECT_FALSE(select_all(r.doc, r.sel));
  EXPECT_FALSE(r.sel.set(r.doc, 0, 0, 10, 10));
  EXPECT_FALSE(copy_selection(r.doc, r.sel, buffer));
  EXPECT_FALSE(cut_selection(r.doc, r.sel, buffer).done);
  EXPECT_FALSE(fill_selection(r.doc, r.sel, 0xFF000000).done);
  EXPECT_FALSE(flip_selection(r.doc, r.sel, true).done);
  EXPECT_FALSE(rotate_selection_90(r.doc, r.sel, true).done);
  EXPECT_FALSE(rotate_selection(r.doc, r.sel, 45, true).done);
  EXPECT_FALSE(trim_to_selection(r.doc, r.sel).done);
  EXPECT_FALSE(scale_selection(r.doc, r.sel, 3, 3, ResampleMethod::Nearest).done);
  EXPECT_FALSE(make_pattern(r.doc, r.sel, PatternSpread::kWhole).done);
  EXPECT_FALSE(selection_image(r.doc, r.sel, buffer, false));
  EXPECT_FALSE(r.tool->paste(LayerImage{}, 0, 0));
  EXPECT_TRUE(same(r.layer(), before));
  EXPECT_EQ(r.undo.undo_count(), 0);
  EXPECT_TRUE(r.sel.floating());
}

TEST(Selection, EndingPointsAndHistory) {
  Rig r;
  // The pending step puts a floating image down and keeps its frame.
  r.sel.set(r.doc, 5, 5, 20, 20);
  r.drag({10, 10}, {13, 12});
  ASSERT_TRUE(r.sel.floating());
  r.pending.finish_all();
  EXPECT_EQ(r.sel.mode(), Selection::Mode::kFrame);
  EXPECT_EQ(r.sel.frame(), (Rect{8, 7, 16, 16}));
  EXPECT_EQ(r.undo.undo_count(), 1);
  // Undo ends the selection; a plain frame is set again after the step.
  const std::optional<Rect> frame = r.tool->end_for_history();
  EXPECT_FALSE(r.sel.has_frame());
  r.undo.undo(r.doc);
  r.tool->restore_frame(frame);
  EXPECT_EQ(r.sel.frame(), (Rect{8, 7, 16, 16}));
  // A change of tool ends it.
  r.model.set_tool(kToolPencil);
  EXPECT_FALSE(r.sel.has_frame());
}

// The composite path of a moving image against LayerImage::blend_from: every
// pair of alphas with channels across their range, values that land exactly
// on a rounding edge among them, and a random image partly off the layer.
TEST(FloatingBlend, EqualsBlendFromBitForBit) {
  LayerImage src, dst;
  ASSERT_TRUE(src.create(256, 256));
  ASSERT_TRUE(dst.create(256, 256));
  const uint32_t channels[] = {0, 1, 2, 3, 17, 85, 127, 128, 129, 170, 204, 254, 255};
  for (uint32_t sc : channels)
    for (uint32_t dc : channels) {
      for (int sa = 0; sa < 256; ++sa)
        for (int da = 0; da < 256; ++da) {
          *src.pixel_address(da, sa) = Pixel(sa) << 24 | sc << 16 | dc << 8 | (sc ^ dc);
          *dst.pixel_address(da, sa) = Pixel(da) << 24 | dc << 16 | sc << 8 | (255 - sc);
        }
      LayerImage expect = copy_of(dst);
      expect.blend_from(0, 0, src, 0, 0, 256, 256);
      blend_floating(dst, 0, 0, src);
      ASSERT_TRUE(same(dst, expect)) << sc << " over " << dc;
    }
  std::mt19937 rng(11);
  for (size_t i = 0; i < src.pixel_count(); ++i) {
    src.pixels()[i] = rng();
    dst.pixels()[i] = rng();
  }
  LayerImage expect = copy_of(dst);
  expect.blend_from(-40, 100, src, 0, 0, 256, 256);
  blend_floating(dst, -40, 100, src);
  EXPECT_TRUE(same(dst, expect));
}

}  // namespace
}  // namespace qm
