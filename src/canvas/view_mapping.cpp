#include "canvas/view_mapping.h"

#include <algorithm>
#include <climits>

namespace qm {

namespace {

int to_int(int64_t v) { return int(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }

}  // namespace

int clamp_scale(int percent) { return std::clamp(percent, kMinScale, kMaxScale); }

int zoom_step(int scale, bool in, int step_below_100, int step_above_100) {
  int s = scale;
  if (in)
    s = s < 100 ? std::min(s + step_below_100, 100) : s + step_above_100;
  else
    s = s <= 100 ? s - step_below_100 : std::max(s - step_above_100, 100);
  return clamp_scale(s);
}

Point window_to_image(const ViewGeometry& g, int px, int py) {
  int64_t ix = (int64_t{g.scroll_x} + px - g.half_w) * 100 / g.scale;
  const int64_t iy = (int64_t{g.scroll_y} + py - g.half_h) * 100 / g.scale;
  if (g.mirrored) ix = g.image_w - ix - 1;
  return {to_int(ix), to_int(iy)};
}

PointF window_to_image_fractional(const ViewGeometry& g, double px, double py) {
  double x = (g.scroll_x - g.half_w + px) * 100 / g.scale;
  const double y = (g.scroll_y - g.half_h + py) * 100 / g.scale;
  if (g.mirrored) x = g.image_w - x;
  return {x, y};
}

Point image_to_window(const ViewGeometry& g, int ix, int iy) {
  int64_t x = ix;
  if (g.mirrored) x = int64_t{g.image_w} - x - 1;
  return {to_int(x * g.scale / 100 + g.half_w - g.scroll_x),
          to_int(int64_t{iy} * g.scale / 100 + g.half_h - g.scroll_y)};
}

Point window_delta_to_image(const ViewGeometry& g, int dx, int dy) {
  const int64_t x = int64_t{dx} * 100 / g.scale;
  return {to_int(g.mirrored ? -x : x), to_int(int64_t{dy} * 100 / g.scale)};
}

int max_scroll_x(const ViewGeometry& g) {
  return std::max(g.extent_w() + 2 * g.half_w - g.view_w - 1, 0);
}
int max_scroll_y(const ViewGeometry& g) {
  return std::max(g.extent_h() + 2 * g.half_h - g.view_h - 1, 0);
}

void clamp_scroll(ViewGeometry& g) {
  // The upper limit goes first: for an image narrower than one screen pixel
  // it is negative, and the scroll must still not be.
  g.scroll_x = std::clamp(g.scroll_x, 0, max_scroll_x(g));
  g.scroll_y = std::clamp(g.scroll_y, 0, max_scroll_y(g));
}

void centre_image(ViewGeometry& g) {
  g.scroll_x = std::max((g.extent_w() + 2 * g.half_w - g.view_w) / 2, 0);
  g.scroll_y = std::max((g.extent_h() + 2 * g.half_h - g.view_h) / 2, 0);
  clamp_scroll(g);
}

void set_view_size(ViewGeometry& g, int client_w, int client_h, int buffer_w, int buffer_h) {
  g.view_w = std::clamp(client_w, 0, std::max(buffer_w, 0));
  g.view_h = std::clamp(client_h, 0, std::max(buffer_h, 0));
  g.half_w = g.view_w / 2;
  g.half_h = g.view_h / 2;
}

Point centre_point(const ViewGeometry& g) {
  return {to_int((int64_t{g.view_w} / 2 + g.scroll_x - g.half_w) * 100 / g.scale),
          to_int((int64_t{g.view_h} / 2 + g.scroll_y - g.half_h) * 100 / g.scale)};
}

void restore_centre(ViewGeometry& g, Point centre) {
  g.scroll_x = to_int(int64_t{centre.x} * g.scale / 100);
  g.scroll_y = to_int(int64_t{centre.y} * g.scale / 100);
  clamp_scroll(g);
}

void scroll_to_image_point(ViewGeometry& g, double x, double y) {
  if (g.mirrored) x = g.image_w - x;
  // Bounded first so the conversion to int cannot overflow; clamping follows.
  const double limit = 1e9;
  g.scroll_x = int(std::clamp(x * g.scale / 100, -limit, limit));
  g.scroll_y = int(std::clamp(y * g.scale / 100, -limit, limit));
  clamp_scroll(g);
}

Rect window_rect_of(const ViewGeometry& g, Rect r) {
  if (r.empty()) return {};
  const Point a = image_to_window(g, r.x - 1, r.y - 1);
  const Point b = image_to_window(g, r.right(), r.bottom());
  const int64_t x0 = int64_t{std::min(a.x, b.x)} - 1, y0 = int64_t{std::min(a.y, b.y)} - 1;
  const int64_t x1 = int64_t{std::max(a.x, b.x)} + 1, y1 = int64_t{std::max(a.y, b.y)} + 1;
  const Rect wide{to_int(x0), to_int(y0), to_int(x1 - x0), to_int(y1 - y0)};
  return intersect(wide, g.view_rect());
}

}  // namespace qm
