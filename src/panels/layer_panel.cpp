#include "panels/layer_panel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/app_state.h"
#include "document/blend_modes.h"
#include "formats/load_picture.h"
#include "panels/layer_from_picture.h"
#include "panels/layer_list_geometry.h"
#include "panels/layer_settings_dialog.h"
#include "panels/layer_target_operations.h"

namespace qm {

namespace {

constexpr int kPanelWidth = 200;

struct ToolbarCommand {
  int id;
  const char* tip;
};
constexpr ToolbarCommand kToolbar[] = {
    {42300, "새 레이어"},         {42302, "레이어 복제"},     {42303, "레이어 삭제"},
    {42304, "아래 레이어와 결합"}, {42306, "레이어를 위로"},   {42307, "레이어를 아래로"},
    {42308, "레이어 설정"},        {42310, "모든 레이어 표시"}, {42312, "현재 레이어만 표시"},
};

constexpr const char* kMaskTips[4] = {"ﾏｽｸなし", "透明色ﾏｽｸ", "不透明色ﾏｽｸ", "ｱﾙﾌｧﾏｽｸ"};
constexpr const char* kMaskLabels[4] = {"-", "T", "O", "α"};

// The toolbar's 12 × 12 icons, drawn here rather than cut from a bitmap.
QIcon toolbar_icon(int slot) {
  QPixmap pm(12, 12);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setPen(Qt::black);
  const QColor fill(255, 255, 255);
  switch (slot) {
    case 0: p.fillRect(1, 1, 10, 10, fill); p.drawRect(1, 1, 9, 9); p.drawLine(3, 6, 8, 6); p.drawLine(6, 3, 6, 8); break;
    case 1: p.drawRect(0, 0, 7, 7); p.fillRect(4, 4, 8, 8, fill); p.drawRect(4, 4, 7, 7); break;
    case 2: p.drawLine(2, 2, 9, 9); p.drawLine(9, 2, 2, 9); break;
    case 3: p.drawRect(1, 7, 9, 4); p.drawLine(5, 0, 5, 5); p.drawLine(3, 3, 5, 5); p.drawLine(7, 3, 5, 5); break;
    case 4: p.drawLine(5, 1, 5, 10); p.drawLine(2, 4, 5, 1); p.drawLine(8, 4, 5, 1); break;
    case 5: p.drawLine(5, 1, 5, 10); p.drawLine(2, 7, 5, 10); p.drawLine(8, 7, 5, 10); break;
    case 6: p.drawRect(1, 1, 9, 9); p.drawLine(3, 4, 8, 4); p.drawLine(3, 7, 8, 7); break;
    case 7: p.drawEllipse(1, 3, 9, 5); p.fillRect(5, 5, 2, 2, Qt::black); break;
    default: p.drawEllipse(1, 3, 9, 5); p.fillRect(5, 5, 2, 2, QColor(221, 0, 0)); break;
  }
  return QIcon(pm);
}

}  // namespace

// --- the list ---------------------------------------------------------------

LayerView::LayerView(LayerPanel& panel) : QWidget(&panel), panel_(panel) {
  setObjectName(QStringLiteral("LayerView"));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void LayerView::set_top_row(int row) {
  const int count = panel_.document().layer_count();
  row = std::clamp(row, 0, std::max(0, count - 1));
  if (row == top_row_) return;
  top_row_ = row;
  update();
}

void LayerView::update_row(int index) {
  update(0, (index - top_row_) * kLayerRowHeight, width(), kLayerRowHeight);
}

void LayerView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const Document& doc = panel_.document();
  const int count = doc.layer_count();
  int y = 0;
  for (int r = top_row_; r < count && y < height(); ++r, y += kLayerRowHeight)
    draw_layer_row(p, *doc.layer_at(r), panel_.thumbnail(r), r == doc.current_index(), y, width(),
                   fonts_);
  if (y < height()) p.fillRect(0, y, width(), height() - y, kLayerListEmpty);
  if (drag_state_ == 2)
    p.fillRect(0, std::max(0, (drag_target_ - top_row_) * kLayerRowHeight - 1), width(), 2,
               Qt::blue);
}

void LayerView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  Document& doc = panel_.document();
  const QPoint pos = event->position().toPoint();
  const LayerHit hit = hit_test_layer_list(pos.x(), pos.y(), top_row_, doc.layer_count());
  switch (hit.kind) {
    case LayerHitKind::kNone: return;
    case LayerHitKind::kVisibility:
      doc.toggle_visible(hit.index);
      update_row(hit.index);
      panel_.refresh_canvas();
      return;
    case LayerHitKind::kFillReference:
      doc.toggle_fill_reference(hit.index);
      update_row(hit.index);
      panel_.refresh_header();
      return;
    case LayerHitKind::kRow: break;
  }
  if (hit.index != doc.current_index()) {
    panel_.state().pending.finish_all();
    update_row(doc.current_index());
    doc.select(hit.index);
    update_row(hit.index);
    panel_.refresh_header();
  }
  if ((event->modifiers() & Qt::ControlModifier) && doc.set_visibility_all(2, true)) {
    update();
    panel_.refresh_canvas();
  }
  drag_state_ = 1;
  drag_target_ = doc.current_index();
}

void LayerView::mouseMoveEvent(QMouseEvent* event) {
  if (drag_state_ == 0) return;
  const Document& doc = panel_.document();
  const int t = layer_drag_target(int(event->position().y()), top_row_, doc.current_index(),
                                  doc.layer_count());
  if (drag_state_ == 1 && t == doc.current_index()) return;
  if (drag_state_ == 1) {
    drag_state_ = 2;
    setCursor(Qt::DragMoveCursor);
  }
  if (t != drag_target_) {
    drag_target_ = t;
    update();
  }
}

void LayerView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int state = drag_state_;
  drag_state_ = 0;
  if (state != 2) return;
  unsetCursor();
  update();
  if (panel_.document().move_to(drag_target_, true)) {
    panel_.refresh_canvas();
    panel_.refresh(false);
  }
}

void LayerView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint pos = event->position().toPoint();
  const LayerHit hit =
      hit_test_layer_list(pos.x(), pos.y(), top_row_, panel_.document().layer_count());
  if (hit.kind == LayerHitKind::kRow) panel_.open_settings(panel_.document().current_index());
}

void LayerView::contextMenuEvent(QContextMenuEvent* event) {
  const LayerHit hit = hit_test_layer_list(event->pos().x(), event->pos().y(), top_row_,
                                           panel_.document().layer_count());
  if (hit.kind == LayerHitKind::kNone) return;
  // The clicked row is the target; the current layer stays current.
  const int target = hit.index;
  QMenu menu(this);
  connect(menu.addAction(QStringLiteral("ﾚｲﾔ設定")), &QAction::triggered, this,
          [this, target] { panel_.open_settings(target); });
  QMenu* against = menu.addMenu(QStringLiteral("このﾚｲﾔを対象にｶﾚﾝﾄﾚｲﾔを処理"));
  against->setEnabled(!panel_.state().busy);
  for (int item = 0; item < kTargetOperationCount; ++item)
    connect(against->addAction(QString::fromUtf8(target_operation_text(item))),
            &QAction::triggered, this, [this, target, item] { panel_.process_against(target, item); });
  menu.exec(event->globalPos());
}

void LayerView::wheelEvent(QWheelEvent* event) {
  set_top_row(top_row_ - event->angleDelta().y() / 120);
  panel_.sync_scroll_bar();
}

void LayerView::resizeEvent(QResizeEvent*) { panel_.sync_scroll_bar(); }

// --- the window -------------------------------------------------------------

LayerPanel::LayerPanel(const PanelContext& context)
    : FloatingPanel(context, kPanelLayer, QStringLiteral("ﾚｲﾔ")) {
  setObjectName(QStringLiteral("Layer"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(2);
  build_toolbar(layout);
  build_header(layout);
  auto* list_row = new QHBoxLayout;
  list_row->setSpacing(0);
  view_ = new LayerView(*this);
  scroll_ = new QScrollBar(Qt::Vertical, this);
  list_row->addWidget(view_, 1);
  list_row->addWidget(scroll_);
  layout->addLayout(list_row, 1);
  connect(scroll_, &QScrollBar::valueChanged, this, [this](int v) { view_->set_top_row(v); });
  // Height only, never under 200.
  setFixedWidth(kPanelWidth);
  setMinimumHeight(200);
  setMaximumHeight(QWIDGETSIZE_MAX);
  setAcceptDrops(true);
  keep_keyboard_with_canvas();
  refresh(true);
}

Document& LayerPanel::document() const { return state().document; }

const Thumbnail& LayerPanel::thumbnail(int index) const {
  static const Thumbnail none;
  return index >= 0 && index < int(thumbs_.size()) ? thumbs_[size_t(index)] : none;
}

void LayerPanel::build_toolbar(QVBoxLayout* layout) {
  auto* bar = new QToolBar(this);
  bar->setIconSize(QSize(12, 12));
  for (int i = 0; i < 9; ++i) {
    const ToolbarCommand& c = kToolbar[i];
    QAction* a = bar->addAction(toolbar_icon(i), QString());
    a->setToolTip(QString::fromUtf8(c.tip));
    a->setObjectName(QStringLiteral("layer_cmd_%1").arg(c.id));
    const int id = c.id;
    connect(a, &QAction::triggered, this, [this, id] {
      if (this->context().run_command) this->context().run_command(id);
    });
  }
  layout->addWidget(bar);
}

void LayerPanel::build_header(QVBoxLayout* layout) {
  blend_ = new QComboBox(this);
  blend_->setObjectName(QStringLiteral("blend_mode"));
  for (int i = 0; i < kBlendModeCount; ++i) {
    const std::string_view n = blend_mode_name(i);
    blend_->addItem(QString::fromUtf8(n.data(), qsizetype(n.size())));
  }
  layout->addWidget(blend_);
  connect(blend_, qOverload<int>(&QComboBox::activated), this, [this](int mode) {
    document().set_blend_mode(mode);
    view_->update_row(document().current_index());
    refresh_canvas();
  });

  opacity_ = new QSlider(Qt::Horizontal, this);
  opacity_->setObjectName(QStringLiteral("opacity"));
  opacity_->setRange(1, 100);
  layout->addWidget(opacity_);
  // Stored at once; the canvas and the row follow when the slider is let go.
  connect(opacity_, &QSlider::valueChanged, this, [this](int percent) {
    if (updating_header_) return;
    document().set_opacity_percent(percent, false);
    if (!opacity_->isSliderDown()) {
      document().composite_all();
      view_->update_row(document().current_index());
      refresh_canvas();
    }
  });
  connect(opacity_, &QSlider::sliderReleased, this, [this] {
    document().composite_all();
    view_->update_row(document().current_index());
    refresh_canvas();
  });

  auto* row = new QHBoxLayout;
  fill_reference_ = new QCheckBox(QStringLiteral("칠 판정원"), this);
  fill_reference_->setObjectName(QStringLiteral("fill_reference"));
  row->addWidget(fill_reference_);
  connect(fill_reference_, &QCheckBox::clicked, this, [this] {
    document().toggle_fill_reference(document().current_index());
    view_->update_row(document().current_index());
  });
  masks_ = new QButtonGroup(this);
  masks_->setExclusive(true);
  for (int i = 0; i < 4; ++i) {
    auto* b = new QToolButton(this);
    b->setCheckable(true);
    b->setFixedSize(18, 18);
    b->setText(QString::fromUtf8(kMaskLabels[i]));
    b->setToolTip(QString::fromUtf8(kMaskTips[i]));
    b->setObjectName(QStringLiteral("mask_%1").arg(i));
    masks_->addButton(b, i);
    row->addWidget(b);
  }
  row->setSpacing(0);
  connect(masks_, &QButtonGroup::idClicked, this, [this](int mode) { document().set_mask_mode(mode); });
  layout->addLayout(row);
}

void LayerPanel::refresh_header() {
  const Layer* layer = document().current();
  updating_header_ = true;
  if (layer) {
    blend_->setCurrentIndex(layer->blend_mode);
    opacity_->setValue(std::max(1, percent_from_opacity(layer->opacity)));
    fill_reference_->setChecked(layer->fill_reference());
    if (QAbstractButton* b = masks_->button(layer->mask_mode)) b->setChecked(true);
  }
  updating_header_ = false;
}

void LayerPanel::sync_scroll_bar() {
  const int count = document().layer_count();
  const int page = std::max(1, view_->height() / kLayerRowHeight);
  const QSignalBlocker block(scroll_);
  scroll_->setRange(0, std::max(0, count - page));
  scroll_->setPageStep(page);
  view_->set_top_row(std::min(view_->top_row(), scroll_->maximum()));
  scroll_->setValue(view_->top_row());
}

LayerPanel::RowKey LayerPanel::key_of(int index) const {
  const Layer* l = document().layer_at(index);
  RowKey k;
  if (!l) return k;
  k.layer = l;
  k.name = l->name;
  k.blend = l->blend_mode;
  k.opacity = l->opacity;
  k.mask = l->mask_mode;
  k.flags = l->flags;
  k.current = index == document().current_index();
  return k;
}

void LayerPanel::refresh(bool thumbnails) {
  const Document& doc = document();
  const int count = doc.layer_count();
  std::vector<Thumbnail> old;
  std::vector<RowKey> old_keys;
  if (!thumbnails) {
    old.swap(thumbs_);
    old_keys.swap(keys_);
  }
  keys_.resize(size_t(count));
  thumbs_.resize(size_t(count));
  for (int i = 0; i < count; ++i) {
    keys_[size_t(i)] = key_of(i);
    bool found = false;
    // Without rebuilding, a moved layer keeps its thumbnail.
    for (size_t j = 0; !thumbnails && j < old_keys.size(); ++j)
      if (old_keys[j].layer == keys_[size_t(i)].layer) {
        thumbs_[size_t(i)] = std::move(old[j]);
        found = true;
        break;
      }
    if (!found) build_thumbnail(doc.layer_at(i)->image, thumbs_[size_t(i)]);
  }
  const UndoHistory& h = state().undo;
  history_[0] = h.undo_count();
  history_[1] = h.redo_count();
  history_[2] = h.record_count();
  // Keep the current layer in sight.
  const int current = doc.current_index();
  if (current < view_->top_row()) view_->set_top_row(current);
  else if (current >= view_->top_row() + std::max(1, view_->height() / kLayerRowHeight))
    view_->set_top_row(current - std::max(1, view_->height() / kLayerRowHeight) + 1);
  sync_scroll_bar();
  refresh_header();
  view_->update();
}

void LayerPanel::check_changes() {
  const Document& doc = document();
  const int count = doc.layer_count();
  bool stack_changed = count != int(keys_.size());
  for (int i = 0; !stack_changed && i < count; ++i)
    stack_changed = keys_[size_t(i)].layer != doc.layer_at(i);
  if (stack_changed) {
    refresh(true);
    return;
  }
  const UndoHistory& h = state().undo;
  const bool history_moved = h.undo_count() != history_[0] || h.redo_count() != history_[1] ||
                             h.record_count() != history_[2];
  history_[0] = h.undo_count();
  history_[1] = h.redo_count();
  history_[2] = h.record_count();
  bool header = false;
  for (int i = 0; i < count; ++i) {
    // Painting changes the current layer; an undo may change any.
    const bool sample = history_moved || i == doc.current_index();
    bool changed = sample && build_thumbnail(doc.layer_at(i)->image, thumbs_[size_t(i)]);
    RowKey k = key_of(i);
    if (!(k == keys_[size_t(i)])) {
      header = header || k.current || keys_[size_t(i)].current;
      keys_[size_t(i)] = std::move(k);
      changed = true;
    }
    if (changed) view_->update_row(i);
  }
  if (header) refresh_header();
}

bool LayerPanel::open_settings(int index) {
  if (!run_layer_settings_dialog(this, document(), index)) return false;
  if (index < int(keys_.size())) keys_[size_t(index)] = key_of(index);
  view_->update_row(index);
  refresh_header();
  refresh_canvas();
  return true;
}

void LayerPanel::process_against(int target, int item) {
  if (state().busy) return;
  state().pending.finish_all();
  const filters::FilterStatus status = run_target_operation(
      document(), target, item, state().settings.draw.current_colour_value());
  if (status == filters::FilterStatus::kOutOfMemory)
    QMessageBox::information(this, windowTitle(), QStringLiteral("ﾒﾓﾘの確保に失敗"));
  if (status != filters::FilterStatus::kDone) return;
  document().composite_all();
  refresh_canvas();
  check_changes();
}

void LayerPanel::drawing_changed(uint32_t) {}

void LayerPanel::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

// One layer per dropped file, in the order given.
void LayerPanel::dropEvent(QDropEvent* event) {
  // Not while a job or a modal dialog holds the document.
  if (state().busy || QApplication::activeModalWidget())
    return;
  event->acceptProposedAction();
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  add_files(paths);
}

void LayerPanel::add_files(const QStringList& paths) {
  state().pending.finish_all();
  bool added = false;
  for (const QString& file : paths) {
    const std::string path = file.toStdString();
    LayerImage picture;
    if (!LoadPicture(path, picture)) {
      QMessageBox::information(this, windowTitle(), QStringLiteral("이미지 열기 실패"));
      continue;
    }
    if (!add_picture_layer(document(), picture, layer_name_for_file(path))) break;
    added = true;
  }
  if (!added) return;
  refresh_canvas();
  refresh(true);
  raise();
}

}  // namespace qm
