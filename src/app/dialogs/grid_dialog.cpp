#include "app/dialogs/grid_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/dialogs/colour_button.h"
#include "app/dialogs/dialog_fields.h"
#include "app/dialogs/dialog_texts.h"
#include "app/dialogs/new_canvas_dialog.h"

namespace qm {

namespace {

constexpr int kMinGridCell = 4;
// GridPixelPer is the zoom in hundreds of percent; the list starts at 4.
constexpr int kFirstPixelGridZoom = 4;
constexpr int kLastPixelGridZoom = 20;

QStringList pixel_grid_zooms() {
  QStringList items;
  for (int z = kFirstPixelGridZoom; z <= kLastPixelGridZoom; ++z)
    items << QStringLiteral("%1%").arg(z * 100);
  return items;
}

}  // namespace

GridDialog::GridDialog(const Environment& current, QWidget* parent)
    : QDialog(parent), current_(current) {
  setWindowTitle(QStringLiteral("그리드 설정"));
  auto* size_row = new QHBoxLayout;
  size_row->addWidget(
      make_range_field("grid_w", current.grid_w, kMinGridCell, kMaxCanvasSide, this));
  size_row->addWidget(
      make_range_field("grid_h", current.grid_h, kMinGridCell, kMaxCanvasSide, this));
  size_row->addStretch();

  auto* grid_colour = new ColourButton(current.grid_col, this);
  grid_colour->setObjectName(QStringLiteral("grid_col"));

  auto* centre = new QCheckBox(QStringLiteral("중심선 표시"), this);
  centre->setObjectName(QStringLiteral("centre_shown"));
  centre->setChecked((current.center_grid_col & kCentreCrossShown) != 0);
  auto* centre_colour = new ColourButton(current.center_grid_col & 0xFFFFFF, this);
  centre_colour->setObjectName(QStringLiteral("centre_col"));
  auto* centre_row = new QHBoxLayout;
  centre_row->addWidget(centre);
  centre_row->addWidget(centre_colour);
  centre_row->addStretch();

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("그리드 크기"), size_row);
  form->addRow(QStringLiteral("그리드 색"), grid_colour);
  form->addRow(centre_row);
  form->addRow(QStringLiteral("1픽셀 그리드 표시 배율"),
               make_list_field("pixel_grid_zoom", pixel_grid_zooms(),
                               current.grid_pixel_per - kFirstPixelGridZoom, this));

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(make_ok_cancel_buttons(this));
}

Environment GridDialog::values() const {
  Environment env = current_;
  env.grid_w = field_value(findChild<QSpinBox*>(QStringLiteral("grid_w")));
  env.grid_h = field_value(findChild<QSpinBox*>(QStringLiteral("grid_h")));
  env.grid_col = findChild<ColourButton*>(QStringLiteral("grid_col"))->colour();
  env.center_grid_col = findChild<ColourButton*>(QStringLiteral("centre_col"))->colour();
  if (findChild<QCheckBox*>(QStringLiteral("centre_shown"))->isChecked())
    env.center_grid_col |= kCentreCrossShown;
  env.grid_pixel_per = findChild<QComboBox*>(QStringLiteral("pixel_grid_zoom"))->currentIndex() +
                       kFirstPixelGridZoom;
  return env;
}

std::optional<Environment> run_grid_dialog(QWidget* parent, const Environment& current) {
  GridDialog dialog(current, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.values();
}

}  // namespace qm
