#pragma once
// Byte streams of undo records: a writer that either hands each full window
// to a sink (a spill file) or refuses to grow (a memory block of the exact
// record size), a bounds-checked reader, and the checksum that spill files
// are verified with when read back.
#include <cstddef>
#include <cstdint>

namespace qm {

class ByteWriter {
 public:
  // Takes the window's bytes away; false when they could not be taken.
  using Drain = bool (*)(void* context, const uint8_t* data, size_t size);

  // Writes into buf[0, size). Without a drain the writer fails rather than
  // write past the end.
  ByteWriter(uint8_t* buf, size_t size, Drain drain = nullptr, void* context = nullptr)
      : begin_(buf), pos_(buf), end_(buf + size), drain_(drain), context_(context) {}
  ByteWriter(const ByteWriter&) = delete;
  ByteWriter& operator=(const ByteWriter&) = delete;

  // Room for n more contiguous bytes at pos() (n at most the window size).
  bool reserve(size_t n) { return size_t(end_ - pos_) >= n || make_room(n); }
  // Fast writers fill [pos(), end()) themselves and hand back the new position.
  uint8_t* pos() const { return pos_; }
  uint8_t* end() const { return end_; }
  void set_pos(uint8_t* p) { pos_ = p; }

  bool put(const void* data, size_t n);
  bool put_u16(uint16_t v);  // little-endian
  bool put_u32(uint32_t v);  // little-endian
  // Drains what is left; false when anything failed on the way.
  bool finish();
  // Bytes written so far.
  uint64_t total() const { return drained_ + uint64_t(pos_ - begin_); }
  bool failed() const { return failed_; }

 private:
  bool make_room(size_t n);

  uint8_t* begin_;
  uint8_t* pos_;
  uint8_t* end_;
  Drain drain_;
  void* context_;
  uint64_t drained_ = 0;
  bool failed_ = false;
};

class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : pos_(data), end_(data + size) {}
  size_t remaining() const { return size_t(end_ - pos_); }
  bool get_u8(uint8_t& v);
  bool get_u16(uint16_t& v);
  bool get_u32(uint32_t& v);
  // The next n bytes in place; nullptr (and nothing consumed) when fewer remain.
  const uint8_t* take(size_t n);

 private:
  const uint8_t* pos_;
  const uint8_t* end_;
};

// A 64-bit checksum over a byte stream fed in pieces of any size. Any change
// of a single 8-byte word, and any change of length, changes the value.
// Four independent lanes, so it runs at memory speed.
class Checksum {
 public:
  void update(const uint8_t* data, size_t size);
  uint64_t value() const;

 private:
  static constexpr size_t kBlock = 32;  // one word per lane
  void mix_block(const uint8_t* block);

  uint64_t lanes_[4] = {0x6A09E667F3BCC909u, 0xBB67AE8584CAA73Bu, 0x3C6EF372FE94F82Bu,
                        0xA54FF53A5F1D36F1u};
  uint64_t length_ = 0;
  uint8_t tail_[kBlock] = {};
  size_t tail_size_ = 0;
};

}  // namespace qm
