#pragma once
// The filter list: the filter menu as a tree. Items of a submenu are the
// children of its node; a click on a node that carries a command runs it as
// if its menu item had been chosen; submenu nodes start nothing.
#include <QTreeWidget>
#include <functional>
#include <span>

#include "app/menu_table.h"

namespace qm {

class FilterListWidget : public QTreeWidget {
  Q_OBJECT

 public:
  // `menu`: the rows of the filter menu, from its kBegin row to its kEnd.
  // `run` receives the command, posted (queued) from the click.
  FilterListWidget(std::span<const MenuRow> menu, std::function<void(int)> run,
                   QWidget* parent = nullptr);

  // The rows of the fourth top-level menu of `menu_table`.
  static std::span<const MenuRow> filter_menu_rows(std::span<const MenuRow> menu_table);

 private:
  std::function<void(int)> run_;
};

}  // namespace qm
