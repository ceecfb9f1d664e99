// Writes a picture of a generated filter dialog with its preview panel
// (Lines, dialog 707, 200 × 200 panel) for the documentation. Not a test:
//
//   QT_QPA_PLATFORM=offscreen build/tests/filters/filter_dialog_screenshot docs/filter-dialog.png
//
// Until the Lines algorithm is in the program the panel shows the layer
// unfiltered, over the checkerboard where it is transparent.
#include <QApplication>
#include <QTimer>

#include "app/filters/filter_dialog.h"

namespace {

class Host : public qm::FilterHost {
 public:
  qm::AppState& state() override { return state_; }
  QWidget* owner() override { return nullptr; }
  int run_job(const qm::JobFunction&) override { return 0; }
  void pixels_changed(qm::Rect) override {}

 private:
  qm::AppState state_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) return 2;
  Host host;
  qm::Document& doc = host.state().document;
  doc.new_canvas(400, 300, true);
  qm::LayerImage& img = doc.current()->image;
  // A soft disc of colour on a transparent layer.
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const int dx = x - 100, dy = y - 90, d2 = dx * dx + dy * dy;
      const int a = d2 < 80 * 80 ? 255 : d2 < 95 * 95 ? 255 * (95 * 95 - d2) / (95 * 95 - 80 * 80) : 0;
      img.row(y)[x] = a == 0 ? qm::kTransparent
                             : qm::make_pixel(uint32_t(a), uint32_t(40 + x / 3), uint32_t(90 + y / 4), 200);
    }
  const qm::filters::FilterCommand& lines = *qm::filters::find_filter_command(41013);
  qm::FilterDialog dialog(host, lines, *qm::filters::filter_dialog(lines.dialog_id), doc.bounds(), {});
  dialog.show();
  QTimer::singleShot(200, [&] {
    const bool saved = dialog.grab().save(QString::fromLocal8Bit(argv[1]));
    app.exit(saved ? 0 : 1);
  });
  return app.exec();
}
