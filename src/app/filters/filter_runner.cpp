#include "app/filters/filter_runner.h"

#include <QApplication>
#include <QMessageBox>
#include <map>
#include <memory>

#include "app/filters/filter_dialog.h"
#include "filters/filter_run.h"

namespace qm {

using namespace filters;

namespace {

std::map<int, OwnDialogRunner>& own_runners() {
  static std::map<int, OwnDialogRunner> table;
  return table;
}


void out_of_memory(FilterHost& host) { show_filter_out_of_memory(host); }
FilterEnvironment environment(AppState& state) { return filter_environment(state); }

bool on_worker(FilterRunner r) {
  return r == FilterRunner::kDialogThenWorker || r == FilterRunner::kWorkerCopy ||
         r == FilterRunner::kWorkerInPlace;
}

}  // namespace

void show_filter_out_of_memory(FilterHost& host) {
  QMessageBox::information(host.owner(), host.owner() ? host.owner()->windowTitle() : QString(),
                           QString::fromUtf8(kFilterOutOfMemory));
}

FilterEnvironment filter_environment(const AppState& state) {
  const DrawingState& draw = state.settings.draw;
  FilterEnvironment env;
  env.drawing_colour = draw.current_colour_value();
  env.other_colour = draw.colours[size_t((draw.current_colour + 1) & 1)];
  env.brush_alpha = draw.brush_alpha[size_t(draw.tool)];
  env.document = &state.document;
  return env;
}

void set_own_dialog_runner(int id, OwnDialogRunner runner) { own_runners()[id] = runner; }

OwnDialogRunner own_dialog_runner(int id) {
  const auto it = own_runners().find(id);
  return it == own_runners().end() ? nullptr : it->second;
}

bool filter_command_enabled(const AppState& state, int id) {
  const FilterCommand* c = find_filter_command(id);
  if (!c || state.busy || !state.document.current()) return false;
  return c->runner == FilterRunner::kOwnDialog ? own_dialog_runner(id) != nullptr : c->available();
}

void run_filter_command(FilterHost& host, int id) {
  if (const FilterCommand* command = find_filter_command(id)) run_filter(host, *command);
}

void run_filter(FilterHost& host, const FilterCommand& cmd) {
  const FilterCommand* command = &cmd;
  const int id = cmd.id;
  AppState& state = host.state();
  if (state.busy) return;
  // A floating selection is put down (and any other open work ended) first.
  state.pending.finish_all();
  Document& doc = state.document;
  if (!doc.current()) return;
  const Rect target = target_rectangle(doc, host.selection());
  if (target.empty()) return;

  if (command->runner == FilterRunner::kOwnDialog) {
    if (const OwnDialogRunner run = own_dialog_runner(id)) run(host, *command, target);
    return;
  }
  if (!command->available()) return;

  const FilterEnvironment env = environment(state);
  FilterValues values;
  std::unique_ptr<FilterDialog> dialog;
  LayerImage* copy = nullptr;
  if (command->has_dialog()) {
    const DialogDescription* description = filter_dialog(command->dialog_id);
    if (!description) return;
    dialog = std::make_unique<FilterDialog>(host, *command, *description, target, env, host.owner());
    if (!dialog->prepared()) {
      out_of_memory(host);
      return;
    }
    if (dialog->exec() != QDialog::Accepted) return;
    values = dialog->values();
    if (!dialog->backup().empty()) copy = &dialog->backup();
  }
  // The source copy is had before anything changes, so a shortage stops here.
  LayerImage own;
  if (needs_source_copy(*command) && !copy) {
    const LayerImage& img = doc.current()->image;
    if (!own.create(img.width(), img.height())) {
      out_of_memory(host);
      return;
    }
    copy = &own;
  }

  FilterStatus status = FilterStatus::kNothing;
  if (on_worker(command->runner)) {
    host.run_job([&](ProgressSink& progress) {
      status = apply_filter(*command, doc, values, env, target, &progress, copy);
      return 0;
    });
  } else {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    status = apply_filter(*command, doc, values, env, target, nullptr, copy);
    QApplication::restoreOverrideCursor();
  }
  if (status == FilterStatus::kOutOfMemory) out_of_memory(host);
  if (status != FilterStatus::kNothing && status != FilterStatus::kUnavailable)
    host.pixels_changed(command->whole_canvas ? doc.bounds() : target);
}

}  // namespace qm
