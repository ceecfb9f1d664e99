#pragma once
// The main window: title and the canvas as its central widget.
#include <QMainWindow>

namespace qm {

class Document;
class CanvasWidget;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(Document& document, QWidget* parent = nullptr);

 private:
  CanvasWidget* canvas_;  // owned by Qt as the central widget
};

}  // namespace qm
