#include "formats/document_io.h"

#include <cctype>

#include "formats/binary_file.h"
#include "formats/lineforge_document.h"
#include "formats/native_document.h"

namespace qm {
namespace {

bool ends_with_ignoring_case(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  text.remove_prefix(text.size() - suffix.size());
  for (size_t i = 0; i < suffix.size(); ++i)
    if (std::tolower(uint8_t(text[i])) != std::tolower(uint8_t(suffix[i]))) return false;
  return true;
}

}  // namespace

DocumentFormat document_format_for_path(std::string_view path) {
  if (ends_with_ignoring_case(path, ".qmd")) return DocumentFormat::Native;
  if (ends_with_ignoring_case(path, ".lfw")) return DocumentFormat::Lineforge;
  return DocumentFormat::Unknown;
}

DocumentFormat sniff_document_format(const std::string& path) {
  BinaryFile file;
  if (!file.open_read(path)) return DocumentFormat::Unknown;
  char magic[7];
  if (file.read(magic, sizeof magic) != sizeof magic) return DocumentFormat::Unknown;
  const std::string_view m(magic, sizeof magic);
  if (m == kNativeMagic) return DocumentFormat::Native;
  if (m == kLineforgeMagic) return DocumentFormat::Lineforge;
  return DocumentFormat::Unknown;
}

std::string_view document_format_name(DocumentFormat format) {
  switch (format) {
    case DocumentFormat::Native: return "native document (.qmd)";
    case DocumentFormat::Lineforge: return "Lineforge document (.lfw)";
    case DocumentFormat::Unknown: break;
  }
  return "unknown";
}

LoadedDocument load_document(const std::string& path, ProgressSink* progress,
                             const LoadLimits& limits) {
  LoadedDocument out;
  {
    BinaryFile probe;
    if (!probe.open_read(path)) return out;  // CannotOpen
  }
  out.format = sniff_document_format(path);
  auto doc = std::make_unique<Document>();
  switch (out.format) {
    case DocumentFormat::Native:
      out.result = LoadNativeDocument(path, *doc, progress, limits);
      break;
    case DocumentFormat::Lineforge:
      out.result = LoadLineforgeDocument(path, *doc, progress, limits);
      break;
    case DocumentFormat::Unknown:
      out.result = LoadResult::WrongFormat;
      break;
  }
  if (out.result == LoadResult::Success) out.document = std::move(doc);
  return out;
}

LoadResult open_document(const std::string& path, std::unique_ptr<Document>& open,
                         ProgressSink* progress) {
  LoadedDocument loaded = load_document(path, progress);
  if (loaded.result != LoadResult::Success) return loaded.result;
  if (open) loaded.document->set_display_background(open->display_background());
  loaded.document->composite_all();
  open = std::move(loaded.document);
  return LoadResult::Success;
}

bool save_document(const std::string& path, const Document& doc, ProgressSink* progress) {
  if (progress) progress->set_range(doc.layer_count() + 1);
  switch (document_format_for_path(path)) {
    case DocumentFormat::Native: return SaveNativeDocument(path, doc, progress);
    case DocumentFormat::Lineforge: return SaveLineforgeDocument(path, doc, progress);
    case DocumentFormat::Unknown: break;
  }
  return false;
}

}  // namespace qm
