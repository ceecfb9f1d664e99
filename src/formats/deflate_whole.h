#pragma once
// Whole-buffer zlib streams (RFC 1950, 32 KiB window) through libdeflate:
// several times faster than zlib's streaming calls, for data that is in
// memory in one piece anyway. Readers of the streams cannot tell the two
// apart.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace qm {

struct DeflatedBytes {
  std::unique_ptr<uint8_t[]> data;
  size_t size = 0;
  bool empty() const { return size == 0; }
};

// Compresses `size` bytes at level 0 … 9 (others mean 6). Empty when memory
// is short (callers fall back to a streaming deflate).
DeflatedBytes DeflateWhole(const void* data, size_t size, int level);

// Inflates one whole stream into dst. True when the stream is sound and
// ended within `src_size` (bytes after its end are ignored), also when it
// filled less than dst; false when it is cut short, corrupt or would overfill
// dst. `produced` receives the bytes written.
bool InflateWhole(void* dst, size_t dst_size, const void* src, size_t src_size, size_t* produced);

}  // namespace qm
