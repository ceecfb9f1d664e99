#pragma once
// What `info` says about a flat picture: its format, bit depth and colour
// type as the file's own header gives them.
#include <string>

namespace qm::cli {

// For example "PNG, 8-bit RGBA", "GIF89a, 8-bit palette", "BMP, 4-bit
// palette, RLE4", "JPEG, 8-bit CMYK"; "" when the file is none of these.
std::string describe_picture_format(const std::string& path);

}  // namespace qm::cli
