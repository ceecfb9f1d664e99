// The canvas window on a screen of device pixel ratio 2 (Qt's offscreen
// platform scaled by QT_SCALE_FACTOR): at 100 % one image pixel is one
// device pixel, and the pointer maps through device pixels.
#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "app/canvas_widget.h"
#include "document/document.h"

namespace qm {
namespace {

TEST(CanvasHighDensity, OneImagePixelPerDevicePixelAt100Percent) {
  Document doc;
  ASSERT_TRUE(doc.new_canvas(40, 30, true));
  // Every pixel differs from its neighbours, so any scaling shows.
  LayerImage& img = doc.layer_at(0)->image;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) img.row(y)[x] = 0xFF000000u | uint32_t(x * 6) << 16 | uint32_t(y * 8) << 8 | uint32_t((x + y) & 1) * 255;
  CanvasWidget canvas(doc);
  canvas.show();
  const QSize frame = canvas.size() - canvas.viewport()->size();
  canvas.resize(QSize(100, 80) + frame);
  QCoreApplication::processEvents();
  ASSERT_EQ(canvas.viewport()->devicePixelRatioF(), 2.0);
  canvas.document_changed();
  EXPECT_EQ(canvas.view().scale(), 100);
  EXPECT_EQ(canvas.view().geometry().view_w, 200);
  EXPECT_EQ(canvas.view().geometry().view_h, 160);

  const QImage screen = canvas.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(screen.size(), QSize(200, 160));
  // Centred in device pixels: (200 − 40) / 2, (160 − 30) / 2.
  const Point origin = canvas.view().image_to_window(0, 0);
  EXPECT_EQ(origin.x, 80);
  EXPECT_EQ(origin.y, 65);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
      ASSERT_EQ(screen.pixel(origin.x + x, origin.y + y), img.row(y)[x]) << x << "," << y;
  EXPECT_EQ(screen.pixel(origin.x - 1, origin.y), 0xFFB4B4B4u);  // the background around it

  // A pointer at window point (50, 40) is device point (100, 80).
  QSignalSpy moved(&canvas, &CanvasWidget::pointer_image_position);
  QMouseEvent move(QEvent::MouseMove, QPointF(50, 40), canvas.viewport()->mapToGlobal(QPointF(50, 40)),
                   Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(canvas.viewport(), &move);
  ASSERT_GE(moved.count(), 1);
  EXPECT_EQ(moved.last().at(0).toInt(), 100 - origin.x);
  EXPECT_EQ(moved.last().at(1).toInt(), 80 - origin.y);
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QT_SCALE_FACTOR", "2");
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
