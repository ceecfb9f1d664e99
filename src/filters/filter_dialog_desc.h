#pragma once
// Filter dialog descriptions (FILTERDLG records): the reader and what the
// dialog, the command line and the runners derive from a description.
//
// A record is input like any file: the reader refuses unknown kinds, records
// over the dialog limits and records that end inside a control's header,
// and never reads past the end. A data field that the record ends before is
// read as 0.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/rect.h"
#include "filters/filter_algorithm.h"

namespace qm::filters {

enum class ControlKind : uint8_t {
  kInteger = 0,
  kCheck = 1,
  kList = 2,
  kFixed = 3,   // hundredths
  kLayers = 4,  // the document's layers
};

// Limits of one dialog.
inline constexpr int kMaxValueControls = 5;
inline constexpr int kMaxChecks = 2;
inline constexpr int kMaxLists = 2;
inline constexpr int kMaxLabelled = 6;

// Flags of a value control whose maximum comes from a dimension.
enum : uint8_t {
  kFlagHeight = 0x01,      // the dimension is a height (clear: a width)
  kFlagHalfDefault = 0x02, // the default is dimension / 2
  kFlagTarget = 0x04,      // the target rectangle's (clear: the canvas')
};

struct DialogControl {
  ControlKind kind = ControlKind::kInteger;
  int width = 0;       // of the input element, in dialog units
  std::string label;   // UTF-8
  int slot = 0;        // its number within its group (values, checks, lists)
  // Value controls.
  int minimum = 0, maximum = 0, default_value = 0, mark = 0;
  bool has_flags = false;
  uint8_t flags = 0;
  // Check box state, list default index or layer preselection rule.
  int initial = 0;
  std::vector<std::string> items;  // kList

  bool is_value() const { return kind == ControlKind::kInteger || kind == ControlKind::kFixed; }
  bool is_list() const { return kind == ControlKind::kList || kind == ControlKind::kLayers; }
};

struct DialogDescription {
  std::vector<DialogControl> controls;
  int values = 0, checks = 0, lists = 0;
};

enum class DialogError {
  kNone,
  kEmpty,         // no bytes, or no controls
  kTruncated,     // ends inside a control's kind, width, label or length
  kUnknownKind,
  kOverLimits,
  kBadControl,    // a width, range, list or length no dialog can show
};
const char* dialog_error_text(DialogError error);

struct DialogParse {
  std::optional<DialogDescription> description;
  DialogError error = DialogError::kNone;
};
DialogParse parse_filter_dialog(std::span<const uint8_t> record);

// The binary record of dialog `id` (700 … 740) as built into the program;
// empty for an unknown id.
std::span<const uint8_t> filter_dialog_record(int id);
// The parsed description of dialog `id`; nullptr for an unknown id or a
// record that does not parse. Parsed once.
const DialogDescription* filter_dialog(int id);

// What a dialog opens with: the canvas size, the target rectangle and the
// layer stack.
struct DialogContext {
  int canvas_width = 1, canvas_height = 1;
  Rect target;
  int layer_count = 1;
  int current_layer = 0;
};

// A value control's range and default as the dialog opens: dimension-derived
// maxima resolved (never below the minimum), the default inside the range.
struct ValueRange {
  int minimum = 0, maximum = 0, default_value = 0, mark = 0;
};
ValueRange resolve_range(const DialogControl& control, const DialogContext& context);

// The layer a layer list selects first (document index, 0 = top).
int preselected_layer(const DialogControl& control, const DialogContext& context);

// The values of a dialog left at its defaults.
FilterValues initial_values(const DialogDescription& description, const DialogContext& context);

// Value text of a fixed-point control: hundredths with two digits (1.05).
std::string fixed_point_text(int hundredths);

}  // namespace qm::filters
