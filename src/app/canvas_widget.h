#pragma once
// The canvas window: shows the view's backing buffer and hands the window's
// events on. All view arithmetic lives in CanvasView (Qt-free); this widget
// only paints the rectangles the view redrew, keeps the scroll bars in step
// with it, and forwards pointer and key events in window coordinates.
#include <QAbstractScrollArea>
#include <functional>
#include <memory>

#include "app/out_of_memory.h"
#include "canvas/canvas_view.h"
#include "canvas/input_dispatcher.h"
#include "canvas/selection_tool.h"

namespace qm {

class Document;
class HeldKeyTracker;
class TabletEventFilter;
class TabletPacketHandler;
struct TabletPacket;

class CanvasWidget : public QAbstractScrollArea, private InputHost, private SelectionHost {
  Q_OBJECT

 public:
  // Creates the backing buffer at the largest screen size.
  explicit CanvasWidget(Document& document, QWidget* parent = nullptr);

  ~CanvasWidget() override;

  // Pointer input goes to a dispatcher over the drawing state from now on.
  // `texture` gives the selected texture (used when textures are on).
  void attach_input(DrawingStateModel& model, const KeyBindings& keys, PendingWork& pending,
                    std::function<TextureView()> texture = {});
  // Null until attached.
  InputDispatcher* input() { return input_.get(); }
  HeldKeyTracker* held_keys() { return held_keys_; }
  // The Rectangle select tool over `selection` from now on (its frame is
  // drawn, its handles shown); null until attached.
  void attach_selection(Selection& selection, DrawingStateModel& model, PendingWork& pending);
  SelectionTool* selection_tool() { return selection_tool_.get(); }

  // The pen: from open_tablet() (start-up, when TabletFlag bit 0 is set)
  // until close_tablet() its tablet events drive the input layer, and the
  // mouse events Qt or the system make from the pen are dropped. Closed, a
  // pen works as a mouse. Needs attach_input first.
  void open_tablet();
  void close_tablet();
  bool tablet_open() const { return tablet_filter_ != nullptr; }
  TabletPacketHandler* tablet() { return tablet_.get(); }

  // The text tool's hook for presses with tool 16 (see InputHost::place_text).
  void set_text_placer(std::function<bool(IntPoint at, bool moved)> placer) { text_placer_ = std::move(placer); }

  CanvasView& view() { return view_; }
  const CanvasView& view() const { return view_; }

  // Each of these changes the view, repaints what it redrew and updates the
  // scroll bars.
  void set_settings(const ViewSettings& settings);
  void document_changed();  // new, opened or resized Document
  // A Document that replaced the old one already composited (the open and
  // new-canvas flows composite before they hand it over): size, centre and
  // rescale, without compositing again.
  void document_replaced();
  void update_rect(Rect image_rect);  // after an edit of the image
  void present_dirty();  // after a layer operation recomposited by itself
  void redraw_all();
  void set_scale(int percent);
  void zoom_in();
  void zoom_out();
  void zoom_to_preset(int index);
  void scroll_by(int dx, int dy);  // screen pixels (canvas move)
  void scroll_to_image_point(double x, double y);
  void toggle_mirror();
  void toggle_checker();
  void toggle_grid();

 signals:
  // Pointer input over the canvas, in window (client) coordinates.
  void pointer_pressed(QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons,
                       Qt::KeyboardModifiers modifiers);
  void pointer_moved(QPoint pos, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
  void pointer_released(QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons,
                        Qt::KeyboardModifiers modifiers);
  // Keys reach the program's key bindings through these (Tab included; the
  // canvas never moves focus with it).
  void key_pressed(int key, Qt::KeyboardModifiers modifiers, bool auto_repeat);
  void key_released(int key, Qt::KeyboardModifiers modifiers, bool auto_repeat);
  // For the information bar.
  void pointer_image_position(int x, int y);
  void scale_changed(int percent);
  void image_size_changed(int width, int height);
  // After every paint of the canvas area (the start-up timing listens).
  void painted();
  // From the input layer: a stroke or figure was recorded; the pen's side
  // button asked for undo; the size of a drag for the information bar
  // (`shown` false: the drag ended).
  void stroke_recorded();
  void undo_requested();
  void drag_size(int w, int h, bool shown);
  // A tool ran out of memory (a fill's buffers, a stroke's copy): the
  // operation was dropped and the user is to be told.
  void out_of_memory();
  // The right button with the Rectangle select tool: the Select menu at `global`.
  void selection_menu_requested(QPoint global);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  // Repaints a rectangle the view returned and brings the bars up to date.
  void show_rect(Rect window_rect);
  // Window (logical) and view (device) pixels.
  qreal pixel_ratio() const;
  QSize view_size() const;
  QPointF to_view(QPointF window) const;
  QRect to_window(Rect view_rect) const;
  QRect to_view_rect(const QRect& window_rect) const;
  void sync_scroll_bars();
  PointerEvent pointer_event(QMouseEvent* event, Qt::MouseButton button) const;
  void after_pointer_event();
  bool pen_echo(const QMouseEvent* event) const;
  void tablet_packet(const TabletPacket& packet, PointF cursor, Qt::KeyboardModifiers modifiers);
  // Pointer work that runs out of memory ends here, not in Qt's event loop.
  template <class Work>
  void guarded(Work&& work) {
    run_guarded(work, [this] { emit out_of_memory(); });
  }

  // InputHost
  void show_changes() override { present_dirty(); }
  // (scroll_by above serves the canvas move as it is.)
  void edit_finished() override { emit stroke_recorded(); }
  void feedback_changed() override;
  void undo() override { emit undo_requested(); }
  TextureView texture() override { return texture_ ? texture_() : TextureView{}; }
  bool selection_press(PointF image, const HeldKeys& keys) override;
  void selection_move(PointF image, const HeldKeys& keys) override;
  void selection_release(PointF image, const HeldKeys& keys) override;
  void selection_menu(PointF image) override;
  bool has_floating_selection() override;
  // SelectionHost (show_changes and edit_finished above serve it too)
  void pixels_changed() override { present_dirty(); }
  void frame_changed() override;
  void frame_size(int w, int h, bool shown) override { emit drag_size(w, h, shown); }
  void update_selection_cursor(PointF image);
  bool place_text(IntPoint at, bool moved) override { return text_placer_ && text_placer_(at, moved); }

  CanvasView view_;
  bool placed_ = false;   // false until first shown: sizes centre the image
  bool syncing_ = false;  // the bars are being set from the view
  int last_scale_ = 0;
  std::unique_ptr<InputDispatcher> input_;
  std::unique_ptr<TabletPacketHandler> tablet_;
  std::unique_ptr<TabletEventFilter> tablet_filter_;
  HeldKeyTracker* held_keys_ = nullptr;
  std::function<TextureView()> texture_;
  DrawingStateModel* model_ = nullptr;
  std::function<bool(IntPoint, bool)> text_placer_;
  Rect feedback_rect_;  // window pixels the feedback covered at the last paint
  std::unique_ptr<SelectionTool> selection_tool_;
  Rect frame_rect_;  // window pixels the selection frame covered
  bool select_menu_pending_ = false;
};

}  // namespace qm
