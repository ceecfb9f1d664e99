#include "formats/deflate_whole.h"

#include <libdeflate.h>

#include <new>

namespace qm {
namespace {

struct CompressorDeleter {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
struct DecompressorDeleter {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

}  // namespace

DeflatedBytes DeflateWhole(const void* data, size_t size, int level) {
  if (level < 0 || level > 9) level = 6;
  std::unique_ptr<libdeflate_compressor, CompressorDeleter> c(libdeflate_alloc_compressor(level));
  if (!c) return {};
  const size_t bound = libdeflate_zlib_compress_bound(c.get(), size);
  // Only the pages the stream reaches become resident.
  DeflatedBytes out;
  out.data.reset(new (std::nothrow) uint8_t[bound]);
  if (!out.data) return {};
  out.size = libdeflate_zlib_compress(c.get(), data, size, out.data.get(), bound);
  if (out.size == 0) out.data.reset();
  return out;
}

bool InflateWhole(void* dst, size_t dst_size, const void* src, size_t src_size, size_t* produced) {
  if (produced) *produced = 0;
  std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> d(libdeflate_alloc_decompressor());
  if (!d) return false;
  size_t in_used = 0, out_made = 0;
  const libdeflate_result rc =
      libdeflate_zlib_decompress_ex(d.get(), src, src_size, dst, dst_size, &in_used, &out_made);
  if (rc != LIBDEFLATE_SUCCESS) return false;
  if (produced) *produced = out_made;
  return true;
}

}  // namespace qm
