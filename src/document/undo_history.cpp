#include "document/undo_history.h"

#include <algorithm>
#include <new>

#include "document/document.h"
#include "document/undo_steps.h"

namespace qm {

using namespace undo_steps;

UndoHistory::UndoHistory(std::string spill_directory, int limit)
    : limit_(std::max(1, limit)), store_(std::move(spill_directory)) {}

UndoHistory::~UndoHistory() { clear(); }

void UndoHistory::set_limit(int limit) { limit_ = std::max(1, limit); }

void UndoHistory::clear() {
  for (UndoRecord& r : records_) store_.release(r.data);
  records_.clear();
  cursor_ = -1;
}

void UndoHistory::reset(const Document&) {
  clear();
  changed_ = false;
}

void UndoHistory::drop_front() {
  store_.release(records_.front().data);
  records_.pop_front();
  --cursor_;
}

void UndoHistory::drop_from(size_t index) {
  while (records_.size() > index) {
    store_.release(records_.back().data);
    records_.pop_back();
  }
}

template <class Capture>
bool UndoHistory::add(const Capture& capture) {
  changed_ = true;
  // A new step ends the redo branch; then room is made before storing, so the
  // oldest record's memory and file number are free for the new one.
  drop_from(size_t(cursor_ + 1));
  while (!records_.empty() && int(records_.size()) >= limit_) drop_front();
  UndoRecord record;
  bool stored = false;
  try {
    stored = capture(record);
    if (stored) records_.push_back(std::move(record));  // no effect when it throws
  } catch (const std::bad_alloc&) {
    // Memory too short for the record's own bookkeeping: the same as a
    // record that could not be stored.
    stored = false;
  }
  if (!stored) {
    store_.release(record.data);
    // Nothing before this change can be undone any more.
    clear();
    return false;
  }
  cursor_ = int(records_.size()) - 1;
  return true;
}

bool UndoHistory::record_rect(const Document& doc, Rect r) {
  if (!doc.current()) return true;
  return record_rect_from(doc, doc.current()->image, r);
}

bool UndoHistory::record_rect_from(const Document& doc, const LayerImage& source, Rect r) {
  if (!doc.current()) return true;
  r = intersect(r, doc.bounds());
  if (r.empty()) return true;
  return add([&](UndoRecord& out) {
    return capture_pixels(store_, doc, doc.current_index(), source, r, out);
  });
}

bool UndoHistory::record_layer(const Document& doc) { return record_rect(doc, doc.bounds()); }

bool UndoHistory::record_all_layers(const Document& doc) {
  if (doc.layer_count() == 0) return true;
  return add([&](UndoRecord& out) { return capture_all_layers(store_, doc, out); });
}

bool UndoHistory::record_flip(const Document& doc, bool vertical) {
  return add([&](UndoRecord& out) {
    out = plain_record(doc, vertical ? UndoKind::FlipVertical : UndoKind::FlipHorizontal, 0);
    return true;
  });
}

bool UndoHistory::record_rotate(const Document& doc, RotateDirection direction) {
  return add([&](UndoRecord& out) {
    out = plain_record(doc,
                       direction == RotateDirection::Clockwise ? UndoKind::RotateClockwise
                                                               : UndoKind::RotateCounterClockwise,
                       0);
    return true;
  });
}

bool UndoHistory::record_layer_added(const Document& doc, int previous_current) {
  return add([&](UndoRecord& out) {
    out = plain_record(doc, UndoKind::LayerAdded, doc.current_index());
    out.current = previous_current;
    return true;
  });
}

bool UndoHistory::record_layer_deleted(const Document& doc) {
  return add([&](UndoRecord& out) { return capture_layer(store_, doc, doc.current_index(), out); });
}

bool UndoHistory::record_layer_moved(const Document& doc, bool down) {
  return add([&](UndoRecord& out) {
    const int now = doc.current_index();
    out = plain_record(doc, down ? UndoKind::MovedDown : UndoKind::MovedUp, now);
    out.current = down ? now - 1 : now + 1;
    return true;
  });
}

bool UndoHistory::record_layer_moved_to(const Document& doc, int from, int to) {
  return add([&](UndoRecord& out) {
    out = plain_record(doc, UndoKind::MovedTo, from);
    out.rect.x = to;
    out.current = from;
    return true;
  });
}

bool UndoHistory::record_merge(const Document& doc, const std::vector<int>& indices) {
  // Listed top first; stored bottom up, counted from the bottom.
  return add([&](UndoRecord& out) {
    std::vector<int> positions;
    for (auto it = indices.rbegin(); it != indices.rend(); ++it)
      positions.push_back(doc.layer_count() - 1 - *it);
    return capture_merged(store_, doc, positions, out);
  });
}

bool UndoHistory::record_visibility(const Document& doc) {
  return add([&](UndoRecord& out) { return capture_visibility(store_, doc, out); });
}

bool UndoHistory::load(const UndoRecord& record, LoadedBytes& bytes) const {
  if (record.data.empty()) {
    bytes = LoadedBytes{};
    return true;  // kinds without data; parse() refuses a kind that needs some
  }
  return store_.load(record.data, bytes);
}

void UndoHistory::describe(const UndoRecord& record, const Document& doc, UndoOutcome& out) {
  out.done = true;
  out.refresh = record.kind == UndoKind::Pixels ? record.rect : doc.bounds();
  switch (record.kind) {
    case UndoKind::AllLayers:
    case UndoKind::RotateClockwise:
    case UndoKind::RotateCounterClockwise:
      out.canvas_resized = true;
      break;
    case UndoKind::Pixels:
    case UndoKind::FlipHorizontal:
    case UndoKind::FlipVertical:
      break;
    default:
      out.layers_changed = true;
      break;
  }
}

UndoOutcome UndoHistory::undo(Document& doc) {
  UndoOutcome outcome;
  if (cursor_ < 0) return outcome;
  LoadedBytes bytes;
  ParsedRecord parsed;
  {
    const UndoRecord& record = records_[size_t(cursor_)];
    if (!load(record, bytes) || !parse(record, bytes.data, bytes.size, doc, parsed)) {
      outcome.failed = true;
      return outcome;
    }
  }
  const bool appended = size_t(cursor_ + 1) == records_.size();
  if (appended) records_.emplace_back();
  UndoRecord& record = records_[size_t(cursor_)];
  UndoRecord& spare = records_[size_t(cursor_) + 1];
  // The spare's old contents were used already; its room goes to the step
  // that will redo this one.
  store_.release(spare.data);
  UndoRecord inverse;
  bool kept = false;
  try {
    kept = capture_inverse(store_, doc, record, parsed, inverse);
  } catch (const std::bad_alloc&) {
    // Not undone, and no empty step left to redo; the caller tells the user.
    store_.release(inverse.data);
    if (appended) records_.pop_back();
    throw;
  }
  if (!apply(doc, record, parsed)) {
    store_.release(inverse.data);
    if (appended) records_.pop_back();
    outcome.failed = true;
    return outcome;
  }
  describe(record, doc, outcome);
  spare = std::move(inverse);
  --cursor_;
  changed_ = true;
  if (!kept) {
    // No way forward from here: the redo branch goes.
    drop_from(size_t(cursor_ + 2));
    outcome.history_cut = true;
  }
  // Over the limit (only after it was lowered): drop the oldest undoable
  // records, never the one just undone nor anything after it.
  while (int(records_.size()) > limit_ + 1 && cursor_ >= 0) drop_front();
  return outcome;
}

UndoOutcome UndoHistory::redo(Document& doc) {
  UndoOutcome outcome;
  const size_t target = size_t(cursor_ + 2);
  if (target >= records_.size()) return outcome;
  const UndoRecord& record = records_[target];
  LoadedBytes bytes;
  ParsedRecord parsed;
  if (!load(record, bytes) || !parse(record, bytes.data, bytes.size, doc, parsed)) {
    outcome.failed = true;
    return outcome;
  }
  UndoRecord& slot = records_[size_t(cursor_ + 1)];
  store_.release(slot.data);
  UndoRecord inverse;
  bool kept = false;
  try {
    kept = capture_inverse(store_, doc, record, parsed, inverse);
  } catch (const std::bad_alloc&) {
    store_.release(inverse.data);
    throw;
  }
  if (!apply(doc, record, parsed)) {
    store_.release(inverse.data);
    outcome.failed = true;
    return outcome;
  }
  describe(record, doc, outcome);
  slot = std::move(inverse);
  ++cursor_;
  changed_ = true;
  if (!kept) {
    // The step just redone cannot be undone, nor anything before it.
    while (cursor_ >= 0) drop_front();
    outcome.history_cut = true;
  }
  return outcome;
}

}  // namespace qm
