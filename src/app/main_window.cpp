#include "app/main_window.h"

#include "app/canvas_widget.h"

namespace qm {

MainWindow::MainWindow(Document& document, QWidget* parent)
    : QMainWindow(parent), canvas_(new CanvasWidget(document, this)) {
  // A document that was never saved is shown as "new".
  setWindowTitle(QStringLiteral("Quillmark2 - 新規作成"));
  setCentralWidget(canvas_);
}

}  // namespace qm
