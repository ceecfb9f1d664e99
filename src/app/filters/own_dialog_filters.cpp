#include "app/filters/own_dialog_filters.h"

#include <optional>

#include "app/colour_dialogs/colour_dialogs.h"
#include "app/filters/filter_runner.h"
#include "filters/filter_run.h"

namespace qm {

using namespace filters;

namespace {

constexpr int kLevelsCommand = 41002;
constexpr int kReplaceColourCommand = 41011;

// Both dialogs preview on the canvas from a copy of the layer and restore it
// on closing; after OK the run records its undo step from the restored layer.
template <class ShowDialog>
void run_own_dialog(FilterHost& host, const FilterCommand& command, Rect target, ShowDialog show) {
  AppState& state = host.state();
  Document& doc = state.document;
  Layer* layer = doc.current();
  if (!layer) return;
  LayerImage backup;
  if (!backup.create(layer->image.width(), layer->image.height())) {
    show_filter_out_of_memory(host);
    return;
  }
  backup.copy_from(layer->image);
  const FilterEnvironment env = filter_environment(state);
  const std::optional<FilterValues> values =
      show(layer->image, backup, env, [&host](Rect r) { host.pixels_changed(r); });
  host.pixels_changed(target);  // the restored layer
  if (values) {
    const FilterStatus status = apply_filter(command, doc, *values, env, target, nullptr, &backup);
    if (status == FilterStatus::kOutOfMemory) show_filter_out_of_memory(host);
    if (status == FilterStatus::kDone) host.pixels_changed(target);
  }
  if (QWidget* owner = host.owner()) {
    owner->raise();
    owner->activateWindow();
  }
}

void run_levels(FilterHost& host, const FilterCommand& command, Rect target) {
  run_own_dialog(host, command, target,
                 [&](LayerImage& layer, const LayerImage& backup, const FilterEnvironment&,
                     std::function<void(Rect)> preview) {
                   return run_levels_dialog(host.owner(), layer, backup, target, preview);
                 });
}

void run_replace_colour(FilterHost& host, const FilterCommand& command, Rect target) {
  run_own_dialog(host, command, target,
                 [&](LayerImage& layer, const LayerImage& backup, const FilterEnvironment& env,
                     std::function<void(Rect)> preview) {
                   return run_replace_colour_dialog(host.owner(), env.drawing_colour, layer, backup,
                                                    target, preview);
                 });
}

}  // namespace

void register_own_dialog_filters() {
  set_own_dialog_runner(kLevelsCommand, run_levels);
  set_own_dialog_runner(kReplaceColourCommand, run_replace_colour);
}

}  // namespace qm
