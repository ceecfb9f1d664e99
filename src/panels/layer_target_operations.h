#pragma once
// The layer list's context menu items that process the current layer against
// the clicked ("target") layer: the alpha combinations of the operate-with-
// layer filter and the 1-pixel outline filter, run over the whole canvas.
#include <cstdint>

#include "filters/filter_run.h"

namespace qm {

class Document;

inline constexpr int kTargetOperationCount = 6;

// The menu text of item 0 … 5.
const char* target_operation_text(int item);

// Runs `item` on the current layer against the layer at `target`, as one
// undo step holding the whole current layer; `colour` (0xRRGGBB) is the
// outline's colour. The caller recomposites and shows the canvas.
filters::FilterStatus run_target_operation(Document& doc, int target, int item, uint32_t colour);

}  // namespace qm
