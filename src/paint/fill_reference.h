#pragma once
// The raster the fill tool judges its region on.
#include "core/layer_image.h"
#include "document/document.h"

namespace qm {

// The fill-reference layers (flags bit 1) in stack order, or the current
// layer alone when `use_flagged` is false or none is flagged. With one
// raster it is returned as it is; with several they are merged into
// `scratch` (colours of the first, alphas combined as a + b − a·b) and
// `scratch` is returned. nullptr when there is no current layer or memory
// is short.
const LayerImage* fill_reference(const Document& doc, bool use_flagged, LayerImage& scratch);

// The alpha merge of two reference layers, in bytes.
uint8_t merge_reference_alpha(uint32_t a, uint32_t b);

}  // namespace qm
