#pragma once
// The filter commands and the filter list window.
namespace qm {

class CommandRegistry;
class FloatingPanel;
struct PanelContext;

// 41000 … 41051, 41800 … 41803, 41810 … 41813, 41820 … 41822: each enabled
// once its algorithm is in the program.
void register_filter_commands(CommandRegistry& registry);
// The "ﾌｨﾙﾀ一覧" panel (floating window 8, command 40158).
FloatingPanel* create_filter_list_panel(const PanelContext& context);

}  // namespace qm
