#include "core/layer_image.h"

#include "core/allocation_gate.h"
#include "core/huge_pages.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qm {

bool LayerImage::create(int width, int height) { return create_with_spare(width, height, 0); }

bool LayerImage::create_with_spare(int width, int height, size_t spare) {
  destroy();
  if (width <= 0 || height <= 0) return false;
  const int64_t bytes = int64_t{width} * int64_t{height} * 4;
  if (bytes > kMaxRasterBytes || spare > size_t(kMaxRasterBytes) || !allocation_allowed()) return false;
  // calloc: zeroed pixels, and large rasters get lazily mapped zero pages.
  const size_t total = size_t(bytes) + (spare + 3) / 4 * 4;
  Pixel* p = static_cast<Pixel*>(std::calloc(total / 4, sizeof(Pixel)));
  if (!p) return false;
  // Every raster is written whole sooner or later (decoded, composited,
  // cleared for a stroke).
  advise_huge_pages(p, total);
  pixels_.reset(p);
  width_ = width;
  height_ = height;
  return true;
}

bool LayerImage::create_canvas(int width, int height) {
  if (width > kMaxCanvasSide || height > kMaxCanvasSide) {
    destroy();
    return false;
  }
  return create(width, height);
}

bool LayerImage::destroy() {
  const bool had = bool(pixels_);
  pixels_.reset();
  width_ = height_ = 0;
  return had;
}

Pixel* LayerImage::pixel_address(int x, int y) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return nullptr;
  return row(y) + x;
}

Pixel* LayerImage::pixel_address_clamped(int x, int y) {
  if (empty()) return nullptr;
  return row(std::clamp(y, 0, height_ - 1)) + std::clamp(x, 0, width_ - 1);
}

Pixel LayerImage::get_pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFFFFFFFF;
  return row(y)[x];
}

Pixel LayerImage::get_pixel_clamped(int x, int y) const {
  if (empty()) return 0xFFFFFFFF;
  return row(std::clamp(y, 0, height_ - 1))[std::clamp(x, 0, width_ - 1)];
}

void LayerImage::erase_pixel(int x, int y) {
  if (Pixel* p = pixel_address(x, y)) *p = kTransparent;
}

void LayerImage::fill(Pixel value) {
  std::fill_n(pixels(), pixel_count(), value);
}

void LayerImage::fill_rect(int x, int y, int w, int h, Pixel value) {
  const Rect r = intersect({x, y, w, h}, bounds());
  for (int py = r.y; py < r.bottom(); ++py) std::fill_n(row(py) + r.x, r.w, value);
}

void LayerImage::fill_checker(int x, int y, int w, int h, Pixel colour0, Pixel colour1) {
  const Rect r = intersect({x, y, w, h}, bounds());
  for (int py = r.y; py < r.bottom(); ++py) {
    Pixel* out = row(py);
    const int row_bit = (py >> 3) & 1;
    for (int px = r.x; px < r.right(); ++px)
      out[px] = (((px >> 3) & 1) ^ row_bit) ? colour1 : colour0;
  }
}

bool LayerImage::copy_from(const LayerImage& other) {
  if (other.width_ != width_ || other.height_ != height_) return false;
  if (&other != this && !empty()) std::memcpy(pixels(), other.pixels(), byte_count());
  return true;
}

BlitSpan clip_blit(int dst_x, int dst_y, int w, int h, int dst_w, int dst_h,
                   int src_x, int src_y, int src_w, int src_h) {
  // 64-bit throughout: callers may pass coordinates from files or devices.
  int64_t dx = dst_x, dy = dst_y, sx = src_x, sy = src_y, bw = w, bh = h;
  // Negative origins on either side shorten the block and shift the other.
  if (sx < 0) { dx -= sx; bw += sx; sx = 0; }
  if (sy < 0) { dy -= sy; bh += sy; sy = 0; }
  if (dx < 0) { sx -= dx; bw += dx; dx = 0; }
  if (dy < 0) { sy -= dy; bh += dy; dy = 0; }
  bw = std::min({bw, int64_t{src_w} - sx, int64_t{dst_w} - dx});
  bh = std::min({bh, int64_t{src_h} - sy, int64_t{dst_h} - dy});
  if (bw <= 0 || bh <= 0) return {0, 0, 0, 0, 0, 0};
  return {int(dx), int(dy), int(sx), int(sy), int(bw), int(bh)};
}

void LayerImage::blit_from(int dst_x, int dst_y, int w, int h, const LayerImage& src,
                           int src_x, int src_y) {
  const BlitSpan s = clip_blit(dst_x, dst_y, w, h, width_, height_, src_x, src_y,
                               src.width_, src.height_);
  if (s.w <= 0 || s.h <= 0) return;
  const size_t bytes = size_t(s.w) * 4;
  // Copying within one image downwards must walk the rows bottom-up.
  const bool backwards = &src == this && s.dst_y > s.src_y;
  for (int i = 0; i < s.h; ++i) {
    const int r = backwards ? s.h - 1 - i : i;
    std::memmove(row(s.dst_y + r) + s.dst_x, src.row(s.src_y + r) + s.src_x, bytes);
  }
}

void LayerImage::clear_and_blit(const LayerImage& src) {
  fill(kTransparent);
  blit_from(0, 0, src.width_, src.height_, src, 0, 0);
}

void LayerImage::blend_from(int dst_x, int dst_y, const LayerImage& src, int src_x, int src_y,
                            int w, int h) {
  const BlitSpan s = clip_blit(dst_x, dst_y, w, h, width_, height_, src_x, src_y,
                               src.width_, src.height_);
  if (s.w <= 0 || s.h <= 0 || &src == this) return;
  for (int r = 0; r < s.h; ++r) {
    const Pixel* in = src.row(s.src_y + r) + s.src_x;
    Pixel* out = row(s.dst_y + r) + s.dst_x;
    for (int i = 0; i < s.w; ++i) {
      const Pixel sp = in[i];
      if (alpha_of(sp) == 0) continue;
      const Pixel dp = out[i];
      const double t = alpha_of(sp) / 255.0;
      const double u = alpha_of(dp) / 255.0;
      const double v = t + u - t * u;
      const uint32_t a = uint32_t(std::trunc(v * 255 + 0.5));
      if (a == 0) {
        out[i] = kTransparent;
        continue;
      }
      auto channel = [&](int shift) {
        const double sc = (sp >> shift) & 0xFF, dc = (dp >> shift) & 0xFF;
        return uint32_t(std::trunc((t * sc + u * (1 - t) * dc) / v + 0.5)) << shift;
      };
      out[i] = (a << 24) | channel(16) | channel(8) | channel(0);
    }
  }
}

void LayerImage::set_alpha_rect(int x, int y, int w, int h, uint8_t alpha) {
  const Rect r = intersect({x, y, w, h}, bounds());
  const Pixel a = Pixel{alpha} << 24;
  for (int py = r.y; py < r.bottom(); ++py) {
    Pixel* p = row(py) + r.x;
    for (int i = 0; i < r.w; ++i) p[i] = (p[i] & 0x00FFFFFF) | a;
  }
}

}  // namespace qm
