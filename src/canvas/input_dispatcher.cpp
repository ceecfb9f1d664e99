#include "canvas/input_dispatcher.h"

#include <algorithm>
#include <cmath>

#include "canvas/tool_rules.h"
#include "paint/fill.h"
#include "paint/gradient.h"
#include "paint/shapes.h"

namespace qm {

namespace {

int sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }
PointF to_f(IntPoint p) { return {double(p.x), double(p.y)}; }

// The layer as `backup` holds it, moved by (dx, dy); what is uncovered
// becomes transparent.
void shift_layer(LayerImage& layer, const LayerImage& backup, int dx, int dy) {
  const int w = layer.width(), h = layer.height();
  for (int y = 0; y < h; ++y) {
    Pixel* out = layer.row(y);
    const int sy = y - dy;
    if (sy < 0 || sy >= h) {
      std::fill(out, out + w, kTransparent);
      continue;
    }
    const Pixel* in = backup.row(sy);
    for (int x = 0; x < w; ++x) {
      const int sx = x - dx;
      out[x] = (sx >= 0 && sx < w) ? in[sx] : kTransparent;
    }
  }
}

}  // namespace

StrokeClass stroke_class_of(int tool) {
  switch (tool) {
    case kToolPencil: case kToolDotEraser: return StrokeClass::kPixel;
    case kToolThinLine: return StrokeClass::kThinLine;
    case kToolWatercolour: case kToolBlur: case kToolDodge: case kToolBurn: return StrokeClass::kDirect;
    case kToolFinger: return StrokeClass::kSmudge;
    default: return StrokeClass::kBrush;
  }
}

InputDispatcher::InputDispatcher(Document& doc, DrawingStateModel& model, const KeyBindings& keys,
                                 PendingWork& pending, const ViewGeometry& geometry, InputHost& host)
    : doc_(&doc), model_(model), keys_(keys), pending_(pending), geometry_(&geometry), host_(host) {
  pending_id_ = pending_.add([this] { finish(); });
}

InputDispatcher::~InputDispatcher() { pending_.remove(pending_id_); }

CanvasKeyState InputDispatcher::key_state() const {
  switch (state_) {
    case DragState::kIdle: return CanvasKeyState::kIdle;
    case DragState::kMultiClick: return CanvasKeyState::kPolyline;
    case DragState::kBezierControl: return CanvasKeyState::kBezier;
    case DragState::kSpline: return CanvasKeyState::kSpline;
    default: return CanvasKeyState::kBusy;
  }
}

BrushSettings InputDispatcher::settings_for(int tool) {
  return brush_settings_for(model_.state(), tool, host_.texture());
}

void InputDispatcher::enter(DragState s, const PointerEvent& e) {
  state_ = s;
  button_ = e.button;
  source_ = e.source;
}

void InputDispatcher::to_idle() {
  state_ = DragState::kIdle;
  const bool had = !feedback_.empty() || feedback_.size_shown;
  feedback_ = {};
  if (had) host_.feedback_changed();
}

// --- press -------------------------------------------------------------------

void InputDispatcher::press(const PointerEvent& e) {
  if (active()) {
    press_active(e);
    return;
  }
  // A mouse click just after the pen was lifted is the pen's own echo.
  if (e.source == PointerSource::kMouse && e.button == PointerButton::kLeft && has_pen_release_ &&
      e.time_ms - pen_release_ms_ < kMouseAfterPenMs && e.time_ms >= pen_release_ms_)
    return;
  press_window_ = last_window_ = e.window;
  press_image_ = last_image_ = to_image(e.window);
  press_pixel_ = pixel_of(press_image_);
  tool_ = model_.tool();
  draw_type_ = model_.state().draw_type[size_t(tool_)];
  settings_ = settings_for(tool_);

  switch (e.button) {
    case PointerButton::kRight:
      if (tool_ == kToolRectSelect) {
        host_.selection_menu(press_image_);
        enter(DragState::kBusy, e);
      } else {
        pick_colour(e);
      }
      return;
    case PointerButton::kMiddle:
      enter(DragState::kCanvasMove, e);
      return;
    case PointerButton::kSide1:
      side_button(e, model_.env().tab_side1);
      return;
    case PointerButton::kSide2:
      side_button(e, model_.env().tab_side2);
      return;
    case PointerButton::kLeft:
      press_left(e);
      return;
  }
}

// Presses while a state runs reach only the figures, and only from the
// device that started them.
void InputDispatcher::press_active(const PointerEvent& e) {
  if (e.source != source_) return;
  const IntPoint p = pixel_of(to_image(e.window));
  const bool left = e.button == PointerButton::kLeft, right = e.button == PointerButton::kRight;
  switch (state_) {
    case DragState::kMultiClick:
      if (left) multi_click_add(p);
      if (right) finish_multi_click();
      break;
    case DragState::kTextPlacement:
      if (left) host_.place_text(p, true);
      break;
    case DragState::kBezierControl:
      if (left) {
        bezier_stage_ = std::min(bezier_stage_ + 1, 2);
        button_ = e.button;
      }
      if (right) {
        // Cancelled: nothing was drawn yet.
        to_idle();
      }
      break;
    case DragState::kSpline:
      if (left) button_ = e.button;  // its release adds the point
      if (right) draw_spline_now();
      break;
    default:
      break;
  }
}

void InputDispatcher::pick_colour(const PointerEvent& e) {
  const std::optional<Pixel> pixel = pick_pixel(*doc_, press_pixel_, e.keys.ctrl);
  if (pixel) apply_pick(model_, *pixel, e.keys);
  enter(DragState::kBusy, e);
}

void InputDispatcher::side_button(const PointerEvent& e, int action) {
  switch (action) {
    case 1: pick_colour(e); return;
    case 2: enter(DragState::kCanvasMove, e); return;
    case 3: toggle_eraser(model_); break;
    case 4: host_.undo(); break;
    default: break;
  }
  enter(DragState::kBusy, e);
}

void InputDispatcher::area_operation(const PointerEvent& e) {
  // Brush tools fill the whole layer through their own write (erasers
  // erase it); the others blend their colour over it.
  BrushSettings s = settings_;
  if (!is_brush_tool(s.tool)) s.tool = PaintTool::Pen2;
  const FigureResult r = draw_rectangle(*doc_, s, {0, 0}, {double(doc_->width() - 1), double(doc_->height() - 1)},
                                        true, false);
  figure_done(!r.changed.empty());
  enter(DragState::kBusy, e);
}

void InputDispatcher::fill_at_point(const PointerEvent& e, bool erase) {
  const Environment& env = model_.env();
  FillOptions options = fill_options(model_.state().options.paint, e.keys.alt, e.keys.shift, e.keys.ctrl || erase);
  options.release_reference_when_erasing = env.opt_flag & kOptEraseFillReleasesReference;
  const FillResult r = fill_at(*doc_, settings_for(kToolFill), press_pixel_, options, region_map_);
  if (!r.changed.empty()) {
    doc_->composite_rect(r.changed);
    figure_done(true);
  }
  enter(DragState::kBusy, e);
}

void InputDispatcher::press_left(const PointerEvent& e) {
  const HeldKeys& k = e.keys;
  const bool floating = host_.has_floating_selection();
  if (k.backspace) {
    if (const std::optional<Pixel> p = pick_pixel(*doc_, press_pixel_, false))
      blend_pick_.click(model_, alpha_of(*p) ? *p : 0xFFFFFF, k.shift, e.time_ms);
    enter(DragState::kBusy, e);
    return;
  }
  if (k.enter && !floating) {
    area_operation(e);
    return;
  }
  if (k.space) {
    enter(DragState::kCanvasMove, e);
    return;
  }
  int draw_type = draw_type_;
  if (!floating) {
    for (int item = 0; item < kKeyGroupSizes[int(KeyGroup::kKeyClick)]; ++item) {
      if (!k.holds(bound_key(keys_, KeyGroup::kKeyClick, item))) continue;
      if (item == kKeyClickPickColour) {
        pick_colour(e);
        return;
      }
      if (item == kKeyClickFill || item == kKeyClickEraseFill) {
        if (tool_ == kToolRectSelect) break;
        fill_at_point(e, item == kKeyClickEraseFill);
        return;
      }
      if (allowed_draw_types(tool_) & (1u << (item + 1))) draw_type = item + 1;
      break;
    }
  }
  switch (tool_) {
    case kToolFill:
      fill_at_point(e, false);
      return;
    case kToolGradient:
      draw_type_ = draw_type;
      line_purpose_ = LinePurpose::kGradient;
      enter(DragState::kLine, e);
      return;
    case kToolText:
      enter(DragState::kTextPlacement, e);
      if (!host_.place_text(press_pixel_, false)) state_ = DragState::kBusy;
      return;
    case kToolLayerMove:
      if (!doc_->current() || !doc_->backup().copy_from(doc_->current()->image)) return;
      layer_offset_ = {};
      composite_.begin(*doc_);
      enter(DragState::kLayerMove, e);
      return;
    case kToolRectSelect:
      if (host_.selection_press(press_image_, k)) enter(DragState::kSelection, e);
      return;
    default:
      press_painting_tool(e, draw_type);
  }
}

void InputDispatcher::press_painting_tool(const PointerEvent& e, int draw_type) {
  draw_type_ = draw_type;
  const Ruler& ruler = model_.state().ruler;
  switch (draw_type) {
    case 0:
      if (e.keys.shift) {
        start_size_ = model_.state().brush_size[size_t(tool_)];
        enter(DragState::kBrushSize, e);
        set_circle(press_image_, start_size_);
        host_.feedback_changed();
        return;
      }
      if (e.keys.alt && ruler.kind != kRulerNone) {
        if (ruler.kind == kRulerLine || ruler.kind == kRulerGrid) {
          line_purpose_ = LinePurpose::kRuler;
          enter(DragState::kLine, e);
        } else if (ruler.kind == kRulerEllipse) {
          ellipse_ruler_ = true;
          enter(DragState::kEllipse, e);
        } else {
          Ruler r = ruler;
          r.centre_x = press_image_.x;
          r.centre_y = press_image_.y;
          model_.set_ruler(r);
          enter(DragState::kRulerCentre, e);
        }
        return;
      }
      stroke_begin(e);
      return;
    case 1:
    case 8:
      line_purpose_ = draw_type == 1 ? LinePurpose::kStraight : LinePurpose::kBezier;
      enter(DragState::kLine, e);
      return;
    case 2:
    case 3:
      enter(DragState::kRectangle, e);
      return;
    case 4:
    case 5:
      ellipse_ruler_ = false;
      enter(DragState::kEllipse, e);
      return;
    case 6:
    case 7:
      if (!line_figure_.begin(*doc_, settings_, draw_type == 6 ? LineFigureKind::Polyline : LineFigureKind::Concentrated,
                              to_f(press_pixel_)))
        return;
      enter(DragState::kMultiClick, e);
      return;
    case 9:
      spline_.clear();
      enter(DragState::kSpline, e);
      return;
    default:
      return;
  }
}

// --- strokes -----------------------------------------------------------------

void InputDispatcher::stroke_begin(const PointerEvent& e) {
  const Ruler& ruler = model_.state().ruler;
  ruler_on_ = ruler.kind != kRulerNone;
  const PointF start{double(press_pixel_.x), double(press_pixel_.y)};
  if (ruler_on_) ruler_.begin(ruler, start);
  composite_.begin(*doc_);
  if (!stroke_.begin(*doc_, settings_, start, e.pressure, {false})) {
    composite_.end();
    return;
  }
  enter(DragState::kStroke, e);
  last_point_ = start;
  composite_.composite(*doc_, stroke_.dirty());
  host_.show_changes();
  update_feedback(e);
}

void InputDispatcher::stroke_move(const PointerEvent& e) {
  PointF p = to_image(e.window);
  if (ruler_on_) p = ruler_.constrain(p);
  if (p == last_point_) return;
  last_point_ = p;
  const Rect r = stroke_.move(p, e.pressure);
  if (!r.empty()) {
    composite_.composite(*doc_, r);
    host_.show_changes();
  }
}

void InputDispatcher::stroke_end(const PointerEvent& e) {
  PointF p = to_image(e.window);
  if (ruler_on_) p = ruler_.constrain(p);
  const Rect r = stroke_.end(p, e.pressure);
  if (!r.empty()) composite_.composite(*doc_, r);
  composite_.end();
  host_.show_changes();
  host_.edit_finished();
}

// --- moves -------------------------------------------------------------------

void InputDispatcher::move(const PointerEvent& e) {
  if (state_ == DragState::kIdle) {
    update_feedback(e);
    return;
  }
  if (e.source != source_) return;
  const PointF image = to_image(e.window);
  switch (state_) {
    case DragState::kCanvasMove: {
      const int dx = int(std::lround(e.window.x - last_window_.x));
      const int dy = int(std::lround(e.window.y - last_window_.y));
      if (dx || dy) host_.scroll_by(-dx, -dy);
      break;
    }
    case DragState::kStroke:
      stroke_move(e);
      break;
    case DragState::kBrushSize: {
      const int size = std::clamp(start_size_ + int(std::lround(e.window.x - press_window_.x)), 1, 100);
      model_.set_brush_size(tool_, size);
      break;
    }
    case DragState::kLayerMove:
      layer_move_to(e);
      break;
    case DragState::kSelection:
      host_.selection_move(image, e.keys);
      break;
    default:
      break;
  }
  last_window_ = e.window;
  last_image_ = image;
  update_feedback(e);
}

void InputDispatcher::layer_move_to(const PointerEvent& e) {
  Layer* layer = doc_->current();
  if (!layer) return;
  const Point d = window_delta_to_image(*geometry_, int(std::lround(e.window.x - press_window_.x)),
                                        int(std::lround(e.window.y - press_window_.y)));
  IntPoint offset{e.keys.ctrl ? 0 : d.x, e.keys.shift ? 0 : d.y};
  if (offset == layer_offset_) return;
  layer_offset_ = offset;
  shift_layer(layer->image, doc_->backup(), offset.x, offset.y);
  composite_.composite(*doc_, doc_->bounds());
  host_.show_changes();
}

// --- release -----------------------------------------------------------------

void InputDispatcher::release(const PointerEvent& e) {
  if (e.source == PointerSource::kPen && e.button == PointerButton::kLeft) {
    has_pen_release_ = true;
    pen_release_ms_ = e.time_ms;
  }
  if (!active() || !same_start(e)) return;
  IntPoint a, b;
  switch (state_) {
    case DragState::kStroke:
      stroke_end(e);
      break;
    case DragState::kLine: {
      b = drag_end(e);
      a = press_pixel_;
      if (line_purpose_ == LinePurpose::kStraight) {
        figure_done(!draw_line(*doc_, settings_, to_f(a), to_f(b)).changed.empty());
      } else if (line_purpose_ == LinePurpose::kBezier) {
        bezier_ = {to_f(a), to_f(b), to_f(b), to_f(b)};
        bezier_[3] = to_f(b);
        bezier_stage_ = 0;
        state_ = DragState::kBezierControl;
        update_feedback(e);
        return;
      } else if (line_purpose_ == LinePurpose::kGradient) {
        const DrawingState& d = model_.state();
        GradientRequest request{a, b, d.options.grad, draw_type_, d.colours[size_t(1 - (d.current_colour & 1))],
                                e.keys.shift, e.keys.alt};
        BrushSettings s = settings_;
        if (draw_gradient(*doc_, s, request).drawn) {
          doc_->composite_all();
          figure_done(true);
        }
      } else {
        model_.set_ruler(ruler_from_drag(model_.state().ruler, press_image_, to_image(e.window)));
      }
      break;
    }
    case DragState::kRectangle:
      shape_corners(e, a, b);
      figure_done(!draw_rectangle(*doc_, settings_, to_f(a), to_f(b), draw_type_ == 3, false).changed.empty());
      break;
    case DragState::kEllipse:
      if (ellipse_ruler_) {
        model_.set_ruler(ruler_from_drag(model_.state().ruler, press_image_, to_image(e.window)));
        break;
      }
      shape_corners(e, a, b);
      figure_done(!draw_ellipse(*doc_, settings_, to_f(a), to_f(b), draw_type_ == 5).changed.empty());
      break;
    case DragState::kMultiClick:
      return;  // the figure goes on until the right button or a finishing key
    case DragState::kBezierControl:
      if (bezier_stage_ >= 2) draw_bezier_now();
      return;
    case DragState::kSpline:
      spline_.add(pixel_of(to_image(e.window)));
      update_feedback(e);
      return;
    case DragState::kLayerMove:
      if (layer_offset_.x || layer_offset_.y)
        doc_->pixel_recorder().record_rect_from(*doc_, doc_->backup(), doc_->bounds());
      composite_.end();
      if (layer_offset_.x || layer_offset_.y) host_.edit_finished();
      break;
    case DragState::kSelection:
      host_.selection_release(to_image(e.window), e.keys);
      break;
    case DragState::kTextPlacement:
      return;  // the text dialog ends it
    default:
      break;
  }
  to_idle();
}

void InputDispatcher::figure_done(bool drawn) {
  if (!drawn) return;
  host_.show_changes();
  host_.edit_finished();
}

// --- multi-click figures ------------------------------------------------------

void InputDispatcher::multi_click_add(IntPoint p) {
  const Rect r = line_figure_.add(to_f(p));
  if (!r.empty()) host_.show_changes();
  last_image_ = to_f(p);
}

void InputDispatcher::finish_multi_click() {
  const Rect r = line_figure_.end();
  to_idle();
  if (!r.empty()) host_.edit_finished();
}

void InputDispatcher::draw_bezier_now() {
  const std::array<PointF, 4> points = bezier_;
  to_idle();
  figure_done(!draw_bezier(*doc_, settings_, points).changed.empty());
}

void InputDispatcher::draw_spline_now() {
  const SplinePoints points = spline_;
  spline_.clear();
  to_idle();
  figure_done(!draw_spline(*doc_, settings_, points).changed.empty());
}

void InputDispatcher::remove_spline_point() {
  if (state_ != DragState::kSpline) return;
  SplinePoints fewer;
  const std::vector<IntPoint>& p = spline_.points();
  for (size_t i = 0; i + 1 < p.size(); ++i) fewer.add(p[i]);
  spline_ = fewer;
  host_.feedback_changed();
}

void InputDispatcher::finish() {
  switch (state_) {
    case DragState::kMultiClick: finish_multi_click(); break;
    case DragState::kBezierControl: draw_bezier_now(); break;
    case DragState::kSpline: draw_spline_now(); break;
    case DragState::kStroke: {
      PointerEvent e;
      e.window = last_window_;
      e.button = button_;
      e.source = source_;
      release(e);
      break;
    }
    case DragState::kLayerMove: {
      PointerEvent e;
      e.window = last_window_;
      e.button = button_;
      e.source = source_;
      release(e);
      break;
    }
    case DragState::kIdle: break;
    default: to_idle(); break;
  }
}

void InputDispatcher::end_text_placement() {
  if (state_ == DragState::kTextPlacement) to_idle();
}

void InputDispatcher::pointer_left() {
  if (state_ != DragState::kIdle || !feedback_.circle) return;
  feedback_.circle = false;
  host_.feedback_changed();
}

// --- geometry and feedback ------------------------------------------------------

IntPoint InputDispatcher::drag_end(const PointerEvent& e) const {
  IntPoint b = pixel_of(to_image(e.window));
  if (!e.keys.ctrl) return b;
  int dx = b.x - press_pixel_.x, dy = b.y - press_pixel_.y;
  const int ax = std::abs(dx), ay = std::abs(dy), big = std::max(ax, ay);
  if (std::abs(ax - ay) < big / 2.0) {
    dx = sign(dx) * big;
    dy = sign(dy) * big;
  } else if (ax > ay) {
    dy = 0;
  } else {
    dx = 0;
  }
  return {press_pixel_.x + dx, press_pixel_.y + dy};
}

void InputDispatcher::shape_corners(const PointerEvent& e, IntPoint& a, IntPoint& b) const {
  const IntPoint p = pixel_of(to_image(e.window));
  int dx = p.x - press_pixel_.x, dy = p.y - press_pixel_.y;
  if (e.keys.ctrl) {
    const int big = std::max(std::abs(dx), std::abs(dy));
    dx = (dx < 0 ? -1 : 1) * big;
    dy = (dy < 0 ? -1 : 1) * big;
  }
  if (e.keys.shift) {
    a = {press_pixel_.x - std::abs(dx), press_pixel_.y - std::abs(dy)};
    b = {press_pixel_.x + std::abs(dx), press_pixel_.y + std::abs(dy)};
  } else {
    a = press_pixel_;
    b = {press_pixel_.x + dx, press_pixel_.y + dy};
  }
}

void InputDispatcher::set_circle(PointF at, int size) {
  const Environment& env = model_.env();
  feedback_.circle = (env.opt_flag & kOptBrushCircle) && size >= env.brush_cir_size;
  feedback_.circle_centre = at;
  feedback_.circle_diameter = size;
}

void InputDispatcher::update_feedback(const PointerEvent& e) {
  const Feedback before = feedback_;
  feedback_ = {};
  const PointF image = to_image(e.window);
  const PointF pixel = to_f(pixel_of(image));
  IntPoint a, b;
  switch (state_) {
    case DragState::kIdle: {
      const int tool = model_.tool();
      if (is_brush_tool(PaintTool(tool)) && tool <= kToolBurn && model_.state().draw_type[size_t(tool)] == 0)
        set_circle(image, model_.state().brush_size[size_t(tool)]);
      break;
    }
    case DragState::kStroke:
      set_circle(last_point_, settings_.size);
      break;
    case DragState::kBrushSize:
      set_circle(press_image_, model_.state().brush_size[size_t(tool_)]);
      break;
    case DragState::kLine: {
      b = drag_end(e);
      feedback_.path = {to_f(press_pixel_), to_f(b)};
      feedback_.size_shown = true;
      feedback_.size_w = std::abs(b.x - press_pixel_.x) + 1;
      feedback_.size_h = std::abs(b.y - press_pixel_.y) + 1;
      break;
    }
    case DragState::kRectangle:
    case DragState::kEllipse:
      if (state_ == DragState::kEllipse && ellipse_ruler_) {
        const IntPoint p = pixel_of(image);
        const int hx = std::abs(p.x - press_pixel_.x), hy = std::abs(p.y - press_pixel_.y);
        a = {press_pixel_.x - hx, press_pixel_.y - hy};
        b = {press_pixel_.x + hx, press_pixel_.y + hy};
      } else {
        shape_corners(e, a, b);
      }
      feedback_.shape = state_ == DragState::kRectangle ? Feedback::Shape::kRectangle : Feedback::Shape::kEllipse;
      feedback_.a = to_f(a);
      feedback_.b = to_f(b);
      feedback_.size_shown = true;
      feedback_.size_w = std::abs(b.x - a.x) + 1;
      feedback_.size_h = std::abs(b.y - a.y) + 1;
      break;
    case DragState::kMultiClick:
      feedback_.path = {last_image_, pixel};
      break;
    case DragState::kBezierControl: {
      if (bezier_stage_ == 0) bezier_[1] = bezier_[2] = pixel;
      if (bezier_stage_ == 1) bezier_[2] = pixel;
      feedback_.path = {bezier_[0]};
      for (const PointF& p : bezier_points(bezier_)) feedback_.path.push_back(p);
      break;
    }
    case DragState::kSpline: {
      std::vector<IntPoint> points = spline_.points();
      if (points.empty() || !(points.back() == pixel_of(image))) points.push_back(pixel_of(image));
      if (points.size() >= 2) {
        feedback_.path = {to_f(points[0])};
        for (const PointF& p : spline_points(points)) feedback_.path.push_back(p);
      }
      break;
    }
    default:
      break;
  }
  const bool same = before.path == feedback_.path && before.shape == feedback_.shape && before.a == feedback_.a &&
                    before.b == feedback_.b && before.circle == feedback_.circle &&
                    before.circle_centre == feedback_.circle_centre &&
                    before.circle_diameter == feedback_.circle_diameter && before.size_shown == feedback_.size_shown &&
                    before.size_w == feedback_.size_w && before.size_h == feedback_.size_h;
  if (!same) host_.feedback_changed();
}

}  // namespace qm
