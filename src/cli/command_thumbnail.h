#pragma once
// quillmark2-cli thumbnail IN OUT.png SIZE: the picture a file manager shows
// for a document, made from the thumbnail the document stores (the layers
// are never decoded), fitted into SIZE x SIZE.
#include <string>
#include <vector>

namespace qm::cli {

// `args` are IN, OUT and SIZE; returns the process exit code.
int run_thumbnail(const std::vector<std::string>& args);

}  // namespace qm::cli
