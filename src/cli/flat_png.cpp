#include "cli/flat_png.h"

#include <zlib.h>

#include <vector>

#include "formats/safe_write.h"

namespace qm::cli {
namespace {

// IDAT data goes out in pieces of this size; readers accept any split.
constexpr size_t kChunkBytes = size_t(1) << 20;

bool write_chunk(BinaryFile& f, const char (&type)[5], const uint8_t* data, size_t size) {
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
  if (size) crc = crc32(crc, data, uInt(size));
  return f.write_u32_be(uint32_t(size)) && f.write(type, 4) && f.write(data, size) &&
         f.write_u32_be(uint32_t(crc));
}

bool write_png(BinaryFile& f, const LayerImage& image, bool with_alpha, int level) {
  const int w = image.width(), h = image.height();
  const size_t channels = with_alpha ? 4 : 3;
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  uint8_t ihdr[13] = {uint8_t(w >> 24), uint8_t(w >> 16), uint8_t(w >> 8), uint8_t(w),
                      uint8_t(h >> 24), uint8_t(h >> 16), uint8_t(h >> 8), uint8_t(h),
                      8, uint8_t(with_alpha ? 6 : 2), 0, 0, 0};
  if (!f.write(kSignature, 8) || !write_chunk(f, "IHDR", ihdr, sizeof ihdr)) return false;

  z_stream s{};
  if (deflateInit2(&s, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
  std::vector<uint8_t> row(1 + size_t(w) * channels);
  std::vector<uint8_t> out(kChunkBytes);
  s.next_out = out.data();
  s.avail_out = uInt(out.size());
  bool ok = true;
  for (int y = 0; y < h && ok; ++y) {
    row[0] = 0;  // filter: none
    const Pixel* src = image.row(y);
    uint8_t* dst = row.data() + 1;
    for (int x = 0; x < w; ++x) {
      const Pixel p = src[x];
      *dst++ = red_of(p);
      *dst++ = green_of(p);
      *dst++ = blue_of(p);
      if (with_alpha) *dst++ = alpha_of(p);
    }
    s.next_in = row.data();
    s.avail_in = uInt(row.size());
    const int flush = y + 1 == h ? Z_FINISH : Z_NO_FLUSH;
    for (;;) {
      const int rc = deflate(&s, flush);
      if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
        ok = false;
        break;
      }
      if (s.avail_out == 0 || rc == Z_STREAM_END) {
        const size_t n = out.size() - s.avail_out;
        if (n && !write_chunk(f, "IDAT", out.data(), n)) {
          ok = false;
          break;
        }
        s.next_out = out.data();
        s.avail_out = uInt(out.size());
      }
      if (rc == Z_STREAM_END || (flush == Z_NO_FLUSH && s.avail_in == 0)) break;
    }
  }
  deflateEnd(&s);
  return ok && write_chunk(f, "IEND", nullptr, 0);
}

}  // namespace

bool write_flat_png(const std::string& path, const LayerImage& image, bool with_alpha, int level) {
  if (image.empty() || level < 0 || level > 9) return false;
  return safe_write(path, [&](BinaryFile& f) { return write_png(f, image, with_alpha, level); });
}

}  // namespace qm::cli
