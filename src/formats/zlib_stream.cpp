#include "formats/zlib_stream.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace qm {
namespace {

constexpr int kWindowBits = 15;
constexpr int kMemoryLevel = 8;

// zlib counts in 32 bits; our buffers stay far below, but feed in pieces all
// the same so a row can never be cut silently.
constexpr size_t kMaxChunk = size_t(1) << 30;

class RowCursor {
 public:
  RowCursor(const uint8_t* first, size_t row_bytes, size_t rows, ptrdiff_t stride)
      : first_(first), row_bytes_(row_bytes), rows_(rows), stride_(stride) {}
  bool done() const { return row_ >= rows_ || row_bytes_ == 0; }
  // The rest of the current row, at most kMaxChunk bytes.
  const uint8_t* data() const { return first_ + ptrdiff_t(row_) * stride_ + ptrdiff_t(offset_); }
  size_t available() const { return std::min(row_bytes_ - offset_, kMaxChunk); }
  void advance(size_t n) {
    offset_ += n;
    if (offset_ == row_bytes_) {
      offset_ = 0;
      ++row_;
    }
  }

 private:
  const uint8_t* first_;
  size_t row_bytes_, rows_;
  ptrdiff_t stride_;
  size_t row_ = 0, offset_ = 0;
};

struct DeflateGuard {
  z_stream* s;
  ~DeflateGuard() { deflateEnd(s); }
};
struct InflateGuard {
  z_stream* s;
  ~InflateGuard() { inflateEnd(s); }
};

}  // namespace

ConstByteRows bottom_up_rows(const LayerImage& image) {
  if (image.empty()) return {};
  const size_t row = size_t(image.width()) * 4;
  return {reinterpret_cast<const uint8_t*>(image.row(image.height() - 1)), row,
          size_t(image.height()), -ptrdiff_t(row)};
}

ByteRows bottom_up_rows(LayerImage& image) {
  if (image.empty()) return {};
  const size_t row = size_t(image.width()) * 4;
  return {reinterpret_cast<uint8_t*>(image.row(image.height() - 1)), row, size_t(image.height()),
          -ptrdiff_t(row)};
}

uint64_t DeflateRowsToFile(BinaryFile& file, ConstByteRows rows, int level, ProgressSink* progress) {
  if (level < 0 || level > 9) level = kDefaultDeflateLevel;
  z_stream s{};
  if (deflateInit2(&s, level, Z_DEFLATED, kWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY) != Z_OK)
    return 0;
  DeflateGuard guard{&s};
  const uint64_t total = rows.total();
  if (progress) progress->set_range(int64_t(total));

  RowCursor in(rows.first, rows.row_bytes, rows.rows, rows.stride);
  uint64_t consumed = 0, written = 0;
  uint8_t out[kZlibBufferBytes];
  s.next_out = out;
  s.avail_out = sizeof out;
  for (;;) {
    if (s.avail_in == 0 && !in.done()) {
      s.next_in = const_cast<Bytef*>(in.data());
      s.avail_in = uInt(in.available());
    }
    const size_t fed = s.avail_in;
    // Finish once the last of the input is in zlib's hands.
    const bool last = consumed + fed == total;
    const int rc = deflate(&s, last ? Z_FINISH : Z_NO_FLUSH);
    const size_t used = fed - s.avail_in;
    if (used) in.advance(used);
    consumed += used;
    if (progress) progress->set_position(int64_t(consumed));
    if (rc == Z_STREAM_END) break;
    if (rc != Z_OK && rc != Z_BUF_ERROR) return 0;
    if (s.avail_out == 0) {
      if (!file.write(out, sizeof out)) return 0;
      written += sizeof out;
      s.next_out = out;
      s.avail_out = sizeof out;
    } else if (rc == Z_BUF_ERROR) {
      return 0;  // no progress was possible although there was room: give up
    }
  }
  const size_t tail = sizeof out - s.avail_out;
  if (tail && !file.write(out, tail)) return 0;
  written += tail;
  if (progress) progress->set_position(int64_t(total));
  return written;
}

uint64_t DeflateToFile(BinaryFile& file, const void* data, size_t size, int level,
                       ProgressSink* progress) {
  return DeflateRowsToFile(file, {static_cast<const uint8_t*>(data), size, size ? 1u : 0u, 0},
                           level, progress);
}

bool InflateRowsFromFile(BinaryFile& file, ByteRows rows, uint64_t compressed_size,
                         uint64_t* produced) {
  z_stream s{};
  if (inflateInit2(&s, kWindowBits) != Z_OK) return false;
  InflateGuard guard{&s};
  uint8_t in[kZlibBufferBytes];
  uint64_t left = compressed_size;
  RowCursor out(rows.first, rows.row_bytes, rows.rows, rows.stride);
  // A destination with no room still lets an empty stream end cleanly.
  uint8_t none = 0;
  for (;;) {
    if (s.avail_in == 0) {
      const size_t want = size_t(std::min<uint64_t>(left, sizeof in));
      const size_t got = want ? file.read(in, want) : 0;
      left -= got;
      s.next_in = in;
      s.avail_in = uInt(got);
    }
    if (s.avail_out == 0) {
      if (!out.done()) {
        s.next_out = const_cast<Bytef*>(out.data());
        s.avail_out = uInt(out.available());
      } else {
        s.next_out = &none;
        s.avail_out = 0;
      }
    }
    const size_t room = s.avail_out;
    const int rc = inflate(&s, Z_NO_FLUSH);
    if (!out.done()) out.advance(room - s.avail_out);
    if (produced) *produced = s.total_out;
    if (rc == Z_STREAM_END) return true;
    // Anything but plain progress: corrupt data, or Z_BUF_ERROR, which means
    // the input ran out (cut short) or the destination is full (overfilled).
    if (rc != Z_OK) return false;
  }
}

bool InflateFromFile(BinaryFile& file, void* dst, size_t dst_size, uint64_t compressed_size,
                     uint64_t* produced) {
  return InflateRowsFromFile(file, {static_cast<uint8_t*>(dst), dst_size, dst_size ? 1u : 0u, 0},
                             compressed_size, produced);
}

struct Inflater::State {
  z_stream s{};
  bool ok = false;
};

Inflater::Inflater() : state_(std::make_unique<State>()) {
  state_->ok = inflateInit2(&state_->s, kWindowBits) == Z_OK;
}

Inflater::~Inflater() {
  if (state_->ok) inflateEnd(&state_->s);
}

bool Inflater::ready() const { return state_->ok; }

bool Inflater::inflate(void* dst, size_t dst_size, const void* src, size_t src_size) {
  if (!state_->ok || dst_size > kMaxChunk || src_size > kMaxChunk) return false;
  z_stream& s = state_->s;
  if (inflateReset(&s) != Z_OK) return false;
  uint8_t none = 0;
  s.next_in = const_cast<Bytef*>(static_cast<const Bytef*>(src));
  s.avail_in = uInt(src_size);
  s.next_out = dst_size ? static_cast<Bytef*>(dst) : &none;
  s.avail_out = uInt(dst_size);
  for (;;) {
    const int rc = ::inflate(&s, Z_NO_FLUSH);
    if (rc == Z_STREAM_END) return true;
    if (rc != Z_OK) return false;
  }
}

bool InflateBuffer(void* dst, size_t dst_size, const void* src, size_t src_size) {
  Inflater inflater;
  return inflater.inflate(dst, dst_size, src, src_size);
}

}  // namespace qm
