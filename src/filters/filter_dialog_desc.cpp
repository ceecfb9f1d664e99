#include "filters/filter_dialog_desc.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>

namespace qm::filters {

const char* dialog_error_text(DialogError error) {
  switch (error) {
    case DialogError::kNone: return "ok";
    case DialogError::kEmpty: return "no controls";
    case DialogError::kTruncated: return "the record ends inside a control";
    case DialogError::kUnknownKind: return "unknown control kind";
    case DialogError::kOverLimits: return "more controls than a dialog holds";
    case DialogError::kBadControl: return "a control no dialog can show";
  }
  return "?";
}

namespace {

// Bytes of the record; reads past its end give 0.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> data) : data_(data) {}
  size_t size() const { return data_.size(); }
  bool has(size_t at, size_t n) const { return at <= data_.size() && n <= data_.size() - at; }
  uint8_t u8(size_t at) const { return at < data_.size() ? data_[at] : 0; }
  int s16(size_t at) const { return int16_t(uint16_t(u8(at) | u8(at + 1) << 8)); }
  int u16(size_t at) const { return u8(at) | u8(at + 1) << 8; }
  // The NUL-terminated text at `at`; false when no NUL comes before the end.
  bool text(size_t at, std::string& out, size_t& next) const {
    for (size_t i = at; i < data_.size(); ++i) {
      if (data_[i] == 0) {
        out.assign(reinterpret_cast<const char*>(data_.data()) + at, i - at);
        next = i + 1;
        return true;
      }
    }
    return false;
  }

 private:
  std::span<const uint8_t> data_;
};

constexpr int kMaxWidth = 1000;  // dialog units; far more than any dialog uses

}  // namespace

DialogParse parse_filter_dialog(std::span<const uint8_t> record) {
  const Reader r(record);
  DialogParse out;
  auto fail = [&](DialogError e) {
    out.description.reset();
    out.error = e;
    return out;
  };
  if (r.size() == 0 || r.u8(0) == 0) return fail(DialogError::kEmpty);
  const int count = r.u8(0);
  DialogDescription desc;
  size_t pos = 1;
  for (int i = 0; i < count; ++i) {
    if (!r.has(pos, 3)) return fail(DialogError::kTruncated);
    DialogControl c;
    const int kind = r.u8(pos);
    if (kind > 4) return fail(DialogError::kUnknownKind);
    c.kind = ControlKind(kind);
    c.width = r.s16(pos + 1);
    size_t after_label = 0;
    if (!r.text(pos + 3, c.label, after_label)) return fail(DialogError::kTruncated);
    if (!r.has(after_label, 2)) return fail(DialogError::kTruncated);
    const size_t length = size_t(r.u16(after_label));
    const size_t data = after_label + 2;
    if (c.width < 1 || c.width > kMaxWidth) return fail(DialogError::kBadControl);

    switch (c.kind) {
      case ControlKind::kInteger:
      case ControlKind::kFixed:
        if (length != 8 && length != 9) return fail(DialogError::kBadControl);
        c.minimum = r.s16(data);
        c.maximum = r.s16(data + 2);
        c.default_value = r.s16(data + 4);
        c.mark = r.s16(data + 6);
        c.has_flags = length == 9;
        c.flags = c.has_flags ? r.u8(data + 8) : 0;
        if (!c.has_flags && c.maximum < c.minimum) return fail(DialogError::kBadControl);
        c.slot = desc.values++;
        break;
      case ControlKind::kCheck:
        if (length < 1) return fail(DialogError::kBadControl);
        c.initial = r.u8(data) ? 1 : 0;
        c.slot = desc.checks++;
        break;
      case ControlKind::kLayers:
        if (length < 1) return fail(DialogError::kBadControl);
        c.initial = r.u8(data) ? 1 : 0;
        c.slot = desc.lists++;
        break;
      case ControlKind::kList: {
        // Items are found by walking the strings; the length only leads to
        // the next record.
        size_t at = data;
        for (;;) {
          std::string item;
          size_t next = 0;
          if (!r.text(at, item, next)) return fail(DialogError::kTruncated);
          at = next;
          if (item.empty()) break;
          if (c.items.size() >= 256) return fail(DialogError::kBadControl);
          c.items.push_back(std::move(item));
        }
        c.initial = r.u8(at);
        if (c.items.empty() || c.initial >= int(c.items.size()))
          return fail(DialogError::kBadControl);
        c.slot = desc.lists++;
        break;
      }
    }
    if (desc.values > kMaxValueControls || desc.checks > kMaxChecks || desc.lists > kMaxLists ||
        desc.values + desc.lists > kMaxLabelled)
      return fail(DialogError::kOverLimits);
    desc.controls.push_back(std::move(c));
    pos = data + length;
  }
  out.description = std::move(desc);
  return out;
}

// filter_dialog_record() is generated from resources/filter_dialogs.inc.

const DialogDescription* filter_dialog(int id) {
  static std::mutex mutex;
  static std::map<int, std::optional<DialogDescription>> parsed;
  const std::lock_guard lock(mutex);
  auto it = parsed.find(id);
  if (it == parsed.end()) {
    const std::span<const uint8_t> record = filter_dialog_record(id);
    std::optional<DialogDescription> d;
    if (!record.empty()) d = parse_filter_dialog(record).description;
    it = parsed.emplace(id, std::move(d)).first;
  }
  return it->second ? &*it->second : nullptr;
}

ValueRange resolve_range(const DialogControl& c, const DialogContext& ctx) {
  ValueRange v{c.minimum, c.maximum, c.default_value, c.mark};
  if (c.has_flags) {
    const bool height = c.flags & kFlagHeight;
    const bool target = c.flags & kFlagTarget;
    const int d = target ? (height ? ctx.target.h : ctx.target.w)
                         : (height ? ctx.canvas_height : ctx.canvas_width);
    v.maximum = d - 1;
    if (c.flags & kFlagHalfDefault) v.default_value = d / 2;
  }
  // A 1-pixel dimension gives max = min: the slider then shows that value.
  v.maximum = std::max(v.maximum, v.minimum);
  v.default_value = std::clamp(v.default_value, v.minimum, v.maximum);
  return v;
}

int preselected_layer(const DialogControl& c, const DialogContext& ctx) {
  const int current = std::clamp(ctx.current_layer, 0, std::max(0, ctx.layer_count - 1));
  if (c.initial == 1 && current + 1 < ctx.layer_count) return current + 1;
  return current;
}

FilterValues initial_values(const DialogDescription& d, const DialogContext& ctx) {
  FilterValues v;
  for (const DialogControl& c : d.controls) {
    if (c.is_value())
      v.numeric[size_t(c.slot)] = resolve_range(c, ctx).default_value;
    else if (c.kind == ControlKind::kCheck)
      v.check[size_t(c.slot)] = c.initial;
    else if (c.kind == ControlKind::kList)
      v.list[size_t(c.slot)] = c.initial;
    else
      v.list[size_t(c.slot)] = preselected_layer(c, ctx);
  }
  return v;
}

std::string fixed_point_text(int hundredths) {
  const int a = hundredths < 0 ? -hundredths : hundredths;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%d.%02d", hundredths < 0 ? "-" : "", a / 100, a % 100);
  return buf;
}

}  // namespace qm::filters
