#pragma once
// Key settings (522): one key per action, edited on a copy of the table.
// Select a row and press a key to bind it; "지우기" unbinds the row,
// "모두 지우기" every row.
#include <QDialog>
#include <array>
#include <optional>

#include "state/key_bindings.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace qm {

class KeySettingsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit KeySettingsDialog(const KeyBindings& current, QWidget* parent = nullptr);

  const KeyBindings& values() const { return keys_; }
  // The list (rows: group headers and actions); keys go to it.
  QTreeWidget* list() const { return list_; }
  // Selects the row of an action.
  void select_action(KeyGroup group, int item);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void bind_selected(uint8_t key);
  void refresh_row(int index);

  QTreeWidget* list_;
  std::array<QTreeWidgetItem*, kKeyBindingCount> rows_{};  // by table index
  KeyBindings keys_;
};

// nullopt on Cancel; on OK the edited table.
std::optional<KeyBindings> run_key_settings_dialog(QWidget* parent, const KeyBindings& current);

}  // namespace qm
