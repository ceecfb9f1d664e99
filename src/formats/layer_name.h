#pragma once
// Layer names in files. In memory a name is Unicode (UTF-8, at most 31
// characters). The files' 32-byte name fields hold text in the legacy 8-bit
// code page: CP932 unless the user chose CP949 for Korean files. A name that
// the code page cannot hold whole is written there as well as it goes, and
// each format also keeps it whole where its older readers skip it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

inline constexpr size_t kNameFieldBytes = 32;

// The legacy code page: 932 (Japanese, the default) or 949 (Korean). Any
// other value selects 932. Set from the environment settings.
void set_legacy_code_page(int code_page);
int legacy_code_page();

// Legacy bytes to UTF-8, character by character (a byte that starts no
// character of the code page becomes '?'). Not fitted.
std::string legacy_to_utf8(std::string_view bytes);

// UTF-8 to legacy bytes, at most `max_bytes`, never splitting a character.
// Characters the code page lacks become '?'. True when the result holds the
// whole name exactly.
bool utf8_to_legacy(std::string_view utf8, size_t max_bytes, std::string& out);

// The name in the legacy code page, cut to 31 bytes, zero padded. True when
// the field holds the name exactly.
bool encode_name_field(const std::string& name, uint8_t (&field)[kNameFieldBytes]);

// The legacy text up to the first zero byte, never more than 31 bytes even
// when the field has no terminator, as UTF-8 fitted to a layer name.
std::string decode_name_field(const uint8_t* field, size_t size = kNameFieldBytes);

// A name kept whole beside a legacy field: zero-padded UTF-8 of the fitted
// name. False when the bytes are not a valid name.
bool decode_utf8_name(const uint8_t* bytes, size_t size, std::string& out);

bool is_valid_utf8(std::string_view text);

// Little-endian UTF-16 code units up to the first zero unit, as UTF-8; an
// unpaired surrogate becomes U+FFFD. Not fitted.
std::string utf16le_to_utf8(const uint8_t* data, size_t units);

}  // namespace qm
