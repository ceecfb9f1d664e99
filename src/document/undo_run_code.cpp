#include "document/undo_run_code.h"

#include <algorithm>
#include <cstring>

namespace qm {
namespace {

constexpr uint32_t kMaxRun = 255;

bool inside(const LayerImage& image, Rect r) {
  return !r.empty() && intersect(r, image.bounds()) == r;
}

// Walks the rectangle in code order and tells the sink what to emit: spans of
// pixels with alpha, single closing runs, and batches of full 255-pixel runs.
// Sizing and writing share this walk, so the size can never disagree with
// what is written.
template <class Sink>
bool scan(const LayerImage& image, Rect r, Sink& sink) {
  uint64_t run = 0;  // transparent pixels not yet emitted, < 255 between spans
  for (int y = r.y; y < r.bottom(); ++y) {
    const Pixel* p = image.row(y) + r.x;
    const Pixel* const end = p + r.w;
    while (p < end) {
      const Pixel* q = p;
      if (alpha_of(*p)) {
        while (q < end && alpha_of(*q)) ++q;
        if (run) {
          if (!sink.run(uint32_t(run))) return false;
          run = 0;
        }
        if (!sink.pixels(p, size_t(q - p))) return false;
      } else {
        while (q < end && !alpha_of(*q)) ++q;
        run += uint64_t(q - p);
        if (run >= kMaxRun) {
          if (!sink.full_runs(run / kMaxRun)) return false;
          run %= kMaxRun;
        }
      }
      p = q;
    }
  }
  return run == 0 || sink.run(uint32_t(run));
}

struct CountSink {
  uint64_t bytes = 0;
  bool pixels(const Pixel*, size_t n) { return bytes += 4 * uint64_t(n), true; }
  bool run(uint32_t) { return bytes += 2, true; }
  bool full_runs(uint64_t k) { return bytes += 2 * k, true; }
};

struct WriteSink {
  ByteWriter& out;

  bool pixels(const Pixel* p, size_t n) {
    while (n > 0) {
      if (!out.reserve(4)) return false;
      uint8_t* o = out.pos();
      const size_t k = std::min(n, size_t(out.end() - o) / 4);
      for (size_t i = 0; i < k; ++i, o += 4) {
        // A, R, G, B: the pixel value 0xAARRGGBB most significant byte first.
        const uint32_t be = __builtin_bswap32(p[i]);
        std::memcpy(o, &be, 4);
      }
      out.set_pos(o);
      p += k;
      n -= k;
    }
    return true;
  }

  bool run(uint32_t n) {
    if (!out.reserve(2)) return false;
    uint8_t* o = out.pos();
    o[0] = 0;
    o[1] = uint8_t(n);
    out.set_pos(o + 2);
    return true;
  }

  bool full_runs(uint64_t k) {
    while (k > 0) {
      if (!out.reserve(2)) return false;
      uint8_t* o = out.pos();
      const uint64_t m = std::min<uint64_t>(k, size_t(out.end() - o) / 2);
      for (uint64_t i = 0; i < m; ++i, o += 2) {
        o[0] = 0;
        o[1] = uint8_t(kMaxRun);
      }
      out.set_pos(o);
      k -= m;
    }
    return true;
  }
};

}  // namespace

uint64_t run_code_size(const LayerImage& image, Rect r) {
  if (!inside(image, r)) return 0;
  CountSink sink;
  scan(image, r, sink);
  return sink.bytes;
}

bool run_code_write(const LayerImage& image, Rect r, ByteWriter& out) {
  if (!inside(image, r)) return false;
  WriteSink sink{out};
  return scan(image, r, sink);
}

bool run_code_check(const uint8_t* data, size_t size, uint64_t pixel_count) {
  uint64_t count = 0;
  size_t i = 0;
  while (i < size) {
    if (data[i]) {
      i += 4;
      ++count;
    } else {
      if (size - i < 2 || data[i + 1] == 0) return false;
      count += data[i + 1];
      i += 2;
    }
    if (count > pixel_count) return false;
  }
  return i == size && count == pixel_count;
}

void run_code_read(const uint8_t* data, size_t size, LayerImage& image, Rect r) {
  if (!inside(image, r)) return;
  const uint8_t* in = data;
  const uint8_t* const in_end = data + size;
  int y = r.y;
  Pixel* row = image.row(y) + r.x;
  int x = 0;
  while (in < in_end) {
    if (in[0]) {
      if (in_end - in < 4) return;
      uint32_t be;
      std::memcpy(&be, in, 4);
      row[x++] = __builtin_bswap32(be);
      in += 4;
    } else {
      if (in_end - in < 2) return;
      int n = in[1];
      in += 2;
      while (n > 0) {
        const int k = std::min(n, r.w - x);
        std::fill_n(row + x, k, kTransparent);
        x += k;
        n -= k;
        if (x == r.w) {
          if (++y == r.bottom()) return;
          row = image.row(y) + r.x;
          x = 0;
        }
      }
    }
    if (x == r.w) {
      if (++y == r.bottom()) return;
      row = image.row(y) + r.x;
      x = 0;
    }
  }
}

}  // namespace qm
