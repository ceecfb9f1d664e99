// Clipboard commands: copy the current layer (24-bit over white, 32-bit with
// alpha) or the flattened picture, paste as a new layer, open as a document.
#include <QMessageBox>

#include "app/app_state.h"
#include "app/canvas_widget.h"
#include "app/command_context.h"
#include "app/command_ids.h"
#include "app/command_registry.h"
#include "app/commands_image_ops.h"
#include "app/document_flows.h"
#include "app/main_window.h"
#include "platform/clipboard_exchange.h"

namespace qm {

namespace {

MessageSink message_box(CommandContext& c) {
  return [&c](const std::string& text) {
    QMessageBox::information(&c.window(), c.window().windowTitle(), QString::fromStdString(text));
  };
}

bool has_document(const CommandContext& c, int) {
  return !c.state().busy && c.state().document.layer_count() > 0;
}
bool idle(const CommandContext& c, int) { return !c.state().busy; }

void copy(CommandContext& c, int id, CommandOrigin) {
  const Document& doc = c.state().document;
  if (id == cmd::kCopyLayer24)
    copy_current_layer_24(doc);
  else if (id == cmd::kCopyLayer32)
    copy_current_layer_32(doc);
  else
    copy_composite(doc);
}

void paste(CommandContext& c, int id, CommandOrigin) {
  c.state().pending.finish_all();
  Document& doc = c.state().document;
  if (paste_as_new_layer(doc, id == cmd::kPasteLayerTransparent, true, message_box(c)))
    c.window().canvas().update_rect(doc.take_dirty());
}

void open_clipboard(CommandContext& c, int, CommandOrigin) {
  c.state().pending.finish_all();
  if (!c.flows().confirm_discard()) return;
  AppState& s = c.state();
  if (!open_from_clipboard(s.document, message_box(c))) return;
  // A new, never saved document: no path, no remembered transparency.
  s.file_path.clear();
  s.picture = {};
  s.undo.set_changed(false);
  c.window().canvas().document_changed();
  c.window().update_title();
}

}  // namespace

// Registered after the edit group, whose placeholders these replace.
void register_clipboard_commands(CommandRegistry& r) {
  r.add(cmd::kOpenClipboard, {open_clipboard, idle});
  r.add(cmd::kCopyLayer24, {copy, has_document});
  r.add(cmd::kCopyLayer32, {copy, has_document});
  r.add(cmd::kCopyComposite, {copy, has_document});
  r.add(cmd::kPasteLayer, {paste, has_document});
  r.add(cmd::kPasteLayerTransparent, {paste, has_document});
}

}  // namespace qm
