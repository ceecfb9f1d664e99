#pragma once
// The native layered document (.qmd, magic "DIZIDID", version 0): every
// layer's pixels and attributes, the current layer, the name counter and a
// small flattened thumbnail.
#include <string>
#include <string_view>

#include "core/layer_image.h"
#include "document/document.h"
#include "formats/load_result.h"
#include "formats/progress_sink.h"

namespace qm {

inline constexpr std::string_view kNativeMagic = "DIZIDID";
// What the writer stores in the two size fields; readers skip anything more.
inline constexpr uint32_t kNativeHeaderBytes = 10;
inline constexpr uint32_t kNativeRecordBytes = 35;
// A name the legacy code page cannot hold whole is kept in an extension of
// every layer record, which readers that know only 35 bytes skip: the tag
// "UTF8" and the name as zero-padded UTF-8.
inline constexpr char kNativeUtf8NameTag[4] = {'U', 'T', 'F', '8'};
inline constexpr uint32_t kNativeUtf8NameBytes = 4 + uint32_t(kLayerNameUtf8Bytes);
inline constexpr uint32_t kNativeRecordWithUtf8Bytes = kNativeRecordBytes + kNativeUtf8NameBytes;

// Flag byte of a layer record.
inline constexpr uint8_t kNativeFlagVisible = 0x01;
inline constexpr uint8_t kNativeFlagMaskShift = 1;  // bits 1–2: mask mode 0 … 2
inline constexpr uint8_t kNativeFlagAlphaMask = 0x08;
inline constexpr uint8_t kNativeFlagFillReference = 0x10;

uint8_t native_flag_byte(const Layer& layer);
// Applies a flag byte: visibility, mask mode and the fill-reference mark.
void apply_native_flag_byte(uint8_t flags, Layer& layer);

// Writes `doc` through SafeWriter: on false the previous file is unchanged.
// With `progress`: the caller sets the range to layer count + 1; one step for
// the thumbnail and one per layer.
bool SaveNativeDocument(const std::string& path, const Document& doc, ProgressSink* progress);

// Loads into `doc`, which should be a fresh Document: on failure it may hold
// part of the file and must be dropped (see document_io.h). Progress: range
// 0 … layer count, one step per layer.
LoadResult LoadNativeDocument(const std::string& path, Document& doc, ProgressSink* progress,
                              const LoadLimits& limits = {});

// Only the thumbnail, as a TW × TH image (top row first); `image` is replaced
// only on success.
bool LoadNativeThumbnail(const std::string& path, LayerImage& image);

}  // namespace qm
