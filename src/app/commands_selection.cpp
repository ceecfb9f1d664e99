// The Select menu (40100 … 40124): the frame, the copy buffer and paste,
// the pixel work inside the selection area, and output to the clipboard and
// to a PNG file. Every command but deselect and the composite toggle is
// refused while a floating image exists.
#include "app/commands_selection.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "app/app_state.h"
#include "app/canvas_widget.h"
#include "app/command_context.h"
#include "app/command_ids.h"
#include "app/command_registry.h"
#include "app/dialogs/image_size_dialog.h"
#include "app/dialogs/selection_dialogs.h"
#include "app/document_formats.h"
#include "app/filters/active_filter_dialog.h"
#include "app/main_window.h"
#include "canvas/selection_commands.h"
#include "formats/load_picture.h"
#include "formats/png_codec.h"
#include "panels/layer_panel.h"
#include "panels/panel_placement.h"
#include "platform/clipboard_exchange.h"

#include "app/commands_image_ops.h"

namespace qm {

namespace {

enum : int {
  kDeselect = 40102,
  kCopy = 40103,
  kCut = 40104,
  kPaste = 40105,
  kFill = 40106,
  kErase = 40107,
  kFlipLeftRight = 40108,
  kFlipTopBottom = 40109,
  kRotateRight = 40110,
  kRotateLeft = 40111,
  kRotateArbitrary = 40112,
  kTrim = 40113,
  kScale = 40114,
  kByCoordinates = 40115,
  kPatternWhole = 40116,
  kPatternRow = 40117,
  kPatternColumn = 40118,
  kPasteClipboard = 40119,
  kPasteClipboardTransparent = 40120,
  kPasteFile = 40121,
  kOutput24 = 40122,
  kOutput32 = 40123,
  kOutputPng = 40124,
};

constexpr const char* kMsgOutOfMemory = "ﾒﾓﾘの確保に失敗";

void show_message(CommandContext& c, const char* text) {
  QMessageBox::information(&c.window(), c.window().windowTitle(), QString::fromUtf8(text));
}

QString qs(const std::string& s) { return QString::fromStdString(s); }

Selection& selection(CommandContext& c) { return c.state().selection; }
SelectionTool* tool(CommandContext& c) { return c.window().canvas().selection_tool(); }

bool has_document(const CommandContext& c, int) {
  return !c.state().busy && c.state().document.layer_count() > 0;
}
// Every command but the two below is refused while an image floats.
bool not_floating(const CommandContext& c, int id) {
  return has_document(c, id) && !c.state().selection.floating();
}
bool composite_checked(const CommandContext& c, int) {
  return c.state().settings.env.ex_view_flag & kViewPasteComposite;
}

bool select_tool_current(CommandContext& c) { return c.state().drawing.tool() == kToolRectSelect; }
// The commands that switch to the Rectangle select tool first (a change of
// tool ends the selection: a frame made by another tool never exists).
void switch_to_select_tool(CommandContext& c) {
  if (!select_tool_current(c)) c.state().drawing.set_tool(kToolRectSelect);
}

void frame_changed(CommandContext& c) {
  if (SelectionTool* t = tool(c)) t->refresh_frame();
}

void refresh_panels(CommandContext& c) {
  if (auto* panel = dynamic_cast<LayerPanel*>(c.window().floating_window(kPanelLayer)))
    panel->refresh(true);
}

void after_edit(CommandContext& c, const SelectionEdit& edit) {
  if (edit.out_of_memory) show_message(c, kMsgOutOfMemory);
  if (!edit.done) return;
  if (edit.canvas_resized)
    c.window().canvas().document_changed();
  else
    c.window().canvas().update_rect(edit.changed);
  frame_changed(c);
  refresh_panels(c);
  if (edit.undo_lost) show_message(c, kMsgOutOfMemory);
}

// The copy buffer floats centred under the view's centre.
void paste_buffer(CommandContext& c) {
  AppState& s = c.state();
  SelectionTool* t = tool(c);
  if (!t || s.copy_buffer.empty()) return;
  LayerImage image;
  if (!image.create(s.copy_buffer.width(), s.copy_buffer.height())) {
    show_message(c, kMsgOutOfMemory);
    return;
  }
  image.clear_and_blit(s.copy_buffer);
  const Point centre = centre_point(c.window().canvas().view().geometry());
  const IntPoint at = paste_position(s.document, image.width(), image.height(), {centre.x, centre.y});
  if (!t->paste(std::move(image), at.x, at.y)) show_message(c, kMsgOutOfMemory);
}

// A picture from outside becomes the copy buffer (cut to the canvas) and is pasted.
void paste_picture(CommandContext& c, LayerImage picture) {
  if (!fit_to_canvas(picture, c.state().document)) {
    show_message(c, kMsgOutOfMemory);
    return;
  }
  c.state().copy_buffer = std::move(picture);
  paste_buffer(c);
}

void paste_from_clipboard(CommandContext& c, bool transparent) {
  const MessageSink show = [&c](const std::string& text) { show_message(c, text.c_str()); };
  const std::optional<ClipboardSize> size = clipboard_image_size();
  if (!size) {
    show(kClipboardEmptyMessage);
    return;
  }
  if (!check_clipboard_image(transparent, show)) return;
  // Only the part that fits the canvas is read.
  const Document& doc = c.state().document;
  LayerImage picture;
  if (!picture.create(std::min(size->width, doc.width()), std::min(size->height, doc.height()))) {
    show_message(c, kMsgOutOfMemory);
    return;
  }
  const bool read = transparent ? paste_clipboard_32(picture) : paste_clipboard_24(picture);
  if (!read) {
    show(kClipboardEmptyMessage);
    return;
  }
  paste_picture(c, std::move(picture));
}

void paste_from_file(CommandContext& c) {
  LayerImage picture;
  if (!open_picture_file(c, picture)) return;
  paste_picture(c, std::move(picture));
}

void output_png(CommandContext& c) {
  LayerImage image;
  if (!selection_image(c.state().document, selection(c), image, false)) return;
  std::string& folder = c.state().settings.env.save_dir;
  QString start = qs(folder);
  if (!start.isEmpty()) start += QLatin1Char('/');
  start += QStringLiteral("selection.png");
  QString path = QFileDialog::getSaveFileName(&c.window(), QStringLiteral("保存"), start,
                                              QStringLiteral("32비트 PNG 파일(*.png)"));
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".png");
  // Through the safe writer: a failed save leaves any old file as it was.
  if (!SavePng(path.toStdString(), image, 6, true, std::nullopt)) {
    show_message(c, "保存に失敗しました");
    return;
  }
  folder = QFileInfo(path).absolutePath().toStdString();
}

// The coordinates dialog starts from the frame, or from the values last used.
void by_coordinates(CommandContext& c) {
  static SelectionCorners last{0, 0, 99, 99};
  switch_to_select_tool(c);
  Selection& sel = selection(c);
  if (sel.mode() == Selection::Mode::kFrame) {
    const Rect f = sel.frame();
    last = {f.x, f.y, f.right() - 1, f.bottom() - 1};
  }
  SelectionCoordsDialog dialog(last, &c.window());
  // Drops wait while it is open, as for the filter dialogs.
  set_active_filter_dialog(&dialog);
  const bool accepted = dialog.exec() == QDialog::Accepted;
  clear_active_filter_dialog(&dialog);
  if (!accepted) return;
  last = dialog.corners();
  sel.set(c.state().document, last.x1, last.y1, last.x2, last.y2);
  frame_changed(c);
}

void run(CommandContext& c, int id, CommandOrigin) {
  AppState& s = c.state();
  Document& doc = s.document;
  Selection& sel = selection(c);
  if (id == cmd::kPasteAsComposite) {
    s.settings.env.ex_view_flag ^= kViewPasteComposite;
    return;
  }
  if (id == kDeselect) {
    if (SelectionTool* t = tool(c)) t->end_selection();
    return;
  }
  if (sel.floating()) return;
  // Whatever else is open on the canvas (a figure) ends first.
  s.pending.finish_all();
  switch (id) {
    case cmd::kSelectAll:
      switch_to_select_tool(c);
      select_all(doc, sel);
      frame_changed(c);
      return;
    case kByCoordinates:
      by_coordinates(c);
      return;
    case kCopy:
      if (select_tool_current(c)) copy_selection(doc, sel, s.copy_buffer);
      return;
    case kCut:
      if (select_tool_current(c)) after_edit(c, cut_selection(doc, sel, s.copy_buffer));
      return;
    case kPaste:
      if (select_tool_current(c)) paste_buffer(c);
      return;
    case kPasteClipboard:
    case kPasteClipboardTransparent:
      switch_to_select_tool(c);
      paste_from_clipboard(c, id == kPasteClipboardTransparent);
      return;
    case kPasteFile:
      switch_to_select_tool(c);
      paste_from_file(c);
      return;
    case kFill:
      after_edit(c, fill_selection(doc, sel, s.settings.draw.current_colour_value() | 0xFF000000u));
      return;
    case kErase:
      after_edit(c, fill_selection(doc, sel, kTransparent));
      return;
    case kFlipLeftRight:
    case kFlipTopBottom:
      after_edit(c, flip_selection(doc, sel, id == kFlipTopBottom));
      return;
    case kRotateRight:
    case kRotateLeft:
      after_edit(c, rotate_selection_90(doc, sel, id == kRotateRight));
      return;
    case kRotateArbitrary: {
      int& stored = s.settings.env.rotate_angle;
      const std::optional<RotateChoice> choice =
          run_rotate_dialog(&c.window(), rotate_choice_from_setting(stored));
      if (!choice) return;
      stored = rotate_setting_from_choice(*choice);
      after_edit(c, rotate_selection(doc, sel, choice->angle, choice->smooth));
      return;
    }
    case kTrim: {
      // Every layer is cropped: the wait cursor while it runs.
      QApplication::setOverrideCursor(Qt::WaitCursor);
      const SelectionEdit edit = trim_to_selection(doc, sel);
      QApplication::restoreOverrideCursor();
      after_edit(c, edit);
      return;
    }
    case kScale: {
      const Rect a = sel.area(doc);
      int& scale_type = s.settings.env.scale_type;
      const std::optional<ImageSizeChoice> choice = run_image_size_dialog(&c.window(), a.w, a.h, scale_type);
      if (!choice) return;
      scale_type = choice->method;
      ResampleMethod method = ResampleMethod::Lanczos2;
      resample_method_from_index(choice->method, method);
      after_edit(c, scale_selection(doc, sel, choice->width, choice->height, method));
      return;
    }
    case kPatternWhole:
    case kPatternRow:
    case kPatternColumn:
      after_edit(c, make_pattern(doc, sel, PatternSpread(id - kPatternWhole)));
      return;
    case kOutput24:
    case kOutput32: {
      LayerImage image;
      if (!selection_image(doc, sel, image, id == kOutput24)) return;
      if (id == kOutput24)
        copy_image_to_clipboard_24(image);
      else
        copy_image_to_clipboard_32(image);
      return;
    }
    case kOutputPng:
      output_png(c);
      return;
    default:
      return;
  }
}

}  // namespace

void register_selection_commands(CommandRegistry& r) {
  for (int id = cmd::kFirstSelection; id <= cmd::kLastSelection; ++id) r.add(id, {run, not_floating});
  r.add(cmd::kPasteAsComposite, {run, nullptr, composite_checked});
  r.add(kDeselect, {run, has_document});
}

}  // namespace qm
