#include "app/dialogs/key_settings_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/dialogs/dialog_texts.h"
#include "platform/key_codes.h"

namespace qm {

namespace {

// The list shows the groups in this order, not in table order.
constexpr KeyGroup kListOrder[] = {KeyGroup::kTool,   KeyGroup::kDrawType, KeyGroup::kCommand,
                                   KeyGroup::kWindow, KeyGroup::kKeyClick, KeyGroup::kOther};

constexpr int kIndexRole = Qt::UserRole;

}  // namespace

KeySettingsDialog::KeySettingsDialog(const KeyBindings& current, QWidget* parent)
    : QDialog(parent), keys_(current) {
  setWindowTitle(QStringLiteral("키 설정"));

  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("keys"));
  list_->setColumnCount(2);
  list_->setHeaderLabels({QStringLiteral("기능"), QStringLiteral("키")});
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setColumnWidth(0, 140);
  list_->setColumnWidth(1, 68);
  list_->header()->setStretchLastSection(true);
  list_->installEventFilter(this);

  for (KeyGroup group : kListOrder) {
    auto* title = new QTreeWidgetItem(list_, {key_group_title(group)});
    title->setData(0, kIndexRole, -1);
    title->setFlags(Qt::ItemIsEnabled);  // headers cannot be selected or bound
    const QStringList names = key_item_names(group);
    for (int item = 0; item < names.size(); ++item) {
      const int index = key_binding_index(group, item);
      auto* row = new QTreeWidgetItem(list_, {names[item]});
      row->setData(0, kIndexRole, index);
      rows_[index] = row;
      refresh_row(index);
    }
  }

  auto* clear = new QPushButton(QStringLiteral("지우기"), this);
  clear->setObjectName(QStringLiteral("clear"));
  auto* clear_all = new QPushButton(QStringLiteral("모두 지우기"), this);
  clear_all->setObjectName(QStringLiteral("clear_all"));
  // Keys must keep going to the list after these are clicked.
  clear->setFocusPolicy(Qt::NoFocus);
  clear_all->setFocusPolicy(Qt::NoFocus);
  clear->setAutoDefault(false);
  clear_all->setAutoDefault(false);
  connect(clear, &QPushButton::clicked, this, [this] { bind_selected(0); });
  connect(clear_all, &QPushButton::clicked, this, [this] {
    unbind_all_keys(keys_);
    for (int i = 0; i < kKeyBindingCount; ++i) refresh_row(i);
  });

  auto* row = new QHBoxLayout;
  row->addWidget(clear);
  row->addWidget(clear_all);
  row->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addLayout(row);
  layout->addWidget(make_ok_cancel_buttons(this));
  resize(300, 480);
  list_->setFocus();
}

void KeySettingsDialog::select_action(KeyGroup group, int item) {
  const int index = key_binding_index(group, item);
  if (index >= 0) list_->setCurrentItem(rows_[index]);
}

void KeySettingsDialog::refresh_row(int index) {
  if (index < 0 || index >= kKeyBindingCount || !rows_[index]) return;
  rows_[index]->setText(1, virtual_key_name(uint8_t(keys_.entries[index] & 0xFF)));
}

void KeySettingsDialog::bind_selected(uint8_t key) {
  const QTreeWidgetItem* row = list_->currentItem();
  if (!row || !row->isSelected()) return;
  const int index = row->data(0, kIndexRole).toInt();
  if (index < 0 || index >= kKeyBindingCount) return;
  // A key may serve several actions; the first in table order wins when pressed.
  keys_.entries[index] = uint16_t((keys_.entries[index] & 0xFF00) | key);
  refresh_row(index);
}

bool KeySettingsDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::KeyPress) {
    const auto* press = static_cast<QKeyEvent*>(event);
    // Bindings are single keys: Ctrl and Alt combinations are left to the
    // dialog. Shift is ignored, so Shift+1 still names the 1 key.
    if (press->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
      return false;
    const uint8_t key = virtual_key_from_event(*press);
    // Keys that cannot be bound (Tab, Enter, Escape, ...) keep their usual
    // meaning in the dialog.
    if (!is_bindable_key(key)) return false;
    bind_selected(key);
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

std::optional<KeyBindings> run_key_settings_dialog(QWidget* parent, const KeyBindings& current) {
  KeySettingsDialog dialog(current, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.values();
}

}  // namespace qm
