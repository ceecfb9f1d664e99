// Environment settings (three pages), grid settings and the version dialog.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <QTabWidget>

#include "app/dialogs/colour_button.h"
#include "app/dialogs/environment_dialog.h"
#include "app/dialogs/grid_dialog.h"
#include "app/dialogs/version_dialog.h"
#include "dialog_test_util.h"

namespace qm {
namespace {

template <typename T>
T* child(QWidget& parent, const char* name) {
  T* found = parent.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}

Environment sample_environment() {
  Environment env;
  env.def_img_w = 1200;
  env.def_img_h = 900;
  env.canv_bk_col = 0x202020;
  env.scale_d_add = 10;
  env.scale_u_add = 250;
  env.check_col1 = 0x111111;
  env.check_col2 = 0xEEEEEE;
  env.undo_cnt = 50;
  env.info_bar_pos = 4;
  env.def_erase = 2;
  // All seven options but 0x10, plus a bit the dialog does not show.
  env.opt_flag = 0x6F | 0x100;
  env.brush_cir_size = 20;
  env.tablet_flag = 0x02 | 0x10;
  env.tale_tool = kToolBrushEraser;
  env.tab_side1 = 3;
  env.tab_side2 = 4;
  env.grid_w = 32;
  env.open_dir = "/somewhere";
  return env;
}

// --- environment ----------------------------------------------------------

TEST(EnvironmentDialog, ShowsThreePagesStartingFromTheCurrentValues) {
  const Environment env = sample_environment();
  EnvironmentDialog dialog(env);
  EXPECT_EQ(child<QTabWidget>(dialog, "pages")->count(), 3);
  EXPECT_EQ(child<QSpinBox>(dialog, "def_img_w")->value(), 1200);
  EXPECT_EQ(child<QSpinBox>(dialog, "def_img_h")->value(), 900);
  EXPECT_EQ(child<ColourButton>(dialog, "canv_bk_col")->colour(), 0x202020u);
  EXPECT_EQ(child<QSpinBox>(dialog, "scale_d_add")->value(), 10);
  EXPECT_EQ(child<QSpinBox>(dialog, "scale_u_add")->value(), 250);
  EXPECT_EQ(child<ColourButton>(dialog, "check_col1")->colour(), 0x111111u);
  EXPECT_EQ(child<ColourButton>(dialog, "check_col2")->colour(), 0xEEEEEEu);
  EXPECT_EQ(child<QSpinBox>(dialog, "undo_cnt")->value(), 50);
  EXPECT_EQ(child<QComboBox>(dialog, "info_bar_pos")->count(), 6);
  EXPECT_EQ(child<QComboBox>(dialog, "info_bar_pos")->currentIndex(), 4);
  EXPECT_EQ(child<QComboBox>(dialog, "def_erase")->count(), 3);
  EXPECT_EQ(child<QComboBox>(dialog, "def_erase")->currentText(), QStringLiteral("지우개(브러시)"));
  EXPECT_TRUE(child<QCheckBox>(dialog, "opt_confirm_save")->isChecked());
  EXPECT_FALSE(child<QCheckBox>(dialog, "opt_pick_erases")->isChecked());
  EXPECT_TRUE(child<QCheckBox>(dialog, "opt_erase_fill_release")->isChecked());
  EXPECT_EQ(child<QSpinBox>(dialog, "brush_cir_size")->value(), 20);
  EXPECT_FALSE(child<QCheckBox>(dialog, "tablet_enabled")->isChecked());
  EXPECT_TRUE(child<QCheckBox>(dialog, "tablet_mouse_position")->isChecked());
  EXPECT_EQ(child<QComboBox>(dialog, "tale_tool")->count(), kToolCount);
  EXPECT_EQ(child<QComboBox>(dialog, "tale_tool")->currentIndex(), kToolBrushEraser);
  EXPECT_EQ(child<QComboBox>(dialog, "tab_side1")->count(), 5);
  EXPECT_EQ(child<QComboBox>(dialog, "tab_side1")->currentIndex(), 3);
  EXPECT_EQ(child<QComboBox>(dialog, "tab_side2")->currentIndex(), 4);

  // Untouched, OK gives back exactly what came in.
  EXPECT_EQ(dialog.values(), env);
}

TEST(EnvironmentDialog, EditedFieldsComeBackAndTheRestIsKept) {
  const Environment env = sample_environment();
  EnvironmentDialog dialog(env);
  child<QSpinBox>(dialog, "def_img_w")->setValue(1);
  child<QSpinBox>(dialog, "def_img_h")->setValue(4500);
  child<ColourButton>(dialog, "canv_bk_col")->set_colour(0x0000FF);
  child<QSpinBox>(dialog, "scale_d_add")->setValue(100);
  child<QSpinBox>(dialog, "scale_u_add")->setValue(5);
  child<ColourButton>(dialog, "check_col1")->set_colour(0x010203);
  child<ColourButton>(dialog, "check_col2")->set_colour(0x040506);
  child<QSpinBox>(dialog, "undo_cnt")->setValue(2);
  child<QComboBox>(dialog, "info_bar_pos")->setCurrentIndex(0);
  child<QComboBox>(dialog, "def_erase")->setCurrentIndex(1);
  child<QCheckBox>(dialog, "opt_confirm_save")->setChecked(false);
  child<QCheckBox>(dialog, "opt_pick_erases")->setChecked(true);
  child<QCheckBox>(dialog, "opt_brush_circle")->setChecked(false);
  child<QSpinBox>(dialog, "brush_cir_size")->setValue(100);
  child<QCheckBox>(dialog, "tablet_enabled")->setChecked(true);
  child<QCheckBox>(dialog, "tablet_mouse_position")->setChecked(false);
  child<QComboBox>(dialog, "tale_tool")->setCurrentIndex(kToolPenEraser);
  child<QComboBox>(dialog, "tab_side1")->setCurrentIndex(0);
  child<QComboBox>(dialog, "tab_side2")->setCurrentIndex(2);

  Environment expected = env;
  expected.def_img_w = 1;
  expected.def_img_h = 4500;
  expected.canv_bk_col = 0x0000FF;
  expected.scale_d_add = 100;
  expected.scale_u_add = 5;
  expected.check_col1 = 0x010203;
  expected.check_col2 = 0x040506;
  expected.undo_cnt = 2;
  expected.info_bar_pos = 0;
  expected.def_erase = 1;
  // 0x6F: 0x01 and 0x20 off, 0x10 on; 0x100 is not the dialog's.
  expected.opt_flag = 0x4E | 0x10 | 0x100;
  expected.brush_cir_size = 100;
  expected.tablet_flag = 0x01 | 0x10;
  expected.tale_tool = kToolPenEraser;
  expected.tab_side1 = 0;
  expected.tab_side2 = 2;
  EXPECT_EQ(dialog.values(), expected);
}

TEST(EnvironmentDialog, FieldsStayWithinTheirRanges) {
  Environment env;
  // Out-of-range values coming in are brought into range too.
  env.info_bar_pos = 9;
  env.undo_cnt = 1000;
  env.tale_tool = -1;
  EnvironmentDialog dialog(env);
  EXPECT_EQ(child<QComboBox>(dialog, "info_bar_pos")->currentIndex(), 5);
  EXPECT_EQ(child<QComboBox>(dialog, "tale_tool")->currentIndex(), 0);

  struct Case {
    const char* name;
    int low, high;
  };
  const Case cases[] = {{"def_img_w", 1, 4500},  {"def_img_h", 1, 4500},
                        {"scale_d_add", 5, 100}, {"scale_u_add", 5, 1000},
                        {"undo_cnt", 2, 200},    {"brush_cir_size", 2, 100}};
  for (const Case& c : cases) {
    QSpinBox* box = child<QSpinBox>(dialog, c.name);
    box->setValue(c.low - 1);
    EXPECT_EQ(box->value(), c.low) << c.name;
    box->setValue(c.high + 1);
    EXPECT_EQ(box->value(), c.high) << c.name;
  }
  const Environment out = dialog.values();
  EXPECT_EQ(out.def_img_w, 4500);
  EXPECT_EQ(out.scale_u_add, 1000);
  EXPECT_EQ(out.undo_cnt, 200);
  EXPECT_EQ(out.brush_cir_size, 100);
}

TEST(EnvironmentDialog, RunAppliesNothingOnCancel) {
  const Environment env = sample_environment();
  auto edit = [](QDialog& d) { d.findChild<QSpinBox*>(QStringLiteral("undo_cnt"))->setValue(199); };
  EXPECT_FALSE(test::with_modal_dialog(
                   [&](QDialog& d) {
                     edit(d);
                     d.reject();
                   },
                   [&] { return run_environment_dialog(nullptr, env); })
                   .has_value());
  const auto ok = test::with_modal_dialog(
      [&](QDialog& d) {
        edit(d);
        d.accept();
      },
      [&] { return run_environment_dialog(nullptr, env); });
  ASSERT_TRUE(ok.has_value());
  EXPECT_EQ(ok->undo_cnt, 199);
  EXPECT_EQ(ok->def_img_w, 1200);
}

// --- grid -----------------------------------------------------------------

TEST(GridDialog, ThresholdListRunsFrom400To2000Percent) {
  Environment env;
  env.grid_pixel_per = 7;
  GridDialog dialog(env);
  auto* zoom = child<QComboBox>(dialog, "pixel_grid_zoom");
  ASSERT_EQ(zoom->count(), 17);
  EXPECT_EQ(zoom->itemText(0), QStringLiteral("400%"));
  EXPECT_EQ(zoom->itemText(16), QStringLiteral("2000%"));
  EXPECT_EQ(zoom->currentText(), QStringLiteral("700%"));
  zoom->setCurrentIndex(16);
  EXPECT_EQ(dialog.values().grid_pixel_per, 20);
  zoom->setCurrentIndex(0);
  EXPECT_EQ(dialog.values().grid_pixel_per, 4);
}

TEST(GridDialog, RoundTripsSizeColoursAndCentreCross) {
  Environment env;
  env.grid_w = 16;
  env.grid_h = 24;
  env.grid_col = 0x0080FF;
  env.center_grid_col = kCentreCrossShown | 0xFF00FF;
  GridDialog dialog(env);
  EXPECT_EQ(child<QSpinBox>(dialog, "grid_w")->value(), 16);
  EXPECT_EQ(child<QSpinBox>(dialog, "grid_h")->value(), 24);
  EXPECT_TRUE(child<QCheckBox>(dialog, "centre_shown")->isChecked());
  EXPECT_EQ(child<ColourButton>(dialog, "centre_col")->colour(), 0xFF00FFu);
  EXPECT_EQ(dialog.values(), env);

  child<QSpinBox>(dialog, "grid_w")->setValue(4500);
  child<QSpinBox>(dialog, "grid_h")->setValue(4);
  child<ColourButton>(dialog, "grid_col")->set_colour(0x123456);
  child<ColourButton>(dialog, "centre_col")->set_colour(0x00FF00);
  child<QCheckBox>(dialog, "centre_shown")->setChecked(false);
  Environment expected = env;
  expected.grid_w = 4500;
  expected.grid_h = 4;
  expected.grid_col = 0x123456;
  expected.center_grid_col = 0x00FF00;
  EXPECT_EQ(dialog.values(), expected);

  child<QCheckBox>(dialog, "centre_shown")->setChecked(true);
  EXPECT_EQ(dialog.values().center_grid_col, kCentreCrossShown | 0x00FF00);
}

TEST(GridDialog, CellSizeStaysWithin4To4500) {
  GridDialog dialog(Environment{});
  child<QSpinBox>(dialog, "grid_w")->setValue(3);
  child<QSpinBox>(dialog, "grid_h")->setValue(4501);
  EXPECT_EQ(dialog.values().grid_w, 4);
  EXPECT_EQ(dialog.values().grid_h, 4500);
}

TEST(GridDialog, RunAppliesNothingOnCancel) {
  Environment env;
  EXPECT_FALSE(test::with_modal_dialog(test::reject_dialog, [&] {
                 return run_grid_dialog(nullptr, env);
               }).has_value());
  const auto ok = test::with_modal_dialog(
      [](QDialog& d) {
        d.findChild<QSpinBox*>(QStringLiteral("grid_w"))->setValue(64);
        d.accept();
      },
      [&] { return run_grid_dialog(nullptr, env); });
  ASSERT_TRUE(ok.has_value());
  EXPECT_EQ(ok->grid_w, 64);
}

// --- version --------------------------------------------------------------

TEST(VersionDialog, ShowsTheProgramNameAndVersion) {
  const QString text = program_version_text();
  EXPECT_TRUE(text.startsWith(QStringLiteral("Quillmark2 "))) << text.toStdString();
  EXPECT_GT(text.size(), QStringLiteral("Quillmark2 ").size());

  QString shown;
  test::with_modal_dialog(
      [&](QDialog& d) {
        if (auto* label = d.findChild<QLabel*>(QStringLiteral("version"))) shown = label->text();
        d.accept();
      },
      [] {
        run_version_dialog(nullptr);
        return 0;
      });
  EXPECT_EQ(shown, text);
}

}  // namespace
}  // namespace qm
