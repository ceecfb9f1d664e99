#pragma once
// config.ini: reading it once at start-up and writing it once, in full, at
// shut-down.
//
// The file is text of "[Section]" lines and "Key=value" lines; CR, LF and
// CR LF all end a line on read, CR LF is written. A key is found only from
// the line after its section's header up to the next line that starts with
// "["; it must stand at the start of the line with "=" right after it (no
// blanks), letter case counting. Every value is brought into the range that
// the program accepts (settings_table.h); a value that is not a number at all
// leaves the default.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "state/drawing_state.h"

namespace qm {

struct KeyBindings;

// Settings files bigger than this are not read (a real one is a few KiB).
inline constexpr int64_t kMaxSettingsFileBytes = 1 << 20;

// Decimal as the file holds it: leading blanks, an optional sign, digits up
// to the first other character. nullopt when there is no digit; values past
// the 64-bit range saturate.
std::optional<int64_t> parse_decimal(std::string_view text);
// Up to 8 hexadecimal digits, stopping at the first other character;
// nullopt when there is none.
std::optional<uint32_t> parse_hex(std::string_view text);

// Line-based reader of settings-like text files, usable for any of them.
class IniReader {
 public:
  IniReader() = default;
  explicit IniReader(std::string_view text);
  // The whole file; nullopt when it cannot be read or is too big.
  static std::optional<IniReader> open(const std::string& path);

  // Makes `name` the section that the getters search; false (and every getter
  // then answers its default) when no line starts with "[name]".
  bool select_section(std::string_view name);

  // The text after "key=" in the selected section, nullopt when absent.
  std::optional<std::string_view> find(std::string_view key) const;

  int64_t get_int(std::string_view key, int64_t def) const;
  uint32_t get_hex(std::string_view key, uint32_t def) const;
  std::string get_string(std::string_view key, std::string_view def) const;
  int64_t get_int_by_number(int n, int64_t def) const;
  uint32_t get_hex_by_number(int n, uint32_t def) const;
  // The first `count` comma-separated elements; an element that is missing
  // or holds no number is nullopt.
  std::vector<std::optional<int64_t>> get_list(std::string_view key, int count) const;

 private:
  std::string_view line(size_t i) const {
    return std::string_view(text_).substr(lines_[i].first, lines_[i].second);
  }

  std::string text_;
  // Offset and length of each line in text_ (offsets survive copies).
  std::vector<std::pair<size_t, size_t>> lines_;
  int section_line_ = -1;
};

// Settings read from config.ini text (defaults for everything not found).
Settings settings_from_text(std::string_view text);
// The complete file, in section and key order.
std::string settings_to_text(const Settings& settings);

// Defaults when the file is missing, unreadable or too big.
Settings load_settings(const std::string& path);
// Replaces the file (temporary file, then rename); false when it could not
// be written, the old file then untouched.
bool save_settings(const std::string& path, const Settings& settings);

// The start-up and shut-down pair over the settings folder (user_paths.h):
// config.ini, then key.dat. Saving creates the folder when needed; when
// config.ini cannot be written, key.dat is not written either.
void load_settings_and_keys(const std::string& folder, Settings& settings, KeyBindings& keys);
bool save_settings_and_keys(const std::string& folder, const Settings& settings,
                            const KeyBindings& keys);

}  // namespace qm
