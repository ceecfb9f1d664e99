// The pen through the canvas window on Qt's offscreen platform: tablet
// events sent to the canvas are taken and painted as the engine paints the
// same samples, mouse events made from the pen are dropped while the tablet
// is open, and the eraser end switches the tool.
#include "tablet_test_window.h"

#include <QPointingDevice>
#include <QTabletEvent>
#include <gtest/gtest.h>

#include "platform/tablet_events.h"

namespace qm {
namespace {

// Owned by the application, so they go before it does.
const QPointingDevice& device(QPointingDevice::PointerType type) {
  const auto make = [](const char* name, qint64 id, QPointingDevice::PointerType kind) {
    return new QPointingDevice(QString::fromLatin1(name), id, QInputDevice::DeviceType::Stylus, kind,
                               QInputDevice::Capability::Position | QInputDevice::Capability::Pressure, 1, 3,
                               QString(), QPointingDeviceUniqueId(), qApp);
  };
  static const QPointingDevice* pen = make("test pen", 1001, QPointingDevice::PointerType::Pen);
  static const QPointingDevice* eraser = make("test eraser", 1002, QPointingDevice::PointerType::Eraser);
  return type == QPointingDevice::PointerType::Eraser ? *eraser : *pen;
}

// Sends one tablet event to the canvas; true when it was taken.
bool send_tablet(test::TabletWindow& w, QEvent::Type type, QPointF p, double pressure, Qt::MouseButton button,
                 Qt::MouseButtons buttons, QPointingDevice::PointerType kind = QPointingDevice::PointerType::Pen) {
  QWidget* port = w.canvas->viewport();
  QTabletEvent e(type, &device(kind), p, port->mapToGlobal(p), pressure, 0, 0, 0, 0, 0, Qt::NoModifier, button,
                 buttons);
  e.ignore();
  QApplication::sendEvent(port, &e);
  return e.isAccepted();
}

void send_stroke(test::TabletWindow& w, const std::vector<std::pair<QPointF, double>>& s) {
  EXPECT_TRUE(send_tablet(w, QEvent::TabletMove, s[0].first, 0, Qt::NoButton, Qt::NoButton));
  EXPECT_TRUE(send_tablet(w, QEvent::TabletPress, s[0].first, s[0].second, Qt::LeftButton, Qt::LeftButton));
  for (size_t i = 1; i + 1 < s.size(); ++i)
    EXPECT_TRUE(send_tablet(w, QEvent::TabletMove, s[i].first, s[i].second, Qt::NoButton, Qt::LeftButton));
  EXPECT_TRUE(send_tablet(w, QEvent::TabletRelease, s.back().first, s.back().second, Qt::LeftButton, Qt::NoButton));
}

void send_mouse(test::TabletWindow& w, QEvent::Type type, QPointF p, Qt::MouseButton b, Qt::MouseButtons held,
                const QPointingDevice* from) {
  QWidget* port = w.canvas->viewport();
  QMouseEvent e(type, p, p, port->mapToGlobal(p), b, held, Qt::NoModifier, from);
  QApplication::sendEvent(port, &e);
}

TEST(TabletEvents, PenStrokeIsTheEngineStrokeForTheSameSamples) {
  test::TabletWindow w;
  const auto s = w.curve(60);
  send_stroke(w, s);
  EXPECT_EQ(w.canvas->input()->state(), DragState::kIdle);
  EXPECT_GE(w.painted(), 100);
  EXPECT_TRUE(test::same_pixels(w.layer(), w.engine(s)));
  EXPECT_FALSE(test::same_pixels(w.layer(), w.engine(s, true)));  // the pressure counted
}

TEST(TabletEvents, MouseEventsFromThePenAreDroppedWhileTheTabletIsOpen) {
  const QPointingDevice* pen = &device(QPointingDevice::PointerType::Pen);
  const auto mouse_stroke = [&](test::TabletWindow& w, const QPointingDevice* from,
                                const std::vector<std::pair<QPointF, double>>& s) {
    send_mouse(w, QEvent::MouseButtonPress, s[0].first, Qt::LeftButton, Qt::LeftButton, from);
    for (size_t i = 1; i + 1 < s.size(); ++i)
      send_mouse(w, QEvent::MouseMove, s[i].first, Qt::NoButton, Qt::LeftButton, from);
    send_mouse(w, QEvent::MouseButtonRelease, s.back().first, Qt::LeftButton, Qt::NoButton, from);
  };
  {
    // The pen's stroke followed by the mouse events a platform makes of it.
    test::TabletWindow w;
    const auto s = w.curve(30);
    send_stroke(w, s);
    mouse_stroke(w, pen, s);
    EXPECT_TRUE(test::same_pixels(w.layer(), w.engine(s)));
  }
  {
    // The mouse itself still paints with the tablet open.
    test::TabletWindow w;
    const auto s = w.curve(30);
    mouse_stroke(w, QPointingDevice::primaryPointingDevice(), s);
    EXPECT_TRUE(test::same_pixels(w.layer(), w.engine(s, true)));
  }
  {
    // Closed, the pen is a mouse: full pressure.
    test::TabletWindow w;
    w.canvas->close_tablet();
    const auto s = w.curve(30);
    EXPECT_FALSE(send_tablet(w, QEvent::TabletPress, s[0].first, 0.5, Qt::LeftButton, Qt::LeftButton));
    EXPECT_EQ(w.painted(), 0);
    mouse_stroke(w, pen, s);
    EXPECT_TRUE(test::same_pixels(w.layer(), w.engine(s, true)));
  }
}

TEST(TabletEvents, EraserEndSwitchesToItsToolAndBack) {
  test::TabletWindow w;
  const QPointF p = w.curve(1)[0].first;
  send_tablet(w, QEvent::TabletMove, p, 0, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(w.model.tool(), kToolPen);
  EXPECT_TRUE(send_tablet(w, QEvent::TabletMove, p, 0, Qt::NoButton, Qt::NoButton,
                          QPointingDevice::PointerType::Eraser));
  EXPECT_EQ(w.model.tool(), w.settings.env.tale_tool);
  EXPECT_EQ(w.model.tool(), kToolDotEraser);
  send_tablet(w, QEvent::TabletMove, p + QPointF(1, 0), 0, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(w.model.tool(), kToolPen);
}

TEST(TabletEvents, SideButtonsAreTheMiddleAndRightButtons) {
  test::TabletWindow w;
  int undos = 0;
  QObject::connect(w.canvas.get(), &CanvasWidget::undo_requested, [&] { ++undos; });
  w.settings.env.tab_side2 = 4;  // the upper button: undo
  const QPointF p = w.curve(1)[0].first;
  send_tablet(w, QEvent::TabletMove, p, 0, Qt::NoButton, Qt::NoButton);
  send_tablet(w, QEvent::TabletPress, p, 0, Qt::MiddleButton, Qt::MiddleButton);  // lower: no action set
  send_tablet(w, QEvent::TabletRelease, p, 0, Qt::MiddleButton, Qt::NoButton);
  EXPECT_EQ(undos, 0);
  send_tablet(w, QEvent::TabletPress, p, 0, Qt::RightButton, Qt::RightButton);
  send_tablet(w, QEvent::TabletRelease, p, 0, Qt::RightButton, Qt::NoButton);
  EXPECT_EQ(undos, 1);
  EXPECT_EQ(w.painted(), 0);
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qm::configure_tablet_delivery();
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
