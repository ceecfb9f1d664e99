#include "app/filters/filter_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <algorithm>

#include "app/filters/active_filter_dialog.h"
#include "app/filters/filter_preview_panel.h"
#include "app/filters/value_slider.h"
#include "filters/filter_run.h"

namespace qm {

using namespace filters;

namespace {

// Dialog units from the dialog's font: 4 per average character width, 8 per
// line height.
struct Units {
  int cw, ch;
  int x(int n) const { return n * cw / 4; }
  int y(int n) const { return n * ch / 8; }
};

}  // namespace

FilterDialog::FilterDialog(FilterHost& host, const FilterCommand& command,
                           const DialogDescription& description, Rect target,
                           const FilterEnvironment& env, QWidget* parent)
    : QDialog(parent),
      host_(host),
      command_(command),
      desc_(description),
      target_(target),
      env_(env),
      context_(dialog_context(host.state().document, target)) {
  setWindowTitle(QString::fromUtf8(command.title));
  // The backup: a full copy of the layer, made before anything is built.
  if (command.preview != PreviewMode::kNone) {
    Layer* l = layer();
    prepared_ = l && backup_.create(l->image.width(), l->image.height());
    if (prepared_) backup_.copy_from(l->image);
  }
  if (prepared_) build();
}

FilterDialog::~FilterDialog() {
  restore_layer();
  clear_active_filter_dialog(this);
}

Layer* FilterDialog::layer() const { return host_.state().document.current(); }

void FilterDialog::build() {
  const QFontMetrics fm(font());
  const Units du{std::max(1, fm.averageCharWidth()), std::max(1, fm.height())};
  int label_w = 0;
  for (const DialogControl& c : desc_.controls)
    if (c.kind != ControlKind::kCheck)
      label_w = std::max(label_w, fm.horizontalAdvance(QString::fromUtf8(c.label)));

  int x0 = 16;
  if (command_.preview == PreviewMode::kPanel) {
    panel_ = new FilterPreviewPanel(backup_, command_.panel_width, command_.panel_height, this);
    panel_->move(10, 14);
    x0 = command_.panel_width + 26;
    connect(panel_, &FilterPreviewPanel::drag_started, this, [this] {
      // The unfiltered pixels while the panel is dragged.
      const Rect v = panel_->visible();
      if (Layer* l = layer()) backup_.blit_from(v.x, v.y, v.w, v.h, l->image, v.x, v.y);
      panel_->update();
    });
    connect(panel_, &FilterPreviewPanel::drag_finished, this, [this] {
      const Rect v = panel_->visible();
      if (Layer* l = layer()) backup_.blit_from(v.x, v.y, v.w, v.h, l->image, v.x, v.y);
      run_preview();
    });
  }
  int y = 14, right = 0;
  const int input_x = x0 + label_w + 10;
  Document& doc = host_.state().document;
  auto add_label = [&](const DialogControl& c, int h) {
    auto* label = new QLabel(QString::fromUtf8(c.label), this);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setGeometry(x0, y, label_w, h);
  };
  for (const DialogControl& c : desc_.controls) {
    int row_h = 0;
    if (c.is_value()) {
      ValueRow row;
      row.range = resolve_range(c, context_);
      row.fixed = c.kind == ControlKind::kFixed;
      const int edit_h = du.y(13);
      add_label(c, edit_h);
      row.slider = new ValueSlider(row.range.minimum, row.range.maximum, row.range.default_value,
                                   row.range.mark, this);
      row.slider->setGeometry(input_x, y, du.x(c.width), std::max(du.y(10), 14));
      const int edit_x = input_x + du.x(c.width) + 8;
      QWidget* edit = nullptr;
      if (row.fixed) {
        row.text = new QLineEdit(this);
        row.text->setReadOnly(true);
        row.text->setAlignment(Qt::AlignRight);
        edit = row.text;
      } else {
        row.spin = new QSpinBox(this);
        row.spin->setRange(row.range.minimum, row.range.maximum);
        row.spin->setAlignment(Qt::AlignRight);
        row.spin->setGroupSeparatorShown(false);
        edit = row.spin;
      }
      const int edit_w = std::max(du.x(29) + (row.fixed ? 0 : 20), 48);
      edit->setGeometry(edit_x, y, edit_w, std::max(edit_h, edit->sizeHint().height()));
      row_h = edit->height();
      right = std::max(right, edit_x + edit_w);
      const size_t index = values_.size();
      values_.push_back(row);
      show_value(index);
      connect(row.slider, &ValueSlider::changed, this, [this, index] { slider_moved(index); });
      if (row.spin)
        connect(row.spin, &QSpinBox::valueChanged, this, [this, index](int v) {
          if (!ready_) return;
          values_[index].slider->set_value(v);
          run_preview();
        });
      controls_.push_back(row.slider);
    } else if (c.kind == ControlKind::kCheck) {
      auto* box = new QCheckBox(QString::fromUtf8(c.label), this);
      box->setChecked(c.initial != 0);
      const int w = std::max(du.x(c.width), box->sizeHint().width());
      box->setGeometry(input_x, y, w, std::max(du.y(13), box->sizeHint().height()));
      row_h = box->height();
      right = std::max(right, input_x + w);
      connect(box, &QCheckBox::toggled, this, [this] { run_preview(); });
      checks_.push_back(box);
      controls_.push_back(box);
    } else {
      auto* combo = new QComboBox(this);
      combo->setMaxVisibleItems(std::max(1, du.y(90) / std::max(1, fm.height())));
      if (c.kind == ControlKind::kList) {
        for (const std::string& item : c.items) combo->addItem(QString::fromUtf8(item));
        combo->setCurrentIndex(c.initial);
      } else {
        for (int i = 0; i < doc.layer_count(); ++i) {
          QString text = QString::asprintf("%d. ", i + 1) + QString::fromStdString(doc.layer_at(i)->name);
          if (i == doc.current_index()) text += QStringLiteral(" *");
          combo->addItem(text);
        }
        combo->setCurrentIndex(preselected_layer(c, context_));
      }
      const int w = std::max(du.x(c.width), 40);
      combo->setGeometry(input_x, y, w, combo->sizeHint().height());
      row_h = combo->height();
      add_label(c, row_h);
      right = std::max(right, input_x + w);
      connect(combo, &QComboBox::currentIndexChanged, this, [this] { run_preview(); });
      lists_.push_back(combo);
      list_is_layers_.push_back(c.kind == ControlKind::kLayers);
      controls_.push_back(combo);
    }
    y += row_h + 6;
  }
  int bottom = y - 6;
  if (panel_) bottom = std::max(bottom, panel_->geometry().bottom() + 1);

  // Buttons in one row under the content: Preview on the left, then OK,
  // Cancel and Reset.
  preview_ = new QCheckBox(QStringLiteral("미리보기"), this);
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  cancel_ = new QPushButton(QStringLiteral("취소"), this);
  reset_ = new QPushButton(QStringLiteral("리셋"), this);
  ok_->setDefault(true);
  const int by = bottom + 20;
  const int bw = std::max(72, ok_->sizeHint().width());
  const int bh = ok_->sizeHint().height();
  preview_->setGeometry(16, by, std::max(80, preview_->sizeHint().width()), bh);
  int bx = preview_->geometry().right() + 16;
  for (QPushButton* b : {ok_, cancel_, reset_}) {
    b->setGeometry(bx, by, bw, bh);
    bx += bw + 6;
  }
  const int client_w = std::max(right, reset_->geometry().right() + 1) + 14;
  setFixedSize(client_w, by + bh + 14);

  connect(ok_, &QPushButton::clicked, this, &FilterDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &FilterDialog::reject);
  connect(reset_, &QPushButton::clicked, this, &FilterDialog::reset_values);
  connect(preview_, &QCheckBox::toggled, this, [this](bool on) {
    if (on) {
      run_preview();
    } else if (command_.preview == PreviewMode::kCanvas) {
      restore_layer();  // unchecking shows the layer as it was
    } else if (panel_) {
      const Rect v = panel_->visible();
      if (Layer* l = layer()) backup_.blit_from(v.x, v.y, v.w, v.h, l->image, v.x, v.y);
      panel_->update();
    }
  });
  reset_->setEnabled(command_.preview == PreviewMode::kCanvas);
  const bool has_preview = command_.preview != PreviewMode::kNone;
  preview_->blockSignals(true);
  preview_->setChecked(has_preview);
  preview_->blockSignals(false);
  preview_->setEnabled(has_preview);
}

void FilterDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (ready_ || !prepared_) return;
  // Centred over the owner, kept on its screen.
  if (QWidget* owner = parentWidget()) {
    QRect g = geometry();
    g.moveCenter(owner->window()->geometry().center());
    if (const QScreen* s = owner->screen()) {
      const QRect area = s->availableGeometry();
      g.moveLeft(std::clamp(g.left(), area.left(), std::max(area.left(), area.right() - g.width())));
      g.moveTop(std::clamp(g.top(), area.top(), std::max(area.top(), area.bottom() - g.height())));
    }
    move(g.topLeft());
  }
  ready_ = true;
  run_preview();
  set_active_filter_dialog(this);
}

void FilterDialog::show_value(size_t i) {
  const ValueRow& row = values_[i];
  const bool was = ready_;
  ready_ = false;  // the edit's own notification is ignored
  if (row.spin) row.spin->setValue(row.slider->value());
  if (row.text) row.text->setText(QString::fromStdString(fixed_point_text(row.slider->value())));
  ready_ = was;
}

void FilterDialog::slider_moved(size_t i) {
  show_value(i);
  if (values_[i].slider->dragging()) return;  // the preview runs on release
  run_preview();
}

void FilterDialog::reset_values() {
  for (size_t i = 0; i < values_.size(); ++i) {
    values_[i].slider->set_value(values_[i].range.default_value);
    show_value(i);
  }
  run_preview();
}

FilterValues FilterDialog::values() const {
  FilterValues v;
  for (size_t i = 0; i < values_.size() && i < v.numeric.size(); ++i)
    v.numeric[i] = values_[i].slider->value();
  for (size_t i = 0; i < checks_.size() && i < v.check.size(); ++i)
    v.check[i] = checks_[i]->isChecked() ? 1 : 0;
  for (size_t i = 0; i < lists_.size() && i < v.list.size(); ++i)
    v.list[i] = std::max(0, lists_[i]->currentIndex());
  return v;
}

QWidget* FilterDialog::control(int index) const {
  return index >= 0 && index < int(controls_.size()) ? controls_[size_t(index)] : nullptr;
}

ValueSlider* FilterDialog::slider(int slot) const {
  return slot >= 0 && slot < int(values_.size()) ? values_[size_t(slot)].slider : nullptr;
}

void FilterDialog::run_preview() {
  if (!ready_ || !preview_ || !preview_->isChecked() || !command_.run) return;
  Layer* l = layer();
  if (!l) return;
  const FilterValues v = values();
  if (command_.preview == PreviewMode::kCanvas) {
    const Rect r = intersect(target_, l->image.bounds());
    if (r.empty()) return;
    command_.run({v, env_, l->image, backup_, r, nullptr});
    layer_dirty_ = true;
    show_canvas_preview(r);
  } else if (command_.preview == PreviewMode::kPanel && panel_) {
    const Rect r = panel_->visible();
    if (r.empty()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    command_.run({v, env_, backup_, l->image, r, nullptr});
    QApplication::restoreOverrideCursor();
    panel_->update();
  }
  ++preview_runs_;
}

void FilterDialog::show_canvas_preview(Rect r) {
  Document& doc = host_.state().document;
  if (!preview_composite_.active()) preview_composite_.begin(doc);
  // What the screen shows now, on both cores; the rest of r stays stale
  // until restore_layer() recomposites all of it.
  preview_composite_.composite(doc, intersect(r, host_.visible_image_rect()), kPreviewThreads);
  host_.composited(r);
}

void FilterDialog::restore_layer() {
  if (!layer_dirty_) return;
  layer_dirty_ = false;
  Layer* l = layer();
  if (!l) return;
  const Rect r = intersect(target_, l->image.bounds());
  l->image.blit_from(r.x, r.y, r.w, r.h, backup_, r.x, r.y);
  host_.pixels_changed(r);
}

void FilterDialog::accept() {
  // The layer goes back to how it was, so the undo step holds those pixels.
  restore_layer();
  preview_composite_ = StrokeComposite();  // its memory is the filter's now
  clear_active_filter_dialog(this);
  QDialog::accept();
}

void FilterDialog::reject() {
  restore_layer();
  preview_composite_ = StrokeComposite();
  clear_active_filter_dialog(this);
  QDialog::reject();
}

}  // namespace qm
