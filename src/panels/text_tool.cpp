#include "panels/text_tool.h"

#include <QKeyEvent>

#include "app/app_state.h"
#include "canvas/tool_rules.h"
#include "panels/accelerator_pause.h"
#include "panels/text_dialog.h"
#include "platform/outline_font.h"

namespace qm {

namespace {

constexpr int kBold = 0x001, kItalic = 0x002, kVertical = 0x004, kSmooth = 0x008, kPreview = 0x100;

TextFont font_of(const TextSettings& s) {
  TextFont f;
  f.face = s.font_name;
  f.char_set = s.char_set;
  f.size = std::max(1, s.font_size);
  f.bold = s.flag & kBold;
  f.italic = s.flag & kItalic;
  return f;
}

bool same_font(const TextFont& a, const TextFont& b) {
  return a.face == b.face && a.char_set == b.char_set && a.size == b.size && a.bold == b.bold &&
         a.italic == b.italic;
}

}  // namespace

TextTool::TextTool(AppState& state, TextToolHost host, QObject* parent)
    : QObject(parent), state_(state), host_(std::move(host)) {
  pause_ = new AcceleratorPause(host_.main_window);
  pending_id_ = state_.pending.add([this] { finish(); });
  if (host_.canvas) host_.canvas->installEventFilter(this);
  // Closing the program asks about unsaved changes: an open text is one.
  if (host_.main_window) host_.main_window->installEventFilter(this);
}

bool TextTool::eventFilter(QObject* watched, QEvent* event) {
  if (dialog_ && watched == host_.main_window && event->type() == QEvent::Close) finish();
  if (dialog_ && watched == host_.canvas && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & Qt::AltModifier) && dialog_->nudge(key->key())) return true;
  }
  return QObject::eventFilter(watched, event);
}

TextTool::~TextTool() {
  state_.pending.remove(pending_id_);
  if (dialog_) delete dialog_.data();
}

bool TextTool::accelerators_paused() const { return pause_->paused(); }

bool TextTool::place(IntPoint at, bool moved) {
  if (dialog_) {
    dialog_->set_position(at);
    return true;
  }
  (void)moved;
  // The layer as it is now is what every preview and the undo step restore.
  if (state_.busy || !preview_.begin(state_.document)) return false;
  auto* dialog = new TextDialog(state_.settings.text, text_, at, host_.main_window);
  dialog_ = dialog;
  connect(dialog, &TextDialog::changed, this, &TextTool::preview);
  connect(dialog, &TextDialog::closed, this, &TextTool::close);
  pause_->set_paused(true);
  preview();
  dialog->place_over(host_.main_window);
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
  return true;
}

TextJob TextTool::job() {
  TextJob j;
  const TextSettings& s = dialog_->settings();
  const TextFont font = font_of(s);
  if (!glyphs_tried_ || !same_font(font, glyphs_font_)) {
    glyphs_ = open_outline_font(font);
    glyphs_font_ = font;
    glyphs_tried_ = true;
  }
  j.glyphs = glyphs_.get();
  j.text = dialog_->text();
  j.at = dialog_->position();
  j.layout.char_space = s.char_space;
  j.layout.line_space = s.line_space;
  j.layout.vertical = s.flag & kVertical;
  j.layout.smooth = s.flag & kSmooth;
  const DrawingState& d = state_.settings.draw;
  const LibraryTexture t = state_.textures.texture(d.texture_sel);
  j.paint = brush_settings_for(d, kToolText, TextureView{t.width, t.height, t.pixels});
  return j;
}

void TextTool::preview() {
  if (!dialog_ || !preview_.active()) return;
  if (dialog_->settings().flag & kPreview)
    preview_.show(state_.document, job());
  else
    preview_.hide(state_.document);
  if (host_.show_changes) host_.show_changes();
}

void TextTool::close(bool commit) {
  if (!dialog_) return;
  TextDialog* dialog = dialog_;
  state_.settings.text = dialog->settings();
  text_ = dialog->text();
  bool recorded = false;
  if (commit) {
    const TextCommit c = preview_.commit(state_.document, job());
    recorded = c.recorded || c.undo_lost;
  } else {
    preview_.cancel(state_.document);
  }
  dialog_ = nullptr;
  dialog->hide();
  dialog->deleteLater();
  pause_->set_paused(false);
  if (host_.show_changes) host_.show_changes();
  if (host_.end_placement) host_.end_placement();
  if (recorded && host_.edit_finished) host_.edit_finished();
  if (host_.main_window) {
    host_.main_window->raise();
    host_.main_window->activateWindow();
  }
}

void TextTool::finish() {
  if (dialog_) dialog_->accept();
}

}  // namespace qm
