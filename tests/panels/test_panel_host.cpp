// The panels in the main window: placement, toggles with their check marks,
// Tab, places stored at exit, shortcuts while a panel is active.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTest>

#include "app/app_panels.h"
#include "app/app_state.h"
#include "app/canvas_widget.h"
#include "app/command_ids.h"
#include "app/main_window.h"
#include "panels/control_panel.h"
#include "panels/floating_panel.h"
#include "panels/slider_field.h"
#include "panels/panel_placement.h"

namespace qm {
namespace {

TEST(PanelPlacement, DefaultsAndStoredPlaces) {
  const PanelRect client{100, 50, 900, 650};
  WindowLayout layout;
  EXPECT_EQ(panel_place(kPanelTool, layout, client), (PanelPlace{652, 84}));
  EXPECT_EQ(panel_place(kPanelControl, layout, client), (PanelPlace{648, 237}));
  EXPECT_EQ(panel_place(kPanelLayer, layout, client), (PanelPlace{108, 315, 0, 290}));
  EXPECT_EQ(panel_place(kPanelPalette, layout, client), (PanelPlace{413, 82, 235, 153}));
  EXPECT_EQ(panel_place(kPanelFilterList, layout, client), (PanelPlace{200, 100, 150, 200}));
  store_panel_place(kPanelControl, {10, 20, 230, 400}, layout);
  store_panel_place(kPanelLayer, {5, 6, 105, 306}, layout);
  store_panel_place(kPanelPreview, {1, 2, 181, 182}, layout);
  EXPECT_EQ(layout.control, (WindowPoint{10, 20}));
  EXPECT_EQ(layout.layer_height, 300);
  EXPECT_EQ(panel_place(kPanelLayer, layout, client), (PanelPlace{5, 6, 0, 300}));
  EXPECT_EQ(panel_place(kPanelPreview, layout, client), (PanelPlace{1, 2, 180, 180}));
  EXPECT_EQ(panel_place(kPanelTool, layout, client), (PanelPlace{652, 84}));  // untouched
}

class Host : public ::testing::Test {
 protected:
  Host() {
    EXPECT_TRUE(state.document.new_canvas(300, 300, true));
    state.settings.windows.main = {0, 0, 800, 600};
    state.settings.windows.main_show_cmd = 1;
    window = std::make_unique<MainWindow>(state);
    create_panels(*window);
  }
  FloatingPanel* panel(int index) {
    return static_cast<FloatingPanel*>(window->floating_window(index));
  }
  AppState state;
  std::unique_ptr<MainWindow> window;
};

TEST_F(Host, PanelsArePlacedShownToggledAndStored) {
  state.settings.env.win_view_flag = kWinControl;
  state.settings.windows.tool = {30, 40};
  window->show_placed();
  const QRect client = window->client_area();
  EXPECT_FALSE(panel(kPanelTool)->isVisible());
  EXPECT_TRUE(panel(kPanelControl)->isVisible());
  EXPECT_EQ(panel(kPanelTool)->pos(), QPoint(30, 40));
  EXPECT_EQ(panel(kPanelControl)->pos(),
            QPoint(client.left() + client.width() - 252, client.top() + 187));

  // Toggles exist for the panels that exist; their check marks follow.
  window->refresh_actions();
  EXPECT_TRUE(window->action(cmd::kFirstWindow + kPanelTool)->isEnabled());
  EXPECT_FALSE(window->action(cmd::kFirstWindow + kPanelTool)->isChecked());
  EXPECT_TRUE(window->action(cmd::kFirstWindow + kPanelControl)->isChecked());
  EXPECT_TRUE(window->action(cmd::kFirstWindow + kPanelLayer)->isEnabled());
  window->run_command(cmd::kFirstWindow + kPanelTool);
  EXPECT_TRUE(panel(kPanelTool)->isVisible());
  EXPECT_EQ(state.settings.env.win_view_flag, kWinTool | kWinControl);
  // Closing a panel by its title bar is the toggle.
  panel(kPanelControl)->close();
  EXPECT_FALSE(panel(kPanelControl)->isVisible());
  EXPECT_EQ(state.settings.env.win_view_flag, kWinTool);

  // Tab hides and restores.
  window->run_command(cmd::kAllWindows);
  EXPECT_FALSE(panel(kPanelTool)->isVisible());
  window->run_command(cmd::kAllWindows);
  EXPECT_TRUE(panel(kPanelTool)->isVisible());

  panel(kPanelTool)->move(111, 222);
  window->store_placement();
  EXPECT_EQ(state.settings.windows.tool, (WindowPoint{111, 222}));
}

TEST_F(Host, AcceleratorsAndKeysWorkFromAPanel) {
  window->show_placed();
  FloatingPanel* tools = panel(kPanelTool);
  // The main window's shortcuts are the panel's too.
  EXPECT_TRUE(tools->actions().contains(window->action(cmd::kAllWindows)));
  EXPECT_TRUE(tools->actions().contains(window->action(cmd::kUndo)));
  // A key the panel does not use reaches the canvas' key handling.
  int keys = 0;
  QObject::connect(&window->canvas(), &CanvasWidget::key_pressed, [&keys](int key, auto, bool) {
    if (key == Qt::Key_B) ++keys;
  });
  QTest::keyClick(tools, Qt::Key_B);
  EXPECT_EQ(keys, 1);
}

TEST_F(Host, BoundToolKeysRefreshBothPanels) {
  window->show_placed();
  bind_key(state.keys, KeyGroup::kTool, kToolFinger, 'F');
  bind_key(state.keys, KeyGroup::kDrawType, 3, 'R');  // filled rectangle
  state.settings.draw.brush_size[kToolFinger] = 33;
  QTest::keyClick(window->canvas().viewport(), Qt::Key_F);
  EXPECT_EQ(state.settings.draw.tool, kToolFinger);
  EXPECT_EQ(panel(kPanelTool)->windowTitle(), QStringLiteral("손가락 - 자유선"));
  auto* control = static_cast<ControlPanel*>(panel(kPanelControl));
  EXPECT_EQ(control->size_slider()->value(), 33);
  // Finger refuses a filled rectangle, from a key as from a button.
  QTest::keyClick(window->canvas().viewport(), Qt::Key_R);
  EXPECT_EQ(state.settings.draw.draw_type[kToolFinger], 0);
}

}  // namespace
}  // namespace qm
