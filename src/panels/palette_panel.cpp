#include "panels/palette_panel.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabBar>
#include <QVBoxLayout>

#include "app/app_state.h"
#include "panels/palette_panel_edit.h"
#include "panels/picture_files.h"

namespace qm {

namespace {

constexpr QRgb kGridGrey = qRgb(204, 204, 204);
QColor colour(uint32_t rgb) { return QColor::fromRgb(QRgb(rgb & 0xFFFFFF)); }

}  // namespace

int PaletteGridLayout::hit(int x, int y, int top_row) const {
  if (x < 0 || y < 0) return -1;
  const int column = x / (cell_w + 1), row = y / (cell_h + 1) + top_row;
  if (column >= columns()) return -1;
  const int index = row * columns() + column;
  return index < kPaletteColours ? index : -1;
}

PaletteGrid::PaletteGrid(QWidget* parent, QScrollBar* scroll) : QWidget(parent), scroll_(scroll) {
  setMinimumSize(40, 40);
  connect(scroll_, &QScrollBar::valueChanged, this, [this] { update(); });
}

void PaletteGrid::set_palette(Palette* palette, int cell_w, int cell_h) {
  palette_ = palette;
  cell_w_ = std::clamp(cell_w, 4, 30);
  cell_h_ = std::clamp(cell_h, 4, 30);
  sync_scroll();
  update();
}

int PaletteGrid::top_row() const { return scroll_->value(); }

void PaletteGrid::sync_scroll() {
  const int page = std::max(1, height() / (cell_h_ + 1));
  scroll_->setRange(0, std::max(0, layout().rows() - page));
  scroll_->setPageStep(page);
}

QRect PaletteGrid::cell_rect(int cell) const {
  const int cols = layout().columns();
  const int column = cell % cols, row = cell / cols - top_row();
  return {1 + column * (cell_w_ + 1), 1 + row * (cell_h_ + 1), cell_w_, cell_h_};
}

void PaletteGrid::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor::fromRgb(kGridGrey));
  if (!palette_) return;
  const int cols = layout().columns();
  const int first = top_row() * cols;
  for (int k = first; k < kPaletteColours; ++k) {
    const QRect r = cell_rect(k);
    if (r.top() > height()) break;
    p.fillRect(r, colour((*palette_)[size_t(k)]));
  }
  if (pressed_ >= 0) {
    p.setPen(Qt::blue);
    p.drawRect(cell_rect(pressed_).adjusted(-1, -1, 0, 0));
  }
  if (ramp_from_ >= 0) {
    p.setPen(Qt::black);
    p.drawLine(cell_rect(ramp_from_).center(), ramp_end_);
  }
}

void PaletteGrid::resizeEvent(QResizeEvent*) { sync_scroll(); }

void PaletteGrid::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  const int cell = layout().hit(at.x(), at.y(), top_row());
  if (cell < 0) return;
  if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::AltModifier)) {
    ramp_from_ = cell;
    ramp_end_ = at;
  } else if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier)) {
    emit cell_clicked(cell, 1);
  } else if (event->button() == Qt::LeftButton) {
    pressed_ = cell;
    emit cell_clicked(cell, 0);
  } else if (event->button() == Qt::RightButton) {
    emit cell_clicked(cell, 2);
  }
  update();
}

void PaletteGrid::mouseMoveEvent(QMouseEvent* event) {
  if (ramp_from_ < 0) return;
  ramp_end_ = event->position().toPoint();
  update();
}

void PaletteGrid::mouseReleaseEvent(QMouseEvent* event) {
  if (ramp_from_ >= 0) {
    const QPoint at = event->position().toPoint();
    const int to = layout().hit(at.x(), at.y(), top_row());
    const int from = ramp_from_;
    ramp_from_ = -1;
    if (to >= 0 && to != from) emit ramp(from, to);
  }
  pressed_ = -1;
  update();
}

void PaletteGrid::wheelEvent(QWheelEvent* event) {
  scroll_->setValue(scroll_->value() - event->angleDelta().y() / 40);
}

// --- dialog 506 ---------------------------------------------------------

namespace {
constexpr int kEditCell = 12, kEditSide = 16;
}

PaletteEditDialog::PaletteEditDialog(const Palette& palette, QWidget* parent)
    : QDialog(parent), palette_(palette), grid_(new QWidget(this)),
      scroll_(new QScrollBar(Qt::Vertical, this)), rgb_(new QLineEdit(this)) {
  setWindowTitle(QStringLiteral("パレット編集"));
  grid_->setFixedSize(kEditCell * kEditSide, kEditCell * kEditSide);
  grid_->installEventFilter(this);
  scroll_->setRange(0, kPaletteColours / kEditSide - kEditSide);
  scroll_->setPageStep(kEditSide);
  connect(scroll_, &QScrollBar::valueChanged, grid_, qOverload<>(&QWidget::update));
  auto* layout = new QGridLayout(this);
  layout->addWidget(grid_, 0, 0, 7, 1);
  layout->addWidget(scroll_, 0, 1, 7, 1);
  const QString texts[5] = {QStringLiteral("삽입"), QStringLiteral("삭제"),
                            QStringLiteral("선택 사이 삽입"), QStringLiteral("선택 사이 삭제"),
                            QStringLiteral("선택사이그라디언트")};
  for (int b = 0; b < 5; ++b) {
    auto* button = new QPushButton(texts[b], this);
    connect(button, &QPushButton::clicked, this, [this, b] { press(b); });
    layout->addWidget(button, b, 2);
  }
  rgb_->setPlaceholderText(QStringLiteral("RGB 값(예: 0,0,255)"));
  auto* set = new QPushButton(QStringLiteral("설정"), this);
  connect(set, &QPushButton::clicked, this, [this] { press(5); });
  auto* row = new QHBoxLayout;
  row->addWidget(rgb_);
  row->addWidget(set);
  layout->addLayout(row, 5, 2);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons, 7, 0, 1, 3);
}

void PaletteEditDialog::select(int which, int cell) {
  sel_[which & 1] = std::clamp(cell, 0, kPaletteColours - 1);
  grid_->update();
}

void PaletteEditDialog::press(int button) {
  const int a = std::min(sel_[0], sel_[1]), b = std::max(sel_[0], sel_[1]);
  switch (button) {
    case 0: palette_insert(palette_, sel_[0]); break;
    case 1: palette_delete(palette_, sel_[0]); break;
    case 2: palette_insert_between(palette_, a, b); break;
    case 3: palette_delete_between(palette_, a, b); break;
    case 4:
      if (b - a >= 2) palette_ramp(palette_, a, b);
      break;
    case 5:
      if (auto c = parse_rgb_text(rgb_->text().toStdString())) palette_[size_t(sel_[0])] = *c;
      break;
  }
  grid_->update();
}

bool PaletteEditDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched != grid_) return QDialog::eventFilter(watched, event);
  const int first = scroll_->value() * kEditSide;
  if (event->type() == QEvent::Paint) {
    QPainter p(grid_);
    for (int i = 0; i < kEditSide * kEditSide; ++i) {
      const QRect r((i % kEditSide) * kEditCell, (i / kEditSide) * kEditCell, kEditCell, kEditCell);
      p.fillRect(r, colour(palette_[size_t(first + i)]));
      const bool s1 = first + i == sel_[0], s2 = first + i == sel_[1];
      if (s1 || s2) {
        p.setPen(s1 && s2 ? Qt::magenta : s1 ? Qt::red : Qt::blue);
        p.drawRect(r.adjusted(0, 0, -1, -1));
      }
    }
    return true;
  }
  if (event->type() == QEvent::MouseButtonPress) {
    auto* m = static_cast<QMouseEvent*>(event);
    const QPoint at = m->position().toPoint();
    const int cell = first + (at.y() / kEditCell) * kEditSide + at.x() / kEditCell;
    if (at.x() >= 0 && at.y() >= 0 && at.x() < kEditCell * kEditSide && at.y() < kEditCell * kEditSide)
      select(m->button() == Qt::RightButton ? 1 : 0, cell);
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

// --- the window -----------------------------------------------------------

PalettePanel::PalettePanel(const PanelContext& context)
    : FloatingPanel(context, kPanelPalette, QStringLiteral("ﾊﾟﾚｯﾄ")),
      menu_(new QMenuBar(this)), tabs_(new QTabBar(this)),
      scroll_(new QScrollBar(Qt::Vertical, this)), grid_(new PaletteGrid(this, scroll_)) {
  message = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); };
  QMenu* menu = menu_->addMenu(QStringLiteral("ﾊﾟﾚｯﾄ"));
  const std::pair<int, const char*> items[] = {
      {42100, "ﾀﾌﾞの追加"}, {42107, "ﾀﾌﾞの削除"}, {0, nullptr},
      {42101, "開く..."}, {42102, "保存..."}, {42104, "画像から作成..."}, {0, nullptr},
      {42103, "編集..."}, {42108, "HSV順に並べ替え"}, {42105, "すべて白色"}, {0, nullptr},
      {42106, "設定..."}};
  for (const auto& [id, text] : items) {
    if (!text) {
      menu->addSeparator();
      continue;
    }
    QAction* a = menu->addAction(QString::fromUtf8(text));
    a->setData(id);
    connect(a, &QAction::triggered, this, [this, id = id] { run(id); });
  }
  tabs_->setShape(QTabBar::RoundedNorth);
  tabs_->setExpanding(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(menu_);
  layout->addWidget(tabs_);
  auto* row = new QHBoxLayout;
  row->addWidget(grid_, 1);
  row->addWidget(scroll_);
  layout->addLayout(row, 1);
  for (int i = 0; i < state().palettes.count(); ++i) tabs_->addTab(QString::number(i + 1));
  const int first = state().settings.env.pal_def_tab;
  tabs_->setCurrentIndex(state().palettes.valid_index(first) ? first : 0);
  connect(tabs_, &QTabBar::currentChanged, this, [this] { refresh(); });
  connect(grid_, &PaletteGrid::cell_clicked, this, &PalettePanel::cell_clicked);
  connect(grid_, &PaletteGrid::ramp, this, [this](int from, int to) {
    palette_ramp(palette(), from, to);
    changed();
  });
  refresh();
  keep_keyboard_with_canvas();
}

int PalettePanel::current() const { return std::max(0, tabs_->currentIndex()); }
void PalettePanel::select_tab(int index) { tabs_->setCurrentIndex(index); }
Palette& PalettePanel::palette() { return state().palettes.palette(current()); }

void PalettePanel::refresh() {
  Environment& env = state().settings.env;
  // The next start opens on the palette last shown.
  env.pal_def_tab = current();
  grid_->set_palette(&palette(), env.pal_view_w, env.pal_view_h);
}

void PalettePanel::changed() {
  state().palettes.set_modified(true);
  grid_->update();
}

void PalettePanel::cell_clicked(int cell, int kind) {
  if (cell < 0 || cell >= kPaletteColours) return;
  const bool store = kind == 1 || (kind == 2 && state().settings.env.pal_r_btt == 0);
  if (store) {
    palette()[size_t(cell)] = model().state().current_colour_value();
    changed();
  } else {
    model().set_current_colour_value(palette()[size_t(cell)]);
  }
}

bool PalettePanel::add_tab() {
  if (!state().palettes.add_palette()) return false;
  tabs_->addTab(QString::number(state().palettes.count()));
  tabs_->setCurrentIndex(state().palettes.count() - 1);
  return true;
}

bool PalettePanel::delete_tab() {
  const int index = current();
  if (!state().palettes.remove_palette(index)) return false;
  const QSignalBlocker block(tabs_);
  tabs_->removeTab(index);
  for (int i = 0; i < tabs_->count(); ++i) tabs_->setTabText(i, QString::number(i + 1));
  tabs_->setCurrentIndex(std::min(index, tabs_->count() - 1));
  refresh();
  return true;
}

bool PalettePanel::open_file(const QString& path) {
  if (!ImportPalette(path.toStdString(), state().palettes, current())) {
    message(QStringLiteral("열기 실패"));
    return false;
  }
  changed();
  return true;
}

bool PalettePanel::save_file(const QString& path) {
  if (!ExportPalette(path.toStdString(), state().palettes, current())) {
    message(QStringLiteral("保存に失敗しました"));
    return false;
  }
  return true;
}

bool PalettePanel::from_picture(const QString& path) {
  // Every pixel of the picture counts, however large it is.
  LayerImage picture;
  if (!load_any_size_picture(path, picture) || !PaletteFromPicture(picture, state().palettes, current())) {
    message(QStringLiteral("열기 실패"));
    return false;
  }
  sort();
  return true;
}

void PalettePanel::sort() {
  palette_sort_hsv(palette());
  changed();
}

void PalettePanel::whiten() {
  state().palettes.clear(current());
  changed();
}

void PalettePanel::apply_view_settings(int cell_w, int cell_h, int right_button) {
  Environment& env = state().settings.env;
  env.pal_view_w = std::clamp(cell_w, 4, 30);
  env.pal_view_h = std::clamp(cell_h, 4, 30);
  env.pal_r_btt = right_button == 1 ? 1 : 0;
  refresh();
}

void PalettePanel::run(int id) {
  switch (id) {
    case 42100: add_tab(); break;
    case 42107: delete_tab(); break;
    case 42101: {
      const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), palette_file_filter());
      if (!path.isEmpty()) open_file(path);
      break;
    }
    case 42102: {
      QString path = QFileDialog::getSaveFileName(this, QString(), QString(),
                                                  QStringLiteral("Palette (*.qml)"));
      if (path.isEmpty()) break;
      if (!path.endsWith(QStringLiteral(".qml"), Qt::CaseInsensitive)) path += QStringLiteral(".qml");
      save_file(path);
      break;
    }
    case 42104: {
      const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), picture_file_filter());
      if (!path.isEmpty()) from_picture(path);
      break;
    }
    case 42103: {
      PaletteEditDialog dialog(palette(), this);
      if (dialog.exec() == QDialog::Accepted) {
        palette() = dialog.palette();
        changed();
      }
      break;
    }
    case 42108: sort(); break;
    case 42105:
      if (QMessageBox::question(this, windowTitle(), QStringLiteral("すべて白色にします。よろしいですか？"),
                                QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
        whiten();
      break;
    case 42106: {
      const Environment& env = state().settings.env;
      QDialog dialog(this);
      dialog.setWindowTitle(QStringLiteral("設定"));
      auto* form = new QFormLayout(&dialog);
      auto* w = new QSpinBox(&dialog);
      auto* h = new QSpinBox(&dialog);
      for (QSpinBox* s : {w, h}) s->setRange(4, 30);
      w->setValue(env.pal_view_w);
      h->setValue(env.pal_view_h);
      auto* right = new QComboBox(&dialog);
      right->addItems({QStringLiteral("描画色の登録"), QStringLiteral("色の取得")});
      right->setCurrentIndex(env.pal_r_btt == 1 ? 1 : 0);
      form->addRow(QStringLiteral("幅"), w);
      form->addRow(QStringLiteral("高さ"), h);
      form->addRow(QStringLiteral("右ﾎﾞﾀﾝ"), right);
      auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
      connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
      connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
      form->addRow(buttons);
      if (dialog.exec() == QDialog::Accepted) apply_view_settings(w->value(), h->value(), right->currentIndex());
      break;
    }
  }
}

}  // namespace qm
