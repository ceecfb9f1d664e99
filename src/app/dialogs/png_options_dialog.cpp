#include "app/dialogs/png_options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "app/dialogs/colour_button.h"
#include "app/dialogs/dialog_texts.h"

namespace qm {

namespace {
constexpr uint32_t kWhite = 0xFFFFFF;
}

PngOptionsDialog::PngOptionsDialog(const PngSaveOptions& current, QWidget* parent)
    : QDialog(parent), current_(current) {
  setWindowTitle(QStringLiteral("PNG 저장"));

  level_ = new QSpinBox(this);
  level_->setObjectName(QStringLiteral("level"));
  level_->setRange(0, 9);
  level_->setValue(std::clamp(current.level, 0, 9));

  flat_ = new QRadioButton(QStringLiteral("8비트/24비트 파일"), this);
  flat_->setObjectName(QStringLiteral("flat"));
  alpha_ = new QRadioButton(QStringLiteral("알파 투명 32비트 파일"), this);
  alpha_->setObjectName(QStringLiteral("alpha"));
  auto* kind = new QButtonGroup(this);
  kind->addButton(flat_);
  kind->addButton(alpha_);
  (current.alpha ? alpha_ : flat_)->setChecked(true);

  use_transparent_ = new QCheckBox(QStringLiteral("투명색 지정"), this);
  use_transparent_->setObjectName(QStringLiteral("use_transparent"));
  use_transparent_->setChecked(current.transparent.has_value());
  transparent_ = new ColourButton(current.transparent.value_or(kWhite), this);
  transparent_->setObjectName(QStringLiteral("transparent"));

  // A 32-bit file keeps its alpha and never gets a transparent colour; the
  // controls stay as they are so switching back restores them.
  auto update_enabled = [this] {
    use_transparent_->setEnabled(!alpha_->isChecked());
    transparent_->setEnabled(!alpha_->isChecked());
  };
  connect(alpha_, &QRadioButton::toggled, this, update_enabled);
  update_enabled();

  auto* level_row = new QHBoxLayout;
  level_row->addWidget(new QLabel(QStringLiteral("압축율[0-9]"), this));
  level_row->addWidget(level_);
  level_row->addStretch();
  auto* transparent_row = new QHBoxLayout;
  transparent_row->addWidget(use_transparent_);
  transparent_row->addWidget(transparent_);
  transparent_row->addStretch();
  auto* note = new QLabel(
      QStringLiteral("※ (보통) 이외의 합성 레이어가 포함되면 원래 이미지와 동일하지 않습니다."),
      this);
  note->setWordWrap(true);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(level_row);
  layout->addWidget(flat_);
  layout->addWidget(alpha_);
  layout->addLayout(transparent_row);
  layout->addWidget(note);
  layout->addWidget(make_ok_cancel_buttons(this));
}

PngSaveOptions PngOptionsDialog::values() const {
  PngSaveOptions out = current_;
  level_->interpretText();
  out.level = std::clamp(level_->value(), 0, 9);
  out.alpha = alpha_->isChecked();
  out.transparent.reset();
  if (use_transparent_->isChecked() && !out.alpha) out.transparent = transparent_->colour();
  return out;
}

std::optional<PngSaveOptions> run_png_options_dialog(QWidget* parent,
                                                     const PngSaveOptions& current) {
  PngOptionsDialog dialog(current, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.values();
}

}  // namespace qm
