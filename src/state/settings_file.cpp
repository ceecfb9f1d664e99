#include "state/settings_file.h"

#include <cstdio>

#include "state/key_bindings.h"
#include "state/settings_table.h"
#include "state/user_paths.h"
#include "document/layer.h"
#include "formats/binary_file.h"
#include "formats/safe_write.h"

namespace qm {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<int64_t> parse_decimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && is_blank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
  // Accumulate towards the sign so INT64_MIN is reachable; saturate beyond.
  int64_t value = 0;
  constexpr int64_t kMax = INT64_MAX, kMin = INT64_MIN;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i] - '0';
    if (negative) {
      value = (value < (kMin + digit) / 10) ? kMin : value * 10 - digit;
    } else {
      value = (value > (kMax - digit) / 10) ? kMax : value * 10 + digit;
    }
  }
  return value;
}

std::optional<uint32_t> parse_hex(std::string_view text) {
  uint32_t value = 0;
  size_t n = 0;
  for (; n < text.size() && n < 8; ++n) {
    const int digit = hex_digit(text[n]);
    if (digit < 0) break;
    value = value << 4 | uint32_t(digit);
  }
  if (n == 0) return std::nullopt;
  return value;
}

// --- IniReader ------------------------------------------------------------

IniReader::IniReader(std::string_view text) : text_(text) {
  // CR, LF and CR LF each end a line.
  size_t start = 0;
  for (size_t i = 0; i < text_.size(); ++i) {
    if (text_[i] != '\r' && text_[i] != '\n') continue;
    lines_.emplace_back(start, i - start);
    if (text_[i] == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text_.size()) lines_.emplace_back(start, text_.size() - start);
}

std::optional<IniReader> IniReader::open(const std::string& path) {
  auto text = read_small_file(path, kMaxSettingsFileBytes);
  if (!text) return std::nullopt;
  return IniReader(*text);
}

bool IniReader::select_section(std::string_view name) {
  section_line_ = -1;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const std::string_view line = this->line(i);
    if (line.size() >= name.size() + 2 && line[0] == '[' && line.substr(1, name.size()) == name &&
        line[name.size() + 1] == ']') {
      section_line_ = int(i);
      return true;
    }
  }
  return false;
}

std::optional<std::string_view> IniReader::find(std::string_view key) const {
  if (section_line_ < 0 || key.empty()) return std::nullopt;
  for (size_t i = size_t(section_line_) + 1; i < lines_.size(); ++i) {
    const std::string_view line = this->line(i);
    if (!line.empty() && line[0] == '[') break;
    if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == '=')
      return line.substr(key.size() + 1);
  }
  return std::nullopt;
}

int64_t IniReader::get_int(std::string_view key, int64_t def) const {
  const auto text = find(key);
  if (!text) return def;
  return parse_decimal(*text).value_or(def);
}

uint32_t IniReader::get_hex(std::string_view key, uint32_t def) const {
  const auto text = find(key);
  if (!text) return def;
  return parse_hex(*text).value_or(def);
}

std::string IniReader::get_string(std::string_view key, std::string_view def) const {
  return std::string(find(key).value_or(def));
}

int64_t IniReader::get_int_by_number(int n, int64_t def) const {
  return get_int(std::to_string(n), def);
}

uint32_t IniReader::get_hex_by_number(int n, uint32_t def) const {
  return get_hex(std::to_string(n), def);
}

std::vector<std::optional<int64_t>> IniReader::get_list(std::string_view key, int count) const {
  std::vector<std::optional<int64_t>> out(size_t(count > 0 ? count : 0));
  auto text = find(key);
  if (!text) return out;
  std::string_view rest = *text;
  for (int i = 0; i < count; ++i) {
    const size_t comma = rest.find(',');
    out[size_t(i)] = parse_decimal(rest.substr(0, comma));
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  return out;
}

// --- config.ini -------------------------------------------------------------

Settings settings_from_text(std::string_view text) {
  Settings settings;
  apply_setting_defaults(settings);
  IniReader ini(text);
  bool have_section = false;
  const SettingDef* previous = nullptr;
  for (const SettingDef& d : settings_table()) {
    if (!previous || previous->section != d.section)
      have_section = ini.select_section(section_name(d.section));
    previous = &d;
    if (!d.read || !have_section) continue;
    const auto value = ini.find(d.key);
    if (!value) continue;
    switch (d.type) {
      case SettingType::kInt:
        if (const auto n = parse_decimal(*value))
          d.set(settings, d.number, 0, sanitize_setting(d, 0, *n));
        break;
      case SettingType::kHex:
        if (const auto n = parse_hex(*value))
          d.set(settings, d.number, 0, sanitize_setting(d, 0, int64_t(*n)));
        break;
      case SettingType::kString: {
        std::string out;
        if (d.text && sanitize_setting_text(d, *value, out)) d.text(settings, d.number) = out;
        break;
      }
      case SettingType::kList: {
        const auto elements = ini.get_list(d.key, d.count);
        for (int e = 0; e < d.count; ++e)
          if (elements[size_t(e)])
            d.set(settings, d.number, e, sanitize_setting(d, e, *elements[size_t(e)]));
        break;
      }
    }
  }
  return settings;
}

namespace {

// A number as the file holds it: 16- and 8-bit values unsigned, the rest as
// signed 32-bit.
int64_t written_number(const SettingDef& d, int64_t value) {
  if (d.bits == 16) return value & 0xFFFF;
  if (d.bits == 8) return value & 0xFF;
  return int32_t(uint32_t(uint64_t(value)));
}

// A string that fits one line of the file. A path that cannot be stored
// whole is left out rather than cut.
std::string written_text(const SettingDef& d, const std::string& value) {
  const size_t line_end = value.find_first_of(std::string_view("\r\n\0", 3));
  if (d.rule == SettingRule::kFontName)
    return fit_utf8_bytes(value.substr(0, line_end), size_t(d.max_chars));
  if (d.rule == SettingRule::kPath &&
      (line_end != std::string::npos || text_length_chars(value) > d.max_chars))
    return {};
  return value;
}

}  // namespace

std::string settings_to_text(const Settings& settings) {
  std::string out;
  out.reserve(8192);
  char number[24];
  const SettingDef* previous = nullptr;
  for (const SettingDef& d : settings_table()) {
    if (!previous || previous->section != d.section) {
      out += '[';
      out += section_name(d.section);
      out += "]\r\n";
    }
    previous = &d;
    out += d.key;
    out += '=';
    switch (d.type) {
      case SettingType::kInt:
        std::snprintf(number, sizeof number, "%lld",
                      static_cast<long long>(written_number(d, d.get(settings, d.number, 0))));
        out += number;
        break;
      case SettingType::kHex:
        std::snprintf(number, sizeof number, "%x",
                      static_cast<unsigned>(uint32_t(d.get(settings, d.number, 0))));
        out += number;
        break;
      case SettingType::kString:
        out += d.text_get ? written_text(d, d.text_get(settings, d.number)) : std::string(d.text_def);
        break;
      case SettingType::kList:
        for (int e = 0; e < d.count; ++e) {
          std::snprintf(number, sizeof number, "%lld,",
                        static_cast<long long>(written_number(d, d.get(settings, d.number, e))));
          out += number;
        }
        break;
    }
    out += "\r\n";
  }
  return out;
}

Settings load_settings(const std::string& path) {
  return settings_from_text(read_small_file(path, kMaxSettingsFileBytes).value_or(std::string()));
}

bool save_settings(const std::string& path, const Settings& settings) {
  const std::string text = settings_to_text(settings);
  return safe_write(path, [&](BinaryFile& file) { return file.write(text.data(), text.size()); });
}

void load_settings_and_keys(const std::string& folder, Settings& settings, KeyBindings& keys) {
  if (folder.empty()) {
    settings = Settings{};
    apply_setting_defaults(settings);
    keys = default_key_bindings();
    return;
  }
  settings = load_settings(settings_file_path(folder, kConfigFileName));
  keys = load_key_bindings(settings_file_path(folder, kKeyFileName));
}

bool save_settings_and_keys(const std::string& folder, const Settings& settings,
                            const KeyBindings& keys) {
  if (folder.empty() || !make_folder(folder)) return false;
  if (!save_settings(settings_file_path(folder, kConfigFileName), settings)) return false;
  return save_key_bindings(settings_file_path(folder, kKeyFileName), keys);
}

}  // namespace qm
