#include "panels/texture_panel.h"

#include <QActionGroup>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/app_state.h"
#include "panels/picture_files.h"

namespace qm {

TextureGrid::TextureGrid(AppState& state, QScrollBar* scroll, QWidget* parent)
    : QWidget(parent), state_(state), scroll_(scroll) {
  setMinimumSize(40, 30);
  connect(scroll_, &QScrollBar::valueChanged, this, [this] { update(); });
}

int TextureGrid::thumb() const { return kThumbSizes[std::clamp(state_.settings.env.tex_view_size, 0, 5)]; }

int TextureGrid::hit(QPoint at) const {
  const int s = thumb() + 1;
  if (at.x() < 0 || at.y() < 0 || at.x() / s >= columns()) return -1;
  const int index = (at.y() / s + scroll_->value()) * columns() + at.x() / s;
  return index < state_.textures.count() ? index : -1;
}

void TextureGrid::sync_scroll() {
  const int s = thumb() + 1;
  const int rows = (state_.textures.count() + columns() - 1) / columns();
  const int page = std::max(1, height() / s);
  scroll_->setRange(0, std::max(0, rows - page));
  scroll_->setPageStep(page);
  update();
}

void TextureGrid::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  const int s = thumb(), cols = columns(), count = state_.textures.count();
  const int selected = count > 0 ? std::clamp(state_.settings.draw.texture_sel, 0, count - 1) : -1;
  for (int k = scroll_->value() * cols; k < count; ++k) {
    const int x = (s + 1) * (k % cols), y = (s + 1) * (k / cols - scroll_->value());
    if (y > height()) break;
    const LibraryTexture t = state_.textures.texture(k);
    if (t.pixels && t.width > 0 && t.height > 0) {
      const QImage image(t.pixels, t.width, t.height, t.width, QImage::Format_Grayscale8);
      p.drawImage(QRect(x + 1, y + 1, s - 1, s - 1), image);
    }
    p.setPen(k == selected ? Qt::blue : Qt::black);
    p.drawRect(x, y, s, s);
  }
}

void TextureGrid::resizeEvent(QResizeEvent*) { sync_scroll(); }

void TextureGrid::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int index = hit(event->position().toPoint());
  if (index >= 0) emit picked(index);
}

void TextureGrid::wheelEvent(QWheelEvent* event) {
  scroll_->setValue(scroll_->value() - event->angleDelta().y() / 120);
}

TexturePanel::TexturePanel(const PanelContext& context)
    : FloatingPanel(context, kPanelTexture, QStringLiteral("ﾃｸｽﾁｬ")),
      scroll_(new QScrollBar(Qt::Vertical, this)), grid_(new TextureGrid(*context.state, scroll_, this)) {
  message = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); };
  setMinimumSize(100, 60);
  setAcceptDrops(true);
  auto* bar = new QMenuBar(this);
  menu_ = bar->addMenu(QStringLiteral("ﾃｸｽﾁｬ"));
  const std::pair<int, const char*> items[] = {
      {42000, "追加..."}, {42001, "挿入..."}, {42002, "削除"}, {0, nullptr},
      {42003, "開く..."}, {42004, "保存..."}, {0, nullptr}, {42005, "すべて削除"}, {0, nullptr}};
  for (const auto& [id, text] : items) {
    if (!text) {
      menu_->addSeparator();
      continue;
    }
    connect(menu_->addAction(QString::fromUtf8(text)), &QAction::triggered, this, [this, id = id] { run(id); });
  }
  auto* sizes = new QActionGroup(menu_);
  for (int i = 0; i < 6; ++i) {
    QAction* a = menu_->addAction(QStringLiteral("%1 x %1").arg(kThumbSizes[i]));
    a->setCheckable(true);
    a->setData(42010 + i);
    a->setChecked(i == state().settings.env.tex_view_size);
    sizes->addAction(a);
    connect(a, &QAction::triggered, this, [this, i] { set_thumb_size(i); });
  }
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(bar);
  auto* row = new QHBoxLayout;
  row->addWidget(grid_, 1);
  row->addWidget(scroll_);
  layout->addLayout(row, 1);
  connect(grid_, &TextureGrid::picked, this, &TexturePanel::select);
  keep_keyboard_with_canvas();
}

int TexturePanel::selection() const {
  const int count = state().textures.count();
  return count == 0 ? -1 : std::clamp(state().settings.draw.texture_sel, 0, count - 1);
}

void TexturePanel::select(int index) {
  if (index < 0 || index >= state().textures.count()) return;
  model().set_texture_sel(index);
  grid_->update();
}

void TexturePanel::library_changed() {
  const int count = state().textures.count();
  // The selection stays on a texture of the library; nothing to paint with
  // when it is empty.
  model().edit(kChangedTexture, [count](Settings& s) {
    s.draw.texture_sel = count == 0 ? 0 : std::clamp(s.draw.texture_sel, 0, count - 1);
    if (count == 0) s.draw.texture_on = 0;
  });
  grid_->sync_scroll();
}

int TexturePanel::add_files(const QStringList& paths, bool insert) {
  TextureLibrary& library = state().textures;
  int position = insert && library.count() > 0 ? selection() : -1;
  int added = 0;
  QStringList failed;
  for (const QString& path : paths) {
    // A large photo gives its top-left part.
    LayerImage picture;
    if (!load_any_size_picture(path, picture, kMaxTextureSide) || !library.add(picture, position)) {
      failed << path;
      continue;
    }
    ++added;
    if (position >= 0) ++position;
  }
  library_changed();
  if (!failed.isEmpty()) message(QStringLiteral("이미지 열기 실패\n") + failed.join(QLatin1Char('\n')));
  return added;
}

void TexturePanel::delete_selected() {
  if (selection() < 0) return;
  state().textures.remove(selection());
  library_changed();
}

bool TexturePanel::open_library(const QString& path) {
  // The loader replaces the library only once the whole file has been read.
  if (!LoadTextureLibrary(path.toStdString(), state().textures, true)) {
    message(QStringLiteral("読み込みに失敗"));
    return false;
  }
  library_changed();
  return true;
}

bool TexturePanel::save_library(const QString& path) {
  // Saving elsewhere says nothing about texture.qmt, which is written at
  // exit when the library changed since it was read.
  const bool changed = state().textures.modified();
  const bool saved = SaveTextureLibrary(path.toStdString(), state().textures, false);
  state().textures.set_modified(changed);
  if (!saved) message(QStringLiteral("保存に失敗しました"));
  return saved;
}

void TexturePanel::delete_all() {
  state().textures.clear();
  library_changed();
}

void TexturePanel::set_thumb_size(int index) {
  state().settings.env.tex_view_size = std::clamp(index, 0, 5);
  const auto actions = menu_->actions();
  for (QAction* a : actions)
    if (a->data().isValid()) a->setChecked(a->data().toInt() == 42010 + index);
  grid_->sync_scroll();
}

void TexturePanel::run(int id) {
  if (id >= 42010 && id <= 42015) return set_thumb_size(id - 42010);
  switch (id) {
    case 42000:
    case 42001: {
      const QStringList paths = QFileDialog::getOpenFileNames(this, QString(), QString(), picture_file_filter());
      if (!paths.isEmpty()) add_files(paths, id == 42001);
      break;
    }
    case 42002: delete_selected(); break;
    case 42003: {
      const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), texture_file_filter());
      if (!path.isEmpty()) open_library(path);
      break;
    }
    case 42004: {
      QString path = QFileDialog::getSaveFileName(this, QString(), QString(), texture_file_filter());
      if (path.isEmpty()) break;
      if (!path.endsWith(QStringLiteral(".qmt"), Qt::CaseInsensitive)) path += QStringLiteral(".qmt");
      save_library(path);
      break;
    }
    case 42005:
      if (QMessageBox::question(this, windowTitle(),
                                QStringLiteral("現在のﾃｸｽﾁｬをすべて削除します。よろしいですか？"),
                                QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
        delete_all();
      break;
  }
}

void TexturePanel::drawing_changed(uint32_t what) {
  if (what & kChangedTexture) grid_->update();
}

void TexturePanel::keyPressEvent(QKeyEvent* event) {
  if (event->text() == QStringLiteral(".")) return delete_selected();
  if (event->text() == QStringLiteral("-")) return run(42001);
  FloatingPanel::keyPressEvent(event);
}

void TexturePanel::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TexturePanel::dropEvent(QDropEvent* event) {
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  if (!paths.isEmpty()) add_files(paths, false);
}

}  // namespace qm
