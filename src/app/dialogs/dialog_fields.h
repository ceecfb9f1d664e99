#pragma once
// Small constructors shared by the dialogs: fields named for lookup
// (tests and the main window find them by object name).
#include <QComboBox>
#include <QSpinBox>
#include <QStringList>
#include <algorithm>

namespace qm {

// A spin box limited to [lo, hi], starting at `value` brought into range.
inline QSpinBox* make_range_field(const char* name, int value, int lo, int hi, QWidget* parent) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setRange(lo, hi);
  box->setValue(std::clamp(value, lo, hi));
  return box;
}

// A drop-down list of `items`, starting at `index` brought into range.
inline QComboBox* make_list_field(const char* name, const QStringList& items, int index,
                                  QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->addItems(items);
  box->setCurrentIndex(std::clamp(index, 0, int(items.size()) - 1));
  return box;
}

// The value a spin box holds, including text typed but not yet committed.
inline int field_value(QSpinBox* box) {
  box->interpretText();
  return box->value();
}

}  // namespace qm
