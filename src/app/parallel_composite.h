#pragma once
// The display composite of a whole document built by several threads, each
// over its own band of rows: the same pixels as Document::composite_all()
// (every pixel depends only on the layers' pixels at the same place), for
// the open job, which has a large document to show and idle cores.
namespace qm {

class Document;

// Rebuilds the whole composite over the document's display background.
// `threads` ≤ 0 takes the machine's hardware threads. The document's dirty
// rectangle is left alone: the caller shows the whole document anyway.
void composite_all_parallel(Document& doc, int threads = 0);

}  // namespace qm
