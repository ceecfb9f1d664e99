#include "filters/filter_run.h"

#include <new>

namespace qm::filters {

Rect target_rectangle(const Document& doc, const SelectionArea* selection) {
  std::optional<Rect> selected;
  if (selection) selected = selection->selection_rect();
  return intersect(selected.value_or(doc.bounds()), doc.bounds());
}

DialogContext dialog_context(const Document& doc, Rect target) {
  DialogContext c;
  c.canvas_width = doc.width();
  c.canvas_height = doc.height();
  c.target = target;
  c.layer_count = doc.layer_count();
  c.current_layer = doc.current_index();
  return c;
}

bool needs_source_copy(const FilterCommand& command) {
  // Worker runs always read a full copy: some of them read neighbouring
  // pixels and have no backup to read from.
  return command.runner == FilterRunner::kDialogThenWorker ||
         command.runner == FilterRunner::kWorkerCopy || command.source_is_copy;
}

FilterStatus apply_filter(const FilterCommand& command, Document& doc, const FilterValues& values,
                          const FilterEnvironment& env, Rect target, ProgressSink* progress,
                          LayerImage* copy) {
  Layer* layer = doc.current();
  if (!layer || layer->image.empty()) return FilterStatus::kNothing;
  const Rect rect = intersect(command.whole_canvas ? doc.bounds() : target, layer->image.bounds());
  if (rect.empty()) return FilterStatus::kNothing;
  if (!command.run) return FilterStatus::kUnavailable;

  LayerImage own;
  const LayerImage* source = &layer->image;
  if (needs_source_copy(command)) {
    LayerImage* c = copy;
    if (!c || c->width() != layer->image.width() || c->height() != layer->image.height()) {
      if (!own.create(layer->image.width(), layer->image.height()))
        return FilterStatus::kOutOfMemory;
      c = &own;
    }
    c->copy_from(layer->image);
    source = c;
  }
  // A run that fails part way (its own buffers refused) must leave the layer
  // as it was: the pixels it may overwrite are kept unless a full copy holds
  // them already.
  LayerImage kept;
  if (source == &layer->image) {
    if (!kept.create(rect.w, rect.h)) return FilterStatus::kOutOfMemory;
    kept.blit_from(0, 0, rect.w, rect.h, layer->image, rect.x, rect.y);
  }
  doc.undo_recorder().record_rect(doc, rect);
  const FilterArgs args{values, env, layer->image, *source, rect, progress};
  bool done = false;
  try {
    done = command.run(args);
  } catch (const std::bad_alloc&) {
    done = false;
  }
  if (done) return FilterStatus::kDone;
  if (source == &layer->image)
    layer->image.blit_from(rect.x, rect.y, rect.w, rect.h, kept, 0, 0);
  else
    layer->image.blit_from(rect.x, rect.y, rect.w, rect.h, *source, rect.x, rect.y);
  return FilterStatus::kOutOfMemory;
}

}  // namespace qm::filters
