#include "panels/image_view_panel.h"

#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QToolButton>

#include "app/app_state.h"
#include "canvas/view_scaler.h"
#include "formats/load_picture.h"
#include "panels/picture_files.h"
#include "panels/preview_panel.h"

namespace qm {

namespace {
constexpr int kMenuHeight = 18;
constexpr Pixel kViewGrey = 0xCCCCCC;
}  // namespace

int ImageViewPanel::zoom() const { return state().settings.env.img_v_scale; }

int image_view_preset(int n) { return n < 3 ? n * 30 + 20 : 100 << (n - 3); }

ImageViewPanel::ImageViewPanel(const PanelContext& context)
    : FloatingPanel(context, kPanelImageView, QString()), menu_button_(new QToolButton(this)) {
  message = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); };
  setMinimumSize(60, 60);
  setAcceptDrops(true);
  int& scale = state().settings.env.img_v_scale;
  scale = std::clamp(scale, 10, 800);
  menu_button_->setText(QStringLiteral("▼"));
  menu_button_->setGeometry(0, 0, 24, kMenuHeight);
  auto* menu = new QMenu(this);
  menu_button_->setMenu(menu);
  menu_button_->setPopupMode(QToolButton::InstantPopup);
  connect(menu, &QMenu::aboutToShow, this, [this, menu] {
    menu->clear();
    auto add = [&](int id, const QString& text) {
      QAction* a = menu->addAction(text);
      connect(a, &QAction::triggered, this, [this, id] { run(id); });
      return a;
    };
    add(42200, QStringLiteral("열기\tO"));
    add(42201, QStringLiteral("次のﾌｧｲﾙ\t→"));
    add(42202, QStringLiteral("前のﾌｧｲﾙ\t←"));
    add(42203, QStringLiteral("지우기\tC"));
    menu->addSeparator();
    add(42204, QStringLiteral("拡大\t↑"));
    add(42205, QStringLiteral("縮小\t↓"));
    for (int n = 0; n < 7; ++n) {
      QAction* a = add(42206 + n, QStringLiteral("%1%").arg(image_view_preset(n)));
      a->setCheckable(true);
      a->setChecked(zoom() == image_view_preset(n));
    }
    menu->addSeparator();
    QAction* fit = add(42213, QStringLiteral("ｲﾒｰｼﾞに合わせる"));
    fit->setCheckable(true);
    fit->setChecked(state().settings.env.img_v_flag & kImageViewFitWindow);
  });
  update_title();
  keep_keyboard_with_canvas();
}

QRect ImageViewPanel::view_area() const {
  return QRect(0, kMenuHeight, width(), std::max(1, height() - kMenuHeight));
}

void ImageViewPanel::run(int id) {
  switch (id) {
    case 42200: {
      std::string& dir = state().settings.env.img_v_dir;
      const QString path = QFileDialog::getOpenFileName(this, QString(), QString::fromStdString(dir),
                                                        picture_file_filter());
      if (path.isEmpty()) break;
      dir = QFileInfo(path).absolutePath().toStdString();
      open(path);
      break;
    }
    case 42201: step_file(1); break;
    case 42202: step_file(-1); break;
    case 42203: clear(); break;
    case 42204: set_zoom(viewer_zoom_in(zoom())); break;
    case 42205: set_zoom(viewer_zoom_out(zoom())); break;
    case 42213: set_fit_window(!(state().settings.env.img_v_flag & kImageViewFitWindow)); break;
    default:
      if (id >= 42206 && id <= 42212) set_zoom(image_view_preset(id - 42206));
  }
}

bool ImageViewPanel::open(const QString& path) {
  LayerImage loaded;
  if (!load_any_size_picture(path, loaded)) {
    clear();
    message(QStringLiteral("이미지 열기 실패"));
    return false;
  }
  image_ = std::move(loaded);
  path_ = QFileInfo(path).absoluteFilePath();
  offset_ = {};
  after_zoom();
  return true;
}

bool ImageViewPanel::step_file(int step) {
  if (path_.isEmpty()) return false;
  const QString next = neighbour_picture(path_, step);
  return !next.isEmpty() && open(next);
}

void ImageViewPanel::clear() {
  image_ = LayerImage();
  path_.clear();
  offset_ = {};
  redraw();
}

void ImageViewPanel::set_zoom(int percent) {
  state().settings.env.img_v_scale = std::clamp(percent, 10, 800);
  after_zoom();
}

void ImageViewPanel::set_fit_window(bool on) {
  int& flag = state().settings.env.img_v_flag;
  flag = on ? flag | kImageViewFitWindow : flag & ~kImageViewFitWindow;
  after_zoom();
}

QSize ImageViewPanel::fitted_size(QSize image, int zoom, QSize room) {
  const int64_t w = int64_t(image.width()) * zoom / 100, h = int64_t(image.height()) * zoom / 100;
  return QSize(int(std::clamp<int64_t>(w, 60, std::max(60, room.width()))),
               int(std::clamp<int64_t>(h + kMenuHeight, 60, std::max(60, room.height()))));
}

void ImageViewPanel::after_zoom() {
  if ((state().settings.env.img_v_flag & kImageViewFitWindow) && !image_.empty()) {
    // Never larger than the screen: the off-screen buffer follows the window.
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    QSize room = s ? s->availableGeometry().size() : QSize(1024, 768);
    room -= frameGeometry().size() - size();
    resize(fitted_size(QSize(image_.width(), image_.height()), zoom(), room));
  }
  redraw();
}

void ImageViewPanel::clamp_offset() {
  const QRect v = view_area();
  auto limit = [this](int value, int client, int size) {
    return std::clamp(value, 0, std::max(0, int(int64_t(zoom()) * size / 100) - client));
  };
  offset_ = {limit(offset_.x(), v.width(), image_.width()), limit(offset_.y(), v.height(), image_.height())};
}

void ImageViewPanel::redraw() {
  clamp_offset();
  update_title();
  const QRect v = view_area();
  grow_backing(backing_, v.width(), v.height());
  ViewGeometry g;
  g.scale = zoom();
  g.view_w = v.width();
  g.view_h = v.height();
  g.scroll_x = offset_.x();
  g.scroll_y = offset_.y();
  g.image_w = image_.width();
  g.image_h = image_.height();
  scale_into_view(backing_, image_, g, Rect{0, 0, v.width(), v.height()}, kViewGrey);
  update();
}

void ImageViewPanel::update_title() {
  QString title = QStringLiteral("ｲﾒｰｼﾞﾋﾞｭｰ [%1%]").arg(zoom());
  if (!path_.isEmpty()) title += QStringLiteral(" / ") + QFileInfo(path_).fileName();
  setWindowTitle(title);
}

void ImageViewPanel::paintEvent(QPaintEvent*) {
  if (backing_.empty()) return;
  QPainter p(this);
  const QRect v = view_area();
  const QImage image(reinterpret_cast<const uchar*>(backing_.pixels()), backing_.width(), backing_.height(),
                     backing_.width() * 4, QImage::Format_RGB32);
  p.drawImage(v.topLeft(), image, QRect(0, 0, v.width(), v.height()));
}

void ImageViewPanel::resizeEvent(QResizeEvent*) { redraw(); }

void ImageViewPanel::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint() - view_area().topLeft();
  if (event->button() == Qt::LeftButton) {
    dragging_ = true;
    drag_from_ = at;
  } else if (event->button() == Qt::RightButton && !image_.empty()) {
    const int64_t x = int64_t(at.x() + offset_.x()) * 100 / zoom();
    const int64_t y = int64_t(at.y() + offset_.y()) * 100 / zoom();
    if (at.y() >= 0 && x >= 0 && y >= 0 && x < image_.width() && y < image_.height())
      model().set_current_colour_value(image_.get_pixel(int(x), int(y)) & 0xFFFFFF);
  }
}

void ImageViewPanel::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  const QPoint at = event->position().toPoint() - view_area().topLeft();
  offset_ -= at - drag_from_;
  drag_from_ = at;
  redraw();
}

void ImageViewPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragging_ = false;
}

void ImageViewPanel::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left: return run(42202);
    case Qt::Key_Right: return run(42201);
    case Qt::Key_Up: return run(42204);
    case Qt::Key_Down: return run(42205);
    case Qt::Key_O: return run(42200);
    case Qt::Key_C: return run(42203);
  }
  FloatingPanel::keyPressEvent(event);
}

void ImageViewPanel::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void ImageViewPanel::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (!urls.isEmpty() && urls.first().isLocalFile()) open(urls.first().toLocalFile());
}

}  // namespace qm
