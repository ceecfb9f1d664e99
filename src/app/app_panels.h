#pragma once
// Creates the floating panels in their fixed order and hands each to the
// main window, which places and shows them (MainWindow::show_placed) and
// stores their places at exit. A new panel is one more line here.
namespace qm {

class MainWindow;
struct PanelContext;

void create_panels(MainWindow& window);
// What a panel of this window gets (state, signals, owner, canvas, commands).
PanelContext panel_context(MainWindow& window);

}  // namespace qm
