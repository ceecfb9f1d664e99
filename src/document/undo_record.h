#pragma once
// One step of the undo history, and the layer block its bytes are built of.
//
// Applying a record takes a step back (or, for the inverse a record leaves
// behind when applied, forward again): it restores the pixels, the layer
// stack and the current layer of the state the record was taken from.
#include <cstdint>
#include <string>

#include "core/rect.h"
#include "document/layer.h"
#include "document/undo_bytes.h"
#include "document/undo_storage.h"

namespace qm {

enum class UndoKind : uint16_t {
  Pixels = 0,                  // one layer's pixels in a rectangle
  AllLayers = 1,               // every layer at full size (and the canvas size)
  FlipHorizontal = 2,          // every layer mirrored left to right
  FlipVertical = 3,            // every layer mirrored top to bottom
  RotateClockwise = 4,         // every layer turned clockwise; applying turns back
  RotateCounterClockwise = 5,  // every layer turned the other way
  LayerDeleted = 6,            // applying re-creates the layer
  LayerAdded = 7,              // applying deletes the layer
  MovedDown = 8,               // applying moves the layer at layer_index up
  MovedUp = 9,                 // applying moves the layer at layer_index down
  Merged = 10,                 // several layers became one; applying restores them
  Unmerged = 11,               // the inverse of Merged
  MovedTo = 12,                // applying moves the layer at rect.x back to layer_index
  Visibility = 13,             // applying gives every layer its stored visibility
};

struct UndoRecord {
  UndoKind kind = UndoKind::Pixels;
  // A layer index; for Merged and Unmerged the number of layers listed, for
  // Visibility the number of layers.
  int layer_index = 0;
  // Pixels: the rectangle. AllLayers: the canvas size as w × h. MovedTo: x
  // holds the index the layer was moved to.
  Rect rect;
  // The current layer of the state that applying this record restores.
  int current = 0;
  StoredBytes data;
};

// Layer block: a 138-byte header followed by the run-coded full layer.
//   16-bit  position (a layer index, a count from the bottom, or a skip count)
//   32-bit  length of the run code
//   128     the name, zero-terminated (31 characters: at most 124 bytes of UTF-8)
//   1 each  blend mode, opacity, mask mode, flags
inline constexpr size_t kUndoNameBytes = kLayerNameUtf8Bytes + 4;
inline constexpr uint64_t kLayerBlockHeaderSize = 2 + 4 + kUndoNameBytes + 4;

struct LayerBlock {
  int position = 0;
  std::string name;
  uint8_t blend_mode = 0;
  uint8_t opacity = kFullOpacity;
  uint8_t mask_mode = 0;
  uint8_t flags = kLayerVisible;
  const uint8_t* code = nullptr;
  uint32_t code_size = 0;
};

bool write_layer_block_header(ByteWriter& out, int position, uint32_t code_size, const Layer& layer);
// Reads a header and takes its run code in place; false when the bytes end early.
bool read_layer_block(ByteReader& in, LayerBlock& out);
// Gives `layer` the block's name and attributes (not its pixels).
void apply_layer_attributes(const LayerBlock& block, Layer& layer);

}  // namespace qm
