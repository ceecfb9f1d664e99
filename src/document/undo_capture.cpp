// Building undo records from the document as it is now.
#include <cstdint>

#include "document/undo_run_code.h"
#include "document/undo_steps.h"

namespace qm::undo_steps {
namespace {

// Largest code a 32-bit length field can announce.
constexpr uint64_t kMaxCode = UINT32_MAX;

int top_index(const Document& doc, int position) { return doc.layer_count() - 1 - position; }

// The sizes of the layers' codes, summed with `per_layer` bytes of header
// each; false when one would not fit its length field.
bool code_sizes(const Document& doc, const std::vector<int>& indices, uint64_t per_layer,
                std::vector<uint64_t>& sizes, uint64_t& total) {
  sizes.clear();
  total = 0;
  for (int index : indices) {
    const uint64_t n = run_code_size(doc.layer_at(index)->image, doc.bounds());
    if (n > kMaxCode) return false;
    sizes.push_back(n);
    total += per_layer + n;
  }
  return true;
}

bool valid_positions(const Document& doc, const std::vector<int>& positions) {
  if (positions.size() < 2) return false;
  for (size_t k = 0; k < positions.size(); ++k) {
    if (positions[k] < 0 || positions[k] >= doc.layer_count()) return false;
    if (k > 0 && positions[k] <= positions[k - 1]) return false;
  }
  return true;
}

}  // namespace

UndoRecord plain_record(const Document& doc, UndoKind kind, int layer_index) {
  UndoRecord r;
  r.kind = kind;
  r.layer_index = layer_index;
  r.current = doc.current_index();
  return r;
}

bool capture_pixels(UndoStore& store, const Document& doc, int layer, const LayerImage& source,
                    Rect r, UndoRecord& out) {
  out = plain_record(doc, UndoKind::Pixels, layer);
  out.rect = r;
  if (!doc.layer_at(layer) || source.width() != doc.width() || source.height() != doc.height() ||
      r.empty() || intersect(r, doc.bounds()) != r)
    return false;
  const uint64_t code = run_code_size(source, r);
  if (code > kMaxCode) return false;
  return store.store(4 + code, false, [&](ByteWriter& w) {
    return w.put_u32(uint32_t(code)) && run_code_write(source, r, w);
  }, out.data);
}

bool capture_all_layers(UndoStore& store, const Document& doc, UndoRecord& out) {
  out = plain_record(doc, UndoKind::AllLayers, doc.layer_count());
  out.rect = doc.bounds();
  std::vector<int> all;
  for (int i = 0; i < doc.layer_count(); ++i) all.push_back(i);
  std::vector<uint64_t> sizes;
  uint64_t total;
  if (all.empty() || !code_sizes(doc, all, 4, sizes, total)) return false;
  // Always a file first: these are the largest records and the rarest.
  return store.store(total, true, [&](ByteWriter& w) {
    for (int i : all)
      if (!w.put_u32(uint32_t(sizes[size_t(i)])) ||
          !run_code_write(doc.layer_at(i)->image, doc.bounds(), w))
        return false;
    return true;
  }, out.data);
}

bool capture_layer(UndoStore& store, const Document& doc, int index, UndoRecord& out) {
  out = plain_record(doc, UndoKind::LayerDeleted, index);
  if (!doc.layer_at(index)) return false;
  std::vector<uint64_t> sizes;
  uint64_t total;
  if (!code_sizes(doc, {index}, kLayerBlockHeaderSize, sizes, total)) return false;
  const Layer& layer = *doc.layer_at(index);
  return store.store(total, false, [&](ByteWriter& w) {
    return write_layer_block_header(w, index, uint32_t(sizes[0]), layer) &&
           run_code_write(layer.image, doc.bounds(), w);
  }, out.data);
}

bool capture_merged(UndoStore& store, const Document& doc, const std::vector<int>& positions,
                    UndoRecord& out) {
  out = plain_record(doc, UndoKind::Merged, int(positions.size()));
  if (!valid_positions(doc, positions)) return false;
  std::vector<int> indices;
  for (int p : positions) indices.push_back(top_index(doc, p));
  std::vector<uint64_t> sizes;
  uint64_t total;
  if (!code_sizes(doc, indices, kLayerBlockHeaderSize, sizes, total)) return false;
  return store.store(total, false, [&](ByteWriter& w) {
    for (size_t k = 0; k < positions.size(); ++k) {
      // The lowest layer by its distance from the bottom (written as
      // index − (count − 1)), each further one by the layers skipped since.
      const int position = k == 0 ? -positions[0] : positions[k] - positions[k - 1] - 1;
      const Layer& layer = *doc.layer_at(indices[k]);
      if (!write_layer_block_header(w, position, uint32_t(sizes[k]), layer) ||
          !run_code_write(layer.image, doc.bounds(), w))
        return false;
    }
    return true;
  }, out.data);
}

bool capture_unmerged(UndoStore& store, const Document& doc, const std::vector<int>& positions,
                      UndoRecord& out) {
  out = plain_record(doc, UndoKind::Unmerged, int(positions.size()));
  if (positions.size() < 2 || positions[0] < 0 || positions[0] >= doc.layer_count()) return false;
  const int merged = top_index(doc, positions[0]);
  std::vector<uint64_t> sizes;
  uint64_t total;
  if (!code_sizes(doc, {merged}, kLayerBlockHeaderSize, sizes, total)) return false;
  total += 2 * (positions.size() - 1);
  const Layer& layer = *doc.layer_at(merged);
  return store.store(total, false, [&](ByteWriter& w) {
    if (!write_layer_block_header(w, -positions[0], uint32_t(sizes[0]), layer) ||
        !run_code_write(layer.image, doc.bounds(), w))
      return false;
    for (size_t k = 1; k < positions.size(); ++k)
      if (!w.put_u16(uint16_t(positions[k] - positions[k - 1] - 1))) return false;
    return true;
  }, out.data);
}

bool capture_visibility(UndoStore& store, const Document& doc, UndoRecord& out) {
  out = plain_record(doc, UndoKind::Visibility, doc.layer_count());
  return store.store(uint64_t(doc.layer_count()), false, [&](ByteWriter& w) {
    for (int i = 0; i < doc.layer_count(); ++i) {
      const uint8_t v = doc.layer_at(i)->visible() ? 1 : 0;
      if (!w.put(&v, 1)) return false;
    }
    return true;
  }, out.data);
}

bool capture_inverse(UndoStore& store, const Document& doc, const UndoRecord& record,
                     const ParsedRecord& parsed, UndoRecord& out) {
  const int li = record.layer_index;
  switch (record.kind) {
    case UndoKind::Pixels:
      return capture_pixels(store, doc, li, doc.layer_at(li)->image, record.rect, out);
    case UndoKind::AllLayers:
      return capture_all_layers(store, doc, out);
    case UndoKind::FlipHorizontal:
    case UndoKind::FlipVertical:
      out = plain_record(doc, record.kind, 0);
      return true;
    case UndoKind::RotateClockwise:
      out = plain_record(doc, UndoKind::RotateCounterClockwise, 0);
      return true;
    case UndoKind::RotateCounterClockwise:
      out = plain_record(doc, UndoKind::RotateClockwise, 0);
      return true;
    case UndoKind::LayerDeleted:
      out = plain_record(doc, UndoKind::LayerAdded, li);
      return true;
    case UndoKind::LayerAdded:
      return capture_layer(store, doc, li, out);
    case UndoKind::MovedDown:
      out = plain_record(doc, UndoKind::MovedUp, li - 1);
      return true;
    case UndoKind::MovedUp:
      out = plain_record(doc, UndoKind::MovedDown, li + 1);
      return true;
    case UndoKind::Merged:
      return capture_unmerged(store, doc, parsed.positions, out);
    case UndoKind::Unmerged:
      return capture_merged(store, doc, parsed.positions, out);
    case UndoKind::MovedTo:
      out = plain_record(doc, UndoKind::MovedTo, record.rect.x);
      out.rect.x = li;
      return true;
    case UndoKind::Visibility:
      return capture_visibility(store, doc, out);
  }
  return false;
}

}  // namespace qm::undo_steps
