// The main window's menus, toolbar strip and their states, built from the
// menu table and kept current from the command registry.
#include <QAction>
#include <QCursor>
#include <QHBoxLayout>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <utility>
#include <vector>

#include "app/command_ids.h"
#include "app/document_formats.h"
#include "app/info_bar.h"
#include "app/main_window.h"
#include "app/menu_table.h"

namespace qm {

QAction* MainWindow::action(int id) const {
  const auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

QAction* MainWindow::make_action(int id, const QString& text, const char* accel) {
  if (QAction* existing = action(id)) return existing;
  auto* a = new QAction(text, this);
  a->setData(id);
  if (accel) a->setShortcut(QKeySequence(QString::fromLatin1(accel)));
  a->setCheckable(registry_.is_checkable(id));
  connect(a, &QAction::triggered, this, [this, id] { run_command(id); });
  // Shortcuts work while the menu bar is closed, so the action must live in
  // the window and not only in its menu.
  addAction(a);
  actions_[id] = a;
  return a;
}

void MainWindow::build_menus() {
  std::vector<QMenu*> stack;
  for (const MenuRow& row : main_menu_table()) {
    QMenu* current = stack.empty() ? nullptr : stack.back();
    switch (row.kind) {
      case MenuRow::kBegin: {
        QMenu* menu = current ? current->addMenu(QString::fromUtf8(row.text))
                              : menuBar()->addMenu(QString::fromUtf8(row.text));
        // Check marks and enabled states are read when a menu opens.
        connect(menu, &QMenu::aboutToShow, this, &MainWindow::refresh_actions);
        stack.push_back(menu);
        break;
      }
      case MenuRow::kEnd:
        stack.pop_back();
        break;
      case MenuRow::kSeparator:
        current->addSeparator();
        break;
      case MenuRow::kRecentFiles:
        recent_files_menu_ = current->addMenu(QString::fromUtf8(row.text));
        break;
      case MenuRow::kItem:
        current->addAction(make_action(row.id, QString::fromUtf8(row.text), row.accel));
        break;
    }
  }
}

void MainWindow::build_toolbar() {
  toolbar_ = addToolBar(QStringLiteral("도구 모음"));
  toolbar_->setMovable(false);
  toolbar_->setFloatable(false);
  toolbar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  toolbar_->setIconSize(QSize(16, 16));

  // Short button texts; the menus keep the long ones.
  const std::pair<int, const char*> button_texts[] = {
      {cmd::kNewCanvas, "새 캔버스"}, {cmd::kOpen, "열기"},       {cmd::kSave, "저장"},
      {cmd::kSaveAs, "다른 이름으로"}, {cmd::kUndo, "실행 취소"}, {cmd::kRedo, "다시 실행"},
      {cmd::kZoomOut, "축소"},       {cmd::kZoomMenu, "배율"},     {cmd::kZoomIn, "확대"},
  };
  for (const auto& [id, text] : button_texts) action(id)->setIconText(QString::fromUtf8(text));
  // The generic actions show the desktop's icon theme (text when it has none).
  if (QIcon::themeName().isEmpty() || QIcon::themeName() == QStringLiteral("hicolor"))
    QIcon::setThemeName(QStringLiteral("Tango"));
  const std::pair<int, const char*> theme_icons[] = {
      {cmd::kNewCanvas, "document-new"}, {cmd::kOpen, "document-open"},
      {cmd::kSave, "document-save"},     {cmd::kSaveAs, "document-save-as"},
      {cmd::kUndo, "edit-undo"},         {cmd::kRedo, "edit-redo"}};
  for (const auto& [id, name] : theme_icons)
    if (const QIcon icon = QIcon::fromTheme(QString::fromLatin1(name)); !icon.isNull())
      action(id)->setIcon(icon);

  toolbar_->addAction(action(cmd::kNewCanvas));
  // Open and save as carry drop-down menus (recent folders; save as also
  // the flat formats), rebuilt with the recent lists.
  open_menu_ = new QMenu(this);
  toolbar_->addAction(action(cmd::kOpen));
  if (auto* b = qobject_cast<QToolButton*>(toolbar_->widgetForAction(action(cmd::kOpen)))) {
    b->setMenu(open_menu_);
    b->setPopupMode(QToolButton::MenuButtonPopup);
  }
  toolbar_->addAction(action(cmd::kSave));
  save_as_menu_ = new QMenu(this);
  toolbar_->addAction(action(cmd::kSaveAs));
  if (auto* b = qobject_cast<QToolButton*>(toolbar_->widgetForAction(action(cmd::kSaveAs)))) {
    b->setMenu(save_as_menu_);
    b->setPopupMode(QToolButton::MenuButtonPopup);
  }
  toolbar_->addSeparator();
  toolbar_->addAction(action(cmd::kUndo));
  toolbar_->addAction(action(cmd::kRedo));
  toolbar_->addSeparator();
  toolbar_->addAction(action(cmd::kZoomOut));
  toolbar_->addAction(action(cmd::kZoomMenu));
  zoom_button_ = qobject_cast<QToolButton*>(toolbar_->widgetForAction(action(cmd::kZoomMenu)));
  toolbar_->addAction(action(cmd::kZoomIn));

  // Buttons with a theme icon show only it; the text stays their tool tip.
  for (QAction* a : toolbar_->actions())
    if (auto* b = qobject_cast<QToolButton*>(toolbar_->widgetForAction(a)); b && !a->icon().isNull())
      b->setToolButtonStyle(Qt::ToolButtonIconOnly);

  // The information bar's place at the strip's right end (InfoBarPos 1).
  auto* spacer = new QWidget(toolbar_);
  spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  toolbar_->addWidget(spacer);
  info_bar_slot_ = new QWidget(toolbar_);
  auto* slot_layout = new QHBoxLayout(info_bar_slot_);
  slot_layout->setContentsMargins(0, 2, 2, 0);
  toolbar_->addWidget(info_bar_slot_);
}

void MainWindow::refresh_actions() {
  for (const auto& [id, a] : actions_) {
    a->setEnabled(!job_running() && registry_.is_enabled(context_, id));
    if (a->isCheckable()) a->setChecked(registry_.is_checked(context_, id));
  }
}

void MainWindow::rebuild_recent_menus() {
  // Recent files: "&n path", n from 0, command 3100 + n.
  recent_files_menu_->clear();
  const RecentLists& recent = state_.settings.recent;
  for (int n = 0; n < int(recent.files.size()); ++n) {
    if (recent.files[size_t(n)].empty()) continue;
    const QString text = QStringLiteral("&%1 ").arg(n) + QString::fromStdString(recent.files[size_t(n)]);
    QAction* a = recent_files_menu_->addAction(text);
    const int id = cmd::kFirstRecentFile + n;
    connect(a, &QAction::triggered, this, [this, id] { run_command(id); });
  }
  recent_files_menu_->setEnabled(!recent_files_menu_->isEmpty());

  auto add_folders = [this, &recent](QMenu* menu, CommandOrigin origin) {
    for (int n = 0; n < int(recent.folders.size()); ++n) {
      if (recent.folders[size_t(n)].empty()) continue;
      QAction* a = menu->addAction(QString::fromStdString(recent.folders[size_t(n)]));
      const int id = cmd::kFirstRecentFolder + n;
      connect(a, &QAction::triggered, this, [this, id, origin] { run_command(id, origin); });
    }
  };
  open_menu_->clear();
  add_folders(open_menu_, CommandOrigin::kMenu);

  // Save as: "%sで保存" for PSD, BMP, PNG, JPEG, GIF, then the folders.
  save_as_menu_->clear();
  for (int i = 0; i < cmd::kSaveAsFormatCount; ++i) {
    const FileFormat* format = file_format(i + 1);
    QAction* a = save_as_menu_->addAction(
        QString::fromUtf8(format->name.data(), qsizetype(format->name.size())) +
        QStringLiteral("で保存"));
    const int id = cmd::kFirstSaveAsFormat + i;
    connect(a, &QAction::triggered, this, [this, id] { run_command(id); });
  }
  save_as_menu_->addSeparator();
  add_folders(save_as_menu_, CommandOrigin::kSaveAsButton);
}

void MainWindow::show_zoom_menu() {
  QMenu menu(this);
  for (int i = 0; i < cmd::kZoomPresetCount; ++i) {
    QAction* a = menu.addAction(QStringLiteral("%1%").arg(kZoomPresetPercents[i]));
    const int id = cmd::kFirstZoomPreset + i;
    connect(a, &QAction::triggered, this, [this, id] { run_command(id); });
  }
  const QPoint at = zoom_button_ && zoom_button_->isVisible()
                        ? zoom_button_->mapToGlobal(QPoint(0, zoom_button_->height()))
                        : QCursor::pos();
  menu.exec(at);
}

void MainWindow::show_select_menu(QPoint global) {
  // The menu bar's Select menu is the one that holds select all.
  if (QAction* a = action(cmd::kSelectAll))
    for (QObject* owner : a->associatedObjects())
      if (auto* menu = qobject_cast<QMenu*>(owner)) {
        menu->exec(global);
        return;
      }
}

}  // namespace qm
