#pragma once
// zlib streams (RFC 1950: window bits 15, memory level 8) between buffers and
// files, through one 8192-byte I/O buffer, so no whole-file buffer is built.
//
// Besides plain contiguous buffers, a stream can run over rows at a fixed
// stride (negative to go upwards): our rasters hold the top row first, the
// file formats store the bottom row first.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/layer_image.h"
#include "formats/binary_file.h"
#include "formats/progress_sink.h"

namespace qm {

inline constexpr int kDefaultDeflateLevel = 6;
inline constexpr size_t kZlibBufferBytes = 8192;

// `rows` runs of `row_bytes` bytes each; run k starts at first + k × stride.
struct ConstByteRows {
  const uint8_t* first = nullptr;
  size_t row_bytes = 0;
  size_t rows = 0;
  ptrdiff_t stride = 0;
  size_t total() const { return row_bytes * rows; }
};
struct ByteRows {
  uint8_t* first = nullptr;
  size_t row_bytes = 0;
  size_t rows = 0;
  ptrdiff_t stride = 0;
  size_t total() const { return row_bytes * rows; }
};

// A raster's pixels in file order: bottom row first, B, G, R, A.
ConstByteRows bottom_up_rows(const LayerImage& image);
ByteRows bottom_up_rows(LayerImage& image);

// Compresses `size` bytes at level 0 … 9 (−1 means 6) and appends the stream
// to `file`. Returns the number of compressed bytes written, 0 on failure
// (a zlib error or a failed write). With `progress`: range 0 … size, the
// position follows the input consumed.
uint64_t DeflateToFile(BinaryFile& file, const void* data, size_t size, int level,
                       ProgressSink* progress);
uint64_t DeflateRowsToFile(BinaryFile& file, ConstByteRows rows, int level, ProgressSink* progress);

// Inflates from the next `compressed_size` bytes of `file` (never reading
// more) into the destination. True when the stream ended cleanly, also if it
// filled less than the destination; false when the data is cut short,
// corrupt, or would overfill the destination. The file position afterwards
// lies somewhere within the compressed bytes: callers seek past them.
// `produced`, when given, receives the number of bytes written (in row order).
bool InflateFromFile(BinaryFile& file, void* dst, size_t dst_size, uint64_t compressed_size,
                     uint64_t* produced = nullptr);
bool InflateRowsFromFile(BinaryFile& file, ByteRows rows, uint64_t compressed_size,
                         uint64_t* produced = nullptr);

// The same from a memory buffer.
bool InflateBuffer(void* dst, size_t dst_size, const void* src, size_t src_size);

// One inflate stream reused for many small buffers (tiles): set up once,
// reset for each buffer.
class Inflater {
 public:
  Inflater();
  ~Inflater();
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
  bool ready() const;
  // As InflateBuffer.
  bool inflate(void* dst, size_t dst_size, const void* src, size_t src_size);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace qm
