#include "canvas/selection_tool.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "state/drawing_state.h"

namespace qm {

namespace {

// Inclusive corners in any order as a rectangle.
Rect from_corners(IntPoint a, IntPoint b) {
  const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
  return {x0, y0, std::max(a.x, b.x) - x0 + 1, std::max(a.y, b.y) - y0 + 1};
}

}  // namespace

int selection_handle_at(Rect f, PointF image, int scale) {
  if (f.empty()) return kHandleNone;
  const int tol = scale <= 100 ? 3 : 1;
  const IntPoint p = pixel_of(image);
  const int left = f.x, top = f.y, right = f.right() - 1, bottom = f.bottom() - 1;
  const bool near_top = std::abs(p.y - top) <= tol, near_bottom = std::abs(p.y - bottom) <= tol;
  const bool near_left = std::abs(p.x - left) <= tol, near_right = std::abs(p.x - right) <= tol;
  const bool inside_x = p.x >= left && p.x <= right, inside_y = p.y >= top && p.y <= bottom;
  if (near_top && near_left) return kHandleTopLeft;
  if (near_bottom && near_right) return kHandleBottomRight;
  if (near_top && near_right) return kHandleTopRight;
  if (near_bottom && near_left) return kHandleBottomLeft;
  if (near_top && inside_x) return kHandleTop;
  if (near_bottom && inside_x) return kHandleBottom;
  if (near_left && inside_y) return kHandleLeft;
  if (near_right && inside_y) return kHandleRight;
  return kHandleNone;
}

SelectionTool::SelectionTool(Document& doc, Selection& selection, DrawingStateModel& model,
                             PendingWork& pending)
    : doc_(doc), selection_(selection), model_(model), pending_(pending), last_tool_(model.tool()) {
  pending_id_ = pending_.add([this] { finish_pending(); });
  // Every change of tool ends the selection.
  listener_id_ = model_.subscribe([this](uint32_t changed) {
    if (!(changed & kChangedTool) || model_.tool() == last_tool_) return;
    last_tool_ = model_.tool();
    end_selection();
  });
}

SelectionTool::~SelectionTool() {
  model_.unsubscribe(listener_id_);
  pending_.remove(pending_id_);
}

bool SelectionTool::tool_current() const { return model_.tool() == kToolRectSelect; }

int SelectionTool::hover(PointF image, int scale) const {
  if (selection_.mode() != Selection::Mode::kFrame) return kHandleNone;
  return selection_handle_at(selection_.frame(), image, scale);
}

bool SelectionTool::press(PointF image, const HeldKeys& keys, int scale) {
  if (!doc_.current()) return false;
  press_pixel_ = last_pixel_ = pixel_of(image);
  last_image_ = image;
  handle_ = hover(image, scale);
  if (handle_ != kHandleNone) {
    drag_ = Drag::kResize;
    start_frame_ = selection_.frame();
    host_->frame_changed();
    return true;
  }
  const Rect f = selection_.frame();
  if (selection_.has_frame() && f.contains(press_pixel_.x, press_pixel_.y)) {
    if (!selection_.floating()) {
      if (!selection_.lift(doc_, keys.alt)) return false;
      doc_.composite_rect(selection_.move_to(doc_, {}, composite()));
      host_->pixels_changed();
    }
    drag_ = Drag::kMove;
    move_x_ = move_y_ = 0;
    start_offset_ = selection_.offset();
    composite_.begin(doc_);
    return true;
  }
  end_selection();
  drag_ = Drag::kNewFrame;
  host_->frame_changed();
  host_->frame_size(1, 1, true);
  return true;
}

void SelectionTool::move(PointF image, const HeldKeys& keys) {
  const IntPoint p = pixel_of(image);
  switch (drag_) {
    case Drag::kNone:
      return;
    case Drag::kMove: {
      if (!keys.ctrl) move_x_ += image.x - last_image_.x;
      if (!keys.shift) move_y_ += image.y - last_image_.y;
      last_image_ = image;
      const IntPoint offset{start_offset_.x + int(std::lround(move_x_)),
                            start_offset_.y + int(std::lround(move_y_))};
      if (offset == selection_.offset()) return;
      composite_.composite(doc_, selection_.move_to(doc_, offset, composite()));
      show_move();
      return;
    }
    case Drag::kNewFrame: {
      IntPoint q = p;
      if (keys.ctrl) {
        // A square with the larger side.
        const int dx = q.x - press_pixel_.x, dy = q.y - press_pixel_.y;
        const int side = std::max(std::abs(dx), std::abs(dy));
        q = {press_pixel_.x + (dx < 0 ? -side : side), press_pixel_.y + (dy < 0 ? -side : side)};
      }
      if (q == last_pixel_) return;
      last_pixel_ = q;
      break;
    }
    case Drag::kResize:
      if (p == last_pixel_) return;
      last_pixel_ = p;
      break;
  }
  const Rect r = drag_rect();
  host_->frame_changed();
  host_->frame_size(r.w, r.h, true);
}

void SelectionTool::release(PointF image, const HeldKeys& keys) {
  move(image, keys);
  if (drag_ == Drag::kNone) return;
  if (drag_ == Drag::kMove) {
    composite_.end();
    drag_ = Drag::kNone;
    return;
  }
  // The drag's rectangle, normalised and cut to the canvas, becomes the frame.
  const Rect r = drag_rect();
  drag_ = Drag::kNone;
  selection_.set_rect(doc_, r);
  host_->frame_changed();
  host_->frame_size(0, 0, false);
}

Rect SelectionTool::drag_rect() const {
  if (drag_ == Drag::kNewFrame) return from_corners(press_pixel_, last_pixel_);
  if (drag_ != Drag::kResize) return selection_.frame();
  const Rect& s = start_frame_;
  int left = s.x, top = s.y, right = s.right() - 1, bottom = s.bottom() - 1;
  const int dx = last_pixel_.x - press_pixel_.x, dy = last_pixel_.y - press_pixel_.y;
  const int h = handle_;
  if (h == kHandleTop || h == kHandleTopLeft || h == kHandleTopRight) top += dy;
  if (h == kHandleBottom || h == kHandleBottomLeft || h == kHandleBottomRight) bottom += dy;
  if (h == kHandleLeft || h == kHandleTopLeft || h == kHandleBottomLeft) left += dx;
  if (h == kHandleRight || h == kHandleTopRight || h == kHandleBottomRight) right += dx;
  // The frame stays inside the canvas.
  const int max_x = doc_.width() - 1, max_y = doc_.height() - 1;
  left = std::clamp(left, 0, max_x);
  right = std::clamp(right, 0, max_x);
  top = std::clamp(top, 0, max_y);
  bottom = std::clamp(bottom, 0, max_y);
  return from_corners({left, top}, {right, bottom});
}

std::optional<Rect> SelectionTool::display_frame() const {
  if (drag_ == Drag::kNewFrame || drag_ == Drag::kResize) return drag_rect();
  if (selection_.has_frame()) return selection_.frame();
  return std::nullopt;
}

void SelectionTool::show_move() {
  host_->pixels_changed();
  host_->frame_changed();
}

void SelectionTool::put_down(bool keep_frame) {
  const bool had = selection_.has_frame();
  if (selection_.floating()) {
    composite_.end();
    const Selection::PutDown done = selection_.put_down(doc_, composite(), keep_frame);
    if (done.done) {
      doc_.composite_rect(done.changed);
      host_->pixels_changed();
      host_->edit_finished();
    }
  } else if (!keep_frame) {
    selection_.clear();
  }
  drag_ = Drag::kNone;
  if (had) host_->frame_changed();
}

void SelectionTool::end_selection() { put_down(false); }

void SelectionTool::finish_pending() {
  if (selection_.floating()) put_down(true);
}

std::optional<Rect> SelectionTool::end_for_history() {
  std::optional<Rect> frame;
  if (selection_.mode() == Selection::Mode::kFrame) frame = selection_.frame();
  end_selection();
  return frame;
}

void SelectionTool::restore_frame(std::optional<Rect> frame) {
  if (!frame) return;
  selection_.set_rect(doc_, *frame);
  host_->frame_changed();
}

bool SelectionTool::paste(LayerImage image, int x, int y) {
  if (selection_.floating()) return false;
  const bool had = selection_.has_frame();
  selection_.clear();
  if (!selection_.float_image(doc_, std::move(image), x, y, composite())) {
    if (had) host_->frame_changed();
    return false;
  }
  doc_.composite_rect(intersect(selection_.frame(), doc_.bounds()));
  host_->pixels_changed();
  host_->frame_changed();
  return true;
}

}  // namespace qm
