#include "document/undo_bytes.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace qm {

bool ByteWriter::make_room(size_t n) {
  if (failed_ || !drain_ || n > size_t(end_ - begin_)) {
    failed_ = true;
    return false;
  }
  const size_t used = size_t(pos_ - begin_);
  if (used && !drain_(context_, begin_, used)) {
    failed_ = true;
    return false;
  }
  drained_ += used;
  pos_ = begin_;
  return true;
}

bool ByteWriter::put(const void* data, size_t n) {
  const uint8_t* in = static_cast<const uint8_t*>(data);
  while (n > 0) {
    if (pos_ == end_ && !make_room(1)) return false;
    const size_t k = std::min(n, size_t(end_ - pos_));
    std::memcpy(pos_, in, k);
    pos_ += k;
    in += k;
    n -= k;
  }
  return !failed_;
}

bool ByteWriter::put_u16(uint16_t v) {
  const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
  return put(b, 2);
}

bool ByteWriter::put_u32(uint32_t v) {
  const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  return put(b, 4);
}

bool ByteWriter::finish() {
  if (failed_) return false;
  if (drain_ && pos_ != begin_) return make_room(0);
  return true;
}

bool ByteReader::get_u8(uint8_t& v) {
  const uint8_t* p = take(1);
  if (!p) return false;
  v = p[0];
  return true;
}

bool ByteReader::get_u16(uint16_t& v) {
  const uint8_t* p = take(2);
  if (!p) return false;
  v = uint16_t(p[0] | p[1] << 8);
  return true;
}

bool ByteReader::get_u32(uint32_t& v) {
  const uint8_t* p = take(4);
  if (!p) return false;
  v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  return true;
}

const uint8_t* ByteReader::take(size_t n) {
  if (remaining() < n) return nullptr;
  const uint8_t* p = pos_;
  pos_ += n;
  return p;
}

namespace {

// A bijection of both the state and the word: a changed word always leaves a
// changed state behind it.
inline uint64_t mix(uint64_t state, uint64_t word) {
  return std::rotl((state ^ word) * 0x9E3779B97F4A7C15u, 29);
}

}  // namespace

void Checksum::mix_block(const uint8_t* block) {
  for (int i = 0; i < 4; ++i) {
    uint64_t w;
    std::memcpy(&w, block + 8 * i, 8);
    lanes_[i] = mix(lanes_[i], w);
  }
}

void Checksum::update(const uint8_t* data, size_t size) {
  length_ += size;
  if (tail_size_) {
    const size_t k = std::min(size, kBlock - tail_size_);
    std::memcpy(tail_ + tail_size_, data, k);
    tail_size_ += k;
    data += k;
    size -= k;
    if (tail_size_ < kBlock) return;
    mix_block(tail_);
    tail_size_ = 0;
  }
  for (; size >= kBlock; data += kBlock, size -= kBlock) mix_block(data);
  std::memcpy(tail_, data, size);
  tail_size_ = size;
}

uint64_t Checksum::value() const {
  uint8_t last[kBlock] = {};
  std::memcpy(last, tail_, tail_size_);
  uint64_t h = length_;
  for (int i = 0; i < 4; ++i) {
    uint64_t w;
    std::memcpy(&w, last + 8 * i, 8);
    h = mix(h, mix(lanes_[i], w));
  }
  return h;
}

}  // namespace qm
