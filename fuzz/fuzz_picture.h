#pragma once
// Picture loading chooses the decoder by the file name's extension: these
// targets give the fuzzer's bytes a name ending in the extension they test
// (a link to the in-memory file), so the whole LoadPicture path runs.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/layer_image.h"
#include "formats/load_picture.h"
#include "fuzz_target.h"

namespace qm::fuzz {

inline const std::string& picture_path(const uint8_t* data, size_t size, const std::string& ext) {
  const std::string& target = bytes_as_file(data, size);
  static const std::string link = [&] {
    const auto dir = std::filesystem::temp_directory_path() / ("qm_fuzz_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string p = (dir / ("input." + ext)).string();
    std::filesystem::remove(p);
    if (::symlink(target.c_str(), p.c_str()) != 0) std::abort();
    // Leave nothing behind in the temporary folder.
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(std::filesystem::temp_directory_path() / ("qm_fuzz_" + std::to_string(::getpid())), ec);
    });
    return p;
  }();
  return link;
}

// Loads the bytes as a picture of the given extension; true when accepted.
inline bool load_as_picture(const uint8_t* data, size_t size, const std::string& ext) {
  LayerImage image;
  PictureInfo info;
  const bool ok = LoadPicture(picture_path(data, size, ext), image, &info);
  // A loaded picture is whole: touch its last pixel so a short buffer shows.
  if (ok && image.pixel_count() > 0) {
    volatile Pixel last = image.pixels()[image.pixel_count() - 1];
    (void)last;
  }
  return ok;
}

}  // namespace qm::fuzz
