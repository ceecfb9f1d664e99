#include "formats/jpeg_decoder.h"

#include <turbojpeg.h>

#include <climits>
#include <memory>

#include "formats/load_picture.h"

namespace qm {
namespace {

struct TjDeleter {
  void operator()(void* h) const { tjDestroy(h); }
};

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
  advise_huge_pages(image.pixels(), image.byte_count());
  // Bytes B, G, R, A are our raster's layout; the library fills A with 255.
  // Scans are limited so a hostile progressive file cannot make us spin.
  const int flags = TJFLAG_LIMITSCANS;
  if (tjDecompress2(tj.get(), data, static_cast<unsigned long>(size), reinterpret_cast<unsigned char*>(image.pixels()),
                    width, width * 4, height, TJPF_BGRA, flags) != 0) {
    // A warning (for instance data cut short) still leaves a usable picture.
    if (tjGetErrorCode(tj.get()) != TJERR_WARNING) {
      image.destroy();
      return LoadResult::Damaged;
    }
  }
  // Rows a damaged stream never reached are left zero: make every pixel opaque.
  image.set_alpha_rect(0, 0, width, height, 255);
  return LoadResult::Success;
}

}  // namespace qm
