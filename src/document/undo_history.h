#pragma once
// The undo history: a list of records walked by a cursor.
//
// Records [0, cursor] can be undone, newest last. The record after the cursor
// is a spare slot (its contents already used), and the ones after it can be
// redone. Undo fills the spare with the opposite step before applying the
// record at the cursor; redo does the same the other way round. At most
// `limit` records are kept for undoing; older ones are dropped.
//
// A step whose bytes can be stored nowhere (no memory under the limit, no
// spill file) cuts the history there instead of leaving a record that could
// not be applied: recording reports false and forgets everything older.
#include <algorithm>
#include <deque>
#include <functional>
#include <string>

#include "document/undo_record.h"
#include "document/undo_recorder.h"
#include "document/undo_storage.h"

namespace qm {

// What undo() and redo() did, and what the caller must refresh. The history
// does not recomposite; the caller does, over `refresh`.
struct UndoOutcome {
  bool done = false;            // a step was taken back or redone
  bool failed = false;          // a step was there but could not be read or applied:
                                // the document and the history are as they were
  bool history_cut = false;     // done, but the opposite step could not be stored, so
                                // the history now ends (or starts) at this step
  Rect refresh;                 // the canvas area whose pixels may have changed
  bool canvas_resized = false;  // every layer changed and maybe the size: rebuild the view
  bool layers_changed = false;  // the layer stack changed: refresh the layer panel
};

class UndoHistory final : public UndoRecorder {
 public:
  static constexpr int kDefaultLimit = 30;

  // Spill files go to `spill_directory` (empty: none; memory only).
  explicit UndoHistory(std::string spill_directory = {}, int limit = kDefaultLimit);
  ~UndoHistory() override;
  UndoHistory(const UndoHistory&) = delete;
  UndoHistory& operator=(const UndoHistory&) = delete;

  // At least 1. A lower limit takes effect as records are added.
  void set_limit(int limit);
  int limit() const { return limit_; }
  // The spill directory and the memory limit.
  UndoStore& store() { return store_; }

  // --- recording (the document and the painting engine call these) --------
  bool record_rect(const Document& doc, Rect r) override;
  bool record_rect_from(const Document& doc, const LayerImage& source, Rect r) override;
  bool record_layer(const Document& doc) override;
  void reset(const Document& doc) override;
  bool record_all_layers(const Document& doc) override;
  bool record_flip(const Document& doc, bool vertical) override;
  bool record_rotate(const Document& doc, RotateDirection direction) override;
  bool record_layer_added(const Document& doc, int previous_current) override;
  bool record_layer_deleted(const Document& doc) override;
  bool record_layer_moved(const Document& doc, bool down) override;
  bool record_layer_moved_to(const Document& doc, int from, int to) override;
  bool record_merge(const Document& doc, const std::vector<int>& indices) override;
  bool record_visibility(const Document& doc) override;

  // --- walking --------------------------------------------------------------
  UndoOutcome undo(Document& doc);
  UndoOutcome redo(Document& doc);
  // Drops every record, freeing its memory and deleting its spill file.
  void clear();

  int undo_count() const { return cursor_ + 1; }
  int redo_count() const { return std::max(0, int(records_.size()) - cursor_ - 2); }
  int record_count() const { return int(records_.size()); }
  // Set by every recorded, undone or redone step; the caller clears it when
  // the document is saved.
  bool changed() const { return changed_; }
  void set_changed(bool changed) { changed_ = changed; }

 private:
  // Stores one step made by `capture(UndoRecord&)`; false (and the history
  // cleared) when it cannot be stored, a shortage of memory included.
  template <class Capture>
  bool add(const Capture& capture);
  bool load(const UndoRecord& record, LoadedBytes& bytes) const;
  void drop_front();
  void drop_from(size_t index);
  static void describe(const UndoRecord& record, const Document& doc, UndoOutcome& out);

  std::deque<UndoRecord> records_;
  int cursor_ = -1;  // the newest record that undo would apply; −1 when none
  int limit_;
  bool changed_ = false;
  UndoStore store_;
};

}  // namespace qm
