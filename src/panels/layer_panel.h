#pragma once
// The layer window: a toolbar of layer commands, a header editing the current
// layer (blend mode, opacity, fill reference, mask mode) and the owner-drawn
// list of layers with its scroll bar. It owns no document data: every change
// goes through the Document, then the canvas and the affected rows refresh.
#include <QStringList>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "panels/floating_panel.h"
#include "panels/layer_list_geometry.h"
#include "panels/layer_row_painter.h"
#include "panels/layer_thumbnails.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QScrollBar;
class QSlider;
class QVBoxLayout;

namespace qm {

class Document;
class LayerPanel;

// The list itself: rows, hit testing, drag to reorder, context menu.
class LayerView : public QWidget {
 public:
  explicit LayerView(LayerPanel& panel);
  int top_row() const { return top_row_; }
  void set_top_row(int row);
  int rows_fitting() const { return height() / kLayerRowHeight + 1; }
  int drag_state() const { return drag_state_; }
  int drag_target() const { return drag_target_; }
  void update_row(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  LayerPanel& panel_;
  LayerRowFonts fonts_ = layer_row_fonts();
  int top_row_ = 0;
  int drag_state_ = 0;  // 0 idle, 1 button down on a row, 2 dragging
  int drag_target_ = -1;
};

class LayerPanel : public FloatingPanel {
  Q_OBJECT

 public:
  explicit LayerPanel(const PanelContext& context);

  // How the canvas shows a recomposited document (set by the main window).
  void set_canvas_refresh(std::function<void()> refresh) { canvas_refresh_ = std::move(refresh); }
  // Everything again: list, header and, when asked, every thumbnail.
  void refresh(bool thumbnails = true);
  // After the canvas changed (strokes, fills, filters, undo): rebuilds the
  // list when the stack changed, otherwise redraws only the rows whose layer
  // changed.
  void check_changes();
  // The settings dialog for the layer at `index`; true on OK.
  bool open_settings(int index);
  // A context-menu item run on the current layer against the layer at
  // `target` (see layer_target_operations.h), then the canvas refreshed.
  void process_against(int target, int item);
  // Dropped files: one layer each, in the order given, named after the file.
  void add_files(const QStringList& paths);

  Document& document() const;
  LayerView& view() { return *view_; }
  const Thumbnail& thumbnail(int index) const;
  void refresh_canvas() const {
    if (canvas_refresh_) canvas_refresh_();
  }
  void refresh_header();
  void sync_scroll_bar();

 protected:
  void drawing_changed(uint32_t what) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  struct RowKey {
    const void* layer = nullptr;
    std::string name;
    int blend = 0, opacity = 0, mask = 0, flags = 0;
    bool current = false;
    bool operator==(const RowKey&) const = default;
  };
  RowKey key_of(int index) const;
  void build_toolbar(QVBoxLayout* layout);
  void build_header(QVBoxLayout* layout);

  LayerView* view_ = nullptr;
  QScrollBar* scroll_ = nullptr;
  QComboBox* blend_ = nullptr;
  QSlider* opacity_ = nullptr;
  QCheckBox* fill_reference_ = nullptr;
  QButtonGroup* masks_ = nullptr;
  bool updating_header_ = false;
  std::function<void()> canvas_refresh_;
  std::vector<RowKey> keys_;
  std::vector<Thumbnail> thumbs_;
  int history_[3] = {-1, -1, -1};
};

}  // namespace qm
