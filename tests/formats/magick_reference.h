#pragma once
// ImageMagick as the second opinion for the readers: files it writes at test
// time, and its own decode of a file compared pixel for pixel with ours.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/layer_image.h"
#include "format_test_util.h"

namespace qm::test {

inline bool have_magick() { return std::system("command -v convert >/dev/null 2>&1") == 0; }

#define QM_REQUIRE_MAGICK() \
  if (!::qm::test::have_magick()) GTEST_SKIP() << "ImageMagick (convert) not installed"

// Runs `convert ARGS` quietly; true on success.
inline bool magick(const std::string& args) {
  return std::system(("convert " + args + " >/dev/null 2>&1").c_str()) == 0;
}

inline std::string quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// ImageMagick's decode of `path` (its first frame or merged image) as 8-bit
// R, G, B, A bytes, top row first; empty when it fails.
inline std::vector<uint8_t> magick_rgba(const std::string& path, const std::string& extra = "") {
  const std::string out = path + ".rgba";
  if (!magick(quoted(path + "[0]") + " " + extra + " -depth 8 rgba:" + quoted(out))) return {};
  return read_file(out);
}

// Our picture against ImageMagick's decode, pixel for pixel; a fully
// transparent pixel's colour is ours to choose (we keep 0x00FFFFFF).
inline void expect_same_as_magick(const LayerImage& ours, const std::vector<uint8_t>& rgba) {
  ASSERT_EQ(rgba.size(), ours.byte_count());
  for (int y = 0; y < ours.height(); ++y)
    for (int x = 0; x < ours.width(); ++x) {
      const uint8_t* m = &rgba[(size_t(y) * size_t(ours.width()) + size_t(x)) * 4];
      if (m[3] == 0)
        ASSERT_EQ(ours.row(y)[x] >> 24, 0u) << x << "," << y;
      else
        ASSERT_EQ(ours.row(y)[x], make_pixel(m[3], m[0], m[1], m[2])) << x << "," << y;
    }
}

}  // namespace qm::test
