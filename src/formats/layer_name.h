#pragma once
// Layer names in files. In memory a name is UTF-8 of at most 31 bytes; files
// hold it in a zero-padded 32-byte field. Files written by older programs
// carry CP932 text, which we recognise as "not valid UTF-8" and convert.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

inline constexpr size_t kNameFieldBytes = 32;

// The name cut at a character boundary to 31 bytes, zero padded.
void encode_name_field(const std::string& name, uint8_t (&field)[kNameFieldBytes]);

// The text up to the first zero byte, never more than 31 bytes even when the
// field has no terminator; converted from CP932 when it is not valid UTF-8
// (bytes that are neither become '?'), then fitted to 31 bytes.
std::string decode_name_field(const uint8_t* field, size_t size = kNameFieldBytes);

bool is_valid_utf8(std::string_view text);

// Little-endian UTF-16 code units up to the first zero unit, as UTF-8; an
// unpaired surrogate becomes U+FFFD. Not fitted.
std::string utf16le_to_utf8(const uint8_t* data, size_t units);

}  // namespace qm
