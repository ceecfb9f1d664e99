#include "formats/jpeg_decoder.h"

#include <turbojpeg.h>

#include <climits>
#include <cstring>
#include <memory>

#include "formats/load_picture.h"

namespace qm {
namespace {

struct TjDeleter {
  void operator()(void* h) const { tjDestroy(h); }
};

// An APP14 "Adobe" segment before the frame: its CMYK samples are stored
// inverted (255 = no ink), as Adobe's programs and ImageMagick write them.
bool has_adobe_marker(const uint8_t* d, size_t size) {
  size_t i = 2;
  while (i + 4 <= size && d[i] == 0xFF) {
    const uint8_t marker = d[i + 1];
    if (marker == 0xDA || marker == 0xC0 || marker == 0xC1 || marker == 0xC2) return false;
    const size_t len = size_t(d[i + 2]) << 8 | d[i + 3];
    if (len < 2) return false;
    if (marker == 0xEE && len >= 7 && i + 9 <= size && std::memcmp(d + i + 4, "Adobe", 5) == 0) return true;
    i += 2 + len;
  }
  return false;
}

// CMYK (the library turns YCCK into CMYK) to our RGB: ink takes away light,
// R = (255 − C)(255 − K) / 255, truncated as our pixel paths are.
void cmyk_to_rgb(const uint8_t* cmyk, LayerImage& image, bool inverted) {
  const int w = image.width();
  for (int y = 0; y < image.height(); ++y) {
    Pixel* out = image.row(y);
    for (int x = 0; x < w; ++x, cmyk += 4) {
      uint32_t v[4];
      for (int c = 0; c < 4; ++c) v[c] = inverted ? cmyk[c] : 255u - cmyk[c];
      out[x] = make_pixel(255, v[0] * v[3] / 255, v[1] * v[3] / 255, v[2] * v[3] / 255);
    }
  }
}

}  // namespace

LoadResult decode_jpeg(const uint8_t* data, size_t size, LayerImage& image) {
  image.destroy();
  if (size < 4 || size > ULONG_MAX) return LoadResult::WrongFormat;
  std::unique_ptr<void, TjDeleter> tj(tjInitDecompress());
  if (!tj) return LoadResult::OutOfMemory;
  int width = 0, height = 0, subsampling = 0, colour_space = 0;
  if (tjDecompressHeader3(tj.get(), data, static_cast<unsigned long>(size), &width, &height, &subsampling,
                          &colour_space) != 0)
    return LoadResult::WrongFormat;
  if (width <= 0 || height <= 0) return LoadResult::WrongFormat;
  if (width > kMaxPictureSide || height > kMaxPictureSide) return LoadResult::TooLarge;
  if (!image.create(width, height)) return LoadResult::OutOfMemory;
  const int flags = TJFLAG_LIMITSCANS;
  if (colour_space == TJCS_CMYK || colour_space == TJCS_YCCK) {
    // Decoded in place: the CMYK samples take as many bytes as our pixels.
    uint8_t* cmyk = reinterpret_cast<uint8_t*>(image.pixels());
    std::memset(cmyk, 0, image.byte_count());
    if (tjDecompress2(tj.get(), data, static_cast<unsigned long>(size), cmyk, width, width * 4, height,
                      TJPF_CMYK, flags) != 0 &&
        tjGetErrorCode(tj.get()) != TJERR_WARNING) {
      image.destroy();
      return LoadResult::WrongFormat;
    }
    cmyk_to_rgb(cmyk, image, has_adobe_marker(data, size));
    return LoadResult::Success;
  }
  // Bytes B, G, R, A are our raster's layout; the library fills A with 255.
  // Scans are limited so a hostile progressive file cannot make us spin.
  if (tjDecompress2(tj.get(), data, static_cast<unsigned long>(size), reinterpret_cast<unsigned char*>(image.pixels()),
                    width, width * 4, height, TJPF_BGRA, flags) != 0) {
    // A warning (for instance data cut short) still leaves a usable picture;
    // what the library cannot read at all is not a picture we know.
    if (tjGetErrorCode(tj.get()) != TJERR_WARNING) {
      image.destroy();
      return LoadResult::WrongFormat;
    }
  }
  // Rows a damaged stream never reached are left zero: make every pixel opaque.
  image.set_alpha_rect(0, 0, width, height, 255);
  return LoadResult::Success;
}

}  // namespace qm
