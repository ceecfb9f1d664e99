#include "app/filters/filter_list_widget.h"

#include <QTimer>
#include <vector>

namespace qm {

namespace {
constexpr int kCommandRole = Qt::UserRole;
}

std::span<const MenuRow> FilterListWidget::filter_menu_rows(std::span<const MenuRow> all) {
  int depth = 0, top = 0;
  size_t begin = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i].kind == MenuRow::kBegin) {
      if (depth == 0 && ++top == 4) begin = i;
      ++depth;
    } else if (all[i].kind == MenuRow::kEnd) {
      if (--depth == 0 && top == 4) return all.subspan(begin, i - begin + 1);
    }
  }
  return {};
}

FilterListWidget::FilterListWidget(std::span<const MenuRow> menu, std::function<void(int)> run,
                                   QWidget* parent)
    : QTreeWidget(parent), run_(std::move(run)) {
  setHeaderHidden(true);
  setColumnCount(1);
  // The outer kBegin/kEnd pair is the menu itself, not a node.
  std::vector<QTreeWidgetItem*> parents;
  for (size_t i = 1; i + 1 < menu.size(); ++i) {
    const MenuRow& row = menu[i];
    if (row.kind == MenuRow::kEnd) {
      if (!parents.empty()) parents.pop_back();
      continue;
    }
    if (row.kind == MenuRow::kSeparator) continue;
    auto* item = parents.empty() ? new QTreeWidgetItem(this) : new QTreeWidgetItem(parents.back());
    item->setText(0, QString::fromUtf8(row.text ? row.text : ""));
    item->setData(0, kCommandRole, row.kind == MenuRow::kItem ? row.id : 0);
    if (row.kind == MenuRow::kBegin) parents.push_back(item);
  }
  connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) {
    const int id = item->data(0, kCommandRole).toInt();
    if (id == 0 || !run_) return;
    // Posted, as a menu choice would be: the click's handling ends first.
    QTimer::singleShot(0, this, [this, id] { run_(id); });
  });
}

}  // namespace qm
