#pragma once
// The text dialog ("문자"): the text being placed and the text settings,
// edited as copies. It only edits; the text tool previews, commits or
// cancels when told (changed(), closed()). Typing redraws once the typing
// pauses (a 10 ms timer, at least 20 ms after the last change).
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <string>

#include "paint/point.h"
#include "state/drawing_state.h"

class QCheckBox;
class QComboBox;
class QPlainTextEdit;
class QSpinBox;

namespace qm {

class TextDialog : public QDialog {
  Q_OBJECT

 public:
  // Longest text kept, in characters (code points).
  static constexpr int kMaxTextChars = 2047;

  TextDialog(const TextSettings& settings, const std::u32string& text, IntPoint at, QWidget* parent);

  const TextSettings& settings() const { return settings_; }
  std::u32string text() const;
  IntPoint position() const { return at_; }
  void set_position(IntPoint at);

  QPlainTextEdit* text_box() const { return text_box_; }
  // Alt + an arrow: the position moves by one pixel. False for other keys.
  bool nudge(int key);
  // Places the dialog at WinX, WinY, or centred over `owner` when unset.
  void place_over(const QWidget* owner);

 signals:
  // Something the preview shows changed (settings, text or position).
  void changed();
  // The dialog is done: true for "그리기", false for "취소".
  void closed(bool commit);

 protected:
  void done(int result) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void build();
  void fill_fonts();
  void read_controls();
  void text_edited();
  void typing_tick();

  TextSettings settings_;
  IntPoint at_;
  QComboBox* font_ = nullptr;
  QSpinBox* size_ = nullptr;
  QSpinBox* char_space_ = nullptr;
  QSpinBox* line_space_ = nullptr;
  QCheckBox* bold_ = nullptr;
  QCheckBox* italic_ = nullptr;
  QCheckBox* vertical_ = nullptr;
  QCheckBox* smooth_ = nullptr;
  QCheckBox* preview_ = nullptr;
  QSpinBox* x_ = nullptr;
  QSpinBox* y_ = nullptr;
  QPlainTextEdit* text_box_ = nullptr;
  QTimer typing_;
  QElapsedTimer since_change_;
  bool building_ = true;
  bool closing_ = false;
};

// Text of the box as code points, cut to `max_chars` (a surrogate pair is
// one character and never split).
std::u32string text_code_points(const QString& text, int max_chars);

}  // namespace qm
