#pragma once
// One filter run on the current layer, the way every runner ends: target
// rectangle, undo step, the algorithm with the source its table row asks
// for. Used by the program's runners (on either thread), the command line and
// the tests, so all three give the same pixels.
#include "document/document.h"
#include "document/selection_area.h"
#include "filters/filter_dialog_desc.h"
#include "filters/filter_table.h"

namespace qm::filters {

// The selection's bounding rectangle, else the whole canvas; cut to the
// canvas (empty when nothing of it lies inside).
Rect target_rectangle(const Document& doc, const SelectionArea* selection);

// The dialog context of `doc` for a run on `target`.
DialogContext dialog_context(const Document& doc, Rect target);

enum class FilterStatus {
  kDone,
  kNothing,      // no current layer, or an empty target
  kUnavailable,  // no algorithm for this command yet
  kOutOfMemory,  // a copy or a temporary image could not be had; nothing changed
};

// Whether the run reads from a full copy of the layer.
bool needs_source_copy(const FilterCommand& command);

// Runs `command` on the current layer inside `target` (cut to the canvas;
// the whole canvas for commands that always cover it). `copy`, when given,
// is a canvas-sized image the run may use as the source copy (the dialog's
// backup); otherwise one is allocated when needed. Records one undo step.
FilterStatus apply_filter(const FilterCommand& command, Document& doc, const FilterValues& values,
                          const FilterEnvironment& env, Rect target, ProgressSink* progress,
                          LayerImage* copy = nullptr);

}  // namespace qm::filters
