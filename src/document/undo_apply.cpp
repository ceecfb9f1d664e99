// Reading undo records back, checking them against the document, applying them.
#include <memory>

#include "document/blend_modes.h"
#include "document/undo_run_code.h"
#include "document/undo_steps.h"

namespace qm::undo_steps {
namespace {

uint64_t canvas_pixels(const Document& doc) { return uint64_t(doc.width()) * uint64_t(doc.height()); }

bool valid_attributes(const LayerBlock& b) {
  return b.blend_mode < kBlendModeCount && b.opacity <= kFullOpacity && b.mask_mode <= 3;
}

bool read_block(ByteReader& in, const Document& doc, LayerBlock& out) {
  return read_layer_block(in, out) && valid_attributes(out) &&
         run_code_check(out.code, out.code_size, canvas_pixels(doc));
}

bool read_code(ByteReader& in, uint64_t pixels, ParsedRecord& out) {
  uint32_t size;
  if (!in.get_u32(size)) return false;
  const uint8_t* code = in.take(size);
  if (!code || !run_code_check(code, size, pixels)) return false;
  out.codes.push_back({code, size});
  return true;
}

// Positions of the listed layers from the first block's "index − (count − 1)"
// and the skip counts after it.
bool list_positions(int first, const std::vector<int>& skips, std::vector<int>& out) {
  if (first > 0) return false;
  out.assign(1, -first);
  for (int skip : skips) {
    if (skip < 0) return false;
    out.push_back(out.back() + skip + 1);
  }
  return true;
}

bool parse_merged(ByteReader& in, int n, const Document& doc, ParsedRecord& out) {
  std::vector<int> skips;
  for (int k = 0; k < n; ++k) {
    LayerBlock block;
    if (!read_block(in, doc, block)) return false;
    if (k > 0) skips.push_back(block.position);
    out.blocks.push_back(std::move(block));
  }
  if (!list_positions(out.blocks[0].position, skips, out.positions)) return false;
  // The merged layer is there now; the others come back around it.
  const int count_after = doc.layer_count() + n - 1;
  return out.positions[0] < doc.layer_count() && count_after <= kMaxLayers &&
         out.positions.back() < count_after;
}

bool parse_unmerged(ByteReader& in, int n, const Document& doc, ParsedRecord& out) {
  LayerBlock block;
  if (!read_block(in, doc, block)) return false;
  std::vector<int> skips;
  for (int k = 1; k < n; ++k) {
    uint16_t skip;
    if (!in.get_u16(skip)) return false;
    skips.push_back(skip);
  }
  if (!list_positions(block.position, skips, out.positions)) return false;
  out.blocks.push_back(std::move(block));
  return out.positions.back() < doc.layer_count();
}

bool new_layer_from(const LayerBlock& block, const Document& doc, std::unique_ptr<Layer>& out) {
  out = std::make_unique<Layer>();
  if (!out->image.create_canvas(doc.width(), doc.height())) return false;
  run_code_read(block.code, block.code_size, out->image, doc.bounds());
  apply_layer_attributes(block, *out);
  return true;
}

bool apply_all_layers(Document& doc, const UndoRecord& record, const ParsedRecord& parsed) {
  const Rect r = record.rect;
  if (r.w == doc.width() && r.h == doc.height()) {
    for (int i = 0; i < doc.layer_count(); ++i) {
      const auto& code = parsed.codes[size_t(i)];
      run_code_read(code.data, code.size, doc.layer_at(i)->image, doc.bounds());
    }
    return true;
  }
  // Another canvas size: new rasters for every layer, swapped in only once
  // all of them (and the work rasters) could be had.
  std::vector<LayerImage> rasters(size_t(doc.layer_count()));
  for (size_t i = 0; i < rasters.size(); ++i) {
    if (!rasters[i].create_canvas(r.w, r.h)) return false;
    run_code_read(parsed.codes[i].data, parsed.codes[i].size, rasters[i], rasters[i].bounds());
  }
  return doc.replace_all_rasters(r.w, r.h, std::move(rasters));
}

bool apply_merged(Document& doc, const ParsedRecord& parsed) {
  // Every new layer first, so a shortage changes nothing.
  std::vector<std::unique_ptr<Layer>> restored(parsed.blocks.size());
  for (size_t k = 1; k < parsed.blocks.size(); ++k)
    if (!new_layer_from(parsed.blocks[k], doc, restored[k])) return false;
  const LayerBlock& lowest = parsed.blocks[0];
  Layer& merged = *doc.layer_at(doc.layer_count() - 1 - parsed.positions[0]);
  run_code_read(lowest.code, lowest.code_size, merged.image, doc.bounds());
  apply_layer_attributes(lowest, merged);
  // Bottom up, so each position counts layers that are already back.
  for (size_t k = 1; k < restored.size(); ++k)
    doc.insert_layer(doc.layer_count() - parsed.positions[k], std::move(restored[k]));
  return true;
}

void apply_unmerged(Document& doc, const ParsedRecord& parsed) {
  const LayerBlock& block = parsed.blocks[0];
  Layer& merged = *doc.layer_at(doc.layer_count() - 1 - parsed.positions[0]);
  run_code_read(block.code, block.code_size, merged.image, doc.bounds());
  apply_layer_attributes(block, merged);
  // Top down, so the positions below stay where they were.
  for (size_t k = parsed.positions.size(); k-- > 1;)
    doc.remove_layer(doc.layer_count() - 1 - parsed.positions[k]);
}

}  // namespace

bool parse(const UndoRecord& record, const uint8_t* data, size_t size, const Document& doc,
           ParsedRecord& out) {
  out = ParsedRecord{};
  ByteReader in(data, size);
  const int count = doc.layer_count();
  const int li = record.layer_index;
  bool ok = false;
  switch (record.kind) {
    case UndoKind::Pixels: {
      const Rect r = record.rect;
      ok = li >= 0 && li < count && !r.empty() && intersect(r, doc.bounds()) == r &&
           read_code(in, uint64_t(r.w) * uint64_t(r.h), out);
      break;
    }
    case UndoKind::AllLayers: {
      const Rect r = record.rect;
      ok = li == count && count > 0 && r.x == 0 && r.y == 0 && r.w >= 1 && r.h >= 1 &&
           r.w <= kMaxCanvasSide && r.h <= kMaxCanvasSide;
      for (int i = 0; ok && i < count; ++i) ok = read_code(in, uint64_t(r.w) * uint64_t(r.h), out);
      break;
    }
    case UndoKind::FlipHorizontal:
    case UndoKind::FlipVertical:
    case UndoKind::RotateClockwise:
    case UndoKind::RotateCounterClockwise:
      ok = doc.width() > 0;
      break;
    case UndoKind::LayerDeleted: {
      LayerBlock block;
      ok = li >= 0 && li <= count && count < kMaxLayers && read_block(in, doc, block) &&
           block.position == li;
      out.blocks.push_back(std::move(block));
      break;
    }
    case UndoKind::LayerAdded:
      ok = li >= 0 && li < count && count >= 2;
      break;
    case UndoKind::MovedDown:
      ok = li >= 1 && li < count;
      break;
    case UndoKind::MovedUp:
      ok = li >= 0 && li + 1 < count;
      break;
    case UndoKind::MovedTo:
      ok = li >= 0 && li < count && record.rect.x >= 0 && record.rect.x < count &&
           li != record.rect.x;
      break;
    case UndoKind::Merged:
      ok = li >= 2 && li <= kMaxLayers && parse_merged(in, li, doc, out);
      break;
    case UndoKind::Unmerged:
      ok = li >= 2 && li <= kMaxLayers && parse_unmerged(in, li, doc, out);
      break;
    case UndoKind::Visibility:
      ok = li == count;
      for (int i = 0; ok && i < count; ++i) {
        uint8_t v;
        ok = in.get_u8(v) && v <= 1;
        out.visible.push_back(v == 1);
      }
      break;
  }
  // Nothing may follow what the record announced.
  return ok && in.remaining() == 0;
}

bool apply(Document& doc, const UndoRecord& record, const ParsedRecord& parsed) {
  const int li = record.layer_index;
  switch (record.kind) {
    case UndoKind::Pixels: {
      const auto& code = parsed.codes[0];
      run_code_read(code.data, code.size, doc.layer_at(li)->image, record.rect);
      break;
    }
    case UndoKind::AllLayers:
      if (!apply_all_layers(doc, record, parsed)) return false;
      break;
    case UndoKind::FlipHorizontal:
      doc.flip_all(false, false);
      break;
    case UndoKind::FlipVertical:
      doc.flip_all(true, false);
      break;
    case UndoKind::RotateClockwise:
      if (!doc.rotate_all(RotateDirection::CounterClockwise, false)) return false;
      break;
    case UndoKind::RotateCounterClockwise:
      if (!doc.rotate_all(RotateDirection::Clockwise, false)) return false;
      break;
    case UndoKind::LayerDeleted: {
      std::unique_ptr<Layer> layer;
      if (!new_layer_from(parsed.blocks[0], doc, layer)) return false;
      doc.insert_layer(li, std::move(layer));
      break;
    }
    case UndoKind::LayerAdded:
      doc.remove_layer(li);
      break;
    case UndoKind::MovedDown:
      doc.move_layer(li, li - 1);
      break;
    case UndoKind::MovedUp:
      doc.move_layer(li, li + 1);
      break;
    case UndoKind::MovedTo:
      doc.move_layer(record.rect.x, li);
      break;
    case UndoKind::Merged:
      if (!apply_merged(doc, parsed)) return false;
      break;
    case UndoKind::Unmerged:
      apply_unmerged(doc, parsed);
      break;
    case UndoKind::Visibility:
      for (int i = 0; i < doc.layer_count(); ++i) {
        Layer& layer = *doc.layer_at(i);
        layer.flags = parsed.visible[size_t(i)] ? (layer.flags | kLayerVisible)
                                                : (layer.flags & ~kLayerVisible);
      }
      break;
  }
  doc.select(record.current);
  return true;
}

}  // namespace qm::undo_steps
