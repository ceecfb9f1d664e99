// Key settings: the list, key capture, clearing, and OK / Cancel.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "app/dialogs/key_settings_dialog.h"
#include "dialog_test_util.h"
#include "platform/key_codes.h"

namespace qm {
namespace {

uint16_t entry(const KeySettingsDialog& dialog, KeyGroup group, int item) {
  return dialog.values().entries[key_binding_index(group, item)];
}

QTreeWidgetItem* row_of(const KeySettingsDialog& dialog, KeyGroup group, int item) {
  QTreeWidget* list = dialog.list();
  const int index = key_binding_index(group, item);
  for (int i = 0; i < list->topLevelItemCount(); ++i)
    if (list->topLevelItem(i)->data(0, Qt::UserRole).toInt() == index) return list->topLevelItem(i);
  return nullptr;
}

TEST(KeySettingsDialog, ListsTheGroupsInDialogOrderWithTheirItems) {
  KeySettingsDialog dialog(default_key_bindings());
  QTreeWidget* list = dialog.list();
  ASSERT_EQ(list->topLevelItemCount(), kKeyGroupCount + kKeyBindingCount);

  // Headers and the number of rows under each, in the order shown.
  const struct {
    const char16_t* title;
    KeyGroup group;
  } expected[] = {{u"■ ﾂｰﾙ", KeyGroup::kTool},
                  {u"■ 描画ﾀｲﾌﾟ", KeyGroup::kDrawType},
                  {u"■ ｺﾏﾝﾄﾞ", KeyGroup::kCommand},
                  {u"■ ｳｨﾝﾄﾞｳ", KeyGroup::kWindow},
                  {u"■ ｷｰ＋ｸﾘｯｸ/ﾄﾞﾗｯｸﾞ", KeyGroup::kKeyClick},
                  {u"■ その他", KeyGroup::kOther}};
  int row = 0;
  for (const auto& group : expected) {
    QTreeWidgetItem* header = list->topLevelItem(row++);
    EXPECT_EQ(header->text(0), QString::fromUtf16(group.title));
    EXPECT_EQ(header->data(0, Qt::UserRole).toInt(), -1);
    EXPECT_FALSE(header->flags() & Qt::ItemIsSelectable);
    const int size = kKeyGroupSizes[int(group.group)];
    for (int item = 0; item < size; ++item, ++row)
      EXPECT_EQ(list->topLevelItem(row)->data(0, Qt::UserRole).toInt(),
                key_binding_index(group.group, item));
  }
  EXPECT_EQ(row_of(dialog, KeyGroup::kTool, 0)->text(0), QStringLiteral("연필"));
  EXPECT_EQ(row_of(dialog, KeyGroup::kTool, 18)->text(0), QStringLiteral("4각 선택"));
}

TEST(KeySettingsDialog, ShowsTheNamesOfBoundKeys) {
  KeyBindings keys = default_key_bindings();
  bind_key(keys, KeyGroup::kTool, 2, 'P');
  bind_key(keys, KeyGroup::kWindow, 3, 0x70);  // F1
  KeySettingsDialog dialog(keys);
  EXPECT_EQ(row_of(dialog, KeyGroup::kTool, 2)->text(1), virtual_key_name('P'));
  EXPECT_EQ(row_of(dialog, KeyGroup::kWindow, 3)->text(1), virtual_key_name(0x70));
  EXPECT_FALSE(row_of(dialog, KeyGroup::kWindow, 3)->text(1).isEmpty());
  EXPECT_TRUE(row_of(dialog, KeyGroup::kTool, 3)->text(1).isEmpty());
}

TEST(KeySettingsDialog, PressingAKeyBindsItToTheSelectedRow) {
  KeySettingsDialog dialog(default_key_bindings());
  dialog.show();
  dialog.select_action(KeyGroup::kDrawType, 4);
  QTest::keyClick(dialog.list(), Qt::Key_B);
  EXPECT_EQ(entry(dialog, KeyGroup::kDrawType, 4), uint16_t((0x20 + 4) << 8 | 'B'));
  EXPECT_EQ(row_of(dialog, KeyGroup::kDrawType, 4)->text(1), virtual_key_name('B'));

  // A second key replaces the first; the same key may serve another action.
  QTest::keyClick(dialog.list(), Qt::Key_F12);
  EXPECT_EQ(entry(dialog, KeyGroup::kDrawType, 4) & 0xFF, 0x7B);
  dialog.select_action(KeyGroup::kOther, 1);
  QTest::keyClick(dialog.list(), Qt::Key_F12);
  EXPECT_EQ(entry(dialog, KeyGroup::kOther, 1), uint16_t((0x80 + 1) << 8 | 0x7B));
  EXPECT_EQ(entry(dialog, KeyGroup::kDrawType, 4) & 0xFF, 0x7B);

  // Selection stays put: arrows are keys to bind here, not navigation.
  QTest::keyClick(dialog.list(), Qt::Key_Down);
  EXPECT_EQ(entry(dialog, KeyGroup::kOther, 1) & 0xFF, 0x28);
  EXPECT_EQ(entry(dialog, KeyGroup::kOther, 2) & 0xFF, 0);
}

TEST(KeySettingsDialog, KeysThatCannotBeBoundAreIgnored) {
  KeyBindings keys = default_key_bindings();
  bind_key(keys, KeyGroup::kTool, 5, 'W');
  KeySettingsDialog dialog(keys);
  dialog.show();
  dialog.select_action(KeyGroup::kTool, 5);
  for (Qt::Key key : {Qt::Key_Space, Qt::Key_Backspace, Qt::Key_Insert, Qt::Key_Delete, Qt::Key_F11,
                      Qt::Key_NumLock, Qt::Key_ScrollLock, Qt::Key_Shift}) {
    QTest::keyClick(dialog.list(), key);
    EXPECT_EQ(entry(dialog, KeyGroup::kTool, 5) & 0xFF, 'W') << "key " << key;
  }
  // Combinations are not single keys.
  QTest::keyClick(dialog.list(), Qt::Key_Q, Qt::ControlModifier);
  QTest::keyClick(dialog.list(), Qt::Key_Q, Qt::AltModifier);
  EXPECT_EQ(entry(dialog, KeyGroup::kTool, 5) & 0xFF, 'W');
  EXPECT_TRUE(dialog.isVisible());
}

TEST(KeySettingsDialog, ShiftedAndKeypadKeysBindTheirOwnKeys) {
  KeySettingsDialog dialog(default_key_bindings());
  dialog.show();
  dialog.select_action(KeyGroup::kCommand, 0);
  // Shift+1 arrives as '!': the key is still 1.
  QTest::keyClick(dialog.list(), Qt::Key_Exclam, Qt::ShiftModifier);
  EXPECT_EQ(entry(dialog, KeyGroup::kCommand, 0) & 0xFF, '1');
  // Keypad 1 has a code of its own.
  QTest::keyClick(dialog.list(), Qt::Key_1, Qt::KeypadModifier);
  EXPECT_EQ(entry(dialog, KeyGroup::kCommand, 0) & 0xFF, 0x61);
}

TEST(KeySettingsDialog, HeaderRowsAndNoSelectionTakeNoKey) {
  KeySettingsDialog dialog(default_key_bindings());
  dialog.show();
  QTest::keyClick(dialog.list(), Qt::Key_A);                      // nothing selected
  dialog.list()->setCurrentItem(dialog.list()->topLevelItem(0));  // a header
  QTest::keyClick(dialog.list(), Qt::Key_A);
  EXPECT_EQ(dialog.values(), default_key_bindings());
}

TEST(KeySettingsDialog, ClearUnbindsTheRowAndClearAllUnbindsEverything) {
  KeyBindings keys = default_key_bindings();
  bind_key(keys, KeyGroup::kTool, 0, 'A');
  bind_key(keys, KeyGroup::kTool, 1, 'S');
  bind_key(keys, KeyGroup::kWindow, 8, 'D');
  KeySettingsDialog dialog(keys);
  dialog.show();
  auto* clear = dialog.findChild<QPushButton*>(QStringLiteral("clear"));
  auto* clear_all = dialog.findChild<QPushButton*>(QStringLiteral("clear_all"));
  ASSERT_NE(clear, nullptr);
  ASSERT_NE(clear_all, nullptr);
  EXPECT_EQ(clear->text(), QStringLiteral("지우기"));
  EXPECT_EQ(clear_all->text(), QStringLiteral("모두 지우기"));

  dialog.select_action(KeyGroup::kTool, 1);
  QTest::mouseClick(clear, Qt::LeftButton);
  EXPECT_EQ(entry(dialog, KeyGroup::kTool, 1), uint16_t(0x01 << 8));
  EXPECT_TRUE(row_of(dialog, KeyGroup::kTool, 1)->text(1).isEmpty());
  EXPECT_EQ(entry(dialog, KeyGroup::kTool, 0) & 0xFF, 'A');

  QTest::mouseClick(clear_all, Qt::LeftButton);
  EXPECT_EQ(dialog.values(), default_key_bindings());
  EXPECT_TRUE(row_of(dialog, KeyGroup::kWindow, 8)->text(1).isEmpty());

  // The list still takes keys after a button was clicked.
  QTest::keyClick(dialog.list(), Qt::Key_G);
  EXPECT_EQ(entry(dialog, KeyGroup::kTool, 1) & 0xFF, 'G');
}

TEST(KeySettingsDialog, RunReturnsTheEditedTableOnOkAndNothingOnCancel) {
  const KeyBindings start = default_key_bindings();
  auto press_h = [](QDialog& d) {
    auto& dialog = static_cast<KeySettingsDialog&>(d);
    dialog.select_action(KeyGroup::kOther, 5);
    QTest::keyClick(dialog.list(), Qt::Key_H);
  };
  EXPECT_FALSE(test::with_modal_dialog(
                   [&](QDialog& d) {
                     press_h(d);
                     d.reject();
                   },
                   [&] { return run_key_settings_dialog(nullptr, start); })
                   .has_value());
  const auto ok = test::with_modal_dialog(
      [&](QDialog& d) {
        press_h(d);
        d.accept();
      },
      [&] { return run_key_settings_dialog(nullptr, start); });
  ASSERT_TRUE(ok.has_value());
  KeyBindings expected = start;
  bind_key(expected, KeyGroup::kOther, 5, 'H');
  EXPECT_EQ(*ok, expected);
}

}  // namespace
}  // namespace qm
