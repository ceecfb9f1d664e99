#pragma once
// The open dialog's preview pane: the picture of the file under the cursor
// (a layered file's stored thumbnail), fitted into a square, and the check
// box that switches it on and off (ExViewFlag 0x10).
#include <QWidget>

class QCheckBox;
class QFileDialog;
class QLabel;

namespace qm {

inline constexpr int kOpenPreviewSide = 160;

class OpenPreview : public QWidget {
  Q_OBJECT

 public:
  OpenPreview(bool enabled, QWidget* parent = nullptr);

  bool enabled() const;
  // Shows `path` (nothing for a folder or an unreadable file).
  void show_file(const QString& path);
  // What is shown now; null when nothing.
  QImage shown() const { return shown_; }

 private:
  QCheckBox* check_;
  QLabel* picture_;
  QString path_;
  QImage shown_;
};

// Adds the pane beside a Qt file dialog's contents (the dialog becomes Qt's
// own, which can hold it) and follows the dialog's current file.
OpenPreview* add_open_preview(QFileDialog& dialog, bool enabled);

}  // namespace qm
