#include "formats/packbits.h"

#include <algorithm>
#include <cstring>

namespace qm {

size_t packbits_pack(const uint8_t* src, size_t n, std::vector<uint8_t>& out) {
  const size_t start = out.size();
  out.resize(start + packbits_bound(n));
  uint8_t* o = out.data() + start;
  size_t i = 0;
  while (i < n) {
    size_t run = 1;
    while (run < 128 && i + run < n && src[i + run] == src[i]) ++run;
    if (run >= 2) {
      *o++ = uint8_t(1 - int(run));
      *o++ = src[i];
      i += run;
      continue;
    }
    // A literal ends where two equal bytes begin (they make a repeat packet).
    size_t j = i;
    while (j < n && j - i < 128 && !(j + 1 < n && src[j] == src[j + 1])) ++j;
    const size_t len = j - i;
    *o++ = uint8_t(len - 1);
    std::memcpy(o, src + i, len);
    o += len;
    i = j;
  }
  const size_t written = size_t(o - (out.data() + start));
  out.resize(start + written);
  return written;
}

size_t packbits_unpack(const uint8_t* src, size_t src_size, uint8_t* dst, size_t dst_size) {
  PackBitsStream stream;
  stream.feed(src, src_size);
  return stream.take(dst, dst_size);
}

size_t PackBitsStream::take(uint8_t* dst, size_t n) {
  size_t done = 0;
  while (done < n) {
    if (literal_left_ > 0) {
      const size_t k = std::min({literal_left_, n - done, size_t(in_end_ - in_)});
      if (k == 0) break;
      std::memcpy(dst + done, in_, k);
      in_ += k;
      done += k;
      literal_left_ -= k;
      continue;
    }
    if (repeat_left_ > 0) {
      if (repeat_needs_byte_) {
        if (in_ == in_end_) break;
        repeat_byte_ = *in_++;
        repeat_needs_byte_ = false;
      }
      const size_t k = std::min(repeat_left_, n - done);
      std::memset(dst + done, repeat_byte_, k);
      done += k;
      repeat_left_ -= k;
      continue;
    }
    if (in_ == in_end_) break;
    const int h = int8_t(*in_++);
    if (h >= 0) {
      literal_left_ = size_t(h) + 1;
    } else if (h != -128) {  // −128 is a no-op by the format's definition
      repeat_left_ = size_t(1 - h);
      repeat_needs_byte_ = true;
    }
  }
  return done;
}

}  // namespace qm
