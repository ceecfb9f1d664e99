#include "app/dialogs/colour_button.h"

#include <QColorDialog>
#include <QPixmap>

namespace qm {

namespace {
constexpr QSize kSwatch(36, 14);
}

ColourButton::ColourButton(uint32_t colour, QWidget* parent)
    : QPushButton(parent), colour_(colour & 0xFFFFFF) {
  setIconSize(kSwatch);
  set_colour(colour_);
  connect(this, &QPushButton::clicked, this, &ColourButton::choose);
}

void ColourButton::set_colour(uint32_t colour) {
  colour &= 0xFFFFFF;
  const bool changed = colour != colour_;
  colour_ = colour;
  // A filled icon rather than a style sheet: it shows under every style.
  QPixmap swatch(kSwatch);
  swatch.fill(QColor::fromRgb(QRgb(colour)));
  setIcon(QIcon(swatch));
  if (changed) emit colour_changed(colour_);
}

void ColourButton::choose() {
  const QColor picked = QColorDialog::getColor(QColor::fromRgb(QRgb(colour_)), this);
  if (picked.isValid()) set_colour(uint32_t(picked.rgb()) & 0xFFFFFF);
}

}  // namespace qm
