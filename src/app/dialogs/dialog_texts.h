#pragma once
// Item names the dialogs list: tools, draw types, the key-binding groups,
// information bar positions and pen side-button actions.
#include <QDialogButtonBox>
#include <QString>
#include <QStringList>

#include "state/key_bindings.h"

namespace qm {

QStringList tool_names();           // 19, by tool index
QStringList draw_type_names();      // 10, by draw type
QStringList info_bar_positions();   // 6, InfoBarPos 0..5
QStringList side_button_actions();  // 5, TabSide 0..4
QStringList eraser_kinds();         // 3, DefErase 0..2

// The names of a key-binding group's items (kKeyGroupSizes[group] of them).
QStringList key_item_names(KeyGroup group);
// The header row of a group in the key settings list.
QString key_group_title(KeyGroup group);

// "확인" and "취소", wired to the dialog's accept() and reject().
QDialogButtonBox* make_ok_cancel_buttons(QDialog* dialog);

}  // namespace qm
