#pragma once
// The canvas view's geometry: zoom, scroll and the maps between window and
// image coordinates. Window coordinates are client-area pixels (0, 0 at the
// top-left); image coordinates are pixels of the document.
//
// Integer maps divide with C++ truncation (towards zero), so a point a little
// left of or above the image maps to column or row 0, not -1.
#include <array>
#include <cstdint>

#include "core/rect.h"
#include "paint/point.h"

namespace qm {

inline constexpr int kMinScale = 10;
inline constexpr int kMaxScale = 2000;
// Zoom presets in percent, in menu order.
inline constexpr std::array<int, 14> kZoomPresets = {25,  50,  75,  100, 150, 200,  300,
                                                     400, 500, 600, 800, 1000, 1500, 2000};
// Fractional bits of the scaler's step per window pixel.
inline constexpr int kScaleStepBits = 18;

struct Point {
  int x = 0, y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct ViewGeometry {
  int scale = 100;             // percent, kMinScale … kMaxScale
  int view_w = 0, view_h = 0;  // client size, capped to the backing buffer
  int half_w = 0, half_h = 0;  // view size / 2
  int scroll_x = 0, scroll_y = 0;  // screen pixels
  int image_w = 0, image_h = 0;
  bool mirrored = false;

  // Size of the image on screen at this zoom.
  int extent_w() const { return int(int64_t{image_w} * scale / 100); }
  int extent_h() const { return int(int64_t{image_h} * scale / 100); }
  // Window pixels that show some of the image: every one whose left (top)
  // edge lies inside it, so the last column and row are never cut off.
  int shown_w() const { return int((int64_t{image_w} * scale + 99) / 100); }
  int shown_h() const { return int((int64_t{image_h} * scale + 99) / 100); }
  // Window position of image pixel (0, 0), before mirroring.
  int origin_x() const { return half_w - scroll_x; }
  int origin_y() const { return half_h - scroll_y; }
  // Where the image is drawn on screen (before clipping to the view).
  Rect image_area() const { return {origin_x(), origin_y(), shown_w(), shown_h()}; }
  Rect view_rect() const { return {0, 0, view_w, view_h}; }
  // Source step per window pixel, 18 fractional bits.
  int64_t step() const { return (int64_t{100} << kScaleStepBits) / scale; }
};

int clamp_scale(int percent);
// One step in or out from `scale` with the two step sizes, clamped.
int zoom_step(int scale, bool in, int step_below_100, int step_above_100);

Point window_to_image(const ViewGeometry& g, int px, int py);
PointF window_to_image_fractional(const ViewGeometry& g, double px, double py);
Point image_to_window(const ViewGeometry& g, int ix, int iy);
// A pointer movement in image pixels (x negated when mirrored).
Point window_delta_to_image(const ViewGeometry& g, int dx, int dy);

// Largest scroll positions; never below 0.
int max_scroll_x(const ViewGeometry& g);
int max_scroll_y(const ViewGeometry& g);
void clamp_scroll(ViewGeometry& g);
// Scroll that centres the image (0 when the image is smaller than nothing).
void centre_image(ViewGeometry& g);

// Sets the client size (capped to the buffer) and the half sizes.
void set_view_size(ViewGeometry& g, int client_w, int client_h, int buffer_w, int buffer_h);
// The image point at the view centre, as the scroll stores it.
Point centre_point(const ViewGeometry& g);
// Scrolls so that `centre` (from centre_point) is at the view centre again.
void restore_centre(ViewGeometry& g, Point centre);
// Centres the view on an image point; x is mirrored first when the view is.
void scroll_to_image_point(ViewGeometry& g, double x, double y);

// The window rectangle that shows image rectangle r, one pixel wider on each
// side and clipped to the view; empty when nothing of it is on screen.
Rect window_rect_of(const ViewGeometry& g, Rect r);

}  // namespace qm
