#pragma once
// Photoshop documents (.psd, version 1, 8-bit RGB): the interchange format
// for layered work with other painting programs.
//
// The writer stores every layer at canvas size with its name (also as a
// Unicode name block), opacity, visibility and blend mode, the flattened
// picture as the merged image and a JPEG thumbnail. The reader builds a
// fresh Document from the layer records; a file without layer records opens
// as one layer made from its merged image.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/layer_image.h"
#include "document/document.h"
#include "formats/load_result.h"
#include "formats/progress_sink.h"

namespace qm {

inline constexpr std::string_view kPsdSignature = "8BPS";
inline constexpr std::string_view kPsdBlockSignature = "8BIM";
// The largest side the format allows; a layer rectangle beyond it is damage.
inline constexpr int kPsdMaxSide = 30000;
// Image resource ids.
inline constexpr uint16_t kPsdResolutionResource = 1005;
inline constexpr uint16_t kPsdThumbnailResource = 1036;
// The thumbnail fits this box.
inline constexpr int kPsdThumbnailBox = 100;
// Layer flag bit: hidden.
inline constexpr uint8_t kPsdFlagHidden = 0x02;
// The format's own limit of channels in a layer. We read the colour and
// transparency channels and pass over the others (user and vector masks).
inline constexpr int kPsdMaxLayerChannels = 56;

// Channel data compression.
enum PsdCompression : uint16_t { kPsdRaw = 0, kPsdPackBits = 1, kPsdZip = 2, kPsdZipPredicted = 3 };

using PsdBlendKey = std::array<char, 4>;

// The key written for one of our blend modes; modes without a PSD key (Add,
// Subtract, Linear Burn, Vivid Light, Linear Light, Pin Light) write "norm".
PsdBlendKey psd_blend_key(int mode);
// Our blend mode for a key: the first mode whose key matches, 0 for any other.
int psd_blend_mode(const PsdBlendKey& key);

// Opacity 0 … 128 to PSD's 0 … 255: × 255 / 128 rounded half up, and back:
// × 128 / 255 rounded half up.
constexpr uint8_t psd_opacity_from_layer(int opacity) { return uint8_t((opacity * 255 + 64) / 128); }
constexpr uint8_t layer_opacity_from_psd(int opacity) { return uint8_t((opacity * 256 + 255) / 510); }

// The thumbnail size: the picture fitted into 100 × 100 without enlarging,
// the shorter side scaled and rounded half up.
struct PsdThumbnailSize {
  int width = 0;
  int height = 0;
};
PsdThumbnailSize psd_thumbnail_size(int width, int height);

// Writes `doc` through the safe-write helper: on false the previous file at
// `path` is unchanged. Progress: range = layer count, one step per layer.
bool SavePsd(const std::string& path, const Document& doc, ProgressSink* progress);

// Loads into `doc`, which should be a fresh Document (on failure it may hold
// part of the file). 1 canvas above the limit, 2 cannot open, 3 not a PSD we
// read (signature, version, depth, colour mode, damaged records or lengths,
// unknown compression), 4 out of memory or more
// layers than the document holds. Progress: range = layer count, one step
// per layer.
LoadResult LoadPsd(const std::string& path, Document& doc, ProgressSink* progress,
                   const LoadLimits& limits = {});

// Only the embedded JPEG thumbnail (image resource 1036), opaque, at the size
// the resource states; `image` is replaced only on success.
bool LoadPsdThumbnail(const std::string& path, LayerImage& image);

}  // namespace qm
