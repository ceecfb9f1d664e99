#include "formats/packed_record.h"

#include <zlib.h>

#include <cstring>
#include <vector>

#include "formats/load_picture.h"

namespace qm {

bool create_from_packed(DibImage& image, const uint8_t* record, size_t size) {
  image.destroy();
  if (!record || size < 8) return false;
  const int width = record[0] | record[1] << 8;
  const int height = record[2] | record[3] << 8;
  const uint32_t compressed = uint32_t(record[4]) | uint32_t(record[5]) << 8 | uint32_t(record[6]) << 16 |
                              uint32_t(record[7]) << 24;
  if (width == 0 || height == 0 || width > kMaxPictureSide || height > kMaxPictureSide) return false;
  if (compressed > size - 8) return false;
  const size_t stride = size_t(DibImage::stride_for(width));
  const size_t total = stride * size_t(height);
  std::vector<uint8_t> bottom_up(total);

  z_stream zs{};
  if (inflateInit2(&zs, 15) != Z_OK) return false;
  zs.next_in = const_cast<uint8_t*>(record + 8);
  zs.avail_in = compressed;
  zs.next_out = bottom_up.data();
  zs.avail_out = uInt(total);
  int r = inflate(&zs, Z_FINISH);
  const bool ok = r == Z_STREAM_END && zs.total_out == total;
  inflateEnd(&zs);
  if (!ok || !image.create(width, height)) {
    image.destroy();
    return false;
  }
  // The record stores the bottom row first; our rasters hold the top row first.
  for (int y = 0; y < height; ++y)
    std::memcpy(image.row(y), bottom_up.data() + size_t(height - 1 - y) * stride, stride);
  return true;
}

}  // namespace qm
