#pragma once
// Virtual-key codes (the key codes key.dat stores) to and from Qt's keys.
//
// Letters and digits share their codes with Qt::Key. Punctuation keys carry
// the codes of a US keyboard's keys, so a shifted character (Qt reports '!'
// for Shift+1) maps to the key that produced it. Keypad digits and operators
// have codes of their own; Qt marks them with Qt::KeypadModifier.
#include <QKeyCombination>
#include <QString>
#include <cstdint>

class QKeyEvent;

namespace qm {

// 0 when the key has no virtual-key code. Modifiers other than
// Qt::KeypadModifier are ignored (bindings are single keys).
uint8_t virtual_key_from_qt(Qt::Key key, Qt::KeyboardModifiers modifiers = {});
uint8_t virtual_key_from_event(const QKeyEvent& event);

// The Qt key of a code (with Qt::KeypadModifier for keypad keys);
// Qt::Key_unknown when it has none.
QKeyCombination qt_key_from_virtual_key(uint8_t key);

// The key's name for the key settings dialog: empty for 0 (unbound).
QString virtual_key_name(uint8_t key);

}  // namespace qm
