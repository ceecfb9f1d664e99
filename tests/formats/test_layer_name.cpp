// Layer names between memory (UTF-8) and 32-byte file fields.
#include <gtest/gtest.h>

#include <cstring>

#include "formats/layer_name.h"

namespace qm {
namespace {

std::string field_text(const uint8_t (&f)[kNameFieldBytes]) {
  return std::string(reinterpret_cast<const char*>(f));
}

TEST(LayerName, EncodingCutsAtACharacterBoundaryAndPads) {
  uint8_t f[kNameFieldBytes];
  std::memset(f, 0xCC, sizeof f);
  EXPECT_TRUE(encode_name_field("abc", f));
  EXPECT_EQ(field_text(f), "abc");
  for (size_t i = 3; i < kNameFieldBytes; ++i) ASSERT_EQ(f[i], 0);
  // Sixteen double-byte characters are 32 bytes: fifteen fit in 31.
  std::string kana;
  for (int i = 0; i < 16; ++i) kana += "あ";
  EXPECT_FALSE(encode_name_field(kana, f));
  EXPECT_EQ(field_text(f).size(), 30u);
  EXPECT_EQ(f[31], 0);
  EXPECT_EQ(decode_name_field(f), kana.substr(0, 45));
  // What CP932 lacks becomes '?', and the field says it is not exact.
  EXPECT_FALSE(encode_name_field("한 \U0001F58A", f));
  EXPECT_EQ(field_text(f), "? ?");
}

TEST(LayerName, DecodingTakesTheLegacyCodePage) {
  // "ﾚｲﾔ1" and "レイヤ" in CP932; "ﾚｲﾔ" happens to be valid UTF-8 too.
  const uint8_t sjis[] = {0xDA, 0xB2, 0xD4, 0x31, 0x83, 0x8C, 0x83, 0x43, 0x83, 0x84};
  uint8_t g[kNameFieldBytes] = {};
  std::memcpy(g, sjis, sizeof sjis);
  EXPECT_EQ(decode_name_field(g), "ﾚｲﾔ1レイヤ");
  // A lone lead byte at the end becomes '?'.
  uint8_t h[kNameFieldBytes] = {'a', 0x83};
  EXPECT_EQ(decode_name_field(h), "a?");
  // Thirty-one half-width kana, no terminator at all: all 31 are kept.
  uint8_t k[kNameFieldBytes];
  std::memset(k, 0xB1, sizeof k);
  std::string kana31;
  for (int i = 0; i < 31; ++i) kana31 += "ｱ";
  EXPECT_EQ(decode_name_field(k), kana31);

  // The Korean code page when chosen.
  const uint8_t korean[] = {0xC7, 0xD1, 0xB1, 0xDB, 0x20, 0xC0, 0xCC, 0xB8, 0xA7};  // "한글 이름"
  uint8_t m[kNameFieldBytes] = {};
  std::memcpy(m, korean, sizeof korean);
  EXPECT_EQ(decode_name_field(m), "ﾇﾑｱﾛ ﾀﾌｸｧ");
  set_legacy_code_page(949);
  EXPECT_EQ(decode_name_field(m), "한글 이름");
  uint8_t back[kNameFieldBytes];
  EXPECT_TRUE(encode_name_field("한글 이름", back));
  EXPECT_EQ(std::memcmp(back, m, sizeof m), 0);
  set_legacy_code_page(932);
}

TEST(LayerName, Utf8Validation) {
  EXPECT_TRUE(is_valid_utf8("plain"));
  EXPECT_TRUE(is_valid_utf8("線 \U0001F58A"));
  EXPECT_FALSE(is_valid_utf8("\xC0\x80"));          // overlong
  EXPECT_FALSE(is_valid_utf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(is_valid_utf8("\xE3\x81"));          // cut short
  EXPECT_FALSE(is_valid_utf8("\xF4\x90\x80\x80"));  // past U+10FFFF
  EXPECT_FALSE(is_valid_utf8("\xFF"));
}

TEST(LayerName, Utf16StopsAtZeroAndReplacesLoneSurrogates) {
  const uint8_t units[] = {0xDA, 0x7D, 0x3D, 0xD8, 0x8A, 0xDD, 0x00, 0xD8, 0x41, 0x00, 0, 0, 0x42, 0};
  EXPECT_EQ(utf16le_to_utf8(units, 7), "線\U0001F58A\uFFFDA");
}

}  // namespace
}  // namespace qm
