// The options asked before a PNG or GIF save, and the JPEG panel of the
// save dialog.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

#include "app/dialogs/colour_button.h"
#include "app/dialogs/gif_options_dialog.h"
#include "app/dialogs/jpeg_quality_dialog.h"
#include "app/dialogs/png_options_dialog.h"
#include "dialog_test_util.h"

namespace qm {
namespace {

template <typename T>
T* child(QWidget& parent, const char* name) {
  T* found = parent.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}

// --- PNG ------------------------------------------------------------------

TEST(PngOptionsDialog, StartsFromTheCurrentChoice) {
  PngSaveOptions current;
  current.level = 3;
  current.alpha = true;
  current.transparent = 0x123456;
  PngOptionsDialog dialog(current);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("PNG 저장"));
  EXPECT_EQ(child<QSpinBox>(dialog, "level")->value(), 3);
  EXPECT_TRUE(child<QRadioButton>(dialog, "alpha")->isChecked());
  EXPECT_FALSE(child<QRadioButton>(dialog, "flat")->isChecked());
  EXPECT_TRUE(child<QCheckBox>(dialog, "use_transparent")->isChecked());
  EXPECT_EQ(child<ColourButton>(dialog, "transparent")->colour(), 0x123456u);

  // No transparent colour: the box is clear and the button white.
  PngOptionsDialog plain(PngSaveOptions{});
  EXPECT_FALSE(child<QCheckBox>(plain, "use_transparent")->isChecked());
  EXPECT_EQ(child<ColourButton>(plain, "transparent")->colour(), 0xFFFFFFu);
  EXPECT_TRUE(child<QRadioButton>(plain, "flat")->isChecked());
  EXPECT_EQ(child<QSpinBox>(plain, "level")->value(), 6);
}

TEST(PngOptionsDialog, RoundTripsEveryChoice) {
  PngSaveOptions current;
  current.dpi = 96;  // not shown; passes through
  PngOptionsDialog dialog(current);
  child<QSpinBox>(dialog, "level")->setValue(0);
  child<QCheckBox>(dialog, "use_transparent")->setChecked(true);
  child<ColourButton>(dialog, "transparent")->set_colour(0xABCDEF);
  const PngSaveOptions out = dialog.values();
  EXPECT_EQ(out.level, 0);
  EXPECT_FALSE(out.alpha);
  EXPECT_EQ(out.transparent, std::optional<uint32_t>(0xABCDEF));
  EXPECT_EQ(out.dpi, std::optional<int>(96));

  child<QCheckBox>(dialog, "use_transparent")->setChecked(false);
  EXPECT_FALSE(dialog.values().transparent.has_value());
}

TEST(PngOptionsDialog, ThirtyTwoBitChoiceDropsTheTransparentColour) {
  PngSaveOptions current;
  current.transparent = 0x00FF00;
  PngOptionsDialog dialog(current);
  child<QRadioButton>(dialog, "alpha")->setChecked(true);
  const PngSaveOptions out = dialog.values();
  EXPECT_TRUE(out.alpha);
  EXPECT_FALSE(out.transparent.has_value());
  // Back to 8/24 bits, the colour is still there.
  child<QRadioButton>(dialog, "flat")->setChecked(true);
  EXPECT_EQ(dialog.values().transparent, std::optional<uint32_t>(0x00FF00));
}

TEST(PngOptionsDialog, LevelIsKeptWithinZeroToNine) {
  PngSaveOptions current;
  current.level = 15;
  PngOptionsDialog dialog(current);
  EXPECT_EQ(child<QSpinBox>(dialog, "level")->value(), 9);
  child<QSpinBox>(dialog, "level")->setValue(-3);
  EXPECT_EQ(dialog.values().level, 0);
  child<QSpinBox>(dialog, "level")->setValue(12);
  EXPECT_EQ(dialog.values().level, 9);
}

TEST(PngOptionsDialog, RunReturnsNothingOnCancel) {
  PngSaveOptions current;
  current.level = 4;
  auto set_level = [](QDialog& d) { d.findChild<QSpinBox*>(QStringLiteral("level"))->setValue(8); };
  EXPECT_FALSE(test::with_modal_dialog(
                   [&](QDialog& d) {
                     set_level(d);
                     d.reject();
                   },
                   [&] { return run_png_options_dialog(nullptr, current); })
                   .has_value());
  const auto ok = test::with_modal_dialog(
      [&](QDialog& d) {
        set_level(d);
        d.accept();
      },
      [&] { return run_png_options_dialog(nullptr, current); });
  ASSERT_TRUE(ok.has_value());
  EXPECT_EQ(ok->level, 8);
}

// --- GIF ------------------------------------------------------------------

TEST(GifOptionsDialog, RoundTripsTheTransparentColour) {
  GifOptionsDialog none(GifSaveOptions{});
  EXPECT_EQ(none.windowTitle(), QStringLiteral("GIF 저장"));
  EXPECT_FALSE(child<QCheckBox>(none, "use_transparent")->isChecked());
  EXPECT_EQ(child<ColourButton>(none, "transparent")->colour(), 0xFFFFFFu);
  EXPECT_EQ(none.values(), GifSaveOptions{});

  GifOptionsDialog set(GifSaveOptions{0x102030});
  EXPECT_TRUE(child<QCheckBox>(set, "use_transparent")->isChecked());
  EXPECT_EQ(set.values(), GifSaveOptions{0x102030});
  child<ColourButton>(set, "transparent")->set_colour(0xFF000000u | 0x0000FF);  // top byte dropped
  EXPECT_EQ(set.values(), GifSaveOptions{0x0000FF});
  child<QCheckBox>(set, "use_transparent")->setChecked(false);
  EXPECT_EQ(set.values(), GifSaveOptions{});
}

TEST(GifOptionsDialog, RunReturnsNothingOnCancel) {
  const GifSaveOptions current{0x445566};
  EXPECT_FALSE(test::with_modal_dialog(test::reject_dialog, [&] {
                 return run_gif_options_dialog(nullptr, current);
               }).has_value());
  const auto ok = test::with_modal_dialog(
      [](QDialog& d) {
        d.findChild<QCheckBox*>(QStringLiteral("use_transparent"))->setChecked(false);
        d.accept();
      },
      [&] { return run_gif_options_dialog(nullptr, current); });
  ASSERT_TRUE(ok.has_value());
  EXPECT_FALSE(ok->transparent.has_value());
}

// --- JPEG -----------------------------------------------------------------

TEST(JpegQualityPanel, PacksQualityAndSubsamplingLikeJpegComp) {
  EXPECT_EQ(make_jpeg_comp(85, false), 85);
  EXPECT_EQ(make_jpeg_comp(0, false), 1);
  EXPECT_EQ(make_jpeg_comp(120, true), 100 | 0x8000);
  EXPECT_EQ(make_jpeg_comp(1, true), 0x8001);

  JpegQualityPanel panel(0x8000 | 70);
  EXPECT_EQ(child<QSpinBox>(panel, "quality")->value(), 70);
  EXPECT_TRUE(child<QCheckBox>(panel, "subsample")->isChecked());
  EXPECT_EQ(child<QCheckBox>(panel, "subsample")->text(), QStringLiteral("압축 사용 안함"));
  EXPECT_EQ(panel.jpeg_comp(), 0x8000 | 70);

  child<QSpinBox>(panel, "quality")->setValue(100);
  child<QCheckBox>(panel, "subsample")->setChecked(false);
  EXPECT_EQ(panel.jpeg_comp(), 100);
  child<QSpinBox>(panel, "quality")->setValue(0);  // the field stops at 1
  EXPECT_EQ(panel.jpeg_comp(), 1);
}

TEST(JpegQualityPanel, SitsInsideTheSaveFileDialog) {
  QFileDialog dialog;
  JpegQualityPanel* panel = add_jpeg_quality_panel(dialog, 85);
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->parentWidget(), &dialog);
  EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
  ASSERT_NE(dialog.layout(), nullptr);
  EXPECT_GE(dialog.layout()->indexOf(panel), 0);
  bool labelled = false;
  for (QLabel* label : panel->findChildren<QLabel*>())
    labelled |= label->text() == QStringLiteral("JPEG 품질[1-100]");
  EXPECT_TRUE(labelled);
  EXPECT_EQ(panel->jpeg_comp(), 85);
}

}  // namespace
}  // namespace qm
