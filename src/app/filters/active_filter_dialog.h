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

}  // namespace qm
