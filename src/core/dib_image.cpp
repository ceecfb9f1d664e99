#include "core/dib_image.h"

#include "core/allocation_gate.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace qm {
namespace {

void put(uint8_t* p, uint32_t colour) {
  p[0] = uint8_t(colour);
  p[1] = uint8_t(colour >> 8);
  p[2] = uint8_t(colour >> 16);
}

}  // namespace

bool DibImage::create(int width, int height) {
  destroy();
  if (width <= 0 || height <= 0) return false;
  const int64_t stride = (int64_t{width} * 3 + 3) & ~int64_t{3};
  const int64_t bytes = stride * height;
  if (bytes > kMaxRasterBytes || !allocation_allowed()) return false;
  bytes_.reset(new (std::nothrow) uint8_t[size_t(bytes)]());
  if (!bytes_) return false;
  width_ = width;
  height_ = height;
  stride_ = int(stride);
  return true;
}

bool DibImage::create_copy(const DibImage& src, int x, int y, int w, int h) {
  if (!create(w, h)) return false;
  blit(0, 0, src, x, y, w, h);
  return true;
}

void DibImage::destroy() {
  bytes_.reset();
  width_ = height_ = stride_ = 0;
}

void DibImage::fill(uint32_t colour) { fill_rect(0, 0, width_, height_, colour); }

void DibImage::fill_rect(int x, int y, int w, int h, uint32_t colour) {
  const Rect r = intersect({x, y, w, h}, {0, 0, width_, height_});
  for (int py = r.y; py < r.bottom(); ++py) {
    uint8_t* p = row(py) + size_t(r.x) * 3;
    for (int i = 0; i < r.w; ++i, p += 3) put(p, colour);
  }
}

void DibImage::hline(int x, int y, int n, uint32_t colour) { fill_rect(x, y, n, 1, colour); }
void DibImage::vline(int x, int y, int n, uint32_t colour) { fill_rect(x, y, 1, n, colour); }

void DibImage::frame_rect(int x, int y, int w, int h, uint32_t colour) {
  if (w <= 0 || h <= 0) return;
  hline(x, y, w, colour);
  hline(x, y + h - 1, w, colour);
  vline(x, y, h, colour);
  vline(x + w - 1, y, h, colour);
}

uint32_t DibImage::get_pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  const uint8_t* p = row(y) + size_t(x) * 3;
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
}

void DibImage::set_pixel(int x, int y, uint32_t colour) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  uint8_t* p = row(y) + size_t(x) * 3;
  if (colour == kInvertColour) {
    p[0] = uint8_t(~p[0]);
    p[1] = uint8_t(~p[1]);
    p[2] = uint8_t(~p[2]);
  } else {
    put(p, colour);
  }
}

void DibImage::line(int x0, int y0, int x1, int y1, uint32_t colour) {
  const int64_t dx = int64_t{x1} - x0, dy = int64_t{y1} - y0;
  const int64_t len = std::max(std::abs(dx), std::abs(dy));
  if (len > 0) {
    const bool x_major = std::abs(dx) >= std::abs(dy);
    const int64_t major_step = (x_major ? dx : dy) < 0 ? -1 : 1;
    const int64_t minor_start = x_major ? y0 : x0;
    const int64_t minor_delta = x_major ? dy : dx;
    int64_t minor = minor_start * 65536 + 0x8000;
    const int64_t inc = minor_delta * 65536 / len;
    int64_t major = x_major ? x0 : y0;
    for (int64_t i = 0; i < len; ++i) {
      const int64_t m = minor >> 16;  // arithmetic shift: floor for negatives
      if (x_major)
        set_pixel(int(major), int(m), colour);
      else
        set_pixel(int(m), int(major), colour);
      major += major_step;
      minor += inc;
    }
  }
  set_pixel(x1, y1, colour);
}

void DibImage::blit(int dst_x, int dst_y, const DibImage& src, int src_x, int src_y, int w,
                    int h) {
  const BlitSpan s = clip_blit(dst_x, dst_y, w, h, width_, height_, src_x, src_y, src.width_,
                               src.height_);
  if (s.w <= 0 || s.h <= 0) return;
  const bool backwards = &src == this && s.dst_y > s.src_y;
  for (int i = 0; i < s.h; ++i) {
    const int r = backwards ? s.h - 1 - i : i;
    std::memmove(row(s.dst_y + r) + size_t(s.dst_x) * 3,
                 src.row(s.src_y + r) + size_t(s.src_x) * 3, size_t(s.w) * 3);
  }
}

void DibImage::replace_other(int x, int y, int w, int h, uint32_t keep, uint32_t colour) {
  const Rect r = intersect({x, y, w, h}, {0, 0, width_, height_});
  for (int py = r.y; py < r.bottom(); ++py)
    for (int px = r.x; px < r.right(); ++px)
      if (get_pixel(px, py) != (keep & 0xFFFFFF)) set_pixel(px, py, colour);
}

void DibImage::draw_bits(int x, int y, uint32_t colour, const uint8_t* bits, int w, int h) {
  if (!bits || w <= 0 || h <= 0) return;
  const int row_bytes = (w + 7) / 8;
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i)
      if (bits[size_t(j) * row_bytes + i / 8] & (0x80 >> (i % 8))) set_pixel(x + i, y + j, colour);
}

void DibImage::fill_checker5(int x, int y, int w, int h, uint32_t colour0, uint32_t colour1) {
  const Rect r = intersect({x, y, w, h}, {0, 0, width_, height_});
  for (int py = r.y; py < r.bottom(); ++py)
    for (int px = r.x; px < r.right(); ++px) {
      const int i = px - x, j = py - y;
      set_pixel(px, py, (j % 10) / 5 == (i % 10) / 5 ? colour0 : colour1);
    }
}

void DibImage::draw_scaled_layer(int x, int y, int w, int h, const LayerImage& layer) {
  if (w <= 0 || h <= 0 || layer.empty()) return;
  const int lw = layer.width(), lh = layer.height();
  const int64_t step_u = int64_t{lw} * 65536 / w;
  const int64_t step_v = int64_t{lh} * 65536 / h;
  const Rect r = intersect({x, y, w, h}, {0, 0, width_, height_});
  for (int ty = r.y; ty < r.bottom(); ++ty) {
    const int64_t v = (ty - y) * step_v;
    const int sy0 = int(std::min<int64_t>(v >> 16, lh - 1));
    const int sy1 = sy0 < lh - 1 ? sy0 + 1 : sy0;
    const uint32_t l = uint32_t(v >> 8) & 255;
    const Pixel* row0 = layer.row(sy0);
    const Pixel* row1 = layer.row(sy1);
    uint8_t* out = row(ty) + size_t(r.x) * 3;
    for (int tx = r.x; tx < r.right(); ++tx, out += 3) {
      const int64_t u = (tx - x) * step_u;
      const int sx0 = int(std::min<int64_t>(u >> 16, lw - 1));
      const int sx1 = sx0 < lw - 1 ? sx0 + 1 : sx0;
      const uint32_t m = uint32_t(u >> 8) & 255;
      const Pixel p00 = row0[sx0], p10 = row0[sx1], p01 = row1[sx0], p11 = row1[sx1];
      auto sample = [&](int shift) {
        const uint32_t a00 = (p00 >> shift) & 255, a10 = (p10 >> shift) & 255;
        const uint32_t a01 = (p01 >> shift) & 255, a11 = (p11 >> shift) & 255;
        return ((((a10 * m + a00 * (255 - m)) * (255 - l)) >> 8) +
                ((l * (a11 * m + a01 * (255 - m))) >> 8)) >> 8;
      };
      const int alpha = int(sample(24));
      for (int c = 0; c < 3; ++c) {
        const int s = int(sample(c * 8));
        out[c] = uint8_t(out[c] + ((alpha * (s - out[c])) >> 8));
      }
    }
  }
}

void DibImage::draw_texture(int x, int y, int w, int h, TextureView texture, bool tinted) {
  if (!texture.bytes || texture.width <= 0 || texture.height <= 0) return;
  const Rect r = intersect({x, y, w, h}, {0, 0, width_, height_});
  for (int py = r.y; py < r.bottom(); ++py) {
    const uint8_t* trow = texture.bytes + size_t((py - y) % texture.height) * texture.width;
    for (int px = r.x; px < r.right(); ++px) {
      const uint32_t v = 255u - trow[(px - x) % texture.width];
      set_pixel(px, py, tinted ? (0xFF0000 | v << 8 | v) : (v << 16 | v << 8 | v));
    }
  }
}

void DibImage::draw_number(int x, int y, int value, const DibImage& digits) {
  if (digits.empty()) return;
  value = std::clamp(value, 0, 999);
  const int glyph_w = digits.width() / 10;
  const int glyphs[3] = {value / 100, value / 10 % 10, value % 10};
  bool started = false;
  for (int i = 0; i < 3; ++i) {
    if (!started && glyphs[i] == 0 && i < 2) continue;  // one digit shows even for 0
    started = true;
    blit(x, y, digits, glyphs[i] * glyph_w, 0, glyph_w, digits.height());
    x += glyph_w;
  }
}

void DibImage::draw_brush_preview(int radius) {
  if (empty()) return;
  fill(0xFFFFFF);
  static constexpr int kOffsets[5] = {0, 51, 102, 153, 204};  // in 1/256 pixel
  const int64_t cx = int64_t{width_} * 128, cy = int64_t{height_} * 128;  // centre, 1/256 px
  const int64_t r2 = int64_t{radius} * radius * 65536;
  for (int py = 0; py < height_; ++py)
    for (int px = 0; px < width_; ++px) {
      int hits = 0;
      for (int oy : kOffsets)
        for (int ox : kOffsets) {
          const int64_t dx = int64_t{px} * 256 + ox - cx, dy = int64_t{py} * 256 + oy - cy;
          if (dx * dx + dy * dy < r2) ++hits;
        }
      if (hits) {
        const uint32_t grey = 255u - uint32_t(hits) * 255 / 25;
        set_pixel(px, py, grey << 16 | grey << 8 | grey);
      }
    }
  frame_rect(0, 0, width_, height_, 0x000000);
}

}  // namespace qm
