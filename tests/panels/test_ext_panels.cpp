// The palette, extended palette, texture, preview and image view windows,
// offscreen, with a plain widget standing in for the main window.
#include <gtest/gtest.h>

#include <QDir>
#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QScreen>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include "app/app_state.h"
#include "app/drawing_state_signals.h"
#include "core/colour.h"
#include "panels/ex_palette_panel.h"
#include "panels/image_view_panel.h"
#include "panels/palette_panel.h"
#include "panels/palette_panel_edit.h"
#include "panels/picture_files.h"
#include "panels/preview_panel.h"
#include "panels/texture_panel.h"

namespace qm {
namespace {

class ExtPanels : public ::testing::Test {
 protected:
  ExtPanels() : drawing_signals(state.drawing) {
    context.state = &state;
    context.drawing = &drawing_signals;
    context.main_window = &owner;
    context.key_target = &owner;
    context.run_command = [](int) { return true; };
    owner.show();
  }
  uint32_t colour() const { return state.drawing.state().current_colour_value(); }
  // A w × h picture file whose pixel (x, y) is (x, y, 100).
  QString picture(const QString& name, int w = 8, int h = 8) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x & 255, y & 255, 100));
    const QString path = dir.filePath(name);
    const QString ext = QFileInfo(path).suffix().toLower();
    EXPECT_TRUE(image.save(path, ext == QStringLiteral("jpg") || ext == QStringLiteral("jpeg") ? "JPEG" : "PNG"));
    return path;
  }
  template <class P>
  std::unique_ptr<P> make() {
    auto panel = std::make_unique<P>(context);
    panel->message = [this](const QString& text) { messages << text; };
    return panel;
  }

  AppState state;
  DrawingStateSignals drawing_signals;
  QWidget owner;
  PanelContext context;
  QTemporaryDir dir;
  QStringList messages;
};

// --- extended palette ---------------------------------------------------------

TEST_F(ExtPanels, ExPaletteClicksSetTheColourAtOnce) {
  ExPalettePanel panel(context);
  ExPaletteGrid* grid = panel.grid();
  // Grid cell (2, 3): lightness 77, saturation 80 in hue 0.
  QTest::mouseClick(grid, Qt::LeftButton, {}, QPoint(3 + 9 * 2 + 4, 3 + 9 * 3 + 4));
  EXPECT_EQ(colour(), hls_to_rgb(0, 77, 80));
  // A hue in the second column (hue 180 + 12·4) redraws the grid and takes
  // the selected cell in it.
  QTest::mouseClick(grid, Qt::LeftButton, {}, QPoint(118, 3 + 9 * 4 + 2));
  EXPECT_EQ(grid->hue_index(), 19);
  EXPECT_EQ(colour(), hls_to_rgb(228, 77, 80));
  // The gap, the right edge and the border are ignored.
  state.drawing.set_current_colour_value(0x123456);
  for (QPoint p : {QPoint(95, 20), QPoint(126, 20), QPoint(20, 139), QPoint(2, 20)})
    QTest::mouseClick(grid, Qt::LeftButton, {}, p);
  EXPECT_EQ(colour(), 0x123456u);
  // Layout 2, column 9: saturation 15 at value 82, row 5 hue 150.
  panel.set_type(2);
  EXPECT_EQ(grid->selected(), QPoint(0, 0));
  EXPECT_EQ(state.settings.env.ex_pal_type, 2);
  QTest::mouseClick(grid, Qt::LeftButton, {}, QPoint(3 + 9 * 9 + 3, 3 + 11 * 5 + 3));
  EXPECT_EQ(colour(), hsv_to_rgb_percent(150, 15, 82));
  QTest::mouseClick(grid, Qt::LeftButton, {}, QPoint(121, 20));
  EXPECT_EQ(colour(), hsv_to_rgb_percent(150, 15, 82));
  EXPECT_EQ(ex_palette_colour(1, 0, 8, 0), hsv_to_rgb_percent(0, 85, 70));
}

// --- palette ----------------------------------------------------------------

Palette numbered() {
  Palette p;
  for (int i = 0; i < kPaletteColours; ++i) p[size_t(i)] = uint32_t(i);
  return p;
}

TEST(PaletteEdit, InsertDeleteAndRamps) {
  Palette p = numbered();
  palette_delete(p, 1023);
  EXPECT_EQ(p[1023], kPaletteUnused);
  EXPECT_EQ(p[1022], 1022u);
  p = numbered();
  palette_insert(p, 5);
  EXPECT_EQ(p[5], kPaletteUnused);
  EXPECT_EQ(p[6], 5u);
  EXPECT_EQ(p[1023], 1022u);
  p = numbered();
  palette_delete_between(p, 12, 10);
  EXPECT_EQ(p[10], 13u);
  EXPECT_EQ(p[1020], 1023u);
  EXPECT_EQ(p[1021], kPaletteUnused);
  p = numbered();
  palette_insert_between(p, 1020, 1023);
  EXPECT_EQ(p[1019], 1019u);
  EXPECT_EQ(p[1020], kPaletteUnused);
  EXPECT_EQ(p[1023], kPaletteUnused);
  p[0] = 0x000000;
  p[4] = 0xFF0810;
  palette_ramp(p, 4, 0);
  EXPECT_EQ(p[1], 0x3F0204u);  // 255·1/4, 8·1/4, 16·1/4, truncated
  EXPECT_EQ(p[3], 0xBF060Cu);
}

TEST(PaletteEdit, RgbTextAndHsvOrder) {
  EXPECT_EQ(parse_rgb_text("300,-5,7"), 0xFF0507u);
  EXPECT_EQ(parse_rgb_text(" 1 2x3 9"), 0x010203u);
  EXPECT_EQ(parse_rgb_text("99999999999999999999,0,0"), 0xFF0000u);
  EXPECT_FALSE(parse_rgb_text("12,34"));
  Palette p = white_palette();
  p[0] = 0x0000FF;
  p[1] = 0x808080;
  p[2] = 0xFF0000;
  p[3] = 0x00FF00;
  p[5] = 0x101010;
  palette_sort_hsv(p);
  EXPECT_EQ(p[0], 0x101010u);
  EXPECT_EQ(p[1], 0x808080u);
  EXPECT_EQ(p[2], 0xFF0000u);
  EXPECT_EQ(p[3], 0x00FF00u);
  EXPECT_EQ(p[4], 0x0000FFu);
  EXPECT_EQ(p[5], kPaletteUnused);
}

TEST_F(ExtPanels, PaletteEditDialogButtons) {
  PaletteEditDialog dialog(numbered(), nullptr);
  dialog.select(0, 3);
  dialog.select(1, 4);
  dialog.press(4);  // b − a = 1: no gradient
  EXPECT_EQ(dialog.palette()[3], 3u);
  dialog.rgb_edit()->setText(QStringLiteral("12,34"));
  dialog.press(5);
  EXPECT_EQ(dialog.palette()[3], 3u);
  dialog.rgb_edit()->setText(QStringLiteral("300,-5,7"));
  dialog.press(5);
  EXPECT_EQ(dialog.palette()[3], 0xFF0507u);
  dialog.select(1, 1);
  dialog.press(3);  // deletes 1 … 3
  EXPECT_EQ(dialog.palette()[1], 4u);
}

TEST_F(ExtPanels, PaletteTabsClicksAndFiles) {
  state.palettes.add_palette();
  state.settings.env.pal_def_tab = 1;
  auto panel = make<PalettePanel>();
  EXPECT_EQ(panel->current(), 1);
  while (state.palettes.count() < kMaxPalettes) EXPECT_TRUE(panel->add_tab());
  EXPECT_FALSE(panel->add_tab());
  EXPECT_EQ(panel->tabs()->count(), 10);
  EXPECT_EQ(panel->current(), 9);
  panel->select_tab(4);
  EXPECT_TRUE(panel->delete_tab());
  EXPECT_EQ(panel->tabs()->tabText(8), QStringLiteral("9"));
  panel->select_tab(8);
  EXPECT_TRUE(panel->delete_tab());
  EXPECT_EQ(panel->current(), 7);  // past the end: the last
  while (state.palettes.count() > 1) panel->delete_tab();
  EXPECT_FALSE(panel->delete_tab());

  // Left click takes, control + click stores, right click as PalRBtt says.
  state.palettes.palette(0)[2] = 0x112233;
  PaletteGrid* grid = panel->grid();
  grid->resize(13 * 10 + 1, 200);
  QTest::mouseClick(grid, Qt::LeftButton, {}, QPoint(13 * 2 + 5, 5));
  EXPECT_EQ(colour(), 0x112233u);
  state.drawing.set_current_colour_value(0x445566);
  QTest::mouseClick(grid, Qt::LeftButton, Qt::ControlModifier, QPoint(13 * 3 + 5, 13 + 5));
  EXPECT_EQ(state.palettes.palette(0)[13], 0x445566u);
  panel->apply_view_settings(12, 12, 1);
  QTest::mouseClick(grid, Qt::RightButton, {}, QPoint(13 * 2 + 5, 5));
  EXPECT_EQ(colour(), 0x112233u);
  EXPECT_EQ(grid->layout().hit(13 * 10 + 2, 5, 0), -1);
  // Alt + drag from cell 0 to cell 4 ramps between their colours; a release
  // on the pressed cell changes nothing.
  state.palettes.palette(0)[0] = 0x000000;
  state.palettes.palette(0)[4] = 0x0000FF;
  QTest::mousePress(grid, Qt::LeftButton, Qt::AltModifier, QPoint(5, 5));
  QTest::mouseMove(grid, QPoint(13 * 4 + 5, 5));
  QTest::mouseRelease(grid, Qt::LeftButton, Qt::AltModifier, QPoint(13 * 4 + 5, 5));
  EXPECT_EQ(state.palettes.palette(0)[1], 0x00003Fu);
  EXPECT_EQ(state.palettes.palette(0)[2], 0x00007Fu);
  QTest::mousePress(grid, Qt::LeftButton, Qt::AltModifier, QPoint(13 + 5, 5));
  QTest::mouseRelease(grid, Qt::LeftButton, Qt::AltModifier, QPoint(13 + 6, 6));
  EXPECT_EQ(state.palettes.palette(0)[1], 0x00003Fu);

  // A picture of more colours than cells; saves that fail say so.
  EXPECT_TRUE(panel->from_picture(picture(QStringLiteral("big.png"), 64, 64)));
  EXPECT_NE(state.palettes.palette(0)[1023], kPaletteUnused);
  EXPECT_FALSE(panel->save_file(dir.filePath(QStringLiteral("no/such/dir/p.qml"))));
  EXPECT_FALSE(panel->open_file(dir.filePath(QStringLiteral("missing.qml"))));
  EXPECT_EQ(messages, (QStringList{QStringLiteral("保存に失敗しました"), QStringLiteral("열기 실패")}));
  const QString saved = dir.filePath(QStringLiteral("p.qml"));
  EXPECT_TRUE(panel->save_file(saved));
  panel->whiten();
  EXPECT_EQ(state.palettes.palette(0)[5], kPaletteUnused);
  EXPECT_TRUE(panel->open_file(saved));
  EXPECT_NE(state.palettes.palette(0)[5], kPaletteUnused);
}

// --- texture ----------------------------------------------------------------

TEST_F(ExtPanels, TextureSelectionFollowsTheLibrary) {
  auto panel = make<TexturePanel>();
  EXPECT_EQ(panel->selection(), -1);
  const QString small = picture(QStringLiteral("t.png"));
  EXPECT_EQ(panel->add_files({small, small, small}, false), 3);
  panel->select(2);
  panel->delete_selected();
  EXPECT_EQ(panel->selection(), 1);
  // Insert goes before the selection.
  EXPECT_EQ(panel->add_files({picture(QStringLiteral("w.png"), 20, 10)}, true), 1);
  EXPECT_EQ(state.textures.texture(1).width, 20);
  panel->grid()->resize(100, 100);
  panel->select(2);
  panel->set_thumb_size(0);
  EXPECT_EQ(panel->grid()->columns(), 5);
  panel->set_thumb_size(5);
  EXPECT_EQ(panel->grid()->columns(), 1);
  EXPECT_EQ(panel->selection(), 2);
  // A click beyond the last texture does nothing.
  panel->set_thumb_size(0);
  QTest::mouseClick(panel->grid(), Qt::LeftButton, {}, QPoint(17 * 4 + 3, 3));
  EXPECT_EQ(panel->selection(), 2);
  QTest::mouseClick(panel->grid(), Qt::LeftButton, {}, QPoint(17 + 3, 3));
  EXPECT_EQ(panel->selection(), 1);

  // A failed open keeps the library; a failed save says so.
  EXPECT_FALSE(panel->open_library(small));
  EXPECT_EQ(state.textures.count(), 3);
  EXPECT_FALSE(panel->save_library(dir.filePath(QStringLiteral("no/dir/x.qmt"))));
  EXPECT_EQ(messages, (QStringList{QStringLiteral("読み込みに失敗"), QStringLiteral("保存に失敗しました")}));
  const QString lib = dir.filePath(QStringLiteral("lib.qmt"));
  EXPECT_TRUE(panel->save_library(lib));
  QTest::keyClick(panel.get(), Qt::Key_Period);  // "." deletes
  EXPECT_EQ(state.textures.count(), 2);
  while (state.textures.count() > 1) panel->delete_selected();
  state.drawing.set_texture_on(true);
  panel->delete_selected();
  EXPECT_EQ(panel->selection(), -1);
  EXPECT_FALSE(state.settings.draw.texture_on);
  EXPECT_TRUE(panel->open_library(lib));
  EXPECT_EQ(state.textures.count(), 3);
  EXPECT_TRUE(state.textures.modified());  // texture.qmt follows at exit
}

// Palettes and textures written at exit come back at the next start.
TEST_F(ExtPanels, PalettesAndTexturesSurviveARestart) {
  {
    auto palettes = make<PalettePanel>();
    palettes->add_tab();
    state.drawing.set_current_colour_value(0xABCDEF);
    palettes->cell_clicked(7, 1);
    auto textures = make<TexturePanel>();
    textures->add_files({picture(QStringLiteral("a.png"), 30, 20)}, false);
  }
  const std::string pal = dir.filePath(QStringLiteral("palette.dat")).toStdString();
  const std::string tex = dir.filePath(QStringLiteral("texture.qmt")).toStdString();
  ASSERT_TRUE(SavePaletteStore(pal, state.palettes));
  ASSERT_TRUE(SaveTextureLibrary(tex, state.textures, true));
  AppState next;
  ASSERT_TRUE(LoadPaletteStore(pal, next.palettes));
  ASSERT_TRUE(LoadTextureLibrary(tex, next.textures, false));
  EXPECT_EQ(next.palettes.count(), 2);
  EXPECT_EQ(next.palettes.palette(1)[7], 0xABCDEFu);
  EXPECT_EQ(next.textures.count(), 1);
  EXPECT_EQ(next.textures.texture(0).width, 30);
}

// Pictures above the canvas side limit serve where no document is made.
TEST_F(ExtPanels, LargePicturesForTexturesPalettesAndTheImageView) {
  for (const char* name : {"wide.png", "wide.jpg"}) {
    SCOPED_TRACE(name);
    const QString wide = picture(QString::fromLatin1(name), kMaxCanvasSide + 100, 600);
    LayerImage probe;
    EXPECT_FALSE(LoadPicture(wide.toStdString(), probe));  // too large for a document
    auto textures = make<TexturePanel>();
    ASSERT_EQ(textures->add_files({wide}, false), 1);
    const LibraryTexture t = state.textures.texture(state.textures.count() - 1);
    EXPECT_EQ(t.width, kMaxTextureSide);
    EXPECT_EQ(t.height, kMaxTextureSide);
    auto viewer = make<ImageViewPanel>();
    ASSERT_TRUE(viewer->open(wide));
    EXPECT_EQ(viewer->image().width(), kMaxCanvasSide + 100);
  }
  auto palettes = make<PalettePanel>();
  // The last row and column count: 256 reds × 256 greens would fill every cell.
  EXPECT_TRUE(palettes->from_picture(dir.filePath(QStringLiteral("wide.png"))));
  EXPECT_NE(state.palettes.palette(0)[1023], kPaletteUnused);
  EXPECT_TRUE(messages.isEmpty());
}

// --- preview ----------------------------------------------------------------

TEST(ViewerZoom, Steps) {
  EXPECT_EQ(viewer_zoom_out(100), 90);
  EXPECT_EQ(viewer_zoom_out(200), 100);
  EXPECT_EQ(viewer_zoom_in(90), 100);
  EXPECT_EQ(viewer_zoom_in(100), 200);
  EXPECT_EQ(viewer_zoom_in(800), 800);
  EXPECT_EQ(viewer_zoom_out(10), 10);
  EXPECT_EQ(image_view_preset(0), 20);
  EXPECT_EQ(image_view_preset(2), 80);
  EXPECT_EQ(image_view_preset(3), 100);
  EXPECT_EQ(image_view_preset(6), 800);
}

TEST_F(ExtPanels, PreviewFitZoomAndClicks) {
  ASSERT_TRUE(state.document.new_canvas(400, 200, true));
  state.document.composite_all();
  PreviewPanel panel(context);
  panel.resize(200, 218);  // a 200 × 200 view under the menu button
  panel.show();
  panel.set_fit(true);
  EXPECT_EQ(panel.zoom(), 50);
  EXPECT_EQ(panel.windowTitle(), QStringLiteral("ﾌﾟﾚﾋﾞｭｰ [FIT 50%]"));
  panel.zoom_in();  // nothing while fitting
  EXPECT_EQ(panel.zoom(), 50);
  panel.set_fit(false);
  EXPECT_EQ(panel.zoom(), 100);
  EXPECT_EQ(state.settings.env.prev_scale, 100);
  panel.set_zoom(400);
  panel.set_fit(true);
  EXPECT_EQ(panel.offset(), QPoint(0, 0));
  // The other button centres the main view on the canvas point.
  QPointF centred;
  panel.centre_main_view = [&](double x, double y) { centred = {x, y}; };
  QTest::mouseClick(&panel, Qt::RightButton, {}, QPoint(50, 18 + 30));
  EXPECT_EQ(centred, QPointF(100, 60));
  // A zoom keeps the centre; offsets keep half the window over the image.
  panel.set_zoom(100);
  EXPECT_EQ(panel.offset(), QPoint(100, 100));
  for (int expected : {240, 400 - 100}) {
    QTest::mousePress(&panel, Qt::LeftButton, {}, QPoint(150, 150));
    QTest::mouseMove(&panel, QPoint(10, 150));
    QTest::mouseRelease(&panel, Qt::LeftButton, {}, QPoint(10, 150));
    EXPECT_EQ(panel.offset().x(), expected);
  }
}

// --- image view -------------------------------------------------------------

TEST_F(ExtPanels, ImageViewFilesPickAndSize) {
  auto panel = make<ImageViewPanel>();
  panel->resize(200, 218);
  const QString a = picture(QStringLiteral("a.png")), b = picture(QStringLiteral("b.PNG"));
  const QString c = picture(QStringLiteral("c.jpeg"));
  EXPECT_TRUE(panel->open(b));
  EXPECT_TRUE(panel->step_file(1));
  EXPECT_EQ(QFileInfo(panel->path()).fileName(), QStringLiteral("c.jpeg"));
  EXPECT_FALSE(panel->step_file(1));  // the last
  EXPECT_EQ(QFileInfo(panel->path()).fileName(), QStringLiteral("c.jpeg"));
  EXPECT_TRUE(panel->step_file(-1));
  EXPECT_TRUE(panel->step_file(-1));
  EXPECT_FALSE(panel->step_file(-1));  // the first
  EXPECT_EQ(panel->path(), QFileInfo(a).absoluteFilePath());
  // A shown file deleted since: its neighbours by name.
  EXPECT_TRUE(panel->open(b));
  QFile::remove(b);
  EXPECT_TRUE(panel->step_file(-1));
  EXPECT_EQ(panel->path(), QFileInfo(a).absoluteFilePath());
  EXPECT_EQ(neighbour_picture(b, 1), QFileInfo(c).absoluteFilePath());

  // Right click picks the pixel at ((x + offset)·100 / zoom).
  panel->set_zoom(200);
  QTest::mouseClick(panel.get(), Qt::RightButton, {}, QPoint(7, 18 + 5));
  EXPECT_EQ(colour(), 0x030264u);
  EXPECT_EQ(panel->windowTitle(), QStringLiteral("ｲﾒｰｼﾞﾋﾞｭｰ [200%] / a.png"));
  // Sized to the image, but never past the room there is.
  EXPECT_EQ(ImageViewPanel::fitted_size({3000, 3000}, 800, {1280, 1000}), QSize(1280, 1000));
  EXPECT_EQ(ImageViewPanel::fitted_size({100, 50}, 200, {1280, 1000}), QSize(200, 118));
  // 300² at 800 % asks for 2400² but gets the screen.
  ASSERT_TRUE(panel->open(picture(QStringLiteral("d.png"), 300, 300)));
  panel->set_zoom(800);
  panel->set_fit_window(true);
  const QSize room = panel->screen()->availableGeometry().size();
  EXPECT_LE(panel->width(), room.width());
  EXPECT_LE(panel->height(), room.height());
  EXPECT_GE(panel->width(), std::min(room.width(), 400));
  EXPECT_FALSE(panel->open(dir.filePath(QStringLiteral("nothing.png"))));
  EXPECT_TRUE(panel->image().empty());
  EXPECT_EQ(messages.last(), QStringLiteral("이미지 열기 실패"));
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
