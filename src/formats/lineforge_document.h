#pragma once
// Lineforge documents (.lfw, magic "RAREVIR"): layers of one colour plus an
// 8-bit density plane. Version 0 is read and written, version 1 (tiled)
// only read. Saving keeps each layer's alpha as black lines; colour, blend
// mode, mask mode and the fill-reference mark are not stored.
#include <string>
#include <string_view>

#include "core/layer_image.h"
#include "document/document.h"
#include "formats/load_result.h"
#include "formats/progress_sink.h"

namespace qm {

inline constexpr std::string_view kLineforgeMagic = "RAREVIR";
inline constexpr int kLineforgeTileSide = 64;
inline constexpr int kLineforgeTileBytes = kLineforgeTileSide * kLineforgeTileSide;
// Version 1: bytes of the header after its size word, and of a layer record,
// that this reader knows; larger values are skipped over.
inline constexpr int kLineforgeV1HeaderBytes = 12;
inline constexpr int kLineforgeV1RecordBytes = 79;

// Bytes per row of a version 0 density plane: the width padded to 4.
constexpr int lineforge_density_stride(int width) { return (width + 3) & ~3; }

// Writes version 0 through SafeWriter: on false the previous file is
// unchanged. Progress: one step for the preview and one per layer.
bool SaveLineforgeDocument(const std::string& path, const Document& doc, ProgressSink* progress);

// Loads into `doc` (a fresh Document; on failure it must be dropped).
LoadResult LoadLineforgeDocument(const std::string& path, Document& doc, ProgressSink* progress,
                                 const LoadLimits& limits = {});

// The stored preview (version 0: canvas size; version 1: its own size), top
// row first; `image` is replaced only on success.
bool LoadLineforgeThumbnail(const std::string& path, LayerImage& image);

}  // namespace qm
