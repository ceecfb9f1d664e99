#include "app/dialogs/gif_options_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/dialogs/colour_button.h"
#include "app/dialogs/dialog_texts.h"

namespace qm {

GifOptionsDialog::GifOptionsDialog(const GifSaveOptions& current, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("GIF 저장"));
  use_transparent_ = new QCheckBox(QStringLiteral("투명색 지정"), this);
  use_transparent_->setObjectName(QStringLiteral("use_transparent"));
  use_transparent_->setChecked(current.transparent.has_value());
  transparent_ = new ColourButton(current.transparent.value_or(0xFFFFFF), this);
  transparent_->setObjectName(QStringLiteral("transparent"));

  auto* row = new QHBoxLayout;
  row->addWidget(use_transparent_);
  row->addWidget(transparent_);
  row->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(make_ok_cancel_buttons(this));
}

GifSaveOptions GifOptionsDialog::values() const {
  GifSaveOptions out;
  if (use_transparent_->isChecked()) out.transparent = transparent_->colour();
  return out;
}

std::optional<GifSaveOptions> run_gif_options_dialog(QWidget* parent,
                                                     const GifSaveOptions& current) {
  GifOptionsDialog dialog(current, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.values();
}

}  // namespace qm
