#pragma once
// PackBits run-length coding, as PSD channel rows use it.
//
// A packet starts with a signed header byte h: 0 … 127 copies the next h + 1
// bytes; −127 … −1 repeats the next byte 1 − h times; −128 does nothing.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm {

// A bound on the packed size of an n-byte row. Each literal packet costs one
// header byte; a literal is at most 128 bytes or ends at a repeat of two or
// more, so there are fewer than n / 2 + 2 of them (the worst case is one
// byte, a pair, one byte, a pair …: 4 bytes out for 3 in).
constexpr size_t packbits_bound(size_t n) { return n + n / 2 + 2; }

// Appends the packed form of `n` bytes to `out`: two or more equal bytes make
// a repeat packet, other bytes literal packets, never more than 128 bytes a
// packet. Returns the number of bytes appended.
size_t packbits_pack(const uint8_t* src, size_t n, std::vector<uint8_t>& out);
// The same into `out`, which has room for packbits_bound(n) bytes.
size_t packbits_pack(const uint8_t* src, size_t n, uint8_t* out);

// Unpacks `src` into `dst` until either runs out; returns the bytes written.
// When the input runs out first, bytes of `dst` past that count may have
// been changed too.
// A packet cut short by the end of the input writes what it has.
size_t packbits_unpack(const uint8_t* src, size_t src_size, uint8_t* dst, size_t dst_size);

// Unpacks one continuous packed stream in pieces: the input arrives in
// chunks of any size and the output is taken in pieces of any size (rows), a
// packet may cross both. Keeps the state of a packet between calls.
class PackBitsStream {
 public:
  // Feeds input; the stream keeps a pointer into it until it is used up, so
  // the caller keeps the chunk alive until `needs_input()`.
  void feed(const uint8_t* data, size_t size) {
    in_ = data;
    in_end_ = data + size;
  }
  bool needs_input() const { return in_ == in_end_; }
  // Writes up to `n` bytes; returns how many (fewer only when the input ran
  // out; call again after feeding more). Bytes of `dst` past the count
  // returned may have been changed.
  size_t take(uint8_t* dst, size_t n);

 private:
  const uint8_t* in_ = nullptr;
  const uint8_t* in_end_ = nullptr;
  // The packet under way: bytes still to copy literally, or to repeat.
  size_t literal_left_ = 0;
  size_t repeat_left_ = 0;
  bool repeat_needs_byte_ = false;
  uint8_t repeat_byte_ = 0;
};

}  // namespace qm
