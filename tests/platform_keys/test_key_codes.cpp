#include <gtest/gtest.h>

#include "state/key_bindings.h"
#include "platform/key_codes.h"

namespace qm {
namespace {

TEST(KeyCodes, LettersDigitsAndFunctionKeys) {
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_A), 0x41);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_Z), 0x5A);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_0), 0x30);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_7, Qt::KeypadModifier), 0x67);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_F1), 0x70);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_F11), 122);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_F24), 0x87);
  // Other modifiers do not change the key.
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier), 0x42);
}

TEST(KeyCodes, FixedKeysOfTheDispatch) {
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_Left), vk::kLeft);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_Up), vk::kUp);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_Right), vk::kRight);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_Down), vk::kDown);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_Insert), vk::kInsert);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_Delete), vk::kDelete);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_Escape), vk::kEscape);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_Return), vk::kReturn);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_Enter, Qt::KeypadModifier), vk::kReturn);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_Backspace), vk::kBack);
}

TEST(KeyCodes, KeypadAndShiftedCharacters) {
  // The keypad's operators have codes of their own ...
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_Plus, Qt::KeypadModifier), 0x6B);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_Minus, Qt::KeypadModifier), 0x6D);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_Asterisk, Qt::KeypadModifier), 0x6A);
  // ... its navigation keys (Num Lock off) are the ordinary ones.
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_Home, Qt::KeypadModifier), 0x24);
  // A shifted character maps to the key that produced it.
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_Plus), 0xBB);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_Equal), 0xBB);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_Exclam), 0x31);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_Asterisk), 0x38);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_BraceLeft), 0xDB);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_unknown), 0);
  EXPECT_EQ(virtual_key_from_qt(Qt::Key_Adiaeresis), 0);
}

TEST(KeyCodes, EveryMappedCodeComesBackUnchanged) {
  // The dialog shows a stored code through its Qt key, and a press of that
  // key must give the stored code again.
  int mapped = 0;
  for (int code = 1; code < 256; ++code) {
    const QKeyCombination key = qt_key_from_virtual_key(uint8_t(code));
    if (key.key() == Qt::Key_unknown) {
      EXPECT_FALSE(virtual_key_name(uint8_t(code)).isEmpty()) << code;
      continue;
    }
    ++mapped;
    EXPECT_EQ(virtual_key_from_qt(key.key(), key.keyboardModifiers()), code) << code;
    EXPECT_FALSE(virtual_key_name(uint8_t(code)).isEmpty()) << code;
  }
  // Letters, digits, keypad, F-keys, navigation and punctuation at least.
  EXPECT_GE(mapped, 26 + 10 + 16 + 24 + 12 + 11);
  // Every key the binding dialog can accept from a US keyboard has a name.
  for (int code : {0x21, 0x2C, 0x2F, 0x5B, 0x6F, 0x7B, 0xBA, 0xC0, 0xDE})
    EXPECT_TRUE(is_bindable_key(code) && qt_key_from_virtual_key(uint8_t(code)).key() != Qt::Key_unknown)
        << code;
  EXPECT_TRUE(virtual_key_name(0).isEmpty());
}

TEST(KeyCodes, NamesForTheDialog) {
  EXPECT_EQ(virtual_key_name(0x41), QStringLiteral("A"));
  EXPECT_EQ(virtual_key_name(0x70), QStringLiteral("F1"));
  EXPECT_EQ(qt_key_from_virtual_key(0x65).keyboardModifiers(), Qt::KeypadModifier);
  EXPECT_EQ(qt_key_from_virtual_key(0x65).key(), Qt::Key_5);
}

}  // namespace
}  // namespace qm
