// The linked fields of the image-size dialog and the choices of both dialogs.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <gtest/gtest.h>

#include "app/dialogs/canvas_size_dialog.h"
#include "app/dialogs/image_size_dialog.h"

namespace qm {
namespace {

TEST(ImageSizeFields, PercentAndPixelsRoundToNearest) {
  EXPECT_EQ(scale_rounded(301, 50, 100), 151);  // 150.5 rounds up
  EXPECT_EQ(scale_rounded(299, 50, 100), 150);  // 149.5 rounds up
  EXPECT_EQ(scale_rounded(3, 1, 3), 1);
  ImageSizeFields f = ImageSizeFields::start(301, 200);
  f.set_width_percent(50);
  EXPECT_EQ(f.width, 151);
  EXPECT_EQ(f.height_percent, 50);
  EXPECT_EQ(f.height, 100);
  // Pixels to percent: 151 × 100 / 301 = 50.17 → 50.
  f.set_width(151);
  EXPECT_EQ(f.width_percent, 50);
  // The other side follows the edited one's factor: 200 × 400 / 301 = 265.78 → 266.
  f.set_width(400);
  EXPECT_EQ(f.height, 266);
  EXPECT_EQ(f.height_percent, 133);  // 266 / 200 = 133 %
  EXPECT_EQ(f.width_percent, 133);   // 400 / 301 = 132.9 % → 133
}

TEST(ImageSizeFields, WithoutAspectOnlyTheEditedSideChangesAndLimitsHold) {
  ImageSizeFields f = ImageSizeFields::start(100, 40);
  f.keep_aspect = false;
  f.set_height(10);
  EXPECT_EQ(f.width, 100);
  EXPECT_EQ(f.width_percent, 100);
  EXPECT_EQ(f.height_percent, 25);
  f.keep_aspect = true;
  f.set_width_percent(5000);  // 5000 px wide is cut to the canvas limit
  EXPECT_EQ(f.width, 4500);
  EXPECT_EQ(f.height, 2000);
  f.set_height(1);
  EXPECT_EQ(f.width, 3);  // 100 × 1 / 40 = 2.5 → 3
  f.set_width_percent(0);
  EXPECT_EQ(f.width_percent, 1);
  EXPECT_EQ(f.width, 1);
}

TEST(ImageSizeDialog, EditingAFieldUpdatesTheOthers) {
  ImageSizeDialog dialog(301, 200, 2);
  auto* percent = dialog.findChild<QSpinBox*>("width_percent");
  ASSERT_NE(percent, nullptr);
  percent->setValue(50);
  EXPECT_EQ(dialog.findChild<QSpinBox*>("width")->value(), 151);
  EXPECT_EQ(dialog.findChild<QSpinBox*>("height")->value(), 100);
  EXPECT_TRUE(dialog.findChild<QCheckBox*>("keep_aspect")->isChecked());
  dialog.findChild<QComboBox*>("method")->setCurrentIndex(5);
  const ImageSizeChoice c = dialog.choice();
  EXPECT_EQ(c.width, 151);
  EXPECT_EQ(c.height, 100);
  EXPECT_EQ(c.method, 5);
}

TEST(CanvasSizeDialog, ReportsSizeAnchorAndFill) {
  CanvasSizeDialog dialog(30, 20);
  CanvasSizeChoice c = dialog.choice();
  EXPECT_EQ(c.width, 30);
  EXPECT_EQ(c.height, 20);
  EXPECT_EQ(c.anchor, 0);
  EXPECT_EQ(c.fill, 0);
  dialog.findChild<QSpinBox*>("width")->setValue(5000);  // held at the limit
  dialog.findChild<QPushButton*>("anchor7")->click();
  dialog.findChild<QComboBox*>("fill")->setCurrentIndex(2);
  c = dialog.choice();
  EXPECT_EQ(c.width, 4500);
  EXPECT_EQ(c.anchor, 7);
  EXPECT_EQ(c.fill, 2);
  dialog.choose_anchor(4);
  EXPECT_EQ(dialog.choice().anchor, 4);
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
