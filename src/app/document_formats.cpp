#include "app/document_formats.h"

#include <cctype>

#include "app/parallel_composite.h"
#include "formats/lineforge_document.h"
#include "formats/native_document.h"
#include "formats/psd_document.h"

namespace qm {

namespace {

int load_native(const std::string& path, Document& fresh, ProgressSink* progress) {
  return int(LoadNativeDocument(path, fresh, progress));
}
int load_lineforge(const std::string& path, Document& fresh, ProgressSink* progress) {
  return int(LoadLineforgeDocument(path, fresh, progress));
}
int load_psd(const std::string& path, Document& fresh, ProgressSink* progress) {
  return int(LoadPsd(path, fresh, progress));
}

bool save_native(const std::string& path, const Document& doc, const SaveOptions&,
                 ProgressSink* progress) {
  if (progress) progress->set_range(doc.layer_count() + 1);
  return SaveNativeDocument(path, doc, progress);
}
bool save_lineforge(const std::string& path, const Document& doc, const SaveOptions&,
                    ProgressSink* progress) {
  return SaveLineforgeDocument(path, doc, progress);
}
bool save_psd(const std::string& path, const Document& doc, const SaveOptions&,
              ProgressSink* progress) {
  return SavePsd(path, doc, progress);
}

// The flat formats flatten the visible layers (onto white, or keeping alpha
// for a 32-bit PNG) and write one picture: a single progress step.
bool save_flat(const std::string& path, const Document& doc, const SaveOptions& o,
               ProgressSink* progress) {
  if (progress) progress->set_range(1);
  FlatSaveOptions flat;
  flat.png_level = o.png_level;
  flat.png_alpha = o.png_alpha;
  flat.transparent = o.transparent;
  flat.jpeg_quality = o.jpeg_comp & 0xFF;
  flat.jpeg_subsample = (o.jpeg_comp & 0x8000) != 0;
  const bool ok = save_flat_picture(path, doc, flat);
  if (progress) progress->step();
  return ok;
}

constexpr FileFormat kFormats[kFormatCount] = {
    {kFormatNative, "QMD", "Quillmark2 문서 (*.qmd)", {"qmd", ""}, load_native, save_native},
    {kFormatPsd, "PSD", "PSD 파일 (*.psd)", {"psd", ""}, load_psd, save_psd},
    {kFormatBmp, "BMP", "BMP 파일 (*.bmp)", {"bmp", ""}, nullptr, save_flat},
    {kFormatPng, "PNG", "PNG 파일 (*.png)", {"png", ""}, nullptr, save_flat},
    {kFormatJpeg, "JPEG", "JPEG 파일 (*.jpg *.jpeg)", {"jpg", "jpeg"}, nullptr, save_flat},
    {kFormatGif, "GIF", "GIF 파일 (*.gif)", {"gif", ""}, nullptr, save_flat},
    {kFormatLineforge, "LFW", "Lineforge 문서 (*.lfw)", {"lfw", ""}, load_lineforge,
     save_lineforge},
};

}  // namespace

std::span<const FileFormat> file_formats() { return kFormats; }

const FileFormat* file_format(int index) {
  return index >= 0 && index < kFormatCount ? &kFormats[index] : nullptr;
}

const FileFormat* file_format_for_path(std::string_view path) {
  const std::string ext = picture_extension(std::string(path));
  if (ext.empty()) return nullptr;
  for (const FileFormat& f : kFormats)
    for (std::string_view e : f.extensions)
      if (!e.empty() && e == ext) return &f;
  return nullptr;
}

std::string_view open_filter() {
  return "모든 이미지 파일 (*.qmd *.lfw *.psd *.bmp *.png *.jpg *.jpeg *.gif);;"
         "Quillmark2 문서 (*.qmd);;"
         "모든 파일 (*)";
}

std::string save_filter() {
  std::string out;
  for (const FileFormat& f : kFormats) {
    if (!out.empty()) out += ";;";
    out += f.filter;
  }
  return out;
}

OpenedFile open_file(const std::string& path, ProgressSink* progress,
                     const DisplayBackground& background) {
  OpenedFile out = read_file(path, progress);
  composite_opened(out, background);
  return out;
}

OpenedFile read_file(const std::string& path, ProgressSink* progress) {
  OpenedFile out;
  auto fresh = std::make_unique<Document>();
  const FileFormat* format = file_format_for_path(path);
  if (format && format->load) {
    out.result = format->load(path, *fresh, progress);
  } else {
    // Pictures (and any name no layered loader takes) go to the picture
    // decoders; a picture too large for a canvas keeps its own message.
    if (progress) progress->set_range(1);
    std::unique_ptr<Document> picture_doc;
    const LoadResult r = load_picture_document(path, picture_doc, &out.picture);
    if (progress) progress->step();
    if (r == LoadResult::Success) {
      fresh = std::move(picture_doc);
      out.result = 0;
    } else {
      out.result = r == LoadResult::TooLarge ? int(LoadResult::TooLarge) : kOpenPictureFailed;
      out.picture = {};
    }
  }
  if (out.result == 0 && fresh->layer_count() == 0) out.result = int(LoadResult::Damaged);
  if (out.result == 0) out.document = std::move(fresh);
  return out;
}

void composite_opened(OpenedFile& opened, const DisplayBackground& background) {
  if (opened.result != 0 || !opened.document) return;
  // Composited here, on the worker of the open job, not again on screen.
  opened.document->set_display_background(background);
  composite_all_parallel(*opened.document);
}

bool save_file(const std::string& path, const Document& doc, const SaveOptions& options,
               ProgressSink* progress) {
  const FileFormat* format = file_format_for_path(path);
  return format && format->save(path, doc, options, progress);
}

}  // namespace qm
