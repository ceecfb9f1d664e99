#pragma once
// QImage views over LayerImage pixels, so Qt can draw our rasters without a
// copy. A LayerImage keeps each pixel as the bytes B, G, R, A, which on a
// little-endian machine is exactly Qt's 32-bit 0xAARRGGBB layout; elsewhere the
// functions return a converted copy instead (same pixels, not shared).
//
// A view borrows the raster's memory: it is valid while the LayerImage lives
// and is not re-created. Both return a null QImage for an empty raster.
#include <QImage>

#include "core/layer_image.h"

namespace qm {

// True when the views share the raster's bytes (little-endian builds).
bool raster_views_share_memory();

// Format_ARGB32 (straight alpha): a layer with its transparency. When the
// memory is shared, drawing through the view writes into the raster.
QImage argb_view(LayerImage& image);
// Read-only variant; Qt copies on the first write through it.
QImage argb_view(const LayerImage& image);

// Format_RGB32: the raster shown as opaque, for screen buffers. Every fourth
// byte must be 0xFF: QPainter copies that byte into its target as it stands and
// reads it as alpha when blending with opacity or smooth scaling, so any other
// value shows wrong or not at all (only pixel() and conversions mask it).
QImage opaque_view(const LayerImage& image);

}  // namespace qm
