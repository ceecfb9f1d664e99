#pragma once
// DibImage: the 24-bit raster that panels draw into (layer list, thumbnails,
// icons, brush previews, colour widgets).
//
// Plain memory, top row first, bytes B, G, R per pixel, rows padded to a
// multiple of 4 bytes. Colours are 0x00RRGGBB. Move-only. Every operation
// clips to the image, so a caller's mistake never writes past the buffer.
#include <cstdint>
#include <memory>

#include "core/layer_image.h"

namespace qm {

// Passed to set_pixel and line: invert the pixel's three channels instead.
inline constexpr uint32_t kInvertColour = 0x80000000;

// A read-only view of an 8-bit texture (one byte per pixel, rows packed).
struct TextureView {
  int width = 0;
  int height = 0;
  const uint8_t* bytes = nullptr;
};

class DibImage {
 public:
  DibImage() = default;
  DibImage(DibImage&&) noexcept = default;
  DibImage& operator=(DibImage&&) noexcept = default;
  DibImage(const DibImage&) = delete;
  DibImage& operator=(const DibImage&) = delete;

  // Bytes per row for a given width: (width × 3 + 3) rounded down to 4.
  static int stride_for(int width) { return (width * 3 + 3) & ~3; }

  // Zeroed pixels. Fails for sizes ≤ 0, above kMaxRasterBytes, or no memory.
  bool create(int width, int height);
  // Creates a w × h image holding that block of src (parts outside src stay black).
  bool create_copy(const DibImage& src, int x, int y, int w, int h);
  void destroy();

  bool empty() const { return !bytes_; }
  int width() const { return width_; }
  int height() const { return height_; }
  int stride() const { return stride_; }
  uint8_t* bits() { return bytes_.get(); }
  const uint8_t* bits() const { return bytes_.get(); }
  uint8_t* row(int y) { return bytes_.get() + size_t(y) * size_t(stride_); }
  const uint8_t* row(int y) const { return bytes_.get() + size_t(y) * size_t(stride_); }

  void fill(uint32_t colour);
  void fill_rect(int x, int y, int w, int h, uint32_t colour);
  void hline(int x, int y, int n, uint32_t colour);
  void vline(int x, int y, int n, uint32_t colour);  // downwards
  void frame_rect(int x, int y, int w, int h, uint32_t colour);
  uint32_t get_pixel(int x, int y) const;  // 0 outside
  // Ignored outside; kInvertColour inverts the pixel.
  void set_pixel(int x, int y, uint32_t colour);
  // 16.16 fixed-point DDA along the major axis; the end point is plotted last.
  void line(int x0, int y0, int x1, int y1, uint32_t colour);
  void blit(int dst_x, int dst_y, const DibImage& src, int src_x, int src_y, int w, int h);
  // Every pixel of the rectangle that is not `keep` becomes `colour`.
  void replace_other(int x, int y, int w, int h, uint32_t keep, uint32_t colour);
  // A 1-bit pattern, most significant bit first, rows padded to whole bytes;
  // set bits get `colour`, clear bits leave the pixel.
  void draw_bits(int x, int y, uint32_t colour, const uint8_t* bits, int w, int h);
  // 5 × 5 squares: square (i, j) gets colour0 when (j % 10) / 5 == (i % 10) / 5.
  void fill_checker5(int x, int y, int w, int h, uint32_t colour0, uint32_t colour1);
  // The layer scaled to w × h with fixed-point bilinear sampling, laid over
  // the existing pixels by the sampled alpha.
  void draw_scaled_layer(int x, int y, int w, int h, const LayerImage& layer);
  // Tiles the texture as inverted grey, or (v', v', 255) when tinted.
  void draw_texture(int x, int y, int w, int h, TextureView texture, bool tinted);
  // value 0 … 999 as up to three digits cut from a strip of ten glyphs.
  void draw_number(int x, int y, int value, const DibImage& digits);
  // White, a 5 × 5 supersampled black disc of `radius` in the centre, a black frame.
  void draw_brush_preview(int radius);

 private:
  std::unique_ptr<uint8_t[]> bytes_;
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
};

}  // namespace qm
