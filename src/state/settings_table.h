#pragma once
// Every setting of config.ini as one table: section, key, type, default and
// range, in the order the file is written. The loader and the writer
// (settings_file.h) walk this table; nothing else knows the key names.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "state/drawing_state.h"

namespace qm {

// In written order.
enum class SettingSection : uint8_t {
  kQuillmark2,
  kWindow,
  kEnv,
  kToolEnv,
  kText,
  kDraw,
  kNewSizeRecent,
  kBrushSave,
  kMaskColRecent,
  kRecentFile,
  kRecentDir,
};
std::string_view section_name(SettingSection section);

enum class SettingType : uint8_t {
  kInt,     // "%d"
  kHex,     // "%x"
  kString,  // the rest of the line
  kList,    // "%d," per element
};

// What a value read from the file must satisfy. Everything is brought into
// range at load, so no reader of Settings ever divides by zero, sizes a
// buffer or indexes a table with an unchecked value.
enum class SettingRule : uint8_t {
  kRange,         // clamp to [lo, hi]
  kFlags,         // any bits (of the value's width)
  kColour,        // 0xRRGGBB: the top byte is dropped
  kColourFlag,    // 0xRRGGBB plus bit 31
  kExViewFlag,    // mirror and full screen never survive a restart
  kJpegComp,      // quality 1..100 in the low bits, bit 15 subsampling
  kRotateAngle,   // signed 16-bit angle -359..359, bit 16 smoothing
  kFixSaveOpt,    // low 4 bits: format index 0..6
  kEraseBkTool,   // a tool below 15 that is not an eraser
  kPencilWord,    // shape 0..9, bit 15
  kPenWord,       // smoothing 0..40, bits 11-15
  kMinimumsWord,  // two percentages 0..100
  kWaterWord,     // two percentages, water amount 0..3
  kPaintWord,     // bits 0-3
  kGradWord,      // kind 0..4, tone 0..8, bit 15
  kDrawType,      // 0..9 and allowed for the tool (element = tool)
  kCanvasSize,    // width × 65536 + height, each 1..4500
  kBrushSlot,     // size 1..100 in the high byte, density 1..255 in the low byte
  kPath,          // dropped when longer than max_chars characters
  kFontName,      // cut at a character boundary to 31 bytes; CP932 converted
};

struct SettingDef {
  SettingSection section;
  std::string_view key;
  SettingType type;
  SettingRule rule;
  int bits;          // width of the value (lists: of each element): 8, 16 or 32
  int count;         // list elements; 1 otherwise
  int number;        // which entry of a numbered section ("0", "1", ...); else 0
  int64_t lo, hi;    // kRange bounds
  int32_t def;       // default of a number, or of every list element without `defs`
  const int32_t* defs;  // per-element defaults of a list, or nullptr
  std::string_view text_def;  // default of a string
  int max_chars;     // strings: longest kept
  bool read;         // false: written but never read (Version, ColMaskType)

  // Field access. Numbers go through get/set; element is the list index.
  int64_t (*get)(const Settings&, int number, int element);
  void (*set)(Settings&, int number, int element, int64_t value);
  std::string& (*text)(Settings&, int number);
  const std::string& (*text_get)(const Settings&, int number);

  int32_t default_at(int element) const { return defs ? defs[element] : def; }
};

// All settings, in file order.
std::span<const SettingDef> settings_table();
// nullptr when there is no such key.
const SettingDef* find_setting(SettingSection section, std::string_view key);

// The value a number read from the file becomes under the entry's rule
// (`element` is the list index, used by per-tool rules).
int64_t sanitize_setting(const SettingDef& def, int element, int64_t raw);

// A string read from the file under the entry's rule; false when the entry
// must be dropped (kept at its default).
bool sanitize_setting_text(const SettingDef& def, std::string_view raw, std::string& out);

// Sets every value of the table to its default.
void apply_setting_defaults(Settings& settings);

}  // namespace qm
