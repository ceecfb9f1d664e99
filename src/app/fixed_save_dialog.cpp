#include "app/fixed_save_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/document_formats.h"

namespace qm {

FixedSaveDialog::FixedSaveDialog(const FixedSaveChoice& current, QWidget* parent)
    : QDialog(parent), folder_(new QLineEdit(this)), format_(new QComboBox(this)) {
  setWindowTitle(QStringLiteral("저장 폴더와 형식 지정"));
  folder_->setText(QString::fromStdString(current.folder));
  folder_->setMinimumWidth(280);
  auto* browse = new QPushButton(QStringLiteral("..."), this);
  browse->setFixedWidth(32);
  connect(browse, &QPushButton::clicked, this, &FixedSaveDialog::browse);
  auto* folder_row = new QHBoxLayout;
  folder_row->addWidget(folder_, 1);
  folder_row->addWidget(browse);

  for (const FileFormat& f : file_formats())
    format_->addItem(QString::fromUtf8(f.filter.data(), qsizetype(f.filter.size())));
  format_->setCurrentIndex(file_format(current.format) ? current.format : 0);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("폴더"), folder_row);
  form->addRow(QStringLiteral("형식"), format_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("확인"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("취소"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

FixedSaveChoice FixedSaveDialog::values() const {
  return {folder_->text().trimmed().toStdString(), std::max(0, format_->currentIndex())};
}

void FixedSaveDialog::browse() {
  const QString chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("폴더 선택"),
                                                           folder_->text());
  if (!chosen.isEmpty()) folder_->setText(chosen);
}

std::optional<FixedSaveChoice> run_fixed_save_dialog(QWidget* parent, const FixedSaveChoice& current) {
  FixedSaveDialog dialog(current, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.values();
}

}  // namespace qm
