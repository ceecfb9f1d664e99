#pragma once
// Opening and saving whole documents by format, with the rule that a failed
// open never touches the open document: loaders fill a fresh Document, which
// replaces the open one only on success.
#include <memory>
#include <string>
#include <string_view>

#include "document/document.h"
#include "formats/load_result.h"
#include "formats/progress_sink.h"

namespace qm {

enum class DocumentFormat { Unknown, Native, Lineforge };

// By extension, ignoring case: ".qmd" native, ".lfw" Lineforge.
DocumentFormat document_format_for_path(std::string_view path);
// By the magic at the start of the file; Unknown when unreadable or neither.
DocumentFormat sniff_document_format(const std::string& path);
std::string_view document_format_name(DocumentFormat format);

struct LoadedDocument {
  LoadResult result = LoadResult::CannotOpen;
  DocumentFormat format = DocumentFormat::Unknown;
  std::unique_ptr<Document> document;  // set only on success
};

// Loads a native or Lineforge document, recognised by its content, into a
// fresh Document.
LoadedDocument load_document(const std::string& path, ProgressSink* progress,
                             const LoadLimits& limits = {});

// Loads `path` and on success swaps it in for `open` (keeping the display
// background), composited and ready to show. On failure `open` is untouched.
LoadResult open_document(const std::string& path, std::unique_ptr<Document>& open,
                         ProgressSink* progress);

// Saves in the format of the path's extension; false for an unknown one.
// Progress as the writers: range layer count + 1 is set here.
bool save_document(const std::string& path, const Document& doc, ProgressSink* progress);

}  // namespace qm
