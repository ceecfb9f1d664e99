#include "app/filters/filter_list_panel.h"

#include <QVBoxLayout>

#include "panels/panel_placement.h"

namespace qm {

FilterListPanel::FilterListPanel(const PanelContext& context, std::span<const MenuRow> menu_table)
    : FloatingPanel(context, kPanelFilterList, QStringLiteral("ﾌｨﾙﾀ一覧")) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  list_ = new FilterListWidget(FilterListWidget::filter_menu_rows(menu_table),
                               [run = context.run_command](int id) {
                                 if (run) run(id);
                               },
                               this);
  layout->addWidget(list_);
  resize(200, 360);
  keep_keyboard_with_canvas();
}

}  // namespace qm
