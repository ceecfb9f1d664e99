// The Select menu in the main window on Qt's offscreen platform: which
// commands need the Rectangle select tool, which switch to it, the refusal
// of every command but two while an image floats, the composite check mark,
// undo around a frame and a floating image, and the selection a filter sees.
// The program's state headers first: they must not see Qt's keyword macros.
#include "app/app_state.h"
#include "app/command_ids.h"
#include "flows_test_support.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

#include "app/canvas_widget.h"
#include "app/main_window.h"
#include "filters/filter_run.h"

namespace qm {
namespace {

class SelectMenu : public ::testing::Test {
 protected:
  SelectMenu() {
    state.settings_folder = dir.path();
    EXPECT_TRUE(state.document.new_canvas(100, 80, true));
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 100; ++x) *layer().pixel_address(x, y) = 0xFF000000u | Pixel(x * 2 + y * 512);
    state.document.composite_all();
    window = std::make_unique<MainWindow>(state, std::make_unique<test::ScriptedPrompts>());
    window->resize(800, 600);
    window->show();
    QCoreApplication::processEvents();
  }
  ~SelectMenu() override {
    window.reset();
    QCoreApplication::processEvents();
  }
  LayerImage& layer() { return state.document.current()->image; }
  std::vector<Pixel> pixels() { return {layer().pixels(), layer().pixels() + layer().pixel_count()}; }
  SelectionTool& tool() { return *window->canvas().selection_tool(); }
  void float_frame() {
    state.drawing.set_tool(kToolRectSelect);
    state.selection.set(state.document, 10, 10, 39, 29);
    ASSERT_TRUE(tool().press({20.5, 20.5}, {}, 100));
    tool().move({25.5, 22.5}, {});
    tool().release({25.5, 22.5}, {});
    ASSERT_TRUE(state.selection.floating());
  }

  test::TempFolder dir;
  AppState state;
  std::unique_ptr<MainWindow> window;
};

TEST_F(SelectMenu, CopyCutPasteNeedTheSelectToolAndSelectAllSwitchesToIt) {
  state.drawing.set_tool(kToolPencil);
  const std::vector<Pixel> before = pixels();
  EXPECT_TRUE(window->run_command(40103));  // Ctrl+C with the Pencil
  EXPECT_TRUE(state.copy_buffer.empty());
  EXPECT_TRUE(window->run_command(40104));
  EXPECT_EQ(pixels(), before);
  EXPECT_EQ(state.undo.undo_count(), 0);

  EXPECT_TRUE(window->run_command(cmd::kSelectAll));
  EXPECT_EQ(state.drawing.tool(), kToolRectSelect);
  EXPECT_EQ(state.selection.frame(), (Rect{0, 0, 100, 80}));
  state.selection.set(state.document, 10, 10, 39, 29);
  EXPECT_TRUE(window->run_command(40103));
  EXPECT_EQ(state.copy_buffer.width(), 30);
  EXPECT_EQ(state.copy_buffer.height(), 20);
  EXPECT_EQ(state.copy_buffer.get_pixel(0, 0), before[10 * 100 + 10]);
}

TEST_F(SelectMenu, EveryCommandButTwoIsRefusedWhileFloating) {
  float_frame();
  window->refresh_actions();
  for (int id = cmd::kFirstSelection; id <= cmd::kLastSelection; ++id) {
    const bool allowed = id == 40101 || id == 40102;
    EXPECT_EQ(window->action(id)->isEnabled(), allowed) << id;
    if (!allowed) EXPECT_FALSE(window->run_command(id)) << id;
  }
  EXPECT_TRUE(state.selection.floating());
  // The composite toggle works and carries the check mark (on by default).
  EXPECT_TRUE(window->action(cmd::kPasteAsComposite)->isChecked());
  EXPECT_TRUE(window->run_command(cmd::kPasteAsComposite));
  window->refresh_actions();
  EXPECT_FALSE(window->action(cmd::kPasteAsComposite)->isChecked());
  EXPECT_EQ(state.settings.env.ex_view_flag & kViewPasteComposite, 0);
  EXPECT_TRUE(window->run_command(cmd::kPasteAsComposite));
  window->refresh_actions();
  EXPECT_TRUE(window->action(cmd::kPasteAsComposite)->isChecked());
  // Ctrl+D puts the image down: one undo step.
  EXPECT_TRUE(window->run_command(40102));
  EXPECT_FALSE(state.selection.has_frame());
  EXPECT_EQ(state.undo.undo_count(), 1);
}

TEST_F(SelectMenu, UndoPutsTheImageDownFirstAndKeepsAPlainFrame) {
  const std::vector<Pixel> before = pixels();
  float_frame();
  window->undo();  // puts down, then undoes the put-down
  EXPECT_EQ(pixels(), before);
  EXPECT_FALSE(state.selection.has_frame());

  state.selection.set(state.document, 5, 5, 50, 40);
  EXPECT_TRUE(window->run_command(40106));  // fill
  EXPECT_NE(pixels(), before);
  window->undo();
  EXPECT_EQ(pixels(), before);
  EXPECT_EQ(state.selection.frame(), (Rect{5, 5, 46, 36})) << "the frame is set again";
  // Changing the tool ends it.
  state.drawing.set_tool(kToolPencil);
  EXPECT_FALSE(state.selection.has_frame());
}

TEST_F(SelectMenu, FiltersTargetTheFrameAndACanvasChangeCutsIt) {
  state.drawing.set_tool(kToolRectSelect);
  state.selection.set(state.document, 60, 50, 99, 79);
  EXPECT_EQ(filters::target_rectangle(state.document, &state.selection), (Rect{60, 50, 40, 30}));
  // The canvas shrinks under the frame: it is cut to the new canvas.
  ASSERT_TRUE(state.document.new_canvas(70, 60, true));
  window->canvas().document_changed();
  EXPECT_EQ(state.selection.frame(), (Rect{60, 50, 10, 10}));
  // Trim, then a flip: nothing reaches outside the trimmed canvas.
  state.document.current()->image.fill(0xFF00FF00);
  EXPECT_TRUE(window->run_command(40113));
  EXPECT_EQ(state.document.width(), 10);
  EXPECT_FALSE(state.selection.has_frame());
  EXPECT_TRUE(window->run_command(40108));
}

TEST_F(SelectMenu, OutputToTheClipboardAndPasteItBack) {
  state.drawing.set_tool(kToolRectSelect);
  state.selection.set(state.document, 10, 10, 39, 29);
  layer().fill_rect(10, 10, 30, 20, 0x80FF0000u);
  EXPECT_TRUE(window->run_command(40123));  // 32-bit with alpha
  const QImage picture = QGuiApplication::clipboard()->image();
  ASSERT_EQ(picture.size(), QSize(30, 20));
  EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0x80);
  EXPECT_TRUE(window->run_command(40122));  // 24-bit: over white
  const QRgb flat = QGuiApplication::clipboard()->image().pixel(0, 0);
  EXPECT_EQ(qRed(flat), 0xFF);
  EXPECT_NEAR(qGreen(flat), 0x7F, 1) << "half red over white";
  // Paste from the clipboard: a floating image of its size, then put down.
  EXPECT_TRUE(window->run_command(40102));
  EXPECT_TRUE(window->run_command(40119));
  ASSERT_TRUE(state.selection.floating());
  EXPECT_EQ(state.selection.frame().w, 30);
  EXPECT_EQ(state.selection.frame().h, 20);
  EXPECT_EQ(state.copy_buffer.width(), 30);
  EXPECT_TRUE(window->run_command(40102));
  EXPECT_EQ(state.undo.undo_count(), 1);
}

TEST_F(SelectMenu, TheRightButtonAsksForTheSelectMenuAtItsRelease) {
  CanvasWidget& canvas = window->canvas();
  // The window's own handler would open the menu and wait for a choice.
  QObject::disconnect(&canvas, &CanvasWidget::selection_menu_requested, window.get(), nullptr);
  int asked = 0;
  QObject::connect(&canvas, &CanvasWidget::selection_menu_requested, [&](QPoint) { ++asked; });
  const QPoint at = canvas.viewport()->rect().center();
  state.drawing.set_tool(kToolPencil);
  QTest::mousePress(canvas.viewport(), Qt::RightButton, {}, at);
  QTest::mouseRelease(canvas.viewport(), Qt::RightButton, {}, at);
  EXPECT_EQ(asked, 0) << "other tools pick a colour";
  state.drawing.set_tool(kToolRectSelect);
  QTest::mousePress(canvas.viewport(), Qt::RightButton, {}, at);
  EXPECT_EQ(asked, 0);
  QTest::mouseRelease(canvas.viewport(), Qt::RightButton, {}, at);
  EXPECT_EQ(asked, 1);
  // The input layer is free again: a left drag makes a frame.
  QTest::mousePress(canvas.viewport(), Qt::LeftButton, {}, at);
  QTest::mouseMove(canvas.viewport(), at + QPoint(20, 15));
  QTest::mouseRelease(canvas.viewport(), Qt::LeftButton, {}, at + QPoint(20, 15));
  EXPECT_TRUE(state.selection.has_frame());
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
