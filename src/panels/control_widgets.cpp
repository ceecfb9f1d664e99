#include "panels/control_widgets.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWidgetAction>
#include <algorithm>

#include "app/app_state.h"
#include "state/drawing_state_model.h"

namespace qm {

namespace {

QColor qcolour(uint32_t rgb) { return QColor::fromRgb(QRgb(0xFF000000u | rgb)); }

void frame(QPainter& p, const QRect& r, const QColor& c) {
  p.setPen(c);
  p.setBrush(Qt::NoBrush);
  p.drawRect(r.adjusted(0, 0, -1, -1));
}

}  // namespace

// --- brush preview ---------------------------------------------------------

BrushPreview::BrushPreview(DrawingStateModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
  setFixedSize(48, 48);
}

void BrushPreview::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  frame(p, rect(), Qt::gray);
  const DrawingState& d = model_.state();
  const int size = d.brush_size[size_t(d.tool)];
  QColor c = qcolour(d.current_colour_value());
  c.setAlpha(std::clamp(d.brush_alpha[size_t(d.tool)], 0, 255));
  // Larger brushes than the box are shown at the box's size.
  const double side = std::min<double>(size, width() - 4);
  const QRectF r((width() - side) / 2, (height() - side) / 2, side, side);
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  if (d.tool == kToolPencil && pencil_shape(d.options.pencil) == 1)
    p.drawRect(r);
  else {
    p.setRenderHint(QPainter::Antialiasing, size > 2);
    p.drawEllipse(r);
  }
  p.setPen(Qt::darkGray);
  p.drawText(rect().adjusted(2, 0, 0, -1), Qt::AlignLeft | Qt::AlignBottom, QString::number(size));
}

// --- brush slots -----------------------------------------------------------

BrushSlots::BrushSlots(DrawingStateModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  setFixedSize(7 * 20, 24);
}

int BrushSlots::slot_at(int x) { return std::clamp(x / 20, 0, 6); }

void BrushSlots::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QFont small = font();
  small.setPixelSize(9);
  p.setFont(small);
  const auto& saved = model_.state().brush_slots[size_t(model_.tool())];
  for (int i = 0; i < kBrushSlotCount; ++i) {
    const QRect cell(i * 20, 0, 20, height());
    p.fillRect(cell, Qt::white);
    const int v = saved[size_t(i)];
    p.setPen(Qt::black);
    p.drawText(cell.adjusted(0, 0, 0, -height() / 2), Qt::AlignCenter, QString::number((v >> 8) & 0xFF));
    p.drawText(cell.adjusted(0, height() / 2, 0, 0), Qt::AlignCenter, QString::number(v & 0xFF));
    frame(p, cell, i == last_ ? (stored_ ? QColor(0, 160, 0) : QColor(0, 0, 255)) : Qt::gray);
  }
}

void BrushSlots::mousePressEvent(QMouseEvent* event) {
  const int slot = slot_at(int(event->position().x()));
  const int tool = model_.tool();
  stored_ = event->button() == Qt::RightButton || (event->modifiers() & Qt::ControlModifier);
  last_ = slot;
  if (stored_)
    model_.store_brush_slot(tool, slot);
  else if (event->button() == Qt::LeftButton)
    model_.load_brush_slot(tool, slot);
  update();
}

// --- colour pair -----------------------------------------------------------

ColourPair::ColourPair(DrawingStateModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  setFixedSize(kSquare + kOffset, kSquare + kOffset);
}

void ColourPair::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const DrawingState& d = model_.state();
  const QRect squares[2] = {{0, 0, kSquare, kSquare}, {kOffset, kOffset, kSquare, kSquare}};
  // The current colour lies on top.
  const int current = d.current_colour & 1;
  for (int i : {1 - current, current}) {
    p.fillRect(squares[i], qcolour(d.colours[size_t(i)]));
    frame(p, squares[i], i == current ? Qt::red : Qt::black);
  }
}

void ColourPair::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  const bool in0 = at.x() < kSquare && at.y() < kSquare;
  const bool in1 = at.x() >= kOffset && at.y() >= kOffset;
  if (in0 && in1)
    model_.set_current_colour(1 - model_.state().current_colour);
  else if (in1)
    model_.set_current_colour(1);
  else if (in0)
    model_.set_current_colour(0);
}

// --- HSV field -------------------------------------------------------------

HsvField::HsvField(Hsv& hsv, std::function<void()> pick, QWidget* parent)
    : QWidget(parent), hsv_(hsv), pick_(std::move(pick)) {
  setFixedSize(kSide + 6 + kBarWidth + 6, kSide);
}

void HsvField::paintEvent(QPaintEvent*) {
  QPainter p(this);
  constexpr int n = kSide;
  QImage square(n, n, QImage::Format_RGB32);
  for (int y = 0; y < n; ++y) {
    auto* row = reinterpret_cast<QRgb*>(square.scanLine(y));
    for (int x = 0; x < n; ++x)
      row[x] = 0xFF000000u | hsv_to_rgb(hsv_.h, x * 255 / (n - 1), 255 - y * 255 / (n - 1));
  }
  p.drawImage(0, 0, square);
  for (int y = 0; y < n; ++y) {
    p.setPen(qcolour(hsv_to_rgb(y * 359 / (n - 1), 255, 255)));
    p.drawLine(n + 6, y, n + 6 + kBarWidth - 1, y);
  }
  // Markers: 7 × 7 on the colour, a triangle at the hue.
  const int mx = hsv_.s * (n - 1) / 255, my = (255 - hsv_.v) * (n - 1) / 255;
  p.setPen(hsv_.v > 128 ? Qt::black : Qt::white);
  p.setBrush(Qt::NoBrush);
  p.drawRect(mx - 3, my - 3, 6, 6);
  const int hy = hsv_.h * (n - 1) / 359;
  const QPoint tri[3] = {{n + 6 + kBarWidth, hy}, {n + 6 + kBarWidth + 5, hy - 4},
                         {n + 6 + kBarWidth + 5, hy + 4}};
  p.setPen(Qt::black);
  p.setBrush(Qt::black);
  p.drawPolygon(tri, 3);
}

void HsvField::pick_at(QPoint at, bool press) {
  constexpr int n = kSide;
  if (press) in_bar_ = at.x() >= n + 6;
  const int x = std::clamp(at.x(), 0, n - 1), y = std::clamp(at.y(), 0, n - 1);
  if (in_bar_) {
    hsv_.h = y * 359 / (n - 1);
  } else {
    hsv_.s = x * 255 / (n - 1);
    hsv_.v = 255 - y * 255 / (n - 1);
  }
  update();
  pick_();
}

void HsvField::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pick_at(event->position().toPoint(), true);
}
void HsvField::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) pick_at(event->position().toPoint(), false);
}

// --- gradient-map bar ------------------------------------------------------

GradientMapBar::GradientMapBar(DrawingStateModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
  setFixedHeight(16);
  setMinimumWidth(120);
}

int GradientMapBar::ramp_columns() const { return std::max(width() - 2 * height() - 8, 1); }

uint32_t GradientMapBar::ramp_colour(int i) const {
  const uint32_t c1 = model_.env().grad_map_col1, c2 = model_.env().grad_map_col2;
  const int count = ramp_columns();
  uint32_t out = 0;
  for (int shift : {16, 8, 0}) {
    const int a = int(c1 >> shift) & 0xFF, b = int(c2 >> shift) & 0xFF;
    const int v = count > 1 ? a + (b - a) * i / (count - 1) : a;
    out |= uint32_t(v) << shift;
  }
  return out;
}

void GradientMapBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int h = height();
  const QRect left(0, 0, h, h), right(width() - h, 0, h, h);
  p.fillRect(left, qcolour(model_.env().grad_map_col1));
  p.fillRect(right, qcolour(model_.env().grad_map_col2));
  frame(p, left, Qt::black);
  frame(p, right, Qt::black);
  const int x0 = h + 4;
  for (int i = 0; i < ramp_columns(); ++i) {
    p.setPen(qcolour(ramp_colour(i)));
    p.drawLine(x0 + i, 0, x0 + i, h - 1);
  }
  if (marker_ >= 0) {
    p.setPen(Qt::red);
    p.drawLine(x0 + marker_, 0, x0 + marker_, h - 1);
  }
}

void GradientMapBar::pick(int x) {
  marker_ = std::clamp(x - (height() + 4), 0, ramp_columns() - 1);
  model_.set_current_colour_value(ramp_colour(marker_));
  update();
}

void GradientMapBar::mousePressEvent(QMouseEvent* event) {
  const int x = int(event->position().x()), h = height();
  if (x < h)
    model_.set_gradient_map_colour(0, model_.state().current_colour_value());
  else if (x >= width() - h)
    model_.set_gradient_map_colour(1, model_.state().current_colour_value());
  else {
    picking_ = true;
    pick(x);
  }
}
void GradientMapBar::mouseMoveEvent(QMouseEvent* event) {
  if (picking_) pick(int(event->position().x()));
}
void GradientMapBar::mouseReleaseEvent(QMouseEvent*) { picking_ = false; }

// --- screen picker ---------------------------------------------------------

ScreenPicker::ScreenPicker(DrawingStateModel& model, QWidget* main_window, QWidget* parent)
    : QWidget(parent), model_(model), main_window_(main_window) {
  setFixedSize(24, 24);
  setToolTip(QStringLiteral("스포이트"));
}

void ScreenPicker::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), picking_ ? qcolour(colour_) : palette().button().color());
  frame(p, rect(), Qt::black);
  if (!picking_) {
    p.setPen(Qt::black);
    p.drawLine(4, 12, 20, 12);
    p.drawLine(12, 4, 12, 20);
  }
}

void ScreenPicker::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || picking_) return;
  picking_ = true;
  colour_ = model_.state().current_colour_value();
  grabMouse(Qt::CrossCursor);
  if (main_window_) main_window_->hide();
  update();
}

void ScreenPicker::mouseMoveEvent(QMouseEvent* event) {
  if (!picking_) return;
  // A move without the button means the release went elsewhere.
  if (!(event->buttons() & Qt::LeftButton)) {
    finish(false);
    return;
  }
  const QPoint at = event->globalPosition().toPoint();
  if (QScreen* screen = QGuiApplication::screenAt(at)) {
    const QPoint local = at - screen->geometry().topLeft();
    const QImage pixel = screen->grabWindow(0, local.x(), local.y(), 1, 1).toImage();
    if (!pixel.isNull()) colour_ = uint32_t(pixel.pixel(0, 0)) & 0xFFFFFF;
  }
  update();
}

void ScreenPicker::mouseReleaseEvent(QMouseEvent* event) {
  if (picking_ && event->button() == Qt::LeftButton) finish(true);
}

bool ScreenPicker::event(QEvent* event) {
  // The grab can end without a release (another program grabs, the window
  // loses activation or hides): the main window must come back all the same.
  if (picking_) {
    switch (event->type()) {
      case QEvent::Hide:
      case QEvent::WindowDeactivate:
      case QEvent::FocusOut:
        finish(false);
        break;
      case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) finish(false);
        break;
      default:
        break;
    }
  }
  return QWidget::event(event);
}

void ScreenPicker::finish(bool apply) {
  if (!picking_) return;
  picking_ = false;
  releaseMouse();
  if (main_window_) main_window_->show();
  if (apply) model_.set_current_colour_value(colour_);
  update();
}

// --- colour-mask editor ----------------------------------------------------

namespace {
const char* const kMaskModes[3] = {"끄기", "보호", "한정"};
}

ColourMaskEditor::ColourMaskEditor(DrawingStateModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
  setFixedSize(108, 46);
}

int ColourMaskEditor::cell_at(int x, int count) {
  count = std::clamp(count, 1, kMaxMaskColours);
  return std::clamp((x - 47) / (59 / count), 0, count - 1);
}

void ColourMaskEditor::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  const DrawingState& d = model_.state();
  QFont small = font();
  small.setPixelSize(10);
  p.setFont(small);
  for (int m = 0; m < 3; ++m) {
    const QRect row(0, m * 15, 44, 15);
    if (m == d.colour_mask_type) p.fillRect(row, palette().highlight());
    p.setPen(m == d.colour_mask_type ? palette().highlightedText().color() : Qt::black);
    p.drawText(row, Qt::AlignCenter, QString::fromUtf8(kMaskModes[m]));
  }
  const char* const buttons[3] = {"+", "-", "C"};
  for (int b = 0; b < 3; ++b) {
    const QRect r(44 + b * 21, 0, 21, 13);
    p.fillRect(r, palette().button());
    frame(p, r, Qt::gray);
    p.setPen(Qt::black);
    p.drawText(r, Qt::AlignCenter, QString::fromLatin1(buttons[b]));
  }
  const int count = std::clamp(d.colour_mask_count, 1, kMaxMaskColours);
  const int cell = 59 / count;
  for (int i = 0; i < count; ++i) {
    const int x = 47 + i * cell;
    const int w = i == count - 1 ? 59 - i * cell : cell;
    const QRect r(x, 16, w, 28);
    p.fillRect(r, qcolour(d.mask_colours[size_t(i)]));
    frame(p, r, Qt::black);
  }
}

void ColourMaskEditor::mousePressEvent(QMouseEvent* event) {
  const int x = int(event->position().x()), y = int(event->position().y());
  const DrawingState& d = model_.state();
  const uint32_t current = d.current_colour_value();
  if (x <= 43) {
    model_.set_mask_type(std::min(y / 15, 2));
  } else if (y <= 12) {
    switch (std::min((x - 44) / 21, 2)) {
      case 0: model_.add_mask_colour(current); break;
      case 1: model_.remove_last_mask_colour(); break;
      default: model_.clear_mask_colours(); break;
    }
  } else if (x >= 47) {
    const int cell = cell_at(x, d.colour_mask_count);
    if (event->button() == Qt::RightButton)
      cell_menu(cell, event->globalPosition().toPoint());
    else if (event->modifiers() & Qt::ControlModifier)
      model_.delete_mask_colour(cell);
    else if (event->modifiers() & Qt::AltModifier)
      model_.set_current_colour_value(d.mask_colours[size_t(cell)]);
    else
      model_.replace_mask_colour(cell, current);
  }
  update();
}

void ColourMaskEditor::cell_menu(int cell, QPoint global) {
  QMenu menu(this);
  menu.addAction(QStringLiteral("この色を削除"), this, [this, cell] { model_.delete_mask_colour(cell); });
  menu.addAction(QStringLiteral("この色を描画色に"), this, [this, cell] {
    model_.set_current_colour_value(model_.state().mask_colours[size_t(cell)]);
  });
  menu.addSeparator();
  QMenu* change = menu.addMenu(QStringLiteral("履歴から色変更"));
  QMenu* add = menu.addMenu(QStringLiteral("履歴から色追加"));
  for (uint32_t c : model_.state().mask_colour_recent) {
    QPixmap swatch(12, 12);
    swatch.fill(qcolour(c));
    const QString text =
        QStringLiteral("%1, %2, %3").arg((c >> 16) & 0xFF).arg((c >> 8) & 0xFF).arg(c & 0xFF);
    change->addAction(QIcon(swatch), text, this, [this, cell, c] { model_.replace_mask_colour(cell, c); });
    add->addAction(QIcon(swatch), text, this, [this, c] { model_.add_mask_colour(c); });
  }
  menu.exec(global);
}

// --- texture box -----------------------------------------------------------

TextureBox::TextureBox(AppState& state, std::function<void()> open_window, QWidget* parent)
    : QWidget(parent), state_(state), open_window_(std::move(open_window)) {
  setFixedSize(40, 40);
  setToolTip(QStringLiteral("텍스쳐"));
}

void TextureBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const bool on = state_.settings.draw.texture_on;
  p.fillRect(rect(), on ? QColor(200, 225, 255) : palette().button().color());
  const LibraryTexture t = state_.textures.texture(state_.settings.draw.texture_sel);
  if (t.pixels && t.width > 0 && t.height > 0) {
    QImage image(t.pixels, t.width, t.height, t.width, QImage::Format_Grayscale8);
    p.drawImage(rect().adjusted(4, 4, -4, -4), image.copy().convertToFormat(QImage::Format_RGB32));
  }
  // Sunken while on, raised while off.
  p.setPen(on ? Qt::darkGray : Qt::white);
  p.drawLine(0, 0, width() - 1, 0);
  p.drawLine(0, 0, 0, height() - 1);
  p.setPen(on ? Qt::white : Qt::darkGray);
  p.drawLine(width() - 1, 0, width() - 1, height() - 1);
  p.drawLine(0, height() - 1, width() - 1, height() - 1);
}

void TextureBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    if (open_window_) open_window_();
    return;
  }
  DrawingStateModel& model = state_.drawing;
  // Nothing to apply without a texture.
  if (state_.textures.count() > 0 || model.state().texture_on)
    model.set_texture_on(!model.state().texture_on);
  update();
}

}  // namespace qm
