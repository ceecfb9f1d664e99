#pragma once
// The Rectangle select tool on the canvas: the hover handles, resizing a
// frame, lifting and moving its pixels, dragging a new frame; and the one
// "end the selection" step that Ctrl+D, every tool change, undo and redo and
// the pending work run. Qt-free; the canvas widget forwards the input
// layer's selection calls here and draws display_frame().
#include <optional>

#include "canvas/input_types.h"
#include "canvas/pending_work.h"
#include "canvas/selection.h"
#include "canvas/stroke_composite.h"
#include "document/document.h"
#include "state/drawing_state_model.h"

namespace qm {

// Hover handle codes over a frame.
enum SelectionHandle : int {
  kHandleNone = 0,
  kHandleTop = 1,
  kHandleBottom = 2,
  kHandleLeft = 3,
  kHandleRight = 4,
  kHandleTopLeft = 5,
  kHandleBottomRight = 6,
  kHandleTopRight = 7,
  kHandleBottomLeft = 8,
};

// The handle under `image` for a frame at `scale` percent (3 image pixels of
// tolerance up to 100 %, 1 above).
int selection_handle_at(Rect frame, PointF image, int scale);

// What the tool tells the program around it.
class SelectionHost {
 public:
  virtual ~SelectionHost() = default;
  // The document recomposited part of its image (Document::take_dirty).
  virtual void pixels_changed() {}
  // The frame to draw changed.
  virtual void frame_changed() {}
  // An undo step was recorded (menus, thumbnails).
  virtual void edit_finished() {}
  // The dragged size for the information bar; `shown` false when the drag ended.
  virtual void frame_size(int /*w*/, int /*h*/, bool /*shown*/) {}
};

class SelectionTool {
 public:
  enum class Drag : uint8_t { kNone, kNewFrame, kResize, kMove };

  SelectionTool(Document& doc, Selection& selection, DrawingStateModel& model, PendingWork& pending);
  ~SelectionTool();
  SelectionTool(const SelectionTool&) = delete;
  SelectionTool& operator=(const SelectionTool&) = delete;

  void set_host(SelectionHost* host) { host_ = host ? host : &null_host_; }
  Selection& selection() { return selection_; }
  const Selection& selection() const { return selection_; }
  Drag drag() const { return drag_; }
  bool tool_current() const;
  bool composite() const { return model_.env().ex_view_flag & kViewPasteComposite; }

  // The handle code the pointer shows (0 while floating: a floating image is
  // moved, never resized).
  int hover(PointF image, int scale) const;
  // `scale` is the view's zoom at the press.
  bool press(PointF image, const HeldKeys& keys, int scale);
  void move(PointF image, const HeldKeys& keys);
  void release(PointF image, const HeldKeys& keys);

  // The rectangle to draw (the rubber band while a frame is dragged), or none.
  std::optional<Rect> display_frame() const;

  // Puts a floating image down and ends the selection (Ctrl+D, tool change).
  void end_selection();
  // The pending-work step: a floating image is put down, its frame stays.
  void finish_pending();
  // Undo and redo: the selection ends; the plain frame there was, if any, is
  // returned to be set again after the step.
  std::optional<Rect> end_for_history();
  void restore_frame(std::optional<Rect> frame);
  // A command changed the frame: it is drawn again.
  void refresh_frame() { host_->frame_changed(); }
  // A floating image at (x, y) over the current layer (paste).
  bool paste(LayerImage image, int x, int y);

 private:
  void put_down(bool keep_frame);
  void show_move();
  Rect drag_rect() const;

  Document& doc_;
  Selection& selection_;
  DrawingStateModel& model_;
  PendingWork& pending_;
  SelectionHost null_host_;
  SelectionHost* host_ = &null_host_;
  int pending_id_ = 0;
  int listener_id_ = 0;
  int last_tool_ = 0;

  Drag drag_ = Drag::kNone;
  int handle_ = 0;
  IntPoint press_pixel_, last_pixel_;
  Rect start_frame_;
  PointF last_image_;
  double move_x_ = 0, move_y_ = 0;  // accumulated pointer movement
  IntPoint start_offset_;
  StrokeComposite composite_;
};

}  // namespace qm
