// New canvas: the size fields, the recent sizes pop-up and the too-large refusal.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "app/dialogs/new_canvas_dialog.h"
#include "dialog_test_util.h"

namespace qm {
namespace {

NewCanvasValues sample_values() {
  NewCanvasValues v;
  v.width = 640;
  v.height = 480;
  v.recent_sizes = {pack_canvas_size(800, 600), pack_canvas_size(1024, 768),
                    pack_canvas_size(100, 200), pack_canvas_size(400, 400),
                    pack_canvas_size(1, 4500)};
  return v;
}

QSpinBox* field(QDialog& dialog, const char* name) {
  return dialog.findChild<QSpinBox*>(QString::fromLatin1(name));
}

TEST(NewCanvasDialog, FieldsStartAtTheLastSizeAndOkPutsANewSizeInFront) {
  NewCanvasDialog dialog(sample_values());
  ASSERT_NE(field(dialog, "width"), nullptr);
  EXPECT_EQ(field(dialog, "width")->value(), 640);
  EXPECT_EQ(field(dialog, "height")->value(), 480);

  field(dialog, "width")->setValue(320);
  field(dialog, "height")->setValue(4500);
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);

  const NewCanvasValues v = dialog.values();
  EXPECT_EQ(v.width, 320);
  EXPECT_EQ(v.height, 4500);
  // Inserted at the front; the oldest (1 x 4500) drops out.
  const std::array<int, kRecentSizeCount> expected = {
      pack_canvas_size(320, 4500), pack_canvas_size(800, 600), pack_canvas_size(1024, 768),
      pack_canvas_size(100, 200), pack_canvas_size(400, 400)};
  EXPECT_EQ(v.recent_sizes, expected);
}

TEST(NewCanvasDialog, RecentPopupListsSizesAndChoosingOneFillsTheFields) {
  NewCanvasDialog dialog(sample_values());
  auto* menu = dialog.findChild<QMenu*>(QStringLiteral("recent_menu"));
  ASSERT_NE(menu, nullptr);
  const QList<QAction*> actions = menu->actions();
  ASSERT_EQ(actions.size(), kRecentSizeCount);
  EXPECT_EQ(actions[0]->text(), QStringLiteral("800x600"));
  EXPECT_EQ(actions[2]->text(), QStringLiteral("100x200"));
  EXPECT_EQ(actions[4]->text(), QStringLiteral("1x4500"));
  EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("recent_button"))->menu(), menu);

  actions[2]->trigger();
  EXPECT_EQ(field(dialog, "width")->value(), 100);
  EXPECT_EQ(field(dialog, "height")->value(), 200);

  // A chosen size moves to the front without duplicating.
  dialog.accept();
  const std::array<int, kRecentSizeCount> expected = {
      pack_canvas_size(100, 200), pack_canvas_size(800, 600), pack_canvas_size(1024, 768),
      pack_canvas_size(400, 400), pack_canvas_size(1, 4500)};
  EXPECT_EQ(dialog.values().recent_sizes, expected);
  EXPECT_EQ(dialog.values().width, 100);
}

TEST(NewCanvasDialog, OversizedSideIsRefusedWithAMessageAndTheDialogStays) {
  NewCanvasDialog dialog(sample_values());
  dialog.show();
  // Typed, with the field still focused: the typed text must count.
  QLineEdit* edit = field(dialog, "height")->findChild<QLineEdit*>();
  ASSERT_NE(edit, nullptr);
  edit->selectAll();
  QTest::keyClicks(edit, QStringLiteral("4501"));
  dialog.accept();

  EXPECT_TRUE(dialog.isVisible());
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  auto* message = dialog.findChild<QMessageBox*>();
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->text(), QStringLiteral("幅・高さが大きすぎます"));
  EXPECT_EQ(dialog.values(), sample_values());  // nothing taken
  message->close();

  // Back within the limit, OK goes through.
  edit->selectAll();
  QTest::keyClicks(edit, QStringLiteral("4500"));
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.values().height, 4500);
}

TEST(NewCanvasDialog, FieldsNeverGoBelowOnePixel) {
  NewCanvasValues start = sample_values();
  start.width = 0;
  start.height = -5;
  NewCanvasDialog dialog(start);
  EXPECT_EQ(field(dialog, "width")->value(), 1);
  EXPECT_EQ(field(dialog, "height")->value(), 1);
  field(dialog, "width")->setValue(0);
  dialog.accept();
  EXPECT_EQ(dialog.values().width, 1);
  EXPECT_EQ(dialog.values().height, 1);
}

TEST(NewCanvasDialog, RunReturnsNothingOnCancelAndTheValuesOnOk) {
  const auto cancelled = test::with_modal_dialog(
      [](QDialog& d) {
        d.findChild<QSpinBox*>(QStringLiteral("width"))->setValue(77);
        d.reject();
      },
      [] { return run_new_canvas_dialog(nullptr, sample_values()); });
  EXPECT_FALSE(cancelled.has_value());

  const auto accepted = test::with_modal_dialog(
      [](QDialog& d) {
        d.findChild<QSpinBox*>(QStringLiteral("width"))->setValue(77);
        d.accept();
      },
      [] { return run_new_canvas_dialog(nullptr, sample_values()); });
  ASSERT_TRUE(accepted.has_value());
  EXPECT_EQ(accepted->width, 77);
  EXPECT_EQ(accepted->height, 480);
  EXPECT_EQ(accepted->recent_sizes[0], pack_canvas_size(77, 480));
}

}  // namespace
}  // namespace qm
