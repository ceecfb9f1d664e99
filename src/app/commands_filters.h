#pragma once
// The filter commands and the filter list window.
class QWidget;

namespace qm {

class CommandRegistry;
class MainWindow;

// 41000 … 41051, 41800 … 41803, 41810 … 41813, 41820 … 41822: each enabled
// once its algorithm is in the program.
void register_filter_commands(CommandRegistry& registry);
// The "ﾌｨﾙﾀ一覧" window (floating window 8, command 40158).
QWidget* create_filter_list_window(MainWindow& window);

}  // namespace qm
