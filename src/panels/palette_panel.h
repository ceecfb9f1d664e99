#pragma once
// The palette window: the palettes of the store under numbered tabs, each a
// grid of 1024 cells; clicks pick and store drawing colours, and its menu
// adds and deletes tabs, opens, saves, edits, sorts and clears palettes.
#include <QDialog>
#include <QWidget>
#include <functional>

#include "formats/palette_store.h"
#include "panels/floating_panel.h"

class QLineEdit;
class QMenuBar;
class QScrollBar;
class QTabBar;

namespace qm {

// Cell geometry of the grid: `width` × `height` cells on a 1-pixel gap.
struct PaletteGridLayout {
  int cell_w = 12, cell_h = 12;
  int client_w = 0;
  int columns() const { return std::max(1, (client_w - 1) / (cell_w + 1)); }
  int rows() const { return (kPaletteColours + columns() - 1) / columns(); }
  // The cell under a point of the client area (`top_row` scrolled off), or −1.
  int hit(int x, int y, int top_row) const;
};

class PaletteGrid : public QWidget {
  Q_OBJECT

 public:
  PaletteGrid(QWidget* parent, QScrollBar* scroll);
  void set_palette(Palette* palette, int cell_w, int cell_h);
  PaletteGridLayout layout() const { return {cell_w_, cell_h_, width()}; }
  int top_row() const;

 signals:
  // button: 0 left, 1 control + left, 2 right; a ramp from `cell` to `to`.
  void cell_clicked(int cell, int kind);
  void ramp(int from, int to);

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void sync_scroll();
  QRect cell_rect(int cell) const;
  Palette* palette_ = nullptr;
  QScrollBar* scroll_;
  int cell_w_ = 12, cell_h_ = 12;
  int pressed_ = -1;       // framed while the button is down
  int ramp_from_ = -1;     // alt + drag
  QPoint ramp_end_;
};

// Dialog 506: a copy of one palette, 256 cells at a time, with the insert,
// delete, gradient and RGB buttons.
class PaletteEditDialog : public QDialog {
  Q_OBJECT

 public:
  PaletteEditDialog(const Palette& palette, QWidget* parent);
  const Palette& palette() const { return palette_; }
  int selection(int which) const { return sel_[which]; }
  void select(int which, int cell);
  QLineEdit* rgb_edit() const { return rgb_; }
  // The buttons, in their order: insert, delete, insert between, delete
  // between, gradient between, set RGB.
  void press(int button);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Palette palette_;
  int sel_[2] = {0, 0};
  QWidget* grid_;
  QScrollBar* scroll_;
  QLineEdit* rgb_;
};

class PalettePanel : public FloatingPanel {
  Q_OBJECT

 public:
  explicit PalettePanel(const PanelContext& context);

  int current() const;
  void select_tab(int index);
  QTabBar* tabs() const { return tabs_; }
  PaletteGrid* grid() const { return grid_; }

  // Menu 202.
  void run(int id);
  bool add_tab();
  bool delete_tab();
  bool open_file(const QString& path);
  bool save_file(const QString& path);
  bool from_picture(const QString& path);
  void sort();
  void whiten();
  void apply_view_settings(int cell_w, int cell_h, int right_button);
  void cell_clicked(int cell, int kind);

  // Messages go here (a message box unless replaced).
  std::function<void(const QString&)> message;

 private:
  void refresh();
  void changed();
  Palette& palette();
  QMenuBar* menu_;
  QTabBar* tabs_;
  QScrollBar* scroll_;
  PaletteGrid* grid_;
};

}  // namespace qm
