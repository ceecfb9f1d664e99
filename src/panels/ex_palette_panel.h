#pragma once
// The extended palette "拡張ﾊﾟﾚｯﾄ": generated colour tables in three layouts
// (HLS by lightness and saturation beside a hue column, and two HSV tables);
// a click makes the cell's colour the drawing colour at once.
#include <QImage>
#include <QWidget>

#include "panels/floating_panel.h"

class QToolButton;

namespace qm {

inline constexpr int kExPaletteWidth = 131, kExPaletteHeight = 142;

// The colour of cell (column, row) of a layout; in layout 0 `hue_index`
// (0 … 29) picks the hue of the grid.
uint32_t ex_palette_colour(int type, int hue_index, int column, int row);

class ExPaletteGrid : public QWidget {
  Q_OBJECT

 public:
  explicit ExPaletteGrid(QWidget* parent);
  void set_type(int type);  // resets the selection to the first cell
  int type() const { return type_; }
  int hue_index() const { return hue_; }
  QPoint selected() const { return cell_; }
  uint32_t selected_colour() const;
  const QImage& image() const { return image_; }

 signals:
  void colour_picked(uint32_t rgb);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void render();
  int type_ = 0;
  int hue_ = 0;
  QPoint cell_{0, 0};
  QImage image_;
};

class ExPalettePanel : public FloatingPanel {
  Q_OBJECT

 public:
  explicit ExPalettePanel(const PanelContext& context);
  ExPaletteGrid* grid() const { return grid_; }
  void set_type(int type);

 private:
  ExPaletteGrid* grid_;
  QToolButton* menu_button_;
};

}  // namespace qm
