// Start-up: the first document (300 × 300, one layer), then the main window.
#include <QApplication>

#include "app/main_window.h"
#include "document/document.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("quillmark2"));

  // Declared before the window, so it outlives every view of it.
  qm::Document document;
  if (!document.new_canvas(300, 300, true)) return 1;
  document.composite_all();

  qm::MainWindow window(document);
  window.resize(800, 600);
  window.show();
  return app.exec();
}
