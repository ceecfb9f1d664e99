#include "panels/ex_palette_panel.h"

#include <QActionGroup>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/app_state.h"
#include "core/colour.h"

namespace qm {

namespace {

constexpr QRgb kGridLine = qRgb(48, 48, 48);
constexpr int kHueRows = 15;

// Layout 0: the hue column and the main grid; layouts 1 and 2: 13 × 12.
QRect cell_rect(int type, int column, int row) {
  if (type == 0) return {4 + 9 * column, 4 + 9 * row, 8, 8};
  return {4 + 9 * column, 4 + 11 * row, 8, 10};
}
QRect hue_rect(int index) {
  const int c = index / kHueRows, r = index % kHueRows;
  return {101 + 12 * c, 4 + 9 * r, 11, 8};
}
int columns(int type) { return type == 0 ? 10 : 13; }
int rows(int type) { return type == 0 ? 15 : 12; }

void frame(QImage& image, QRect inner, QRgb colour) {
  QPainter p(&image);
  p.setPen(QColor::fromRgb(colour));
  p.drawRect(inner.adjusted(-1, -1, 0, 0));
}

}  // namespace

uint32_t ex_palette_colour(int type, int hue_index, int column, int row) {
  if (type == 0) {
    const int hue = 12 * (hue_index % kHueRows) + 180 * (hue_index / kHueRows);
    return hls_to_rgb(hue, 95 - 6 * row, 100 - 10 * column);
  }
  const int hue = 30 * row;
  if (type == 1)
    return column <= 6 ? hsv_to_rgb_percent(hue, 100 - 13 * column, 100)
                       : hsv_to_rgb_percent(hue, 205 - 15 * column, 70);
  return column <= 6 ? hsv_to_rgb_percent(hue, 35, 100 - 7 * column)
                     : hsv_to_rgb_percent(hue, 15, 163 - 9 * column);
}

ExPaletteGrid::ExPaletteGrid(QWidget* parent) : QWidget(parent) {
  setFixedSize(kExPaletteWidth, kExPaletteHeight);
  render();
}

void ExPaletteGrid::set_type(int type) {
  type_ = std::clamp(type, 0, 2);
  cell_ = {0, 0};
  render();
}

uint32_t ExPaletteGrid::selected_colour() const {
  // Read back from the centre of the drawn cell, as the user sees it.
  const QRect r = cell_rect(type_, cell_.x(), cell_.y());
  return image_.pixel(r.center()) & 0xFFFFFF;
}

void ExPaletteGrid::render() {
  image_ = QImage(kExPaletteWidth, kExPaletteHeight, QImage::Format_RGB32);
  image_.fill(QColor(212, 208, 200));
  QPainter p(&image_);
  const int cols = columns(type_), rs = rows(type_);
  const QRect first = cell_rect(type_, 0, 0), last = cell_rect(type_, cols - 1, rs - 1);
  p.fillRect(QRect(first.topLeft() - QPoint(1, 1), last.bottomRight() + QPoint(1, 1)), QColor::fromRgb(kGridLine));
  for (int r = 0; r < rs; ++r)
    for (int c = 0; c < cols; ++c)
      p.fillRect(cell_rect(type_, c, r), QColor::fromRgb(QRgb(ex_palette_colour(type_, hue_, c, r))));
  if (type_ == 0) {
    p.fillRect(QRect(100, 3, 25, 9 * kHueRows + 1), QColor::fromRgb(kGridLine));
    for (int h = 0; h < 2 * kHueRows; ++h)
      p.fillRect(hue_rect(h), QColor::fromRgb(QRgb(hls_to_rgb(12 * (h % kHueRows) + 180 * (h / kHueRows), 50, 100))));
  }
  p.end();
  if (type_ == 0) frame(image_, hue_rect(hue_), qRgb(255, 255, 255));
  frame(image_, cell_rect(type_, cell_.x(), cell_.y()), qRgb(240, 240, 240));
  update();
}

void ExPaletteGrid::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, image_);
}

void ExPaletteGrid::mousePressEvent(QMouseEvent* event) {
  const int x = int(event->position().x()), y = int(event->position().y());
  if (x <= 2 || y <= 2) return;
  if (type_ == 0) {
    if (y > 137 || x > 124 || (x > 92 && x < 100)) return;
    if (x <= 92) {
      cell_ = {(x - 3) / 9, (y - 3) / 9};
    } else {
      hue_ = (y - 3) / 9 + kHueRows * ((x - 100) / 13);
    }
  } else {
    if (x >= 120 || y > 134) return;
    cell_ = {(x - 3) / 9, (y - 3) / 11};
  }
  render();
  emit colour_picked(selected_colour());
}

ExPalettePanel::ExPalettePanel(const PanelContext& context)
    : FloatingPanel(context, kPanelExPalette, QStringLiteral("拡張ﾊﾟﾚｯﾄ")),
      grid_(new ExPaletteGrid(this)),
      menu_button_(new QToolButton(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  menu_button_->setText(QStringLiteral("▼"));
  menu_button_->setPopupMode(QToolButton::InstantPopup);
  auto* menu = new QMenu(menu_button_);
  auto* group = new QActionGroup(menu);
  const QString names[3] = {QStringLiteral("HLS (L+S)"), QStringLiteral("HSV (鮮)"),
                            QStringLiteral("HSV (淡)")};
  for (int t = 0; t < 3; ++t) {
    QAction* a = menu->addAction(names[t]);
    a->setCheckable(true);
    a->setData(3000 + t);
    group->addAction(a);
    connect(a, &QAction::triggered, this, [this, t] { set_type(t); });
  }
  menu_button_->setMenu(menu);
  layout->addWidget(menu_button_, 0, Qt::AlignLeft);
  layout->addWidget(grid_);
  connect(grid_, &ExPaletteGrid::colour_picked, this,
          [this](uint32_t rgb) { model().set_current_colour_value(rgb); });
  set_type(state().settings.env.ex_pal_type);
  keep_keyboard_with_canvas();
}

void ExPalettePanel::set_type(int type) {
  type = std::clamp(type, 0, 2);
  state().settings.env.ex_pal_type = type;
  grid_->set_type(type);
  const auto actions = menu_button_->menu()->actions();
  for (int t = 0; t < actions.size(); ++t) actions[t]->setChecked(t == type);
}

}  // namespace qm
