#pragma once
// The filter list window "ﾌｨﾙﾀ一覧" (floating window 8, command 40158): the
// filter menu as a tree on the floating-panel base.
#include <span>

#include "app/filters/filter_list_widget.h"
#include "panels/floating_panel.h"

namespace qm {

class FilterListPanel : public FloatingPanel {
  Q_OBJECT

 public:
  // `menu_table`: the main menu, whose fourth menu is the filter menu.
  FilterListPanel(const PanelContext& context, std::span<const MenuRow> menu_table);
  FilterListWidget* list() const { return list_; }

 private:
  FilterListWidget* list_;
};

}  // namespace qm
