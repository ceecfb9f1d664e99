// The main window on Qt's offscreen platform: the command registry against
// the command table, menus and accelerators, check marks, keys, drops,
// progress jobs and closing.
// The program's state headers first: they must not see Qt's keyword macros.
#include "app/app_state.h"
#include "app/command_ids.h"
#include "app/document_flows.h"
#include "flows_test_support.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QSemaphore>
#include <QSpinBox>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>

#include "app/app_startup.h"
#include "app/canvas_widget.h"
#include "app/info_bar.h"
#include "app/main_window.h"
#include "app/menu_table.h"
#include "formats/native_document.h"

namespace qm {
namespace {

using test::ScriptedPrompts;

// Every id of the command table, range by range.
std::vector<int> command_table_ids() {
  const std::pair<int, int> ranges[] = {
      {40001, 40013}, {40050, 40062}, {40100, 40124}, {40150, 40158}, {40160, 40168},
      {40200, 40202}, {41000, 41051}, {41800, 41803}, {41810, 41813}, {41820, 41822},
      {42300, 42312}, {42315, 42316}, {3000, 3013},   {3100, 3109},   {3200, 3207},
      {3250, 3254},
  };
  std::vector<int> ids;
  for (auto [first, last] : ranges)
    for (int id = first; id <= last; ++id) ids.push_back(id);
  std::sort(ids.begin(), ids.end());
  return ids;
}

// The accelerators of the command table.
const std::pair<int, const char*> kAccelerators[] = {
    {40001, "Ctrl+N"}, {40002, "Ctrl+O"},       {40003, "Ctrl+B"},       {40004, "Ctrl+S"},
    {40005, "Ctrl+W"}, {40012, "Ctrl+H"},       {40050, "Ctrl+Z"},       {40051, "Ctrl+Y"},
    {40052, "Ctrl+L"}, {40053, "Ctrl+J"},       {40054, "Ctrl+F"},       {40055, "Ctrl+P"},
    {40056, "Ctrl+E"}, {40057, "Ctrl+R"},       {40061, "Ctrl+I"},       {40100, "Ctrl+A"},
    {40102, "Ctrl+D"}, {40103, "Ctrl+C"},       {40104, "Ctrl+X"},       {40105, "Ctrl+V"},
    {40108, "Ctrl+Shift+H"}, {40109, "Ctrl+Shift+V"}, {40110, "Ctrl+Shift+R"},
    {40111, "Ctrl+Shift+L"}, {40113, "Ctrl+T"}, {40114, "Ctrl+Shift+S"}, {40115, "Ctrl+Shift+G"},
    {40119, "Ctrl+Shift+B"}, {40120, "Ctrl+Shift+X"}, {40121, "Ctrl+Shift+F"},
    {40122, "Ctrl+Shift+C"}, {40123, "Ctrl+Shift+Z"}, {40160, "Tab"}, {40161, "F11"},
    {40163, "Ctrl+Q"}, {40165, "Ctrl+G"}, {41820, "Ctrl+Alt+C"}, {41822, "Ctrl+Alt+D"},
};

class Window : public ::testing::Test {
 protected:
  Window() {
    state.settings_folder = dir.path();
    EXPECT_TRUE(state.document.new_canvas(300, 300, true));
    auto scripted = std::make_unique<ScriptedPrompts>();
    prompts = scripted.get();
    window = std::make_unique<MainWindow>(state, std::move(scripted));
    window->resize(800, 600);
    window->show();
    QCoreApplication::processEvents();
  }
  ~Window() override {
    window.reset();
    QCoreApplication::processEvents();
  }
  std::string native_file(const std::string& name, int w, int h, Pixel colour) {
    Document doc;
    EXPECT_TRUE(doc.new_canvas(w, h, true));
    doc.current()->image.fill(colour);
    const std::string path = dir.file(name);
    EXPECT_TRUE(SaveNativeDocument(path, doc, nullptr));
    return path;
  }
  void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(window->canvas().viewport(), Qt::Key(key), modifiers);
  }

  test::TempFolder dir;
  AppState state;
  ScriptedPrompts* prompts = nullptr;
  std::unique_ptr<MainWindow> window;
};

TEST(CommandRegistry, CoversEveryIdOfTheCommandTableAndNothingElse) {
  const CommandRegistry registry = build_command_registry();
  const std::vector<int> table = command_table_ids();
  for (int id : table) EXPECT_TRUE(registry.contains(id)) << id;
  EXPECT_EQ(registry.ids(), table) << "the registry holds ids outside the command table";
  // Live now, and still to come.
  for (int id : {40001, 40002, 40004, 40005, 40008, 40009, 40010, 40012, 40013, 40050, 40051,
                 40161, 40162, 40163, 40164, 40165, 40166, 40167, 40168, 40200, 40202, 3000,
                 3013, 3100, 3207, 3250, 3254})
    EXPECT_FALSE(registry.is_placeholder(id)) << id;
  // The clipboard, whole-image and scanner groups fill their own ids.
  for (int id : {40003, 40006, 40007, 40052, 40053, 40054, 40055, 40056, 40057, 40058, 40059,
                 40060, 40061, 40062, 42300, 42312, 42315, 42316})
    EXPECT_FALSE(registry.is_placeholder(id)) << id;
  // The filter commands run through the filter runner.
  for (int id : {41000, 41051, 41800, 41813, 41822}) EXPECT_FALSE(registry.is_placeholder(id)) << id;
  // The Select menu.
  for (int id = 40100; id <= 40124; ++id) EXPECT_FALSE(registry.is_placeholder(id)) << id;
  for (int id : {40011, 40201})
    EXPECT_TRUE(registry.is_placeholder(id)) << id;
}

TEST_F(Window, MenusHoldEveryCommandWithItsAccelerator) {
  const CommandRegistry& registry = window->commands();
  std::set<int> in_menu;
  for (const MenuRow& row : main_menu_table())
    if (row.kind == MenuRow::kItem) {
      EXPECT_TRUE(registry.contains(row.id)) << row.id;
      EXPECT_TRUE(in_menu.insert(row.id).second) << "twice in the menus: " << row.id;
      ASSERT_NE(window->action(row.id), nullptr) << row.id;
    }
  // Only the numbered lists built at run time live outside the fixed menus.
  for (int id : registry.ids()) {
    const bool dynamic = (id >= 3100 && id < 3110) || (id >= 3200 && id < 3208) ||
                         (id >= 3250 && id < 3255) || id == cmd::kRecentFilesMenu;
    EXPECT_EQ(in_menu.count(id) == 0, dynamic) << id;
  }
  for (const auto& [id, keys] : kAccelerators)
    EXPECT_EQ(window->action(id)->shortcut(), QKeySequence(QString::fromLatin1(keys))) << id;
  std::set<QString> seen;
  for (int id : registry.ids())
    if (QAction* a = window->action(id); a && !a->shortcut().isEmpty()) {
      EXPECT_TRUE(seen.insert(a->shortcut().toString()).second)
          << a->shortcut().toString().toStdString();
    }

  const QList<QAction*> top = window->menuBar()->actions();
  ASSERT_GE(top.size(), 4);
  EXPECT_EQ(top[0]->text(), QStringLiteral("파일(&F)"));
  EXPECT_EQ(top[3]->text(), QStringLiteral("필터(&T)"));  // the filter list mirrors the fourth
  EXPECT_EQ(window->action(40001)->text(), QStringLiteral("새 캔버스(&N)..."));
}

TEST_F(Window, PlaceholdersAreDisabledAndDoNothing) {
  for (int id : {40201}) {
    EXPECT_FALSE(window->action(id)->isEnabled()) << id;
    EXPECT_FALSE(window->run_command(id)) << id;
  }
  EXPECT_TRUE(prompts->asked.empty());
  EXPECT_TRUE(window->action(cmd::kNewCanvas)->isEnabled());
  // Nothing to undo or redo in a new document.
  EXPECT_FALSE(window->action(cmd::kUndo)->isEnabled());
  EXPECT_FALSE(window->action(cmd::kRedo)->isEnabled());
}

TEST_F(Window, HelpFallsBackToOurOwnWindowWithoutAnHtmlProgram) {
  if (!window->action(cmd::kHelp)->isEnabled()) GTEST_SKIP() << "no help page installed";
  // No desktop tools at all: nothing could open the page for us.
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", "/nonexistent");
  EXPECT_TRUE(window->run_command(cmd::kHelp));
  qputenv("PATH", path);
  QWidget* help = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QStringLiteral("help_window") && w->isVisible()) help = w;
  ASSERT_NE(help, nullptr);
  help->close();
  // The home page stays disabled without an address.
  EXPECT_FALSE(window->action(cmd::kHomePage)->isEnabled());
}

TEST_F(Window, ViewCommandsCarryCheckMarksAndTheirFlags) {
  // A bit of the flag word that is not the view's (the open dialog's
  // preview switch) survives the view's toggles.
  state.settings.env.ex_view_flag |= kViewFilePreview;
  for (int id : {cmd::kMirror, cmd::kChecker, cmd::kGrid}) {
    QAction* a = window->action(id);
    ASSERT_TRUE(a->isCheckable());
    const bool before = a->isChecked();
    a->trigger();
    EXPECT_NE(a->isChecked(), before) << id;
  }
  const int flags = state.settings.env.ex_view_flag;
  EXPECT_TRUE(flags & kViewFilePreview);
  EXPECT_EQ(flags & kViewMirror, window->canvas().view().settings().mirrored() ? kViewMirror : 0);
  EXPECT_EQ(bool(flags & kViewChecker), window->canvas().view().settings().checker());
  EXPECT_EQ(bool(flags & kViewGrid), window->canvas().view().settings().grid());

  // Zoom presets and steps.
  window->run_command(cmd::kFirstZoomPreset + 7);
  EXPECT_EQ(window->canvas().view().scale(), 400);
  EXPECT_EQ(window->info_bar().field_text(1), QStringLiteral(" 400%"));
  window->run_command(cmd::kZoomIn);
  EXPECT_EQ(window->canvas().view().scale(), 500);
  window->run_command(cmd::kZoomOut);
  window->run_command(cmd::kZoomOut);
  EXPECT_EQ(window->canvas().view().scale(), 300);
}

// The menu of the menu bar whose title starts with `title`.
QMenu* bar_menu(MainWindow& window, const QString& title) {
  for (QAction* a : window.menuBar()->actions())
    if (a->menu() && a->text().startsWith(title)) return a->menu();
  return nullptr;
}

// Opens `menu` as the user would (its marks are read then) and closes it.
void open_and_close(QMenu* menu) {
  QWidget* window = menu->parentWidget() ? menu->parentWidget()->window() : nullptr;
  menu->popup(QPoint(0, 0));
  QCoreApplication::processEvents();
  menu->close();
  // The main window takes the keys again, as after a real menu.
  if (window) QApplication::setActiveWindow(window);
}

TEST_F(Window, MirrorMarkFollowsTheViewThroughACanvasSizeChange) {
  QMenu* view = bar_menu(*window, QStringLiteral("보기"));
  ASSERT_NE(view, nullptr);
  QAction* mirror = window->action(cmd::kMirror);
  // Through the accelerator, as a user toggles it.
  QTest::keyClick(window->canvas().viewport(), Qt::Key_Q, Qt::ControlModifier);
  ASSERT_TRUE(window->canvas().view().settings().mirrored());
  // The canvas grows through its dialog.
  QTimer::singleShot(0, [] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog) return;
    for (QSpinBox* box : dialog->findChildren<QSpinBox*>()) box->setValue(box->value() + 50);
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
  ASSERT_TRUE(window->run_command(cmd::kCanvasSize));
  ASSERT_EQ(state.document.width(), 350);
  ASSERT_TRUE(window->canvas().view().settings().mirrored());
  open_and_close(view);
  EXPECT_TRUE(mirror->isChecked());
  // A mark flipped behind the state's back is read again when the menu opens.
  mirror->setChecked(false);
  open_and_close(view);
  EXPECT_TRUE(mirror->isChecked());
  QTest::keyClick(window->canvas().viewport(), Qt::Key_Q, Qt::ControlModifier);
  open_and_close(view);
  EXPECT_FALSE(mirror->isChecked());
  EXPECT_FALSE(window->canvas().view().settings().mirrored());
}

TEST_F(Window, FloatingWindowCommandsWaitForTheirPanels) {
  QAction* layer_window = window->action(cmd::kFirstWindow + 2);
  EXPECT_FALSE(layer_window->isEnabled());
  QWidget panel;
  state.settings.env.win_view_flag = kWinLayer;
  window->set_floating_window(2, &panel);
  EXPECT_TRUE(panel.isVisible());
  EXPECT_TRUE(layer_window->isEnabled());
  EXPECT_TRUE(window->commands().is_checked(window->context(), cmd::kFirstWindow + 2));
  window->run_command(cmd::kFirstWindow + 2);
  EXPECT_FALSE(panel.isVisible());
  EXPECT_EQ(state.settings.env.win_view_flag, 0);
  // Tab: hide all and restore.
  window->run_command(cmd::kFirstWindow + 2);
  window->run_command(cmd::kAllWindows);
  EXPECT_FALSE(panel.isVisible());
  EXPECT_TRUE(state.settings.env.ex_view_flag & kViewWindowsHidden);
  window->run_command(cmd::kAllWindows);
  EXPECT_TRUE(panel.isVisible());
  EXPECT_FALSE(state.settings.env.ex_view_flag & kViewWindowsHidden);
  window->set_floating_window(2, nullptr);
}

TEST_F(Window, CtrlArrowMovesTheLayerAndUndoRedoRefresh) {
  state.document.current()->image.row(10)[10] = 0xFF0000FF;
  window->canvas().update_rect({10, 10, 1, 1});
  press(Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(state.document.current()->image.row(10)[11], 0xFF0000FFu);
  EXPECT_EQ(state.document.composite().row(10)[11], 0xFF0000FFu);
  EXPECT_TRUE(state.undo.changed());
  EXPECT_TRUE(window->action(cmd::kUndo)->isEnabled());

  window->action(cmd::kUndo)->trigger();
  EXPECT_EQ(state.document.composite().row(10)[10], 0xFF0000FFu);
  EXPECT_EQ(state.document.composite().row(10)[11], 0xFFFFFFFFu);
  EXPECT_FALSE(window->action(cmd::kUndo)->isEnabled());
  EXPECT_TRUE(window->action(cmd::kRedo)->isEnabled());
  window->action(cmd::kRedo)->trigger();
  EXPECT_EQ(state.document.composite().row(10)[11], 0xFF0000FFu);
}

TEST_F(Window, BoundKeysSendTheirCommands) {
  // Group "commands", item 4: zoom 100 %.
  bind_key(state.keys, KeyGroup::kCommand, 4, 'Z');
  bind_key(state.keys, KeyGroup::kCommand, 2, 'I');  // zoom in
  press(Qt::Key_I);
  EXPECT_EQ(window->canvas().view().scale(), 200);
  press(Qt::Key_Z);
  EXPECT_EQ(window->canvas().view().scale(), 100);
  // A tool key makes the tool current through the drawing state.
  bind_key(state.keys, KeyGroup::kTool, 4, 'B');
  std::vector<KeyAction> actions;
  QObject::connect(window.get(), &MainWindow::key_action,
                   [&](const KeyAction& a) { actions.push_back(a); });
  press(Qt::Key_B);
  EXPECT_EQ(state.settings.draw.tool, 4);
  EXPECT_TRUE(actions.empty());  // nothing left over for anyone else
}

TEST_F(Window, TitleRecentMenusAndSettings) {
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillmark2 - 新規作成"));
  const std::string path = native_file("doc.qmd", 50, 40, 0xFF00FF00);
  ASSERT_TRUE(window->flows().open_path(path, false));
  EXPECT_EQ(window->windowTitle(), QString::fromStdString("Quillmark2 - " + path));
  EXPECT_EQ(window->info_bar().field_text(2), QStringLiteral("  50x  40"));
  ASSERT_EQ(window->recent_files_menu()->actions().size(), 1);
  EXPECT_EQ(window->recent_files_menu()->actions()[0]->text(),
            QStringLiteral("&0 ") + QString::fromStdString(path));
  const QList<QAction*> save_as = window->save_as_button_menu()->actions();
  ASSERT_EQ(save_as.size(), 7);  // five formats, a separator, one folder
  EXPECT_EQ(save_as[0]->text(), QStringLiteral("PSDで保存"));
  EXPECT_EQ(save_as[4]->text(), QStringLiteral("GIFで保存"));
  EXPECT_TRUE(save_as[5]->isSeparator());
  EXPECT_EQ(save_as[6]->text(), QString::fromStdString(dir.path()));
  // Choosing the folder from the save-as menu starts the save dialog there.
  prompts->save_files = {std::nullopt};
  save_as[6]->trigger();
  EXPECT_EQ(prompts->asked.back(), "save-dialog:" + dir.path() + "|doc|0");
  // ... and from the open menu, the open dialog.
  prompts->open_files = {std::nullopt};
  window->open_button_menu()->actions()[0]->trigger();
  EXPECT_EQ(prompts->asked.back(), "open-dialog:" + dir.path());

  state.settings.env.opt_flag |= kOptTitleNameOnly;
  state.settings.env.info_bar_pos = 2;
  window->apply_settings();
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillmark2 - doc.qmd"));
  EXPECT_EQ(window->info_bar().parentWidget(), window->canvas().viewport());
  EXPECT_EQ(window->info_bar().pos(), QPoint(0, 0));
}

QMimeData* files_data(const std::vector<std::string>& paths) {
  auto* data = new QMimeData;
  QList<QUrl> urls;
  for (const std::string& p : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(p)));
  data->setUrls(urls);
  return data;
}

TEST_F(Window, DroppingFilesOpensOnlyTheFirst) {
  const std::string a = native_file("a.qmd", 31, 17, 0xFF112233);
  const std::string b = native_file("b.qmd", 5, 5, 0xFF445566);
  std::unique_ptr<QMimeData> data(files_data({a, b, b}));
  // As a drag arrives: entering first (which makes the window the target).
  QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(100, 100), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window.get(), &drop);
  EXPECT_EQ(state.file_path, a);
  EXPECT_EQ(state.document.width(), 31);
  EXPECT_EQ(state.settings.recent.files[1], "");
}

TEST(ProgressJob, RunsOnAWorkerUnderAModalDialogAndReportsByQueuedSignals) {
  QSemaphore release;
  std::atomic<bool> on_worker{false};
  int seen_max = 0, seen_value = 0;
  QString title;
  bool modal = false;
  const int result = run_progress_job(
      nullptr,
      [&](ProgressSink& progress) {
        on_worker = QThread::currentThread() != QCoreApplication::instance()->thread();
        progress.set_range(4);
        progress.step();
        progress.step();
        release.acquire();  // holds until the dialog has shown both steps
        progress.step();
        return 42;
      },
      [&](ProgressDialog& dialog) {
        title = dialog.windowTitle();
        modal = dialog.windowModality() == Qt::ApplicationModal;
        auto* poll = new QTimer(&dialog);
        QObject::connect(poll, &QTimer::timeout, [&, poll, bar = dialog.bar()] {
          if (bar->value() != 2) return;
          seen_max = bar->maximum();
          seen_value = bar->value();
          poll->stop();
          release.release();
        });
        poll->start(5);
      });
  EXPECT_EQ(result, 42);
  EXPECT_TRUE(on_worker);
  EXPECT_EQ(title, QStringLiteral("처리 중..."));
  EXPECT_TRUE(modal);
  EXPECT_EQ(seen_max, 4);
  EXPECT_EQ(seen_value, 2);
}

TEST_F(Window, NothingReachesTheDocumentWhileAJobRuns) {
  const std::string a = native_file("a.qmd", 31, 17, 0xFF112233);
  bool checked = false;
  window->set_job_started_hook([&](ProgressDialog&) {
    if (checked) return;
    checked = true;
    EXPECT_TRUE(state.busy);
    // A drop, a command, a key and the close request are all refused.
    std::unique_ptr<QMimeData> data(files_data({a}));
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &drop);
    EXPECT_FALSE(window->run_command(cmd::kZoomIn));
    bind_key(state.keys, KeyGroup::kCommand, 2, 'I');
    QTest::keyClick(window->canvas().viewport(), Qt::Key_I);
    EXPECT_EQ(window->canvas().view().scale(), 100);
    QCloseEvent close;
    QCoreApplication::sendEvent(window.get(), &close);
    EXPECT_FALSE(close.isAccepted());
  });
  const std::string b = native_file("b.qmd", 5, 5, 0xFF445566);
  ASSERT_TRUE(window->flows().open_path(b, false));
  EXPECT_TRUE(checked);
  EXPECT_FALSE(state.busy);
  EXPECT_EQ(state.file_path, b);  // the drop during the job opened nothing
  EXPECT_EQ(state.settings.recent.files[1], "");
}

TEST_F(Window, ClosingAModifiedDocumentAsksWhenTheOptionIsSet) {
  press(Qt::Key_Down, Qt::ControlModifier);
  ASSERT_TRUE(state.undo.changed());
  state.settings.env.opt_flag |= kOptAskOnQuit;
  prompts->save_changes = {Answer::kCancel, Answer::kNo};
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->close());
  EXPECT_EQ(prompts->asked, (std::vector<std::string>{"save-changes", "save-changes"}));
}

TEST(Startup, CommandLine) {
  qunsetenv("QUILLMARK2_BENCH_FIRST_FRAME");
  StartupOptions o = parse_command_line({});
  EXPECT_EQ(o.file, "");
  EXPECT_FALSE(o.bench_first_frame);
  o = parse_command_line({QStringLiteral("--bench-first-frame"), QStringLiteral("/a b/c.qmd"),
                          QStringLiteral("d.png")});
  EXPECT_EQ(o.file, "/a b/c.qmd");
  EXPECT_TRUE(o.bench_first_frame);
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
