#include "app/main_window.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "app/canvas_settings.h"
#include "app/command_ids.h"
#include "canvas/tool_rules.h"
#include "app/canvas_widget.h"
#include "app/drawing_state_signals.h"
#include "app/filters/active_filter_dialog.h"
#include "app/info_bar.h"
#include "app/layer_nudge.h"
#include "app/out_of_memory.h"
#include "app/qt_prompts.h"
#include "platform/key_codes.h"

namespace qm {

namespace {

std::unique_ptr<UserPrompts> real_prompts(AppState& state, QWidget* owner, QtPrompts*& out) {
  auto prompts = std::make_unique<QtPrompts>(state, owner);
  out = prompts.get();
  return prompts;
}

}  // namespace

MainWindow::MainWindow(AppState& state, std::unique_ptr<UserPrompts> prompts, QWidget* parent)
    : QMainWindow(parent),
      state_(state),
      prompts_(prompts ? std::move(prompts) : real_prompts(state, this, qt_prompts_)),
      flows_(state, *prompts_, *this, *this),
      registry_(build_command_registry()),
      context_(state, flows_, *this),
      canvas_(new CanvasWidget(state.document, this)),
      info_bar_(new InfoBar(this)),
      drawing_signals_(new DrawingStateSignals(state.drawing, this)) {
  setCentralWidget(canvas_);
  setAcceptDrops(true);
  build_menus();
  build_toolbar();

  state_.undo.set_limit(state_.settings.env.undo_cnt);
  canvas_->set_settings(view_settings_from(state_.settings.env));
  canvas_->viewport()->installEventFilter(this);

  connect(canvas_, &CanvasWidget::pointer_image_position, info_bar_,
          &InfoBar::set_pointer_position);
  connect(canvas_, &CanvasWidget::scale_changed, info_bar_, &InfoBar::set_zoom);
  connect(canvas_, &CanvasWidget::image_size_changed, info_bar_,
          [this](int w, int h) { info_bar_->set_size(w, h, false); });
  canvas_->attach_input(state_.drawing, state_.keys, state_.pending, [this] {
    const LibraryTexture t = state_.textures.texture(state_.settings.draw.texture_sel);
    return TextureView{t.width, t.height, t.pixels};
  });
  canvas_->attach_selection(state_.selection, state_.drawing, state_.pending);
  connect(canvas_, &CanvasWidget::selection_menu_requested, this, &MainWindow::show_select_menu);
  connect(canvas_, &CanvasWidget::stroke_recorded, this, [this] { refresh_actions(); });
  connect(canvas_, &CanvasWidget::undo_requested, this, [this] { run_command(cmd::kUndo); });
  // Told once the pointer event that failed has returned.
  connect(canvas_, &CanvasWidget::out_of_memory, this,
          [this] { prompts_->message(kMsgOutOfMemory); }, Qt::QueuedConnection);
  connect(canvas_, &CanvasWidget::drag_size, info_bar_, [this](int w, int h, bool shown) {
    if (shown) info_bar_->set_size(w, h, true);
    else info_bar_->set_size(state_.document.width(), state_.document.height(), false);
  });
  connect(canvas_, &CanvasWidget::key_pressed, this,
          [this](int key, Qt::KeyboardModifiers modifiers, bool) { on_key(key, modifiers); });
  info_bar_->set_zoom(canvas_->view().scale());
  info_bar_->set_size(state_.document.width(), state_.document.height(), false);

  place_info_bar();
  update_title();
  rebuild_recent_menus();
  refresh_actions();
}

MainWindow::~MainWindow() = default;

bool MainWindow::run_command(int id, CommandOrigin origin) {
  if (job_running()) return false;
  const bool ran = registry_.run(context_, id, origin);
  refresh_actions();
  return ran;
}

// --- document flows' listener ---------------------------------------------

void MainWindow::document_replaced() {
  // The flows hand over a composited document: the view only rescales.
  canvas_->document_replaced();
  refresh_actions();
}

void MainWindow::title_changed() { update_title(); }

void MainWindow::recent_lists_changed() { rebuild_recent_menus(); }

void MainWindow::update_title() { setWindowTitle(QString::fromStdString(flows_.title())); }

// --- progress jobs ----------------------------------------------------------

int MainWindow::run_job(const JobFunction& job) {
  // Counted down however the job ends: a job that ran out of memory throws
  // on through here to the command's guard.
  struct Running {
    MainWindow& w;
    explicit Running(MainWindow& window) : w(window) {
      ++w.jobs_running_;
      w.state_.busy = true;
    }
    ~Running() { w.state_.busy = --w.jobs_running_ > 0; }
  } running(*this);
  return run_progress_job(this, job, job_started_hook_);
}

bool MainWindow::job_running() const { return jobs_running_ > 0; }

// --- undo -------------------------------------------------------------------

void MainWindow::undo() { history_step(false); }
void MainWindow::redo() { history_step(true); }

void MainWindow::history_step(bool redo) {
  // The selection ends first; a plain frame is set again after the step.
  SelectionTool* selection = canvas_->selection_tool();
  const std::optional<Rect> frame = selection ? selection->end_for_history() : std::nullopt;
  state_.pending.finish_all();
  const UndoOutcome outcome = redo ? state_.undo.redo(state_.document) : state_.undo.undo(state_.document);
  if (outcome.done) {
    if (outcome.canvas_resized)
      canvas_->document_changed();
    else
      canvas_->update_rect(outcome.refresh);
  }
  if (selection) selection->restore_frame(frame);
}

// --- keys -------------------------------------------------------------------

void MainWindow::on_key(int key, Qt::KeyboardModifiers modifiers) {
  if (job_running()) return;
  KeyPress press;
  press.key = virtual_key_from_qt(Qt::Key(key), modifiers);
  press.ctrl = modifiers & Qt::ControlModifier;
  if (press.key == 0) return;
  // While a stroke runs, keys wait; multi-click figures take their own keys.
  InputDispatcher* input = canvas_->input();
  const KeyDispatch dispatch =
      dispatch_key(state_.keys, press, input ? input->key_state() : CanvasKeyState::kIdle);
  for (const KeyAction& action : {dispatch.fixed, dispatch.bound}) {
    if (action.kind == KeyActionKind::kNone) continue;
    if (action.kind == KeyActionKind::kCommand) {
      run_command(action.value);
    } else if (action.kind == KeyActionKind::kMoveLayer) {
      canvas_->update_rect(nudge_current_layer(state_.document, action.dx, action.dy));
      refresh_actions();
    } else if (input && action.kind == KeyActionKind::kFinishFigure) {
      input->finish_figure();
    } else if (input && action.kind == KeyActionKind::kRemoveSplinePoint) {
      input->remove_spline_point();
    } else if (!apply_key_action(state_.drawing, action)) {
      emit key_action(action);
    }
  }
}

// --- closing and dropping ---------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event) {
  if (job_running() || !flows_.may_close()) {
    event->ignore();
    return;
  }
  store_view_flags();
  store_placement();
  hide_panels();
  event->accept();
}

bool MainWindow::accepts_drops() const {
  return !job_running() && !(qt_prompts_ && qt_prompts_->file_dialog_open()) &&
         !active_filter_dialog();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (accepts_drops() && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  if (!accepts_drops()) return;
  const QList<QUrl> urls = event->mimeData()->urls();
  // Only the first file counts.
  if (urls.isEmpty() || !urls.first().isLocalFile()) return;
  event->acceptProposedAction();
  const std::string path = urls.first().toLocalFile().toStdString();
  run_guarded([&] { flows_.open_path(path, true); },
              [this] { prompts_->message(kMsgOutOfMemory); });
  refresh_actions();
  raise();
  activateWindow();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == canvas_->viewport() && event->type() == QEvent::Resize) place_info_bar();
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace qm
