// The text tool in the main window, offscreen: a press opens the dialog,
// typing previews, "그리기" draws one undo step, "취소" leaves the layer as
// it was, the canvas returns to idle when the dialog closes, and a command
// that needs the document finishes an open text first.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTest>

#include "app/app_panels.h"
#include "app/app_state.h"
#include "app/command_ids.h"
#include "app/canvas_widget.h"
#include "app/main_window.h"
#include "panels/text_dialog.h"
#include "panels/text_tool.h"

namespace qm {
namespace {

struct TextHost {
  AppState state;
  std::unique_ptr<MainWindow> window;
  TextTool* tool = nullptr;

  TextHost() {
    EXPECT_TRUE(state.document.new_canvas(120, 80, true));
    state.document.current()->image.fill(0xFFFFFFFF);
    state.document.composite_all();
    state.settings.windows.main = {0, 0, 800, 600};
    state.settings.draw.tool = kToolText;
    state.settings.text.font_name = "DejaVu Sans";
    state.settings.text.font_size = 14;
    window = std::make_unique<MainWindow>(state);
    create_panels(*window);
    tool = window->findChild<TextTool*>(QStringLiteral("text_tool"));
    window->show();
    QCoreApplication::processEvents();
  }
  void click(int ix, int iy) {
    QWidget* port = window->canvas().viewport();
    const Point w = window->canvas().view().image_to_window(ix, iy);
    const QPointF p(w.x + 0.5, w.y + 0.5);
    QMouseEvent press(QEvent::MouseButtonPress, p, port->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(port, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, p, port->mapToGlobal(p), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(port, &release);
  }
  void type(const QString& text) {
    tool->dialog()->text_box()->setPlainText(text);
    QTest::qWait(60);  // the typing timer redraws once the typing pauses
  }
  int ink() const {
    const LayerImage& img = state.document.current()->image;
    int n = 0;
    for (size_t i = 0; i < img.pixel_count(); ++i) n += img.pixels()[i] != 0xFFFFFFFFu;
    return n;
  }
  InputDispatcher& input() { return *window->canvas().input(); }
};

TEST(TextTool, DrawIsOneUndoStepAndTheCanvasReturnsToIdle) {
  TextHost t;
  ASSERT_TRUE(t.tool);
  t.click(10, 20);
  ASSERT_TRUE(t.tool->dialog());
  EXPECT_TRUE(t.tool->accelerators_paused());
  EXPECT_EQ(t.input().state(), DragState::kTextPlacement);
  t.type(QStringLiteral("Abc\n한글"));
  const int previewed = t.ink();
  EXPECT_GT(previewed, 0);
  EXPECT_EQ(t.state.undo.undo_count(), 0);
  // A second press moves the text.
  t.click(30, 20);
  EXPECT_EQ(t.tool->dialog()->position(), (IntPoint{30, 20}));
  QTest::keyClick(t.tool->dialog()->text_box(), Qt::Key_Return, Qt::ControlModifier);  // draws
  EXPECT_FALSE(t.tool->dialog());
  EXPECT_FALSE(t.tool->accelerators_paused());
  EXPECT_EQ(t.input().state(), DragState::kIdle);
  EXPECT_EQ(t.state.undo.undo_count(), 1);
  EXPECT_GT(t.ink(), 0);
  EXPECT_EQ(t.state.document.current()->image.get_pixel(15, 25), 0xFFFFFFFFu);  // moved away from there
  t.window->undo();
  EXPECT_EQ(t.ink(), 0);
  // The next press places a new text (the old one kept in the box).
  t.click(50, 40);
  ASSERT_TRUE(t.tool->dialog());
  EXPECT_EQ(t.tool->dialog()->text(), U"Abc\n한글");
  EXPECT_EQ(t.tool->dialog()->position(), (IntPoint{50, 40}));
  t.tool->dialog()->reject();
}

TEST(TextTool, CancelLeavesTheLayerAndKeepsTheSettings) {
  TextHost t;
  t.click(10, 20);
  ASSERT_TRUE(t.tool->dialog());
  t.type(QStringLiteral("preview"));
  EXPECT_GT(t.ink(), 0);
  // Alt + an arrow in the box moves the text by one pixel.
  QTest::keyClick(t.tool->dialog()->text_box(), Qt::Key_Right, Qt::AltModifier);
  QTest::keyClick(t.tool->dialog()->text_box(), Qt::Key_Up, Qt::AltModifier);
  EXPECT_EQ(t.tool->dialog()->position(), (IntPoint{11, 19}));
  QTest::keyClick(&t.window->canvas(), Qt::Key_Down, Qt::AltModifier);  // on the canvas too
  EXPECT_EQ(t.tool->dialog()->position(), (IntPoint{11, 20}));
  EXPECT_EQ(t.tool->dialog()->text(), U"preview");
  QTest::keyClick(t.tool->dialog()->text_box(), Qt::Key_Escape);
  EXPECT_EQ(t.ink(), 0);
  EXPECT_EQ(t.state.undo.undo_count(), 0);
  EXPECT_EQ(t.input().state(), DragState::kIdle);
  EXPECT_NE(t.state.settings.text.win_x, -1);  // the place is remembered
}

TEST(TextTool, WithPreviewOffNothingIsDrawnUntilDraw) {
  TextHost t;
  t.state.settings.text.flag = 0x008;  // smooth, no preview
  t.click(10, 20);
  ASSERT_TRUE(t.tool->dialog());
  t.type(QStringLiteral("later"));
  EXPECT_EQ(t.ink(), 0);
  t.tool->dialog()->accept();
  EXPECT_GT(t.ink(), 0);
  EXPECT_EQ(t.state.undo.undo_count(), 1);
}

TEST(TextTool, AcceleratorsPauseWhileTheDialogIsOpen) {
  TextHost t;
  QAction* zoom = t.window->action(cmd::kZoomIn);
  ASSERT_TRUE(zoom);
  int triggered = 0;
  QObject::connect(zoom, &QAction::triggered, [&] { ++triggered; });
  auto shortcut = [&] {
    QShortcutEvent e(zoom->shortcut(), 0);
    QApplication::sendEvent(zoom, &e);
  };
  t.click(10, 20);
  ASSERT_TRUE(t.tool->dialog());
  shortcut();
  EXPECT_EQ(triggered, 0);
  zoom->trigger();  // the menu still works
  EXPECT_EQ(triggered, 1);
  t.tool->dialog()->reject();
  shortcut();
  EXPECT_EQ(triggered, 2);
}

TEST(TextTool, PendingWorkDrawsAnOpenText) {
  TextHost t;
  t.click(10, 20);
  ASSERT_TRUE(t.tool->dialog());
  t.type(QStringLiteral("kept"));
  t.state.pending.finish_all();
  EXPECT_FALSE(t.tool->dialog());
  EXPECT_EQ(t.state.undo.undo_count(), 1);
  EXPECT_GT(t.ink(), 0);
  EXPECT_EQ(t.input().state(), DragState::kIdle);
  // Closing the window draws an open text before it asks about changes.
  t.click(60, 40);
  ASSERT_TRUE(t.tool->dialog());
  t.state.settings.env.opt_flag = 56;  // no question about the changes
  QCloseEvent close;
  QApplication::sendEvent(t.window.get(), &close);
  EXPECT_FALSE(t.tool->dialog());
  EXPECT_EQ(t.state.undo.undo_count(), 2);
}

TEST(TextTool, TextIsCutAt2047Characters) {
  // Surrogate pairs count once and are never split.
  QString long_text;
  for (int i = 0; i < 2100; ++i) long_text += QString::fromUcs4(U"\U0001F600", 1);
  const std::u32string cut = text_code_points(long_text, TextDialog::kMaxTextChars);
  ASSERT_EQ(cut.size(), 2047u);
  EXPECT_EQ(cut.back(), U'\U0001F600');
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  setenv("FONTCONFIG_FILE", QM_TEST_FONTS_CONF, 0);
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
