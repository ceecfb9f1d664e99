// The alpha operations and Operate With Layer against the plain reference,
// run the way the program runs them (target rectangle, undo step).
#include <gtest/gtest.h>

#include "alpha_reference.h"
#include "document/document.h"
#include "document/undo_history.h"
#include "filters/filter_run.h"

namespace qm::filters {
namespace {

constexpr uint32_t kF = 0x336699, kK = 0xFF8000;

struct Fixture {
  UndoHistory undo;
  Document doc;
  Fixture() {
    doc.set_undo_recorder(&undo);
    doc.new_canvas(37, 23, true);
    doc.create_layer(true);
    doc.create_layer(true);
    for (int i = 0; i < 3; ++i) test::fill_random(doc.layer_at(i)->image, uint32_t(i + 7), kF);
    doc.select(1);
  }
  ~Fixture() { doc.set_undo_recorder(nullptr); }
  FilterEnvironment env() const { return {kF, kK, &doc}; }
};

std::vector<Pixel> pixels_of(const LayerImage& img) {
  return {img.pixels(), img.pixels() + img.pixel_count()};
}

// Runs `id` over `rect` and checks every pixel: reference inside, untouched outside.
template <typename Ref>
void check_run(Fixture& f, int id, const FilterValues& values, Rect rect, Ref ref) {
  const std::vector<Pixel> before = pixels_of(f.doc.current()->image);
  ASSERT_EQ(apply_filter(*find_filter_command(id), f.doc, values, f.env(), rect, nullptr),
            FilterStatus::kDone);
  const LayerImage& img = f.doc.current()->image;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const Pixel was = before[size_t(y) * size_t(img.width()) + size_t(x)];
      const Pixel want = rect.contains(x, y) ? ref(was, x, y) : was;
      ASSERT_EQ(img.get_pixel(x, y), want) << id << " at " << x << "," << y;
    }
  // One undo step brings back every pixel.
  EXPECT_TRUE(f.undo.undo(f.doc).done);
  EXPECT_EQ(pixels_of(f.doc.current()->image), before);
}

TEST(AlphaOperations, EveryOperationMatchesTheReference) {
  const Rect rect{3, 2, 30, 17};
  for (int mode = 0; mode < 4; ++mode) {
    Fixture f;
    check_run(f, 41800 + mode, {}, rect,
              [&](Pixel p, int, int) { return test::ref_colour_op(p, mode, kF, kK); });
    check_run(f, 41810 + mode, {}, rect,
              [&](Pixel p, int, int) { return test::ref_alpha_op(p, mode); });
  }
  for (int op = 0; op < 8; ++op)
    for (int other : {0, 1, 2}) {  // above, itself, below
      Fixture f;
      FilterValues v;
      v.list = {other, op};
      const LayerImage& o = f.doc.layer_at(other)->image;
      std::vector<Pixel> other_before = pixels_of(o);
      check_run(f, 41012, v, rect, [&](Pixel p, int x, int y) {
        return test::ref_operate(p, other_before[size_t(y) * size_t(o.width()) + size_t(x)], op);
      });
    }
}

TEST(AlphaOperations, EdgeCases) {
  using test::ref_operate;
  EXPECT_EQ(ref_operate(0xFF102030, 0xFF000000, 5), 0xFF102030u);
  EXPECT_EQ(alpha_of(ref_operate(0xFF102030, 0x01000000, 5)), 1);
  EXPECT_EQ(ref_operate(0x01102030, 0x7F000000, 5), 0x00FFFFFFu);
  EXPECT_EQ(alpha_of(ref_operate(0xC0000000, 0xC0000000, 3)), 255);
  EXPECT_EQ(ref_operate(0x40000000, 0xC0000000, 4), 0x00FFFFFFu);

  Fixture f;
  LayerImage& img = f.doc.current()->image;
  const FilterCommand& all_opaque = *find_filter_command(41813);
  auto run = [&](int id) {
    apply_filter(*find_filter_command(id), f.doc, {}, f.env(), f.doc.bounds(), nullptr);
  };
  // 41802 on an opaque layer and 41801 on a layer of F alone change nothing.
  apply_filter(all_opaque, f.doc, {}, f.env(), f.doc.bounds(), nullptr);
  std::vector<Pixel> opaque = pixels_of(img);
  run(41802);
  EXPECT_EQ(pixels_of(img), opaque);
  img.fill(0xFF000000 | kF);
  run(41801);
  EXPECT_EQ(img.get_pixel(0, 0), 0xFF000000 | kF);
  // White goes with 41810, black with 41811, both to transparent white.
  img.fill(0xFFFFFFFF);
  run(41810);
  EXPECT_EQ(img.get_pixel(5, 5), 0x00FFFFFFu);
  img.fill(0xFF000000);
  run(41811);
  EXPECT_EQ(img.get_pixel(5, 5), 0x00FFFFFFu);
  // A transparent pixel becomes opaque black under 41812.
  img.fill(kTransparent);
  run(41812);
  EXPECT_EQ(img.get_pixel(5, 5), 0xFF000000u);
}

TEST(FilterRun, TargetAndStatus) {
  Fixture f;
  struct Sel : SelectionArea {
    std::optional<Rect> r;
    std::optional<Rect> selection_rect() const override { return r; }
  } sel;
  EXPECT_EQ(target_rectangle(f.doc, nullptr), f.doc.bounds());
  EXPECT_EQ(target_rectangle(f.doc, &sel), f.doc.bounds());
  sel.r = Rect{30, -5, 20, 10};
  EXPECT_EQ(target_rectangle(f.doc, &sel), (Rect{30, 0, 7, 5}));
  sel.r = Rect{40, 0, 5, 5};
  EXPECT_TRUE(target_rectangle(f.doc, &sel).empty());

  const std::vector<Pixel> before = pixels_of(f.doc.current()->image);
  const int steps = f.undo.undo_count();
  EXPECT_EQ(apply_filter(*find_filter_command(41813), f.doc, {}, f.env(), Rect{}, nullptr),
            FilterStatus::kNothing);
  FilterCommand missing = *find_filter_command(41813);
  missing.run = nullptr;
  EXPECT_EQ(apply_filter(missing, f.doc, {}, f.env(), f.doc.bounds(), nullptr),
            FilterStatus::kUnavailable);
  EXPECT_EQ(f.undo.undo_count(), steps);
  EXPECT_EQ(pixels_of(f.doc.current()->image), before);
}

}  // namespace
}  // namespace qm::filters
