#pragma once
// The program's active filter dialog: recorded while a filter dialog (the
// generic one, Levels or Replace Colour) is open. While one is recorded a
// panel that is activated brings it back to the front instead of taking the
// focus, and files dropped onto the main window are ignored.
class QWidget;

namespace qm {

QWidget* active_filter_dialog();
void set_active_filter_dialog(QWidget* dialog);
// Clears the record only when it is `dialog`.
void clear_active_filter_dialog(QWidget* dialog);

// Records `dialog` for the scope's lifetime (around a dialog's exec()).
class ActiveFilterDialogScope {
 public:
  explicit ActiveFilterDialogScope(QWidget* dialog) : dialog_(dialog) { set_active_filter_dialog(dialog); }
  ~ActiveFilterDialogScope() { clear_active_filter_dialog(dialog_); }
  ActiveFilterDialogScope(const ActiveFilterDialogScope&) = delete;
  ActiveFilterDialogScope& operator=(const ActiveFilterDialogScope&) = delete;

 private:
  QWidget* dialog_;
};

// From now on, whenever `panel` is activated while a filter dialog is
// recorded, the dialog is raised and takes the activation back.
void hand_activation_to_filter_dialog(QWidget* panel);

}  // namespace qm
