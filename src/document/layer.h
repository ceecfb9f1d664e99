#pragma once
// One layer of the stack: its raster and attributes.
#include <cstdint>
#include <string>

#include "core/layer_image.h"

namespace qm {

// Layer names fill a 32-byte field in files: at most 31 bytes of text.
inline constexpr int kLayerNameBytes = 32;

enum LayerFlags : uint8_t {
  kLayerVisible = 0x01,
  kLayerFillReference = 0x02,  // the fill tool judges boundaries on this layer
};

enum class MaskMode : uint8_t {
  None = 0,         // "ﾏｽｸなし"
  Transparent = 1,  // "透明色ﾏｽｸ": protects transparent pixels
  Opaque = 2,       // "不透明色ﾏｽｸ": protects opaque pixels
  Alpha = 3,        // "ｱﾙﾌｧﾏｽｸ": keeps the alpha channel
};

inline constexpr int kFullOpacity = 128;

struct Layer {
  LayerImage image;  // always canvas size
  std::string name;  // UTF-8, at most 31 characters
  uint8_t blend_mode = 0;
  uint8_t opacity = kFullOpacity;  // 0 … 128
  uint8_t mask_mode = 0;           // MaskMode
  uint8_t flags = kLayerVisible;

  bool visible() const { return flags & kLayerVisible; }
  bool fill_reference() const { return flags & kLayerFillReference; }
};

// Percent as entered by the user (1 … 100) to stored opacity and back.
constexpr int opacity_from_percent(int percent) { return int(percent * 1.28 + 0.5); }
constexpr int percent_from_opacity(int opacity) { return int(opacity * 0.78125 + 0.5); }

// A name holds at most 31 characters (code points); in UTF-8 that is at
// most 124 bytes. Files cut it further only where their fields need it.
inline constexpr size_t kLayerNameChars = 31;
inline constexpr size_t kLayerNameUtf8Bytes = 4 * kLayerNameChars;

// Cuts a name to at most 31 characters without splitting a UTF-8 character.
std::string fit_layer_name(const std::string& name);

// Cuts UTF-8 text to at most `max_bytes` without splitting a character.
std::string fit_utf8_bytes(const std::string& text, size_t max_bytes);

}  // namespace qm
