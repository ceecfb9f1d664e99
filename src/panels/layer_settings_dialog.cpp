#include "panels/layer_settings_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>

#include "document/document.h"

namespace qm {

bool run_layer_settings_dialog(QWidget* parent, Document& doc, int index) {
  const Layer* layer = doc.layer_at(index);
  if (!layer) return false;
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("ﾚｲﾔ設定"));
  dialog.setObjectName(QStringLiteral("layer_settings"));
  auto* form = new QFormLayout(&dialog);
  auto* name = new QLineEdit(QString::fromUtf8(layer->name.c_str()));
  name->setObjectName(QStringLiteral("name"));
  name->setMaxLength(31);
  auto* slider = new QSlider(Qt::Horizontal);
  auto* spin = new QSpinBox;
  spin->setObjectName(QStringLiteral("opacity"));
  slider->setRange(0, 100);
  spin->setRange(0, 100);
  slider->setValue(percent_from_opacity(layer->opacity));
  spin->setValue(slider->value());
  QObject::connect(slider, &QSlider::valueChanged, spin, &QSpinBox::setValue);
  QObject::connect(spin, qOverload<int>(&QSpinBox::valueChanged), slider, &QSlider::setValue);
  form->addRow(QStringLiteral("名前"), name);
  form->addRow(QStringLiteral("不透明度"), slider);
  form->addRow(QString(), spin);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  form->addRow(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted) return false;
  doc.set_layer_name(index, name->text().toStdString());
  doc.set_opacity_percent_at(index, spin->value(), true);
  return true;
}

}  // namespace qm
