#include "app/dialogs/version_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qm {

QString program_version_text() {
  return QStringLiteral("Quillmark2 %1").arg(QStringLiteral(QM_VERSION));
}

void run_version_dialog(QWidget* parent) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("버전 정보"));
  auto* name = new QLabel(program_version_text(), &dialog);
  name->setObjectName(QStringLiteral("version"));
  name->setAlignment(Qt::AlignCenter);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(name);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("확인"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  layout->addWidget(buttons);
  dialog.exec();
}

}  // namespace qm
