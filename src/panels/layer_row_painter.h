#pragma once
// Draws one 35-pixel row of the layer list: background, thumbnail over the
// checker, name (red when current, the small font when too wide), the
// visibility and fill-reference boxes, the opacity and the blend-mode name.
#include <QFont>
#include <QPainter>

#include "document/layer.h"
#include "panels/layer_thumbnails.h"

namespace qm {

struct LayerRowFonts {
  QFont normal;
  QFont small;
};

LayerRowFonts layer_row_fonts();

void draw_layer_row(QPainter& p, const Layer& layer, const Thumbnail& thumb, bool current, int y,
                    int width, const LayerRowFonts& fonts);

// The list area below the last row.
inline const QColor kLayerListEmpty{128, 128, 128};

}  // namespace qm
