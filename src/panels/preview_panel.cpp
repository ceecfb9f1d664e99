#include "panels/preview_panel.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

#include "app/app_state.h"
#include "canvas/view_scaler.h"

namespace qm {

int viewer_zoom_in(int percent) { return std::min(800, percent < 100 ? percent + 10 : percent + 100); }
int viewer_zoom_out(int percent) { return std::max(10, percent <= 100 ? percent - 10 : percent - 100); }

void grow_backing(LayerImage& backing, int w, int h) {
  if (backing.width() >= w && backing.height() >= h && !backing.empty()) return;
  const int bw = std::max(backing.width(), (w + 99) / 100 * 100);
  const int bh = std::max(backing.height(), (h + 99) / 100 * 100);
  backing.create(std::max(bw, 100), std::max(bh, 100));
}

namespace {
constexpr int kMenuHeight = 18;
}

PreviewPanel::PreviewPanel(const PanelContext& context)
    : FloatingPanel(context, kPanelPreview, QString()), menu_button_(new QToolButton(this)) {
  setMinimumSize(60, 60);
  zoom_ = std::clamp(state().settings.env.prev_scale, 1, 999);
  menu_button_->setText(QStringLiteral("▼"));
  menu_button_->setGeometry(0, 0, 24, kMenuHeight);
  auto* menu = new QMenu(this);
  menu_button_->setMenu(menu);
  menu_button_->setPopupMode(QToolButton::InstantPopup);
  connect(menu, &QMenu::aboutToShow, this, [this, menu] {
    menu->clear();
    connect(menu->addAction(QStringLiteral("拡大\t↑")), &QAction::triggered, this, &PreviewPanel::zoom_in);
    connect(menu->addAction(QStringLiteral("縮小\t↓")), &QAction::triggered, this, &PreviewPanel::zoom_out);
    menu->addSeparator();
    for (int z : kPreviewPresets) {
      QAction* a = menu->addAction(QStringLiteral("%1%").arg(z));
      a->setCheckable(true);
      a->setChecked(!fitting() && z == zoom_);
      connect(a, &QAction::triggered, this, [this, z] { set_zoom(z); });
    }
    menu->addSeparator();
    QAction* f = menu->addAction(QStringLiteral("ｳｨﾝﾄﾞｳに合わせて全体表示"));
    f->setCheckable(true);
    f->setChecked(fitting());
    connect(f, &QAction::triggered, this, [this](bool on) { set_fit(on); });
    QAction* s = menu->addAction(QStringLiteral("左/右ﾎﾞﾀﾝ動作の入れ替え"));
    s->setCheckable(true);
    s->setChecked(state().settings.env.prev_flag & kPreviewSwap);
    connect(s, &QAction::triggered, this, [this](bool on) { set_swap(on); });
  });
  update_title();
  keep_keyboard_with_canvas();
}

bool PreviewPanel::fitting() const { return state().settings.env.prev_flag & kPreviewFit; }

QRect PreviewPanel::view_area() const { return QRect(0, kMenuHeight, width(), std::max(1, height() - kMenuHeight)); }

void PreviewPanel::zoom_in() {
  if (!fitting()) set_zoom(viewer_zoom_in(zoom_));
}
void PreviewPanel::zoom_out() {
  if (!fitting()) set_zoom(viewer_zoom_out(zoom_));
}

void PreviewPanel::set_zoom(int percent) {
  state().settings.env.prev_flag &= ~kPreviewFit;
  // Keep the view centre on the same image point.
  const QRect v = view_area();
  const double cx = (offset_.x() + v.width() / 2.0) / zoom_, cy = (offset_.y() + v.height() / 2.0) / zoom_;
  zoom_ = std::clamp(percent, 1, 999);
  state().settings.env.prev_scale = zoom_;
  offset_ = QPoint(int(cx * zoom_ - v.width() / 2.0), int(cy * zoom_ - v.height() / 2.0));
  refresh();
}

void PreviewPanel::set_fit(bool on) {
  int& flag = state().settings.env.prev_flag;
  if (on) {
    flag |= kPreviewFit;
  } else {
    flag &= ~kPreviewFit;
    zoom_ = 100;
    state().settings.env.prev_scale = 100;
    offset_ = {};
  }
  refresh();
}

void PreviewPanel::set_swap(bool on) {
  int& flag = state().settings.env.prev_flag;
  flag = on ? flag | kPreviewSwap : flag & ~kPreviewSwap;
}

void PreviewPanel::fit() {
  const Document& doc = state().document;
  const QRect v = view_area();
  if (doc.width() <= 0 || doc.height() <= 0) return;
  const int64_t cw = doc.width(), ch = doc.height();
  const int64_t fitted_w = int64_t(v.width()) * ch <= int64_t(v.height()) * cw ? v.width() : cw * v.height() / ch;
  zoom_ = int(std::clamp<int64_t>(fitted_w * 100 / cw, 1, 999));
  offset_ = {};
}

void PreviewPanel::clamp_offset() {
  const Document& doc = state().document;
  const QRect v = view_area();
  auto limit = [this](int value, int client, int size) {
    const int low = -(client / 2);
    const int high = int(int64_t(zoom_) * size / 100) - client / 2;
    return std::clamp(value, low, std::max(low, high));
  };
  offset_ = {limit(offset_.x(), v.width(), doc.width()), limit(offset_.y(), v.height(), doc.height())};
}

void PreviewPanel::refresh() {
  if (fitting()) fit();
  clamp_offset();
  update_title();
  const QRect v = view_area();
  grow_backing(backing_, v.width(), v.height());
  const Document& doc = state().document;
  ViewGeometry g;
  g.scale = zoom_;
  g.view_w = v.width();
  g.view_h = v.height();
  g.scroll_x = offset_.x();
  g.scroll_y = offset_.y();
  g.image_w = doc.width();
  g.image_h = doc.height();
  scale_into_view(backing_, doc.composite(), g, Rect{0, 0, v.width(), v.height()},
                  Pixel(state().settings.env.canv_bk_col));
  update();
}

void PreviewPanel::update_title() {
  setWindowTitle(fitting() ? QStringLiteral("ﾌﾟﾚﾋﾞｭｰ [FIT %1%]").arg(zoom_)
                           : QStringLiteral("ﾌﾟﾚﾋﾞｭｰ [%1%]").arg(zoom_));
}

void PreviewPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect v = view_area();
  if (backing_.empty()) return;
  const QImage image(reinterpret_cast<const uchar*>(backing_.pixels()), backing_.width(), backing_.height(),
                     backing_.width() * 4, QImage::Format_RGB32);
  p.drawImage(v.topLeft(), image, QRect(0, 0, v.width(), v.height()));
}

void PreviewPanel::resizeEvent(QResizeEvent*) { refresh(); }
// Edits made while hidden were not followed.
void PreviewPanel::showEvent(QShowEvent*) { refresh(); }

Qt::MouseButton PreviewPanel::drag_button() const {
  return (state().settings.env.prev_flag & kPreviewSwap) ? Qt::RightButton : Qt::LeftButton;
}

void PreviewPanel::centre_at(QPoint at) {
  const QPoint in = at - view_area().topLeft();
  const double x = double(in.x() + offset_.x()) * 100 / zoom_;
  const double y = double(in.y() + offset_.y()) * 100 / zoom_;
  if (centre_main_view) centre_main_view(x, y);
}

void PreviewPanel::mousePressEvent(QMouseEvent* event) {
  if (held_ != Qt::NoButton) return;
  if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
  held_ = event->button();
  drag_from_ = event->position().toPoint();
  if (held_ != drag_button()) centre_at(drag_from_);
}

void PreviewPanel::mouseMoveEvent(QMouseEvent* event) {
  if (held_ == Qt::NoButton) return;
  const QPoint at = event->position().toPoint();
  if (held_ != drag_button()) {
    centre_at(at);
  } else if (!fitting()) {
    offset_ -= at - drag_from_;
    refresh();
  }
  drag_from_ = at;
}

void PreviewPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == held_) held_ = Qt::NoButton;
}

void PreviewPanel::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Up) return zoom_in();
  if (event->key() == Qt::Key_Down) return zoom_out();
  FloatingPanel::keyPressEvent(event);
}

}  // namespace qm
