#pragma once
// The text tool: a press on the canvas places the text and opens the text
// dialog; further presses move it. While the dialog is open the text is
// previewed on the current layer; "그리기" draws it as one undo step,
// "취소" takes the preview off. The dialog's settings and text are kept
// for the next time either way. An open text is finished (drawn) by the
// program's "finish what is pending" step.
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "paint/text_preview.h"
#include "panels/text_dialog.h"

namespace qm {

struct AppState;
class AcceleratorPause;

struct TextToolHost {
  QWidget* main_window = nullptr;          // owns the dialog; its accelerators pause
  QWidget* canvas = nullptr;               // Alt + arrows there move the text too
  std::function<void()> show_changes;      // the document recomposited: present it
  std::function<void()> edit_finished;     // a text was recorded
  std::function<void()> end_placement;     // the canvas returns to idle
};

class TextTool : public QObject {
  Q_OBJECT

 public:
  TextTool(AppState& state, TextToolHost host, QObject* parent = nullptr);
  ~TextTool() override;

  // The canvas hook: the text placed at `at` (or moved there). True while
  // the dialog takes over the placement.
  bool place(IntPoint at, bool moved);
  TextDialog* dialog() const { return dialog_; }
  bool accelerators_paused() const;
  // Ends an open text as "그리기" would.
  void finish();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void preview();
  void close(bool commit);
  TextJob job();

  AppState& state_;
  TextToolHost host_;
  AcceleratorPause* pause_ = nullptr;
  TextPreview preview_;
  QPointer<TextDialog> dialog_;
  std::unique_ptr<GlyphSource> glyphs_;
  TextFont glyphs_font_;
  bool glyphs_tried_ = false;
  std::u32string text_;  // kept between dialogs
  int pending_id_ = 0;
};

}  // namespace qm
