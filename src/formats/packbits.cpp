#include "formats/packbits.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qm {

namespace {

// The first k in [i, end) where src[k] == src[k + 1], else end; end < n.
size_t find_pair(const uint8_t* src, size_t i, size_t end) {
  size_t k = i;
#if defined(__SSE2__)
  for (; k + 16 <= end; k += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k + 1));
    const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(a, b));
    if (mask) return k + size_t(__builtin_ctz(unsigned(mask)));
  }
#endif
  for (; k < end; ++k)
    if (src[k] == src[k + 1]) return k;
  return end;
}

}  // namespace

size_t packbits_pack(const uint8_t* src, size_t n, uint8_t* out) {
  uint8_t* o = out;
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
    // A literal ends where two equal bytes begin (they make a repeat
    // packet), after 128 bytes, or at the end.
    const size_t limit = std::min(n, i + 128);
    const size_t pair = find_pair(src, i, std::min(limit, n - 1));
    const size_t j = pair < std::min(limit, n - 1) ? pair : limit;
    const size_t len = j - i;
    *o++ = uint8_t(len - 1);
    std::memcpy(o, src + i, len);
    o += len;
    i = j;
  }
  return size_t(o - out);
}

size_t packbits_pack(const uint8_t* src, size_t n, std::vector<uint8_t>& out) {
  const size_t start = out.size();
  out.resize(start + packbits_bound(n));
  const size_t written = packbits_pack(src, n, out.data() + start);
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
  // Whole packets while they fit in what is left of both sides: the header
  // and its bytes need no state kept between calls.
  if (literal_left_ == 0 && repeat_left_ == 0) {
    // Both sides have room for a whole 128-byte packet here, so each packet
    // is moved in fixed 16-byte pieces; the last piece may write past the
    // packet into room the following packets overwrite.
    while (in_end_ - in_ >= 130 && n - done >= 128) {
      const int h = int8_t(*in_);
      uint8_t* out = dst + done;
      if (h >= 0) {
        const size_t len = size_t(h) + 1;
        for (size_t k = 0; k < len; k += 16) std::memcpy(out + k, in_ + 1 + k, 16);
        done += len;
        in_ += h + 2;
      } else if (h != -128) {
        const size_t len = size_t(1 - h);
        uint8_t run[16];
        std::memset(run, in_[1], sizeof run);
        for (size_t k = 0; k < len; k += 16) std::memcpy(out + k, run, 16);
        done += len;
        in_ += 2;
      } else {
        ++in_;
      }
    }
  }
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
