#pragma once
// Shows the document's composite at 100 %, centred on the canvas background.
// Everything is drawn into a window-sized backing raster; painting copies the
// part Qt asks for from it 1:1.
#include <QWidget>

#include "core/layer_image.h"

namespace qm {

class Document;

// Colour around the image (0xRRGGBB).
inline constexpr Pixel kDefaultCanvasBackground = 0xB4B4B4;

class CanvasWidget : public QWidget {
  Q_OBJECT

 public:
  explicit CanvasWidget(Document& document, QWidget* parent = nullptr);

  // Rebuilds the whole backing raster from the composite and repaints.
  void redraw_all();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  Document& document_;
  LayerImage backing_;
};

}  // namespace qm
