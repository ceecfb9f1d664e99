// Whole-image commands: flips, quarter turns, image size and canvas size.
// Each is one undo step; the ones that change the size reset the view.

#include "app/app_state.h"
#include "app/canvas_widget.h"
#include "app/command_context.h"
#include "app/command_ids.h"
#include "app/command_registry.h"
#include "app/commands_image_ops.h"
#include "app/dialogs/canvas_size_dialog.h"
#include "app/dialogs/image_size_dialog.h"
#include "app/main_window.h"
#include "app/out_of_memory.h"
#include "app/wait_cursor.h"
#include "core/resample.h"
#include "document/canvas_resize.h"
#include "document/resize_layers.h"

namespace qm {

namespace {

void show_message(CommandContext& c, const char* text) { c.window().prompts().message(text); }

bool has_document(const CommandContext& c, int) {
  return !c.state().busy && c.state().document.layer_count() > 0;
}

void flip(CommandContext& c, int id, CommandOrigin) {
  c.state().pending.finish_all();
  Document& doc = c.state().document;
  {
    WaitCursor wait;
    if (!doc.flip_all(id == cmd::kFlipVertical, true)) return;
  }
  doc.composite_all();
  c.window().canvas().update_rect(doc.take_dirty());
}

void rotate(CommandContext& c, int id, CommandOrigin) {
  c.state().pending.finish_all();
  Document& doc = c.state().document;
  EditResult result;
  {
    WaitCursor wait;
    result = doc.rotate_all(id == cmd::kRotateClockwise ? RotateDirection::Clockwise
                                                        : RotateDirection::CounterClockwise,
                            true);
  }
  if (result.out_of_memory || result.undo_lost) show_message(c, kMsgOutOfMemory);
  if (!result) return;
  doc.composite_all();
  c.window().canvas().document_changed();
}

void image_size(CommandContext& c, int, CommandOrigin) {
  c.state().pending.finish_all();
  Document& doc = c.state().document;
  int& scale_type = c.state().settings.env.scale_type;
  const std::optional<ImageSizeChoice> choice =
      run_image_size_dialog(&c.window(), doc.width(), doc.height(), scale_type);
  if (!choice) return;
  scale_type = choice->method;
  // The resampling runs as a progress job: one bar step per layer.
  ResizeLayersResult result;
  c.window().run_job([&](ProgressSink& sink) {
    sink.set_range(doc.layer_count());
    result = resize_layers(doc, choice->width, choice->height, ResampleMethod(choice->method), true,
                           [&](int done, int) { sink.set_position(done); });
    return result.done ? 1 : 0;
  });
  if (result.out_of_memory) show_message(c, kMsgOutOfMemory);
  if (result.done) c.window().canvas().document_changed();
}

void canvas_size(CommandContext& c, int, CommandOrigin) {
  c.state().pending.finish_all();
  Document& doc = c.state().document;
  const std::optional<CanvasSizeChoice> choice =
      run_canvas_size_dialog(&c.window(), doc.width(), doc.height());
  if (!choice) return;
  const Pixel fill = canvas_fill_pixel(CanvasFill(choice->fill),
                                       c.state().settings.draw.current_colour_value());
  ResizeLayersResult result;
  {
    WaitCursor wait;
    result = resize_canvas(doc, choice->width, choice->height, CanvasAnchor{choice->anchor}, fill,
                           true);
  }
  if (result.out_of_memory) show_message(c, kMsgOutOfMemory);
  if (result.done) c.window().canvas().document_changed();
}

}  // namespace

// Registered after the edit group, whose placeholders these replace.
void register_image_commands(CommandRegistry& r) {
  r.add(cmd::kFlipHorizontal, {flip, has_document});
  r.add(cmd::kFlipVertical, {flip, has_document});
  r.add(cmd::kRotateClockwise, {rotate, has_document});
  r.add(cmd::kRotateCounterClockwise, {rotate, has_document});
  r.add(cmd::kImageSize, {image_size, has_document});
  r.add(cmd::kCanvasSize, {canvas_size, has_document});
}

}  // namespace qm
