#pragma once
// The JPEG panel of the save dialog (509): "JPEG 품질[1-100]" and the
// "압축 사용 안함" box, editing JPEGComp (low bits quality 1..100, bit 15
// chroma subsampling, set when the box is checked).
#include <QWidget>

class QCheckBox;
class QFileDialog;
class QSpinBox;

namespace qm {

inline constexpr int kJpegSubsampleBit = 0x8000;

// JPEGComp from its two parts; the quality is clamped to 1..100.
int make_jpeg_comp(int quality, bool subsample);
constexpr int jpeg_quality_of(int jpeg_comp) { return jpeg_comp & 0xFF; }
constexpr bool jpeg_subsample_of(int jpeg_comp) { return (jpeg_comp & kJpegSubsampleBit) != 0; }

class JpegQualityPanel : public QWidget {
  Q_OBJECT

 public:
  explicit JpegQualityPanel(int jpeg_comp, QWidget* parent = nullptr);
  // The value to store in JPEGComp when the save dialog is accepted.
  int jpeg_comp() const;

 private:
  QSpinBox* quality_;
  QCheckBox* subsample_;
};

// Adds the panel under the controls of a file dialog. The dialog is switched
// to Qt's own file dialog (a native one cannot hold extra controls) and owns
// the panel; read panel->jpeg_comp() after exec() returns Accepted.
JpegQualityPanel* add_jpeg_quality_panel(QFileDialog& dialog, int jpeg_comp);

}  // namespace qm
