// The layer window and the layer commands against a real Document in the
// main window: each command's effect and its undo, the settings dialog, hit
// testing, drag to reorder, Ctrl+click, the row drawing and thumbnails.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QSlider>
#include <QToolButton>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QContextMenuEvent>
#include <QTemporaryDir>
#include <QPainter>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "app/app_panels.h"
#include "app/app_state.h"
#include "app/main_window.h"
#include "formats/png_codec.h"
#include "panels/layer_panel.h"
#include "panels/layer_target_operations.h"
#include "../formats/fault_injection.h"

namespace qm {
namespace {

class LayerHost : public ::testing::Test {
 protected:
  explicit LayerHost(int layers = 2) {
    EXPECT_TRUE(state.document.new_canvas(64, 48, true));
    for (int i = 1; i < layers; ++i) state.document.add_layer(false, false);
    for (int i = 0; i < layers; ++i) state.document.set_layer_name(i, "L" + std::to_string(i));
    state.settings.windows.main = {0, 0, 800, 600};
    window = std::make_unique<MainWindow>(state);
    create_panels(*window);
    panel = static_cast<LayerPanel*>(window->floating_window(kPanelLayer));
    panel->resize(panel->width(), 400);
    panel->refresh();
  }
  Document& doc() { return state.document; }
  std::vector<const Layer*> stack() {
    std::vector<const Layer*> out;
    for (int i = 0; i < doc().layer_count(); ++i) out.push_back(doc().layer_at(i));
    return out;
  }
  QWidget* list() { return &panel->view(); }
  // A point of row r, at x.
  static QPoint at(int x, int row, int dy = 25) { return {x, row * kLayerRowHeight + dy}; }

  AppState state;
  std::unique_ptr<MainWindow> window;
  LayerPanel* panel = nullptr;
};

TEST_F(LayerHost, StackCommandsEditTheDocumentAndUndoInOneStep) {
  struct Case {
    int id;
    int count_after;
  };
  doc().layer_at(1)->image.fill(0xFF102030);
  for (const Case c : {Case{42300, 3}, Case{42302, 3}, Case{42303, 1}, Case{42304, 1},
                       Case{42305, 1}, Case{42315, 1}, Case{42316, 3}}) {
    SCOPED_TRACE(c.id);
    const auto before = stack();
    const int steps = state.undo.undo_count();
    ASSERT_TRUE(window->run_command(c.id));
    EXPECT_EQ(doc().layer_count(), c.count_after);
    EXPECT_EQ(state.undo.undo_count(), steps + 1);
    EXPECT_EQ(panel->view().top_row(), 0);
    window->undo();
    EXPECT_EQ(doc().layer_count(), 2);
    EXPECT_EQ(doc().layer_at(1)->image.get_pixel(3, 3), 0xFF102030u);
  }
  // Duplicate copies the pixels; up and down move the current layer.
  doc().select(1);
  window->run_command(42302);
  EXPECT_EQ(doc().current()->image.get_pixel(5, 5), 0xFF102030u);
  const Layer* moved = doc().current();
  window->run_command(42306);
  EXPECT_EQ(doc().index_of(moved), 0);
  window->run_command(42307);
  EXPECT_EQ(doc().index_of(moved), 1);
  window->undo();
  EXPECT_EQ(doc().index_of(moved), 0);
}

TEST_F(LayerHost, VisibilityCommands) {
  window->run_command(42311);
  EXPECT_FALSE(doc().layer_at(0)->visible() || doc().layer_at(1)->visible());
  window->run_command(42310);
  EXPECT_TRUE(doc().layer_at(0)->visible() && doc().layer_at(1)->visible());
  doc().select(1);
  window->run_command(42312);
  EXPECT_FALSE(doc().layer_at(0)->visible());
  EXPECT_TRUE(doc().layer_at(1)->visible());
}

TEST_F(LayerHost, FinishesPendingWorkBeforeChangingTheStack) {
  int finished = 0;
  state.pending.add([&] { ++finished; });
  window->run_command(42300);
  window->run_command(42310);  // not one that changes the stack
  EXPECT_EQ(finished, 1);
  // Moving a layer renumbers the stack under a floating image or an open text.
  doc().select(1);
  window->run_command(42306);
  window->run_command(42307);
  EXPECT_EQ(finished, 3);
}

// Fills the settings dialog once it is up, then presses OK.
void answer_settings(const QString& name, int percent) {
  QTimer::singleShot(0, [=] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QLineEdit*>("name")->setText(name);
    dialog->findChild<QSpinBox*>("opacity")->setValue(percent);
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
}

TEST_F(LayerHost, SettingsEditTheChosenRowAndStorePercentAsOpacity) {
  doc().select(0);
  // Names hold at most 31 characters: 33 Hangul syllables keep their first 31 whole.
  const QString syllables = QStringLiteral("가나다라마바사아자차카타파하거너더러머버서어저처커터퍼허고노도로모");
  ASSERT_EQ(syllables.size(), 33);
  answer_settings(syllables, 50);
  ASSERT_TRUE(panel->open_settings(1));
  EXPECT_EQ(doc().layer_at(1)->opacity, 64);
  EXPECT_EQ(doc().layer_at(1)->name, syllables.left(31).toStdString());
  EXPECT_EQ(doc().layer_at(0)->opacity, 128);
  EXPECT_EQ(doc().current_index(), 0);
}

TEST_F(LayerHost, PressesBelowTheLastRowDoNothing) {
  const auto flags = doc().layer_at(1)->flags;
  QTest::mousePress(list(), Qt::LeftButton, {}, at(45, 2));
  QTest::mouseMove(list(), at(45, 0));
  QTest::mouseRelease(list(), Qt::LeftButton, {}, at(45, 0));
  EXPECT_EQ(doc().current_index(), 0);
  EXPECT_EQ(doc().layer_at(1)->flags, flags);
  EXPECT_EQ(stack().size(), 2u);
  // On an existing row the boxes toggle without selecting.
  QTest::mouseClick(list(), Qt::LeftButton, {}, at(45, 1));
  QTest::mouseClick(list(), Qt::LeftButton, {}, at(60, 1));
  EXPECT_FALSE(doc().layer_at(1)->visible());
  EXPECT_TRUE(doc().layer_at(1)->fill_reference());
  EXPECT_EQ(doc().current_index(), 0);
}

class FiveLayers : public LayerHost {
 protected:
  FiveLayers() : LayerHost(5) {}
};

TEST_F(FiveLayers, DragTheTopLayerToTheThirdPlace) {
  doc().select(0);
  const auto before = stack();
  const int steps = state.undo.undo_count();
  QTest::mousePress(list(), Qt::LeftButton, {}, at(150, 0, 10));
  // Row 2's upper half, 10 pixels into it, aims above row 2 (bias −17 below
  // the dragged row); its lower half aims below it.
  QTest::mouseMove(list(), at(150, 2, 10));
  EXPECT_EQ(panel->view().drag_state(), 2);
  EXPECT_EQ(panel->view().drag_target(), 2);
  QTest::mouseMove(list(), at(150, 2, 20));
  EXPECT_EQ(panel->view().drag_target(), 3);
  QTest::mouseRelease(list(), Qt::LeftButton, {}, at(150, 2, 20));
  EXPECT_EQ(stack(), (std::vector<const Layer*>{before[1], before[2], before[0], before[3],
                                                before[4]}));
  EXPECT_EQ(state.undo.undo_count(), steps + 1);
  window->undo();
  EXPECT_EQ(stack(), before);
}

TEST_F(FiveLayers, PressAndReleaseOnTheSameRowKeepsTheOrder) {
  const auto before = stack();
  QTest::mousePress(list(), Qt::LeftButton, {}, at(150, 3, 5));
  QTest::mouseMove(list(), at(150, 3, 30));
  EXPECT_EQ(panel->view().drag_state(), 1);
  QTest::mouseRelease(list(), Qt::LeftButton, {}, at(150, 3, 30));
  EXPECT_EQ(stack(), before);
  EXPECT_EQ(doc().current_index(), 3);
}

TEST_F(FiveLayers, CtrlClickShowsOnlyThatLayer) {
  QTest::mouseClick(list(), Qt::LeftButton, Qt::ControlModifier, at(150, 3, 5));
  EXPECT_EQ(doc().current_index(), 3);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(doc().layer_at(i)->visible(), i == 3) << i;
}

// "1" for each visible layer, top first.
std::string visibility(const Document& doc) {
  std::string out;
  for (int i = 0; i < doc.layer_count(); ++i) out += doc.layer_at(i)->visible() ? '1' : '0';
  return out;
}

TEST_F(FiveLayers, ShowAndHideCommandsAreOneUndoStepEach) {
  doc().toggle_visible(1);
  doc().toggle_visible(3);
  doc().layer_at(0)->image.fill(0xFFFF0000);
  doc().composite_all();
  doc().select(2);
  struct Case {
    int id;
    const char* after;
  };
  for (const Case c : {Case{42310, "11111"}, Case{42311, "00000"}, Case{42312, "00100"}}) {
    SCOPED_TRACE(c.id);
    const int steps = state.undo.undo_count();
    ASSERT_TRUE(window->run_command(c.id));
    EXPECT_EQ(visibility(doc()), c.after);
    EXPECT_EQ(state.undo.undo_count(), steps + 1);
    window->undo();
    EXPECT_EQ(visibility(doc()), "10101");
    EXPECT_EQ(doc().composite().get_pixel(4, 4), 0xFFFF0000u);  // the top layer shows again
    window->redo();
    EXPECT_EQ(visibility(doc()), c.after);
    window->undo();
  }
  // Nothing to change, nothing recorded.
  window->run_command(42310);
  const int steps = state.undo.undo_count();
  window->run_command(42310);
  EXPECT_EQ(state.undo.undo_count(), steps);
  // Ctrl+click is the same operation, and the same single step.
  window->undo();
  QTest::mouseClick(list(), Qt::LeftButton, Qt::ControlModifier,
                    at(150, 3 - panel->view().top_row(), 5));
  EXPECT_EQ(visibility(doc()), "00010");
  window->undo();
  EXPECT_EQ(visibility(doc()), "10101");
}

// Opens the list's context menu at `pos` and triggers the item reached
// through the menu texts of `path`.
void choose_from_context_menu(QWidget* list, QPoint pos, const QStringList& path) {
  QTimer::singleShot(0, [=] {
    auto* top = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!top) return ADD_FAILURE() << "no context menu";
    QMenu* menu = top;
    for (const QString& text : path) {
      QAction* found = nullptr;
      for (QAction* a : menu->actions())
        if (a->text() == text) found = a;
      if (!found) {
        top->close();
        return ADD_FAILURE() << "no item " << text.toStdString();
      }
      if (found->menu()) {
        menu = found->menu();
      } else {
        found->trigger();
        break;
      }
    }
    top->close();
  });
  QContextMenuEvent event(QContextMenuEvent::Mouse, pos, list->mapToGlobal(pos));
  QApplication::sendEvent(list, &event);
}

TEST_F(LayerHost, ContextMenuProcessesTheCurrentLayerAgainstTheClickedRow) {
  // The target (row 1): an opaque square of alpha 200 on transparency.
  const Rect square{10, 10, 10, 10};
  LayerImage& target = doc().layer_at(1)->image;
  target.fill(kTransparent);
  target.fill_rect(square.x, square.y, square.w, square.h, 0xC8204060);
  doc().select(0);
  const QString submenu = QStringLiteral("このﾚｲﾔを対象にｶﾚﾝﾄﾚｲﾔを処理");
  struct Case {
    int item;
    int inside, outside;  // the current layer's alpha after the item
  };
  for (const Case c : {Case{0, 255, 0}, Case{1, 0, 255}, Case{2, 200, 0}, Case{3, 55, 255},
                       Case{4, 200, 0}}) {
    SCOPED_TRACE(c.item);
    doc().current()->image.fill(0xFF336699);
    const int steps = state.undo.undo_count();
    choose_from_context_menu(list(), at(150, 1),
                             {submenu, QString::fromUtf8(target_operation_text(c.item))});
    const LayerImage& img = doc().current()->image;
    EXPECT_EQ(img.get_pixel(12, 12), c.inside ? (Pixel(c.inside) << 24 | 0x336699) : kTransparent);
    EXPECT_EQ(img.get_pixel(2, 2), c.outside ? (Pixel(c.outside) << 24 | 0x336699) : kTransparent);
    EXPECT_EQ(doc().current_index(), 0);
    EXPECT_EQ(state.undo.undo_count(), steps + 1);
    window->undo();
    EXPECT_EQ(doc().current()->image.get_pixel(2, 2), 0xFF336699u);
  }
  // The outline: the drawing colour on each transparent pixel of the target
  // with an opaque 4-neighbour, nothing else.
  state.settings.draw.colours[size_t(state.settings.draw.current_colour & 1)] = 0x00FF00;
  doc().current()->image.fill(kTransparent);
  choose_from_context_menu(list(), at(150, 1),
                           {submenu, QString::fromUtf8(target_operation_text(5))});
  auto opaque = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < target.width() && y < target.height() &&
           alpha_of(target.get_pixel(x, y)) != 0;
  };
  int outlined = 0;
  for (int y = 0; y < target.height(); ++y)
    for (int x = 0; x < target.width(); ++x) {
      const bool edge = !opaque(x, y) && (opaque(x - 1, y) || opaque(x + 1, y) ||
                                          opaque(x, y - 1) || opaque(x, y + 1));
      outlined += edge;
      ASSERT_EQ(doc().current()->image.get_pixel(x, y), edge ? 0xFF00FF00u : kTransparent)
          << x << "," << y;
    }
  EXPECT_EQ(outlined, 40);
}

TEST_F(LayerHost, RowsAreDrawnAtTheirPlaces) {
  doc().layer_at(1)->flags = kLayerFillReference;  // hidden, fill reference
  doc().layer_at(1)->opacity = 64;
  doc().select(0);
  panel->refresh();
  const int w = panel->view().width();
  QImage img(w, 3 * kLayerRowHeight, QImage::Format_RGB32);
  panel->view().render(&img);
  auto rgb = [&](int x, int y) { return QColor(img.pixel(x, y)); };
  EXPECT_EQ(rgb(w - 3, 2), QColor(198, 209, 255));       // current row
  EXPECT_EQ(rgb(w - 3, 35 + 2), QColor(248, 248, 248));  // other row
  EXPECT_EQ(rgb(5, 2 * 35 + 5), QColor(128, 128, 128));  // below the rows
  // Visibility: frame, white ring, dark square; on the hidden row a cross.
  EXPECT_EQ(rgb(40, 19), QColor(Qt::black));
  EXPECT_EQ(rgb(41, 20), QColor(Qt::white));
  EXPECT_EQ(rgb(46, 25), QColor(128, 32, 0));
  EXPECT_EQ(rgb(44, 35 + 23), QColor(Qt::black));
  EXPECT_EQ(rgb(46, 35 + 21), QColor(Qt::white));
  // Fill reference: white inside when clear, violet when set.
  EXPECT_EQ(rgb(56, 20), QColor(Qt::white));
  EXPECT_EQ(rgb(56, 35 + 20), QColor(171, 45, 255));
  // The 64 × 48 layer fits 33 × 25, centred in the box at (3, 3), framed.
  EXPECT_EQ(rgb(2, 4), QColor(Qt::black));
  EXPECT_EQ(rgb(3 + 33, 4 + 25), QColor(Qt::black));
  // The current layer's name is red, the other one black, inside their rectangles.
  auto count_colour = [&](QRect r, QColor c) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) n += rgb(x, y) == c;
    return n;
  };
  EXPECT_GT(count_colour(QRect(40, 3, w - 42, 13), QColor(221, 0, 0)), 0);
  EXPECT_EQ(count_colour(QRect(0, 17, w, 18), QColor(221, 0, 0)), 0);
  EXPECT_GT(count_colour(QRect(40, 35 + 3, w - 42, 13), QColor(Qt::black)), 0);
  // Opacity in dark blue from x 71, the mode name from x 99.
  EXPECT_GT(count_colour(QRect(71, 35 + 20, 27, 13), QColor(35, 63, 107)), 0);
  EXPECT_EQ(count_colour(QRect(99, 35 + 19, w - 101, 14), QColor(35, 63, 107)), 0);
}

TEST_F(LayerHost, ThumbnailsFollowPaintingAndUndo) {
  doc().select(1);
  const Thumbnail before = panel->thumbnail(1);
  // A recorded edit of the current layer, as a stroke or a filter makes it.
  ASSERT_TRUE(state.undo.record_layer(doc()));
  doc().current()->image.fill(0xFF0000FF);
  panel->check_changes();
  EXPECT_EQ(panel->thumbnail(1).pixels[0], 0xFF0000FFu);
  // Undone while another layer is current: that layer's row follows too.
  doc().select(0);
  window->undo();
  panel->check_changes();
  EXPECT_EQ(panel->thumbnail(1), before);
}

TEST_F(LayerHost, DroppedFilesBecomeLayersInTheirOrder) {
  QTemporaryDir dir;
  LayerImage red;
  ASSERT_TRUE(red.create(100, 10));  // wider than the canvas: cut
  red.fill(0xFFFF0000);
  const std::string long_name(40, 'a');
  const QString first = dir.filePath("first.png");
  const QString second = dir.filePath(QString::fromStdString(long_name) + ".png");
  ASSERT_TRUE(SavePng(first.toStdString(), red, 6, true, std::nullopt));
  ASSERT_TRUE(SavePng(second.toStdString(), red, 6, true, std::nullopt));
  panel->add_files({first, second});
  ASSERT_EQ(doc().layer_count(), 4);
  EXPECT_EQ(doc().current()->name, long_name.substr(0, 31));
  EXPECT_EQ(doc().layer_at(1)->name, "first.png");
  EXPECT_EQ(doc().current()->image.get_pixel(63, 9), 0xFFFF0000u);
  EXPECT_EQ(doc().current()->image.get_pixel(0, 10), kTransparent);
  window->undo();
  EXPECT_EQ(doc().layer_count(), 3);
}

TEST_F(LayerHost, HeaderEditsTheCurrentLayer) {
  doc().select(1);
  panel->refresh();
  auto* blend = panel->findChild<QComboBox*>("blend_mode");
  ASSERT_EQ(blend->count(), 21);
  blend->activated(5);
  EXPECT_EQ(doc().layer_at(1)->blend_mode, 5);
  auto* opacity = panel->findChild<QSlider*>("opacity");
  EXPECT_EQ(opacity->minimum(), 1);
  opacity->setValue(50);
  EXPECT_EQ(doc().layer_at(1)->opacity, 64);
  panel->findChild<QCheckBox*>("fill_reference")->click();
  EXPECT_TRUE(doc().layer_at(1)->fill_reference());
  panel->findChild<QToolButton*>("mask_3")->click();
  EXPECT_EQ(doc().layer_at(1)->mask_mode, 3);
  EXPECT_EQ(panel->findChild<QToolButton*>("mask_1")->toolTip(), QStringLiteral("透明色ﾏｽｸ"));
  EXPECT_EQ(doc().layer_at(0)->blend_mode, 0);
  EXPECT_EQ(doc().layer_at(0)->opacity, 128);
}

// Answers the file dialog with `path`.
void answer_file_dialog(const QString& path) {
  QTimer::singleShot(0, [=] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile(path);
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
}

TEST_F(LayerHost, SaveLayerAsPngWritesTheLayerWithAlpha) {
  QTemporaryDir dir;
  state.settings.env.save_dir = dir.path().toStdString();
  doc().current()->image.fill(0x80FF0000);
  const QString path = dir.filePath("layer.png");
  answer_file_dialog(path);
  window->run_command(42309);
  LayerImage back;
  ASSERT_TRUE(LoadPng(path.toStdString(), back));
  EXPECT_EQ(back.get_pixel(1, 1), 0x80FF0000u);
}

// Answers the program's message box with OK, keeping its text; the file
// dialog's question whether to replace the old file is answered Yes.
void answer_message(QString& text) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, &text] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    if (QAbstractButton* yes = box->button(QMessageBox::Yes)) {
      yes->click();
      return;
    }
    text = box->text();
    box->accept();
    poll->deleteLater();
  });
  poll->start(10);
}

TEST_F(LayerHost, AFailedLayerSaveSaysSoAndKeepsTheOldFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath("layer.png");
  {
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old bytes");
  }
  doc().current()->image.fill(0x80FF0000);
  QString message;
  answer_file_dialog(path);
  answer_message(message);
  {
    test::FileSizeLimit full_disk(16);  // less than any PNG
    window->run_command(42309);
  }
  EXPECT_EQ(message, QStringLiteral("保存に失敗しました"));
  QFile old(path);
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll(), QByteArray("old bytes"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"layer.png"});
}

TEST(LayerThumbnails, NeverAZeroSideAndChangesAreSeen) {
  EXPECT_EQ(thumbnail_size(4500, 50).w, 33);
  EXPECT_EQ(thumbnail_size(4500, 50).h, 1);
  EXPECT_EQ(thumbnail_size(1, 4500).w, 1);
  EXPECT_EQ(thumbnail_size(64, 48).h, 25);
  LayerImage image;
  ASSERT_TRUE(image.create_canvas(4500, 50));
  image.fill(0xFF000000);
  Thumbnail t;
  EXPECT_TRUE(build_thumbnail(image, t));
  EXPECT_FALSE(build_thumbnail(image, t));
  EXPECT_EQ(t.pixels.size(), 33u);
  EXPECT_EQ(t.pixels[0], 0xFF000000u);
  image.fill(0x00FFFFFF);  // transparent shows the checker
  EXPECT_TRUE(build_thumbnail(image, t));
  EXPECT_EQ(t.pixels[0], 0xFFC8C8C8u);
}

TEST(LayerListGeometry, BoxesOnlyOnExistingRows) {
  EXPECT_EQ(hit_test_layer_list(45, 35 + 19, 0, 2).kind, LayerHitKind::kVisibility);
  EXPECT_EQ(hit_test_layer_list(67, 35 + 31, 0, 2).kind, LayerHitKind::kFillReference);
  EXPECT_EQ(hit_test_layer_list(53, 35 + 25, 0, 2).kind, LayerHitKind::kRow);
  EXPECT_EQ(hit_test_layer_list(45, 35 + 32, 0, 2).kind, LayerHitKind::kRow);
  EXPECT_EQ(hit_test_layer_list(45, 70 + 25, 0, 2).kind, LayerHitKind::kNone);
  EXPECT_EQ(hit_test_layer_list(45, 25, 2, 2).kind, LayerHitKind::kNone);
  // Dragging past the top aims at index 0; past the bottom at the count.
  EXPECT_EQ(layer_drag_target(-50, 0, 2, 5), 0);
  EXPECT_EQ(layer_drag_target(1000, 0, 2, 5), 5);
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
