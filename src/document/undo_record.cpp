#include "document/undo_record.h"

#include <cstring>

namespace qm {

bool write_layer_block_header(ByteWriter& out, int position, uint32_t code_size, const Layer& layer) {
  uint8_t name[kUndoNameBytes] = {};
  const std::string fitted = fit_layer_name(layer.name);
  std::memcpy(name, fitted.data(), fitted.size());
  const uint8_t attributes[4] = {layer.blend_mode, layer.opacity, layer.mask_mode, layer.flags};
  return out.put_u16(uint16_t(int16_t(position))) && out.put_u32(code_size) &&
         out.put(name, sizeof name) && out.put(attributes, sizeof attributes);
}

bool read_layer_block(ByteReader& in, LayerBlock& out) {
  uint16_t position;
  uint32_t code_size;
  if (!in.get_u16(position) || !in.get_u32(code_size)) return false;
  const uint8_t* name = in.take(kUndoNameBytes);
  const uint8_t* attributes = in.take(4);
  if (!name || !attributes) return false;
  out.position = int16_t(position);
  // At most 124 bytes, whether or not the field holds its terminator.
  const void* nul = std::memchr(name, 0, kUndoNameBytes - 1);
  const size_t length = nul ? size_t(static_cast<const uint8_t*>(nul) - name) : kUndoNameBytes - 1;
  out.name.assign(reinterpret_cast<const char*>(name), length);
  out.blend_mode = attributes[0];
  out.opacity = attributes[1];
  out.mask_mode = attributes[2];
  out.flags = attributes[3];
  out.code_size = code_size;
  out.code = in.take(code_size);
  return out.code != nullptr;
}

void apply_layer_attributes(const LayerBlock& block, Layer& layer) {
  layer.name = block.name;
  layer.blend_mode = block.blend_mode;
  layer.opacity = block.opacity;
  layer.mask_mode = block.mask_mode;
  layer.flags = block.flags;
}

}  // namespace qm
