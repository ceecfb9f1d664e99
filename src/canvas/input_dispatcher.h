#pragma once
// The canvas input layer: presses, moves and releases of the mouse and the
// pen become tool actions. A press picks one drag state by the keys held,
// the key-and-click bindings, the current tool and its draw type; the state
// runs until the release of the button and device that started it (the
// multi-click figures until their own end), calling the painting engine and
// recording one undo step per stroke or figure. Qt-free: the canvas widget
// feeds it plain events and draws feedback() in its paint pass.
#include <array>
#include <memory>
#include <vector>

#include "canvas/colour_pick.h"
#include "canvas/input_types.h"
#include "canvas/pending_work.h"
#include "canvas/ruler.h"
#include "canvas/stroke_composite.h"
#include "canvas/view_mapping.h"
#include "core/dib_image.h"
#include "document/document.h"
#include "paint/curves.h"
#include "paint/flood_fill.h"
#include "paint/freehand.h"
#include "paint/line_figure.h"
#include "state/drawing_state_model.h"
#include "state/key_bindings.h"

namespace qm {

// What the input layer asks of the program around it. Every call has a
// harmless default, so tests implement only what they look at.
class InputHost {
 public:
  virtual ~InputHost() = default;
  // The document recomposited part of its image: bring it to the screen.
  virtual void show_changes() {}
  // Canvas move: scroll the view by screen pixels.
  virtual void scroll_by(int /*dx*/, int /*dy*/) {}
  // A stroke or figure was recorded: thumbnails, preview, menu states.
  virtual void edit_finished() {}
  virtual void feedback_changed() {}
  // Pen side-button action 4.
  virtual void undo() {}
  // The selected texture (used only when textures are on).
  virtual TextureView texture() { return {}; }
  // The text tool placed (or moved) the text at `at`. True when a text
  // dialog took over: the placement state then lasts until
  // end_text_placement().
  virtual bool place_text(IntPoint /*at*/, bool /*moved*/) { return false; }
  // The rectangle selection (tool 18): a press starts a selection drag when
  // this returns true; its moves and release follow.
  virtual bool selection_press(PointF /*image*/, const HeldKeys&) { return false; }
  virtual void selection_move(PointF /*image*/, const HeldKeys&) {}
  virtual void selection_release(PointF /*image*/, const HeldKeys&) {}
  virtual void selection_menu(PointF /*image*/) {}
  virtual bool has_floating_selection() { return false; }
};

enum class DragState : uint8_t {
  kIdle,
  kCanvasMove,
  kStroke,
  kLine,
  kRectangle,
  kEllipse,
  kMultiClick,
  kBezierControl,
  kSpline,
  kBrushSize,
  kLayerMove,
  kSelection,
  kTextPlacement,
  kRulerCentre,
  kBusy,
};

// Freehand stroke classes by tool.
enum class StrokeClass : uint8_t { kPixel, kThinLine, kBrush, kDirect, kSmudge };
StrokeClass stroke_class_of(int tool);

class InputDispatcher {
 public:
  static constexpr int64_t kMouseAfterPenMs = 500;

  // `geometry` is the canvas view's, read at every event.
  InputDispatcher(Document& doc, DrawingStateModel& model, const KeyBindings& keys,
                  PendingWork& pending, const ViewGeometry& geometry, InputHost& host);
  ~InputDispatcher();
  InputDispatcher(const InputDispatcher&) = delete;
  InputDispatcher& operator=(const InputDispatcher&) = delete;

  void set_document(Document& doc) { doc_ = &doc; }

  void press(const PointerEvent& e);
  void move(const PointerEvent& e);
  void release(const PointerEvent& e);

  DragState state() const { return state_; }
  bool active() const { return state_ != DragState::kIdle; }
  // The pointer grab: held by every state but the text placement.
  bool wants_grab() const { return active() && state_ != DragState::kTextPlacement; }
  // Whether mouse moves without a button matter (hover circle, figures).
  CanvasKeyState key_state() const;
  const Feedback& feedback() const { return feedback_; }

  // Ends whatever is open: a multi-click figure or curve is drawn, a stroke
  // ended; registered as a finisher of the pending work.
  void finish();
  // Escape / Enter during a figure; Backspace during a spline.
  void finish_figure() { finish(); }
  void remove_spline_point();
  // The text dialog is done with the placement.
  void end_text_placement();
  // The pointer left the canvas: the hover circle goes.
  void pointer_left();

 private:
  enum class LinePurpose : uint8_t { kStraight, kBezier, kGradient, kRuler };

  PointF to_image(PointF window) const { return window_to_image_fractional(*geometry_, window.x, window.y); }
  bool same_start(const PointerEvent& e) const { return e.button == button_ && e.source == source_; }
  void enter(DragState s, const PointerEvent& e);
  void to_idle();
  void press_active(const PointerEvent& e);
  void press_left(const PointerEvent& e);
  void press_painting_tool(const PointerEvent& e, int draw_type);
  void pick_colour(const PointerEvent& e);
  void side_button(const PointerEvent& e, int action);
  void area_operation(const PointerEvent& e);
  void fill_at_point(const PointerEvent& e, bool erase);

  void stroke_begin(const PointerEvent& e);
  void stroke_move(const PointerEvent& e);
  void stroke_end(const PointerEvent& e);
  void layer_move_to(const PointerEvent& e);
  void multi_click_add(IntPoint p);
  void finish_multi_click();
  void draw_bezier_now();
  void draw_spline_now();
  void figure_done(bool drawn);

  IntPoint drag_end(const PointerEvent& e) const;  // Ctrl snap for lines
  void shape_corners(const PointerEvent& e, IntPoint& a, IntPoint& b) const;
  void update_feedback(const PointerEvent& e);
  void set_circle(PointF at, int size);
  BrushSettings settings_for(int tool);

  Document* doc_;
  DrawingStateModel& model_;
  const KeyBindings& keys_;
  PendingWork& pending_;
  const ViewGeometry* geometry_;
  InputHost& host_;
  int pending_id_ = 0;

  DragState state_ = DragState::kIdle;
  PointerButton button_ = PointerButton::kLeft;
  PointerSource source_ = PointerSource::kMouse;
  PointF press_window_, last_window_;
  PointF press_image_, last_image_;
  IntPoint press_pixel_;
  int tool_ = 0, draw_type_ = 0;
  BrushSettings settings_;
  LinePurpose line_purpose_ = LinePurpose::kStraight;
  bool ellipse_ruler_ = false;
  int start_size_ = 1;
  IntPoint layer_offset_;
  bool has_pen_release_ = false;
  int64_t pen_release_ms_ = 0;

  FreehandStroke stroke_;
  RulerStroke ruler_;
  bool ruler_on_ = false;
  PointF last_point_;
  StrokeComposite composite_;
  LineFigure line_figure_;
  std::array<PointF, 4> bezier_{};
  int bezier_stage_ = 0;  // control points fixed so far
  SplinePoints spline_;
  BlendPick blend_pick_;
  RegionMap region_map_;
  Feedback feedback_;
};

}  // namespace qm
