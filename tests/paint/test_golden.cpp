// Golden images: a fixed script of strokes and shapes, every tool at a few
// sizes, densities and pressures, each rendered on a small canvas and
// reduced to a hash of its raw pixels. Any change to a pixel anywhere in the
// engine shows up here. After a deliberate change of the arithmetic, run the
// test with QM_PRINT_GOLDEN=1 to print the new table.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "paint/curves.h"
#include "paint/line_figure.h"
#include "paint/random.h"
#include "paint/shapes.h"
#include "paint_test_util.h"

namespace qm {
namespace {

constexpr StrokeOptions kNoComposite{false};
constexpr int kW = 72, kH = 56;

const char* const kToolNames[] = {"pencil", "thin",  "pen",    "pen2",   "brush", "water", "spray",
                                  "doteraser", "peneraser", "brusheraser", "blur", "finger", "dodge", "burn"};

// A wavy stroke across the canvas at row `y`; pressure constant or rising.
void wave(Document& doc, const BrushSettings& s, double y, bool ramp) {
  FreehandStroke st;
  ASSERT_TRUE(st.begin(doc, s, {3.3, y}, ramp ? 0.0 : 1.0, kNoComposite));
  for (int i = 1; i <= 40; ++i) {
    const double t = i / 40.0;
    st.move({3.3 + 64 * t, y + 5 * std::sin(t * 9)}, ramp ? t : 1.0);
  }
  st.end();
}

uint64_t render(const std::function<void(Document&)>& script) {
  Document doc;
  test::make_doc(doc, kW, kH);
  test::paint_background(doc.current()->image);
  seed_shared_random(1234);
  script(doc);
  return test::hash_pixels(doc.current()->image);
}

const uint8_t* texture_bytes() {
  static uint8_t tex[7 * 5];
  for (int i = 0; i < 35; ++i) tex[i] = uint8_t((i * 97 + 31) & 255);
  return tex;
}

std::map<std::string, uint64_t> render_all() {
  std::map<std::string, uint64_t> out;
  for (int t = 0; t <= int(PaintTool::Burn); ++t) {
    const PaintTool tool = PaintTool(t);
    for (int size : {2, 9, 31}) {
      // Four strokes: density 255 and 90, pressure 1 and rising.
      out[std::string(kToolNames[t]) + "/stroke/" + std::to_string(size)] = render([&](Document& doc) {
        wave(doc, test::brush(tool, size, 255, 0x2080D0), 9, false);
        wave(doc, test::brush(tool, size, 255, 0xD04010), 22, true);
        wave(doc, test::brush(tool, size, 90, 0x10A040), 35, false);
        wave(doc, test::brush(tool, size, 90, 0x604080), 48, true);
      });
    }
    // Shapes at one size; the finger only draws lines.
    out[std::string(kToolNames[t]) + "/shapes"] = render([&](Document& doc) {
      const BrushSettings s = test::brush(tool, 5, 200, 0x3060C0);
      draw_line(doc, s, {2.5, 50}, {69, 3.2}, kNoComposite);
      draw_rectangle(doc, s, {4, 4}, {30, 26}, false, true, kNoComposite);
      draw_rectangle(doc, s, {40, 30}, {66, 52}, t == int(PaintTool::Finger) ? false : true, false, kNoComposite);
      draw_ellipse(doc, s, {34, 2}, {70, 24}, false, kNoComposite);
      draw_ellipse(doc, s, {3, 30}, {33, 53}, true, kNoComposite);
      draw_bezier(doc, s, {PointF{1, 28}, PointF{20, -10}, PointF{50, 70}, PointF{71, 28}}, kNoComposite);
      SplinePoints sp;
      for (IntPoint p : {IntPoint{5, 40}, IntPoint{20, 10}, IntPoint{36, 45}, IntPoint{60, 8}}) sp.add(p);
      draw_spline(doc, s, sp, kNoComposite);
      LineFigure poly;
      ASSERT_TRUE(poly.begin(doc, s, LineFigureKind::Polyline, {10, 10}, kNoComposite));
      poly.add({60, 12});
      poly.add({35, 50});
      poly.end();
      draw_concentrated_lines(doc, s, {36, 28}, {{0, 0}, {71, 0}, {71, 55}, {0, 55}}, kNoComposite);
    });
  }
  // Options and masks.
  auto variant = [&](const std::string& name, const std::function<void(BrushSettings&, Layer&)>& set) {
    out[name] = render([&](Document& doc) {
      // A flat block of a colour the colour masks list.
      doc.current()->image.fill_rect(20, 0, 30, 56, 0xFF00FF80);
      for (PaintTool tool : {PaintTool::Pencil, PaintTool::Pen, PaintTool::Brush, PaintTool::Spray,
                             PaintTool::PenEraser, PaintTool::Blur}) {
        BrushSettings s = test::brush(tool, 11, 200, 0xC03060);
        set(s, *doc.current());
        wave(doc, s, 8 + 8 * int(tool) % 48, false);
      }
    });
  };
  variant("mask/transparent", [](BrushSettings&, Layer& l) { l.mask_mode = 1; });
  variant("mask/opaque", [](BrushSettings&, Layer& l) { l.mask_mode = 2; });
  // Mask mode 3 leaves colour under alpha 0; a later stroke keeps it wherever it paints nothing.
  variant("mask/alpha", [](BrushSettings&, Layer& l) { l.mask_mode = 3; });
  variant("colourmask/protect", [](BrushSettings& s, Layer&) {
    s.colour_mask_type = 1;
    s.colour_mask_count = 2;
    s.colour_mask = {0x000000, 0x00FF80};
  });
  variant("colourmask/only", [](BrushSettings& s, Layer&) {
    s.colour_mask_type = 2;
    s.colour_mask_count = 1;
    s.colour_mask = {0x000000};
  });
  variant("texture", [](BrushSettings& s, Layer&) { s.texture = {7, 5, texture_bytes()}; });
  variant("options", [](BrushSettings& s, Layer&) {
    if (s.tool == PaintTool::Pencil) s.option_word = int(DotShapeKind::Sparkle) | kPencilBlend;
    if (s.tool == PaintTool::Pen) s.option_word = 0x7808;  // soft tip, curves, 8 samples, no pressure size
    if (s.tool == PaintTool::Brush) s.option_word = 0x1040;
  });
  for (int shape = 0; shape < kDotShapeCount; ++shape)
    out["pencil/dot" + std::to_string(shape)] = render([&](Document& doc) {
      BrushSettings s = test::brush(PaintTool::Pencil, 7, 255, 0x102030);
      s.option_word = shape;
      wave(doc, s, 20, false);
    });
  for (int water = 0; water < 4; ++water)
    out["water/amount" + std::to_string(water)] = render([&](Document& doc) {
      BrushSettings s = test::brush(PaintTool::Watercolour, 12, 255, 0x00C0FF);
      s.option_word = (water << 16) | 0x1400;
      wave(doc, s, 28, true);
    });
  return out;
}

// Recorded from this engine; see the note at the top.
const std::map<std::string, uint64_t> kGolden = {
    {"blur/shapes", 0x2C5D9397429BD30Bull},
    {"blur/stroke/2", 0x4E5AB897D99B396Aull},
    {"blur/stroke/31", 0xBFB6BD030B4BEEA3ull},
    {"blur/stroke/9", 0xAB2D22D30B98190Aull},
    {"brush/shapes", 0x991409917B38C5EBull},
    {"brush/stroke/2", 0x79CB0769B43A4E04ull},
    {"brush/stroke/31", 0x4587AD61FC27E6FFull},
    {"brush/stroke/9", 0xF68235DCFC685571ull},
    {"brusheraser/shapes", 0x64A6F91AF19D59FEull},
    {"brusheraser/stroke/2", 0x026C55223FD4682Cull},
    {"brusheraser/stroke/31", 0x63E7FACCFF62312Full},
    {"brusheraser/stroke/9", 0x0D09399E33516CADull},
    {"burn/shapes", 0x735DA857D42EA513ull},
    {"burn/stroke/2", 0xFE1D7FDD4CC30F5Bull},
    {"burn/stroke/31", 0x76C94AE41434D43Eull},
    {"burn/stroke/9", 0x675EEB7C84EE8D1Bull},
    {"colourmask/only", 0x63656B21BD4214C3ull},
    {"colourmask/protect", 0x460DB120B72A766Full},
    {"dodge/shapes", 0x04198B2D37731441ull},
    {"dodge/stroke/2", 0xBDEB3ECA96E40960ull},
    {"dodge/stroke/31", 0xD7BBD5CBFEA6B4F7ull},
    {"dodge/stroke/9", 0x08772DDA207751E9ull},
    {"doteraser/shapes", 0x565B6A6D53C57754ull},
    {"doteraser/stroke/2", 0x6513EDF585121339ull},
    {"doteraser/stroke/31", 0xF8C1BC864B5069A2ull},
    {"doteraser/stroke/9", 0xC0EF20B401F981F4ull},
    {"finger/shapes", 0x3C55C0A6A0FE7649ull},
    {"finger/stroke/2", 0x46DF4C25081761DBull},
    {"finger/stroke/31", 0x398DC6564CA7DE20ull},
    {"finger/stroke/9", 0xAA0B2D25ECA9995Full},
    {"mask/alpha", 0x291AAC8221C13A01ull},
    {"mask/opaque", 0xC926CFE355D24754ull},
    {"mask/transparent", 0xCCC3776ED387E2C9ull},
    {"options", 0x44D0FCA7D92E108Full},
    {"pen/shapes", 0xEEE3B19ED5A5FF14ull},
    {"pen/stroke/2", 0xA37DF876A7313839ull},
    {"pen/stroke/31", 0x196CBDA75FD17D08ull},
    {"pen/stroke/9", 0x14A2F22D3598B2E9ull},
    {"pen2/shapes", 0x0D3278C64A45813Bull},
    {"pen2/stroke/2", 0xD95D1B578D5C3921ull},
    {"pen2/stroke/31", 0xFBD50BF2A3DC2F95ull},
    {"pen2/stroke/9", 0x9F96613724901D3Dull},
    {"pencil/dot0", 0xF50602896C3E41D7ull},
    {"pencil/dot1", 0x9EF40BF4B6F644C1ull},
    {"pencil/dot2", 0x4976A39D63414DCDull},
    {"pencil/dot3", 0x264725F23A8D37A1ull},
    {"pencil/dot4", 0xB72757959DB39948ull},
    {"pencil/dot5", 0xF31A2CA25B416FD1ull},
    {"pencil/dot6", 0x260FCFDCDE4EF0A3ull},
    {"pencil/dot7", 0x25E6C8B05C04BDECull},
    {"pencil/dot8", 0x272A7E06F52504A6ull},
    {"pencil/dot9", 0x0D1B6869B55235CCull},
    {"pencil/shapes", 0xCF0DA086D2EA531Dull},
    {"pencil/stroke/2", 0x5ABC8F1C54578D17ull},
    {"pencil/stroke/31", 0x74F8063C7DFF8FC8ull},
    {"pencil/stroke/9", 0x8E1A58E4441C08BCull},
    {"peneraser/shapes", 0x42B2C0741B6931F5ull},
    {"peneraser/stroke/2", 0x19FDB004DA26BDAFull},
    {"peneraser/stroke/31", 0x8CD7B460F8C5B429ull},
    {"peneraser/stroke/9", 0x3EB4DE608E23CDFEull},
    {"spray/shapes", 0x214CA46FAE8A9530ull},
    {"spray/stroke/2", 0xBD31E7DE5C7D18CFull},
    {"spray/stroke/31", 0x4E3AB36A750A3B99ull},
    {"spray/stroke/9", 0xC627B8CB570F2946ull},
    {"texture", 0x7E0F423994E9E7DAull},
    {"thin/shapes", 0x9D406978D86A01DDull},
    {"thin/stroke/2", 0xB0AAB4DB76513814ull},
    {"thin/stroke/31", 0xB0AAB4DB76513814ull},
    {"thin/stroke/9", 0xB0AAB4DB76513814ull},
    {"water/amount0", 0xC7644B4191116D18ull},
    {"water/amount1", 0x889E3E0BBD31B748ull},
    {"water/amount2", 0x7C85C8B57154137Bull},
    {"water/amount3", 0x2D798B9F788736FAull},
    {"water/shapes", 0x99BF0D5860D52E77ull},  // figures through the stroke buffer
    {"water/stroke/2", 0xBA83F032812D45B8ull},
    {"water/stroke/31", 0x34F13F0475E64E14ull},
    {"water/stroke/9", 0xBC3843151575E695ull},
};

TEST(Golden, ScriptedStrokesAndShapesKeepTheirPixels) {
  const std::map<std::string, uint64_t> now = render_all();
  if (std::getenv("QM_PRINT_GOLDEN")) {
    for (const auto& [name, hash] : now) std::printf("    {\"%s\", 0x%016llXull},\n", name.c_str(), (unsigned long long)hash);
    GTEST_SKIP() << "printed " << now.size() << " hashes";
  }
  ASSERT_EQ(now.size(), kGolden.size());
  for (const auto& [name, hash] : kGolden) {
    ASSERT_TRUE(now.count(name)) << name;
    EXPECT_EQ(now.at(name), hash) << name;
  }
}

}  // namespace
}  // namespace qm
