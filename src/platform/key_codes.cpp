#include "platform/key_codes.h"

#include <QKeyEvent>
#include <QKeySequence>

namespace qm {

namespace {

struct KeyPair {
  uint8_t vk;
  Qt::Key key;
  bool keypad;
};

// Code to key; the first row of a code is also the way back.
constexpr KeyPair kPairs[] = {
    {0x08, Qt::Key_Backspace, false},
    {0x09, Qt::Key_Tab, false},
    {0x09, Qt::Key_Backtab, false},
    {0x0C, Qt::Key_Clear, false},
    {0x0D, Qt::Key_Return, false},
    {0x0D, Qt::Key_Enter, true},
    {0x10, Qt::Key_Shift, false},
    {0x11, Qt::Key_Control, false},
    {0x12, Qt::Key_Alt, false},
    {0x13, Qt::Key_Pause, false},
    {0x14, Qt::Key_CapsLock, false},
    {0x15, Qt::Key_Hangul, false},
    {0x19, Qt::Key_Hangul_Hanja, false},
    {0x19, Qt::Key_Kanji, false},
    {0x1B, Qt::Key_Escape, false},
    {0x1C, Qt::Key_Henkan, false},
    {0x1D, Qt::Key_Muhenkan, false},
    {0x20, Qt::Key_Space, false},
    {0x21, Qt::Key_PageUp, false},
    {0x22, Qt::Key_PageDown, false},
    {0x23, Qt::Key_End, false},
    {0x24, Qt::Key_Home, false},
    {0x25, Qt::Key_Left, false},
    {0x26, Qt::Key_Up, false},
    {0x27, Qt::Key_Right, false},
    {0x28, Qt::Key_Down, false},
    {0x29, Qt::Key_Select, false},
    {0x2A, Qt::Key_Printer, false},
    {0x2B, Qt::Key_Execute, false},
    {0x2C, Qt::Key_Print, false},
    {0x2D, Qt::Key_Insert, false},
    {0x2E, Qt::Key_Delete, false},
    {0x2F, Qt::Key_Help, false},
    {0x5B, Qt::Key_Super_L, false},
    {0x5B, Qt::Key_Meta, false},
    {0x5C, Qt::Key_Super_R, false},
    {0x5D, Qt::Key_Menu, false},
    {0x5F, Qt::Key_Sleep, false},
    {0x6A, Qt::Key_Asterisk, true},
    {0x6B, Qt::Key_Plus, true},
    {0x6C, Qt::Key_Comma, true},
    {0x6D, Qt::Key_Minus, true},
    {0x6E, Qt::Key_Period, true},
    {0x6F, Qt::Key_Slash, true},
    {0x90, Qt::Key_NumLock, false},
    {0x91, Qt::Key_ScrollLock, false},
    {0xA6, Qt::Key_Back, false},
    {0xA7, Qt::Key_Forward, false},
    {0xA8, Qt::Key_Refresh, false},
    {0xA9, Qt::Key_Stop, false},
    {0xAA, Qt::Key_Search, false},
    {0xAB, Qt::Key_Favorites, false},
    {0xAC, Qt::Key_HomePage, false},
    {0xAD, Qt::Key_VolumeMute, false},
    {0xAE, Qt::Key_VolumeDown, false},
    {0xAF, Qt::Key_VolumeUp, false},
    {0xB0, Qt::Key_MediaNext, false},
    {0xB1, Qt::Key_MediaPrevious, false},
    {0xB2, Qt::Key_MediaStop, false},
    {0xB3, Qt::Key_MediaTogglePlayPause, false},
    {0xB3, Qt::Key_MediaPlay, false},
    {0xB4, Qt::Key_LaunchMail, false},
    {0xB5, Qt::Key_LaunchMedia, false},
    {0xB6, Qt::Key_Launch0, false},
    {0xB7, Qt::Key_Launch1, false},
    // US punctuation keys, then their shifted characters.
    {0xBA, Qt::Key_Semicolon, false},
    {0xBB, Qt::Key_Equal, false},
    {0xBC, Qt::Key_Comma, false},
    {0xBD, Qt::Key_Minus, false},
    {0xBE, Qt::Key_Period, false},
    {0xBF, Qt::Key_Slash, false},
    {0xC0, Qt::Key_QuoteLeft, false},
    {0xDB, Qt::Key_BracketLeft, false},
    {0xDC, Qt::Key_Backslash, false},
    {0xDD, Qt::Key_BracketRight, false},
    {0xDE, Qt::Key_Apostrophe, false},
    {0xBA, Qt::Key_Colon, false},
    {0xBB, Qt::Key_Plus, false},
    {0xBC, Qt::Key_Less, false},
    {0xBD, Qt::Key_Underscore, false},
    {0xBE, Qt::Key_Greater, false},
    {0xBF, Qt::Key_Question, false},
    {0xC0, Qt::Key_AsciiTilde, false},
    {0xDB, Qt::Key_BraceLeft, false},
    {0xDC, Qt::Key_Bar, false},
    {0xDD, Qt::Key_BraceRight, false},
    {0xDE, Qt::Key_QuoteDbl, false},
    {0x31, Qt::Key_Exclam, false},
    {0x32, Qt::Key_At, false},
    {0x33, Qt::Key_NumberSign, false},
    {0x34, Qt::Key_Dollar, false},
    {0x35, Qt::Key_Percent, false},
    {0x36, Qt::Key_AsciiCircum, false},
    {0x37, Qt::Key_Ampersand, false},
    {0x38, Qt::Key_Asterisk, false},
    {0x39, Qt::Key_ParenLeft, false},
    {0x30, Qt::Key_ParenRight, false},
};

}  // namespace

uint8_t virtual_key_from_qt(Qt::Key key, Qt::KeyboardModifiers modifiers) {
  const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
  const int k = int(key);
  if (k >= Qt::Key_0 && k <= Qt::Key_9) return uint8_t(keypad ? 0x60 + (k - Qt::Key_0) : k);
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return uint8_t(k);
  if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return uint8_t(0x70 + (k - Qt::Key_F1));
  // A keypad key with a row of its own wins; the rest (keypad arrows, Home
  // ... with Num Lock off) are the same keys as elsewhere.
  if (keypad)
    for (const KeyPair& p : kPairs)
      if (p.keypad && p.key == key) return p.vk;
  for (const KeyPair& p : kPairs)
    if (!p.keypad && p.key == key) return p.vk;
  for (const KeyPair& p : kPairs)
    if (p.key == key) return p.vk;
  return 0;
}

uint8_t virtual_key_from_event(const QKeyEvent& event) {
  return virtual_key_from_qt(Qt::Key(event.key()), event.modifiers());
}

QKeyCombination qt_key_from_virtual_key(uint8_t vk) {
  if (vk >= 0x30 && vk <= 0x39) return QKeyCombination(Qt::Key(vk));
  if (vk >= 0x41 && vk <= 0x5A) return QKeyCombination(Qt::Key(vk));
  if (vk >= 0x60 && vk <= 0x69)
    return QKeyCombination(Qt::KeypadModifier, Qt::Key(Qt::Key_0 + (vk - 0x60)));
  if (vk >= 0x70 && vk <= 0x87) return QKeyCombination(Qt::Key(Qt::Key_F1 + (vk - 0x70)));
  for (const KeyPair& p : kPairs)
    if (p.vk == vk)
      return p.keypad ? QKeyCombination(Qt::KeypadModifier, p.key) : QKeyCombination(p.key);
  return QKeyCombination(Qt::Key_unknown);
}

QString virtual_key_name(uint8_t vk) {
  if (vk == 0) return {};
  const QKeyCombination key = qt_key_from_virtual_key(vk);
  if (key.key() == Qt::Key_unknown)
    return QStringLiteral("0x%1").arg(int(vk), 2, 16, QLatin1Char('0'));
  return QKeySequence(key).toString(QKeySequence::NativeText);
}

}  // namespace qm
