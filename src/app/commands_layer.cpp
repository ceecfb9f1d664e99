// The layer commands of the layer menu, the layer window's toolbar, their
// accelerators and key bindings. Each edit of the stack is one undo step;
// the ones that change the stack first finish what is pending on the canvas.
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "app/app_state.h"
#include "app/canvas_widget.h"
#include "app/command_context.h"
#include "app/command_ids.h"
#include "app/command_registry.h"
#include "app/commands_image_ops.h"
#include "app/document_formats.h"
#include "app/main_window.h"
#include "app/out_of_memory.h"
#include "app/wait_cursor.h"
#include "formats/load_picture.h"
#include "formats/png_codec.h"
#include "panels/layer_from_picture.h"
#include "panels/layer_panel.h"

namespace qm {

namespace {

enum : int {
  kAdd = 42300, kAddFromFile, kDuplicate, kDelete, kMergeDown, kMergeVisibleWhite, kUp, kDown,
  kSettings, kSavePng, kShowAll, kHideAll, kShowCurrent,
};

LayerPanel* layer_panel(CommandContext& c) {
  return dynamic_cast<LayerPanel*>(c.window().floating_window(kPanelLayer));
}

void show_message(CommandContext& c, const char* text) {
  QMessageBox::information(&c.window(), c.window().windowTitle(), QString::fromUtf8(text));
}

// The canvas and the list after a change of the stack.
void refresh(CommandContext& c, bool thumbnails = true) {
  c.window().canvas().present_dirty();
  if (LayerPanel* panel = layer_panel(c)) panel->refresh(thumbnails);
}

void after_edit(CommandContext& c, const EditResult& result, bool thumbnails = true) {
  if (result.out_of_memory) c.window().prompts().message(kMsgOutOfMemory);
  if (!result) return;
  refresh(c, thumbnails);
  if (result.undo_lost) c.window().prompts().message(kMsgOutOfMemory);
}

bool has_document(const CommandContext& c, int) {
  return !c.state().busy && c.state().document.layer_count() > 0;
}

QString qs(const std::string& s) { return QString::fromStdString(s); }

void add_from_file(CommandContext& c) {
  LayerImage picture;
  std::string path;
  if (!open_picture_file(c, picture, &path)) return;
  after_edit(c, add_picture_layer(c.state().document, picture,
                                  layer_name_for_file(path)));
}

void save_png(CommandContext& c) {
  Document& doc = c.state().document;
  const Layer* layer = doc.current();
  if (!layer) return;
  std::string& folder = c.state().settings.env.save_dir;
  QString start = qs(folder);
  if (!start.isEmpty()) start += QLatin1Char('/');
  // The layer's name as the file name: a slash in it would name a folder.
  QString name = qs(layer->name.empty() ? std::string("layer") : layer->name);
  name.replace(QLatin1Char('/'), QLatin1Char('_'));
  start += name + QStringLiteral(".png");
  QString path = QFileDialog::getSaveFileName(&c.window(), QStringLiteral("保存"), start,
                                              QStringLiteral("32비트 PNG 파일(*.png)"));
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".png");
  // Through the safe writer: a failed save leaves any old file as it was.
  if (!SavePng(path.toStdString(), layer->image, 6, true, std::nullopt)) {
    show_message(c, "保存に失敗しました");
    return;
  }
  folder = QFileInfo(path).absolutePath().toStdString();
}

void run_layer(CommandContext& c, int id, CommandOrigin) {
  AppState& app = c.state();
  Document& doc = app.document;
  switch (id) {
    case kAdd: case kAddFromFile: case kDuplicate: case kDelete: case kMergeDown:
    case kMergeVisibleWhite: case cmd::kMergeVisibleKeepAlpha: case cmd::kMergeVisibleToNew:
    case kUp: case kDown:
      app.pending.finish_all();
      break;
    default: break;
  }
  switch (id) {
    case kAdd: after_edit(c, doc.add_layer(false, true)); break;
    case kAddFromFile: add_from_file(c); break;
    case kDuplicate: after_edit(c, doc.add_layer(true, true)); break;
    case kDelete: after_edit(c, doc.delete_current(true)); break;
    case kMergeDown: {
      EditResult result;
      {
        WaitCursor wait;
        result = doc.merge_down();
      }
      after_edit(c, result);
      break;
    }
    case kMergeVisibleWhite: after_edit(c, doc.merge_visible(false)); break;
    case cmd::kMergeVisibleKeepAlpha: after_edit(c, doc.merge_visible(true)); break;
    case cmd::kMergeVisibleToNew: after_edit(c, doc.merge_visible_to_new()); break;
    case kUp: after_edit(c, doc.move_up(true), false); break;
    case kDown: after_edit(c, doc.move_down(true), false); break;
    case kSettings:
      if (LayerPanel* panel = layer_panel(c)) panel->open_settings(doc.current_index());
      c.window().canvas().present_dirty();
      break;
    case kSavePng: save_png(c); break;
    case kShowAll: case kHideAll: case kShowCurrent:
      after_edit(c, doc.set_visibility_all(id - kShowAll, true), false);
      break;
    default: break;
  }
}

}  // namespace

bool open_picture_file(CommandContext& c, LayerImage& picture, std::string* path_out) {
  const std::string_view filter = open_filter();
  const QString path = QFileDialog::getOpenFileName(
      &c.window(), QStringLiteral("열기"), qs(c.state().settings.env.open_dir),
      QString::fromUtf8(filter.data(), qsizetype(filter.size())));
  if (path.isEmpty()) return false;
  if (!LoadPicture(path.toStdString(), picture)) {
    show_message(c, "이미지 열기 실패");
    return false;
  }
  if (path_out) *path_out = path.toStdString();
  return true;
}

void register_layer_commands(CommandRegistry& r) {
  for (int id = cmd::kFirstLayer; id <= cmd::kLastLayer; ++id) r.add(id, {run_layer, has_document});
  r.add(cmd::kMergeVisibleKeepAlpha, {run_layer, has_document});
  r.add(cmd::kMergeVisibleToNew, {run_layer, has_document});
}

}  // namespace qm
