// The pen through Qt's whole delivery path on the offscreen platform: tablet
// events enter as a window system's would, Qt routes them to the canvas, and
// the canvas takes them all. A fast burst of packets is painted packet by
// packet, and no mouse event made from the pen reaches the canvas (the X11
// and Wayland platforms leave that making to Qt, as set here).
#include "tablet_test_window.h"

#include <QPointingDevice>
#include <gtest/gtest.h>
#include <qpa/qwindowsysteminterface.h>
#include <qpa/qwindowsysteminterface_p.h>

#include "platform/tablet_events.h"

namespace qm {
namespace {

constexpr qint64 kPenId = 4242;

void queue_tablet(test::TabletWindow& w, QPointF p, double pressure, Qt::MouseButtons buttons) {
  QWidget* top = w.canvas->window();
  const QPointF local = w.canvas->viewport()->mapTo(top, p);
  const QPointF global = w.canvas->viewport()->mapToGlobal(p);
  QWindowSystemInterface::handleTabletEvent(top->windowHandle(), local, global,
                                            int(QInputDevice::DeviceType::Stylus),
                                            int(QPointingDevice::PointerType::Pen), buttons, pressure, 0, 0, 0, 0, 0,
                                            kPenId, Qt::NoModifier);
}

// Hover, press, the moves and the release, all queued before Qt delivers
// any: a pen far faster than the event loop.
void burst(test::TabletWindow& w, const std::vector<std::pair<QPointF, double>>& s) {
  queue_tablet(w, s[0].first, 0, Qt::NoButton);
  for (size_t i = 0; i + 1 < s.size(); ++i) queue_tablet(w, s[i].first, s[i].second, Qt::LeftButton);
  queue_tablet(w, s.back().first, s.back().second, Qt::NoButton);
  QWindowSystemInterface::flushWindowSystemEvents();
  QCoreApplication::processEvents();
}

TEST(TabletDelivery, EveryPacketOfABurstReachesTheStrokeAndNoMouseEventFollows) {
  test::TabletWindow w;
  const auto s = w.curve(300);
  burst(w, s);
  EXPECT_EQ(w.canvas->input()->state(), DragState::kIdle);
  EXPECT_EQ(w.mice.events, 0);
  EXPECT_TRUE(test::same_pixels(w.layer(), w.engine(s)));

  // Every other packet alone is another stroke: none was skipped.
  std::vector<std::pair<QPointF, double>> half;
  for (size_t i = 0; i < s.size(); i += 2) half.push_back(s[i]);
  EXPECT_FALSE(test::same_pixels(w.layer(), w.engine(half)));
}

TEST(TabletDelivery, ClosedTabletLeavesThePenToQtsMouseEvents) {
  test::TabletWindow w;
  w.canvas->close_tablet();
  const auto s = w.curve(40);
  burst(w, s);
  // Taken by nobody, the events come back as mouse events: a stroke at full
  // pressure, the pen's pressure unseen.
  EXPECT_GT(w.mice.events, 0);
  EXPECT_GE(w.painted(), 100);
  EXPECT_FALSE(test::same_pixels(w.layer(), w.engine(s)));
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qm::configure_tablet_delivery();
  QApplication app(argc, argv);
  // What the X11 platform sets once it has the tablet's input events.
  QWindowSystemInterfacePrivate::TabletEvent::setPlatformSynthesizesMouse(false);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
