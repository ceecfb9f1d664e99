#include "panels/layer_from_picture.h"

#include <algorithm>

namespace qm {

EditResult add_picture_layer(Document& doc, const LayerImage& picture, const std::string& name) {
  // The name is made first: once the layer is in, nothing may fail.
  std::string fitted = fit_layer_name(name);
  const EditResult result = doc.add_layer(false, true);
  if (!result) return result;
  doc.current()->image.blit_from(0, 0, std::min(picture.width(), doc.width()),
                                 std::min(picture.height(), doc.height()), picture, 0, 0);
  doc.current()->name = std::move(fitted);
  doc.composite_all();
  return result;
}

std::string layer_name_for_file(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace qm
