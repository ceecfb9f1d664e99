#pragma once
// The file formats the open and save flows know, one entry each, in the
// order of the save dialog's format list (the index is what FixSaveOpt
// stores). A format is added by adding its entry; the flows only walk the
// table. Qt-free: the entries call the engine's readers and writers.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "document/document.h"
#include "formats/load_picture.h"
#include "formats/progress_sink.h"

namespace qm {

inline constexpr int kFormatNative = 0;
inline constexpr int kFormatPsd = 1;
inline constexpr int kFormatBmp = 2;
inline constexpr int kFormatPng = 3;
inline constexpr int kFormatJpeg = 4;
inline constexpr int kFormatGif = 5;
inline constexpr int kFormatLineforge = 6;
inline constexpr int kFormatCount = 7;

// Open results: the loaders' LoadResult values 0 … 5, and this one for a
// picture that could not be decoded (or a name no decoder takes).
inline constexpr int kOpenPictureFailed = 6;

// What a save needs beyond the document: the PNG options (PNGComp, the
// alpha choice and transparent colour of the last open or options dialog),
// the GIF transparent colour and JPEGComp.
struct SaveOptions {
  int png_level = 6;
  bool png_alpha = false;
  std::optional<uint32_t> transparent;  // 0xRRGGBB
  int jpeg_comp = 85;                   // quality in the low bits, bit 15 subsampling
};

struct FileFormat {
  int index;
  std::string_view name;    // as in "%sで保存"
  std::string_view filter;  // the save dialog's line, "... (*.ext)"
  // The first is what save as appends to a name without one.
  std::array<std::string_view, 2> extensions;
  // Fills `fresh` (a new, empty Document); an open result. nullptr: the
  // format is opened as a picture.
  int (*load)(const std::string& path, Document& fresh, ProgressSink* progress);
  // Writes through the safe-write helper: false leaves any old file as it was.
  bool (*save)(const std::string& path, const Document& doc, const SaveOptions& options,
               ProgressSink* progress);
};

std::span<const FileFormat> file_formats();
const FileFormat* file_format(int index);  // nullptr outside 0 … 6
// By the name's extension, ignoring case; nullptr when no format has it.
const FileFormat* file_format_for_path(std::string_view path);

// The open dialog's filter list.
std::string_view open_filter();
// The save dialog's filter list, one line per format in index order.
std::string save_filter();

struct OpenedFile {
  int result = 2;  // an open result
  std::unique_ptr<Document> document;  // set only on success, composited
  // The defaults of the next PNG or GIF save: had-alpha and the transparent
  // colour of a picture; nothing for the layered formats.
  PictureInfo picture;
};

// Opens by extension: the layered formats by their loaders, everything
// else as a picture that becomes a one-layer document. The document comes
// back composited over `background`, ready to be shown.
OpenedFile open_file(const std::string& path, ProgressSink* progress,
                     const DisplayBackground& background = {});
// The two halves of open_file: the loading, which needs nothing of the
// program (so it may start before the window exists), and the composite.
OpenedFile read_file(const std::string& path, ProgressSink* progress);
void composite_opened(OpenedFile& opened, const DisplayBackground& background);

// Saves in the format of the path's extension; false for an unknown one.
bool save_file(const std::string& path, const Document& doc, const SaveOptions& options,
               ProgressSink* progress);

}  // namespace qm
