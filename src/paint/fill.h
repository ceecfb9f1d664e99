#pragma once
// The fill tool: floods the connected region around a click, judged on the
// fill-reference layers, records one undo step for the region's box and
// writes the fill into the current layer.
#include "core/rect.h"
#include "document/document.h"
#include "paint/brush_settings.h"
#include "paint/flood_fill.h"
#include "paint/point.h"

namespace qm {

// The fill tool's option word ([ToolEnv] Paint).
inline constexpr int kFillKeepReference = 0x1;  // judge on the fill-reference layers
inline constexpr int kFillAutomatic = 0x2;      // automatic boundary judgement
inline constexpr int kFillErase = 0x4;
inline constexpr int kFillOpaqueArea = 0x8;     // erase every non-transparent pixel

struct FillOptions {
  bool keep_reference = true;
  bool automatic = false;
  bool erase = false;
  bool opaque_area = false;
  // The environment option: erasing judges on the current layer alone.
  bool release_reference_when_erasing = false;
};

// The options of `word` with the modifiers held at the click: Alt toggles
// the reference layers, Ctrl forces erasing, Shift toggles the automatic
// judgement when filling or forces the opaque area when erasing.
FillOptions fill_options(int word, bool alt, bool shift, bool ctrl);

struct FillResult {
  Rect changed;          // empty: nothing was filled
  bool recorded = true;  // the undo step could be stored
};

// Fills at pixel `at` with the tool's colour and density (settings.density is
// the fill tool's BrushAlpha). `map` is working memory kept between fills.
// Unless masks or a texture need the stroke buffer, the fill is written
// straight into the layer over the region's box.
FillResult fill_at(Document& doc, const BrushSettings& settings, IntPoint at, const FillOptions& options,
                   RegionMap& map, const StrokeOptions& stroke_options = {});
// The same fill always through the stroke buffer and the backup; tests hold
// the direct write to its bits.
FillResult fill_at_buffered(Document& doc, const BrushSettings& settings, IntPoint at,
                            const FillOptions& options, RegionMap& map, const StrokeOptions& stroke_options = {});

}  // namespace qm
