#include "app/dialogs/new_canvas_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "app/dialogs/dialog_texts.h"

namespace qm {

namespace {

// The fields take more than the limit so that an oversized entry can be
// refused with a message instead of silently changed.
constexpr int kFieldMax = 99999;

QSpinBox* make_side_field(int value, QWidget* parent) {
  auto* box = new QSpinBox(parent);
  box->setRange(1, kFieldMax);
  box->setValue(std::clamp(value, 1, kFieldMax));
  return box;
}

}  // namespace

NewCanvasDialog::NewCanvasDialog(const NewCanvasValues& current, QWidget* parent)
    : QDialog(parent), values_(current) {
  setWindowTitle(QStringLiteral("새 캔버스"));
  width_ = make_side_field(current.width, this);
  width_->setObjectName(QStringLiteral("width"));
  height_ = make_side_field(current.height, this);
  height_->setObjectName(QStringLiteral("height"));

  recent_menu_ = new QMenu(this);
  recent_menu_->setObjectName(QStringLiteral("recent_menu"));
  for (int i = 0; i < kRecentSizeCount; ++i) {
    const int packed = current.recent_sizes[i];
    QAction* action = recent_menu_->addAction(
        QStringLiteral("%1x%2").arg(packed_width(packed)).arg(packed_height(packed)));
    connect(action, &QAction::triggered, this, [this, i] { choose_recent(i); });
  }
  recent_button_ = new QPushButton(QStringLiteral("▼"), this);
  recent_button_->setObjectName(QStringLiteral("recent_button"));
  recent_button_->setMenu(recent_menu_);

  auto* fields = new QFormLayout;
  fields->addRow(QStringLiteral("폭"), width_);
  fields->addRow(QStringLiteral("높이"), height_);
  auto* top = new QHBoxLayout;
  top->addLayout(fields);
  top->addWidget(recent_button_, 0, Qt::AlignTop);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(make_ok_cancel_buttons(this));
}

void NewCanvasDialog::choose_recent(int index) {
  if (index < 0 || index >= kRecentSizeCount) return;
  const int packed = values_.recent_sizes[index];
  width_->setValue(packed_width(packed));
  height_->setValue(packed_height(packed));
}

NewCanvasValues NewCanvasDialog::values() const { return values_; }

void NewCanvasDialog::accept() {
  // Take what is typed even when the field still has focus.
  width_->interpretText();
  height_->interpretText();
  const int width = width_->value();
  const int height = height_->value();
  if (width > kMaxCanvasSide || height > kMaxCanvasSide) {
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                QStringLiteral("幅・高さが大きすぎます"), QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return;
  }
  values_.width = width;
  values_.height = height;
  push_recent_size(values_.recent_sizes, pack_canvas_size(width, height));
  QDialog::accept();
}

std::optional<NewCanvasValues> run_new_canvas_dialog(QWidget* parent,
                                                     const NewCanvasValues& current) {
  NewCanvasDialog dialog(current, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.values();
}

}  // namespace qm
