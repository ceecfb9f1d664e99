#pragma once
// Building undo records from the document, and applying them to it.
//
// Every capture reads the document as it is now and sets the record's
// `current` to the current index; it returns false (the record's data left
// empty) when the bytes could not be stored. Applying is two-step: parse()
// reads and checks the record against the document without changing
// anything, then apply() makes the whole change or, when memory is short,
// none of it.
#include <vector>

#include "document/document.h"
#include "document/undo_record.h"
#include "document/undo_storage.h"

namespace qm::undo_steps {

// Kind 0: rectangle `r` (inside the canvas) of `source` (canvas-sized), for
// the layer at `layer`.
bool capture_pixels(UndoStore& store, const Document& doc, int layer, const LayerImage& source,
                    Rect r, UndoRecord& out);
// Kind 1: every layer and the canvas size.
bool capture_all_layers(UndoStore& store, const Document& doc, UndoRecord& out);
// Kind 6: the layer at `index`, to be re-created there.
bool capture_layer(UndoStore& store, const Document& doc, int index, UndoRecord& out);
// Kind 10: the layers at `positions` (counted from the bottom, ascending).
bool capture_merged(UndoStore& store, const Document& doc, const std::vector<int>& positions,
                    UndoRecord& out);
// Kind 11: the layer at positions[0], which the others merge into.
bool capture_unmerged(UndoStore& store, const Document& doc, const std::vector<int>& positions,
                      UndoRecord& out);
// Kind 13: one byte per layer, top first, 1 when it is visible.
bool capture_visibility(UndoStore& store, const Document& doc, UndoRecord& out);
// Kinds without data.
UndoRecord plain_record(const Document& doc, UndoKind kind, int layer_index);

// A record's bytes, checked and taken apart (views into the loaded bytes).
struct ParsedRecord {
  struct Code {
    const uint8_t* data = nullptr;
    uint32_t size = 0;
  };
  std::vector<Code> codes;          // kind 0: one; kind 1: one per layer, top first
  std::vector<LayerBlock> blocks;   // 6: one; 10: one per listed layer, bottom up; 11: one
  std::vector<int> positions;       // 10, 11: listed layers counted from the bottom, ascending
  std::vector<bool> visible;        // 13: one per layer, top first
};

// False when the bytes are damaged or do not fit the document as it is.
bool parse(const UndoRecord& record, const uint8_t* data, size_t size, const Document& doc,
           ParsedRecord& out);
// The record that undoes applying `record`, taken from the document now.
bool capture_inverse(UndoStore& store, const Document& doc, const UndoRecord& record,
                     const ParsedRecord& parsed, UndoRecord& out);
// Applies a parsed record; false, with the document unchanged, when memory
// for new rasters is short.
bool apply(Document& doc, const UndoRecord& record, const ParsedRecord& parsed);

}  // namespace qm::undo_steps
