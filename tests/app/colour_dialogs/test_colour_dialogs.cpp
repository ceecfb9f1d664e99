// The Levels and Replace Colour dialogs on the offscreen platform: handles
// and sliders give the values, the preview reaches the layer, and both
// exits leave the layer exactly as it was.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

#include <functional>

#include "app/colour_dialogs/colour_dialogs.h"
#include "filters/colour_filters.h"

namespace qm {
namespace {

LayerImage gradient_layer() {
  LayerImage img;
  EXPECT_TRUE(img.create(31, 17));
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 31; ++x) *img.pixel_address(x, y) = make_pixel(255, uint32_t(x * 8), uint32_t(y * 15), 0x40);
  *img.pixel_address(3, 3) = 0xFF123456;
  return img;
}

LayerImage copy_of(const LayerImage& s) {
  LayerImage c;
  EXPECT_TRUE(c.create(s.width(), s.height()));
  c.copy_from(s);
  return c;
}

bool same(const LayerImage& a, const LayerImage& b) {
  return std::equal(a.pixels(), a.pixels() + a.pixel_count(), b.pixels());
}

void mouse(QWidget* w, QEvent::Type type, int x, Qt::MouseButtons held) {
  const QPointF pos(x, w->height() - 3);
  QMouseEvent e(type, pos, w->mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

// Runs `act` on the dialog once it is shown modally.
void when_open(std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [act] { act(QApplication::activeModalWidget()); });
}

void press(QWidget* dialog, const char* name) { dialog->findChild<QPushButton*>(name)->click(); }

constexpr Rect kTarget{2, 1, 20, 12};

TEST(LevelsDialog, DraggedHandleGivesValuesAndPreviews) {
  LayerImage layer = gradient_layer();
  const LayerImage backup = copy_of(layer);
  int previews = 0;
  bool preview_changed_layer = false;
  when_open([&](QWidget* d) {
    ASSERT_NE(d, nullptr);
    QWidget* input = d->findChild<QWidget*>("levels_input");
    QWidget* output = d->findChild<QWidget*>("levels_output");
    // Drag the white point from 255 to 200 (pixel 203), black output to 30.
    mouse(input, QEvent::MouseButtonPress, 250, Qt::LeftButton);
    mouse(input, QEvent::MouseMove, 203, Qt::LeftButton);
    mouse(input, QEvent::MouseButtonRelease, 203, Qt::NoButton);
    preview_changed_layer = !same(layer, backup);
    mouse(output, QEvent::MouseButtonPress, 33, Qt::LeftButton);
    mouse(output, QEvent::MouseButtonRelease, 33, Qt::NoButton);
    press(d, "ok");
  });
  const auto v = run_levels_dialog(nullptr, layer, backup, kTarget, [&](Rect r) {
    EXPECT_EQ(r, kTarget);
    ++previews;
  });
  ASSERT_TRUE(v.has_value());
  EXPECT_EQ(v->numeric, (std::array<int, 5>{0, 128, 200, 30, 255}));
  EXPECT_TRUE(preview_changed_layer);
  EXPECT_GE(previews, 2);
  EXPECT_TRUE(same(layer, backup));  // OK hands back the layer as it was
}

TEST(LevelsDialog, CancelRestoresTheLayerBitForBit) {
  LayerImage layer = gradient_layer();
  const LayerImage backup = copy_of(layer);
  when_open([&](QWidget* d) {
    QWidget* input = d->findChild<QWidget*>("levels_input");
    mouse(input, QEvent::MouseButtonPress, 100, Qt::LeftButton);
    mouse(input, QEvent::MouseButtonRelease, 100, Qt::NoButton);
    EXPECT_FALSE(same(layer, backup));
    press(d, "cancel");
  });
  EXPECT_FALSE(run_levels_dialog(nullptr, layer, backup, kTarget, {}).has_value());
  EXPECT_TRUE(same(layer, backup));
}

TEST(ReplaceColourDialog, SliderSetsTheNewColourAndCancelRestores) {
  LayerImage layer = gradient_layer();
  const LayerImage backup = copy_of(layer);
  when_open([&](QWidget* d) {
    // HSV at start with the foreground's values; V to 0 gives black.
    d->findChild<QSlider*>("slider_2")->setValue(0);
    EXPECT_EQ(layer.get_pixel(3, 3), 0xFF000000u);
    d->findChild<QRadioButton*>("model_RGB")->click();
    EXPECT_EQ(d->findChild<QSlider*>("slider_0")->maximum(), 255);
    d->findChild<QSlider*>("slider_0")->setValue(200);
    press(d, "ok");
  });
  const auto v = run_replace_colour_dialog(nullptr, 0x123456, layer, backup, kTarget, {});
  ASSERT_TRUE(v.has_value());
  EXPECT_EQ((std::array<int, 3>{v->numeric[0], v->numeric[1], v->numeric[2]}), (std::array<int, 3>{200, 0, 0}));
  EXPECT_TRUE(same(layer, backup));

  when_open([&](QWidget* d) {
    d->findChild<QRadioButton*>("model_HLS")->click();
    EXPECT_EQ(d->findChild<QSlider*>("slider_2")->maximum(), 100);
    d->findChild<QSlider*>("slider_2")->setValue(100);  // L 100: white
    EXPECT_EQ(layer.get_pixel(3, 3), 0xFFFFFFFFu);
    press(d, "cancel");
  });
  EXPECT_FALSE(run_replace_colour_dialog(nullptr, 0x123456, layer, backup, kTarget, {}).has_value());
  EXPECT_TRUE(same(layer, backup));
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
  // Listing the tests at build time runs this too, without ctest's setting.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
