#pragma once
// LayerImage: the 32-bit raster of every layer, work buffer and composite.
//
// Plain memory, rows stored top row first with a stride of exactly width × 4
// bytes; pixel (x, y) is pixels()[y * width + x]. Move-only; copying pixels
// is an explicit operation between two existing images.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "core/pixel.h"
#include "core/rect.h"

namespace qm {

// Largest side of a document canvas.
inline constexpr int kMaxCanvasSide = 4500;
// Largest raster of any kind (work buffers, decoded pictures): 1 GiB of pixels.
inline constexpr int64_t kMaxRasterBytes = int64_t{1} << 30;

class LayerImage {
 public:
  LayerImage() = default;
  LayerImage(LayerImage&&) noexcept = default;
  LayerImage& operator=(LayerImage&&) noexcept = default;
  LayerImage(const LayerImage&) = delete;
  LayerImage& operator=(const LayerImage&) = delete;

  // (Re)creates the raster with zeroed pixels; callers clear it as they need.
  // Fails, leaving the image empty, for sizes ≤ 0, above kMaxRasterBytes, or
  // when the memory cannot be had.
  bool create(int width, int height);
  // Like create(), with `spare` more zeroed bytes after the last row, for a
  // decoder that first inflates its data into the raster's own memory.
  bool create_with_spare(int width, int height, size_t spare);
  // Like create(), but also refuses sides above kMaxCanvasSide.
  bool create_canvas(int width, int height);
  // Releases the pixels; returns whether there were any.
  bool destroy();

  bool empty() const { return !pixels_; }
  int width() const { return width_; }
  int height() const { return height_; }
  Rect bounds() const { return {0, 0, width_, height_}; }
  size_t pixel_count() const { return size_t(width_) * size_t(height_); }
  size_t byte_count() const { return pixel_count() * 4; }

  Pixel* pixels() { return pixels_.get(); }
  const Pixel* pixels() const { return pixels_.get(); }
  Pixel* row(int y) { return pixels_.get() + size_t(y) * size_t(width_); }
  const Pixel* row(int y) const { return pixels_.get() + size_t(y) * size_t(width_); }

  // nullptr when (x, y) lies outside.
  Pixel* pixel_address(int x, int y);
  // The nearest pixel inside.
  Pixel* pixel_address_clamped(int x, int y);
  // 0xFFFFFFFF outside.
  Pixel get_pixel(int x, int y) const;
  Pixel get_pixel_clamped(int x, int y) const;
  // Sets the pixel to kTransparent; ignored outside.
  void erase_pixel(int x, int y);

  void fill(Pixel value);
  // The rectangle is cut to the image (callers pass one inside; cutting keeps
  // a mistake from writing past the buffer).
  void fill_rect(int x, int y, int w, int h, Pixel value);
  // 8 × 8 squares anchored at the image origin: colour0 where
  // ((px >> 3) & 1) ^ ((py >> 3) & 1) is 0, else colour1.
  void fill_checker(int x, int y, int w, int h, Pixel colour0, Pixel colour1);
  // Copies every pixel of a same-sized image; returns false on a size mismatch.
  bool copy_from(const LayerImage& other);
  // Copies a w × h block of src at (src_x, src_y) to (dst_x, dst_y), clipped
  // against all four edges of both images; overlap-safe when src is *this.
  void blit_from(int dst_x, int dst_y, int w, int h, const LayerImage& src, int src_x, int src_y);
  // Fills with kTransparent, then blits all of src to (0, 0).
  void clear_and_blit(const LayerImage& src);
  // Like blit_from, but lays each source pixel with alpha ≠ 0 over the
  // destination ("over" in floating point, not premultiplied).
  void blend_from(int dst_x, int dst_y, const LayerImage& src, int src_x, int src_y, int w, int h);
  // Sets only the alpha byte in the rectangle (cut to the image).
  void set_alpha_rect(int x, int y, int w, int h, uint8_t alpha);

 private:
  struct FreeDeleter {
    void operator()(Pixel* p) const { std::free(p); }
  };
  std::unique_ptr<Pixel, FreeDeleter> pixels_;
  int width_ = 0;
  int height_ = 0;
};

// The source and destination rectangles of a block copy once clipped against
// both images; w or h ≤ 0 when nothing remains.
struct BlitSpan {
  int dst_x, dst_y, src_x, src_y, w, h;
};
BlitSpan clip_blit(int dst_x, int dst_y, int w, int h, int dst_w, int dst_h,
                   int src_x, int src_y, int src_w, int src_h);

}  // namespace qm
