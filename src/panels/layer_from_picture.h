#pragma once
// A loaded picture as a new layer above the current one: its top-left part
// as far as the canvas reaches, alpha kept, one undo step.
#include <string>

#include "document/document.h"

namespace qm {

// `name` is cut to the name field on a character boundary.
EditResult add_picture_layer(Document& doc, const LayerImage& picture, const std::string& name);

// The layer name for a dropped or chosen file: its name without the folder.
std::string layer_name_for_file(const std::string& path);

}  // namespace qm
