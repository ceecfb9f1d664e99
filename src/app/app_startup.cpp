#include "app/app_startup.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>

#include "app/app_panels.h"
#include "app/app_icon.h"
#include "app/app_state.h"
#include "app/canvas_widget.h"
#include "app/document_formats.h"
#include "app/main_window.h"
#include "app/out_of_memory.h"
#include "app/startup_timing.h"
#include "formats/layer_name.h"
#include "state/settings_file.h"
#include "state/user_paths.h"
#include "canvas/tablet_input.h"
#include "platform/instance_lock.h"
#include "platform/tablet_events.h"
#include "platform/temp_dir.h"

namespace qm {

namespace {

std::string working_file(const AppState& state, std::string_view name) {
  return settings_file_path(state.settings_folder, name);
}

// The instance lock, this instance's temporary directory (claimed at once,
// so no other instance can take the same name between choosing and
// creating it) and the undo history's spill files in it.
InstanceLock claim_instance_dir(AppState& state) {
  const std::string root = system_temp_root();
  InstanceLock lock = InstanceLock::acquire(instance_lock_path(root));
  // Without one the undo history keeps everything in memory.
  if (const std::optional<std::string> dir = claim_temp_dir(root, lock.others_running()))
    state.temp_dir = *dir;
  lock.end_startup();
  state.undo.store().set_directory(state.temp_dir);
  return lock;
}

void load_working_data(AppState& state) {
  LoadPaletteStore(working_file(state, kPaletteFileName), state.palettes);
  LoadTextureLibrary(working_file(state, kTextureFileName), state.textures, false);
  // The texture choice must name a texture of this library.
  DrawingState& draw = state.settings.draw;
  const int count = state.textures.count();
  draw.texture_sel = count == 0 ? 0 : std::clamp(draw.texture_sel, 0, count - 1);
  if (count == 0) draw.texture_on = 0;
}

void shut_down(AppState& state) {
  save_settings_and_keys(state.settings_folder, state.settings, state.keys);
  state.undo.clear();  // deletes the spill files
  if (make_folder(state.settings_folder)) {
    SavePaletteStore(working_file(state, kPaletteFileName), state.palettes);
    SaveTextureLibrary(working_file(state, kTextureFileName), state.textures, true);
  }
}

// --bench-first-frame: once the command line's document is shown, the
// first frame painted after it prints the times and ends the program.
void report_first_frame(MainWindow& window) {
  QObject::connect(&window.canvas(), &CanvasWidget::painted, &window, [] {
    static bool reported = false;
    if (reported) return;
    reported = true;
    std::printf("first-frame-ms %.1f (since main %.1f)\n", ms_since_process_start(), ms_since_main());
    std::fflush(stdout);
    QCoreApplication::exit(0);
  });
  window.canvas().viewport()->update();
}

// The last net under every event handler. Commands, jobs and pointer input
// have their own guard; a failed allocation that none of them saw (a
// panel's thumbnails refreshed by a signal, a repaint) ends that event
// here, and the user is told once the event loop runs again.
class GuardedApplication final : public QApplication {
 public:
  using QApplication::QApplication;

  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
      tell_later();
      return false;
    }
  }

 private:
  void tell_later() {
    if (telling_) return;
    try {
      telling_ = true;
      QTimer::singleShot(0, this, [this] {
        QMessageBox::warning(activeWindow(), QStringLiteral("Quillmark2"),
                             QString::fromUtf8(kMsgOutOfMemory));
        telling_ = false;
      });
    } catch (const std::bad_alloc&) {
      telling_ = false;
    }
  }

  bool telling_ = false;
};

}  // namespace

StartupOptions parse_command_line(const QStringList& arguments) {
  StartupOptions options;
  const char* env = std::getenv("QUILLMARK2_BENCH_FIRST_FRAME");
  options.bench_first_frame = env && env[0] == '1';
  for (const QString& arg : arguments) {
    if (arg == QStringLiteral("--bench-first-frame"))
      options.bench_first_frame = true;
    else if (options.file.empty() && !arg.isEmpty() && !arg.startsWith(QStringLiteral("--")))
      options.file = arg.toStdString();
  }
  return options;
}

int run_program(int argc, char** argv) {
  mark_main_entered();
  configure_tablet_delivery();
  GuardedApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("quillmark2"));
  // The desktop entry and icon the desktop shows for our windows.
  QApplication::setDesktopFileName(QStringLiteral("quillmark2"));
  QApplication::setWindowIcon(application_icon());
  QStringList arguments = QApplication::arguments();
  if (!arguments.isEmpty()) arguments.removeFirst();
  const StartupOptions options = parse_command_line(arguments);

  auto state = std::make_unique<AppState>();
  state->settings_folder = settings_folder();
  load_settings_and_keys(state->settings_folder, state->settings, state->keys);
  set_legacy_code_page(state->settings.env.code_page);
  // The command line's file loads while the window is being made (names
  // in the file need the code page, so not before it is set).
  std::future<OpenedFile> preloaded;
  if (!options.file.empty())
    preloaded = std::async(std::launch::async, [path = options.file] { return read_file(path, nullptr); });
  InstanceLock lock = claim_instance_dir(*state);
  load_working_data(*state);

  const Environment& env = state->settings.env;
  if (!state->document.new_canvas(env.def_img_w, env.def_img_h, true)) {
    if (!state->temp_dir.empty()) delete_directory_tree(state->temp_dir);
    return 0;
  }

  int code = 0;
  {
    MainWindow window(*state);
    // Without a tablet (or with the switch off) the mouse alone, silently.
    if (env.tablet_flag & kTabletFlagEnabled) window.canvas().open_tablet();
    create_panels(window);
    window.show_placed();
    // The command line's file opens once the window is up and painted.
    QTimer::singleShot(0, &window, [&window, &options, &preloaded] {
      if (!options.file.empty())
        run_guarded([&] { window.flows().open_preloaded(options.file, std::move(preloaded)); },
                    [&] { window.prompts().message(kMsgOutOfMemory); });
      window.refresh_actions();
      if (options.bench_first_frame) report_first_frame(window);
    });
    code = QApplication::exec();
    window.canvas().close_tablet();
  }
  shut_down(*state);
  const std::string temp_dir = state->temp_dir;
  state.reset();
  if (!temp_dir.empty()) delete_directory_tree(temp_dir);
  return code;
}

}  // namespace qm
