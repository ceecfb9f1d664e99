#include "panels/layer_row_painter.h"

#include <QFontMetrics>
#include <QImage>

#include "document/blend_modes.h"
#include "panels/layer_list_geometry.h"

namespace qm {

namespace {

// The fill-reference glyph: a paint bucket tipping out a drop.
constexpr const char* kFillGlyph[9] = {
    "...#.....", "..#.#....", ".#...#...", "#.....#..", "#######.#",
    ".#####..#", "..###...#", "...#....#", ".........",
};

void draw_glyph(QPainter& p, int x, int y, const QColor& colour) {
  for (int gy = 0; gy < 9; ++gy)
    for (int gx = 0; gx < 9; ++gx)
      if (kFillGlyph[gy][gx] == '#') p.fillRect(x + gx, y + gy, 1, 1, colour);
}

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

}  // namespace

LayerRowFonts layer_row_fonts() {
  LayerRowFonts f;
  f.normal.setPixelSize(12);
  f.small.setPixelSize(10);
  // Small list text stays crisp in its exact colours.
  f.normal.setStyleStrategy(QFont::NoAntialias);
  f.small.setStyleStrategy(QFont::NoAntialias);
  return f;
}

void draw_layer_row(QPainter& p, const Layer& layer, const Thumbnail& thumb, bool current, int y,
                    int width, const LayerRowFonts& fonts) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(0, y, width, kLayerRowHeight, current ? QColor(198, 209, 255) : QColor(248, 248, 248));

  // Thumbnail centred in the 33 × 29 box at (3, y + 3), framed in black.
  if (thumb.w > 0) {
    const int tx = 3 + (kThumbBoxW - thumb.w) / 2;
    const int ty = y + 3 + (kThumbBoxH - thumb.h) / 2;
    const QImage img(reinterpret_cast<const uchar*>(thumb.pixels.data()), thumb.w, thumb.h,
                     thumb.w * 4, QImage::Format_RGB32);
    p.drawImage(tx, ty, img);
    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(tx - 1, ty - 1, thumb.w + 1, thumb.h + 1);
  }

  // Name.
  const QString name = QString::fromUtf8(layer.name.data(), qsizetype(layer.name.size()));
  p.setPen(current ? QColor(221, 0, 0) : Qt::black);
  const int name_w = width - 2 - 40;
  if (QFontMetrics(fonts.normal).horizontalAdvance(name) > width - 42) {
    p.setFont(fonts.small);
    p.drawText(QRect(40, y + 1, name_w, 17), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               name);
  } else {
    p.setFont(fonts.normal);
    p.drawText(QRect(40, y + 3, name_w, 13), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               name);
  }

  // Visibility box.
  p.fillRect(40, y + 19, 13, 13, Qt::black);
  p.fillRect(41, y + 20, 11, 11, Qt::white);
  if (layer.visible()) {
    p.fillRect(42, y + 21, 9, 9, QColor(128, 32, 0));
  } else {
    p.setPen(Qt::black);
    p.drawLine(40, y + 19, 52, y + 31);
    p.drawLine(52, y + 19, 40, y + 31);
  }

  // Fill-reference box.
  p.fillRect(55, y + 19, 13, 13, Qt::black);
  if (layer.fill_reference()) {
    p.fillRect(56, y + 20, 11, 11, QColor(171, 45, 255));
    draw_glyph(p, 57, y + 21, Qt::white);
  } else {
    p.fillRect(56, y + 20, 11, 11, Qt::white);
    draw_glyph(p, 57, y + 21, QColor(192, 192, 192));
  }

  // Opacity and blend mode.
  p.setFont(fonts.small);
  p.setPen(QColor(35, 63, 107));
  p.drawText(QRect(71, y + 20, 28, 13), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
             QStringLiteral("%1%").arg(percent_from_opacity(layer.opacity)));
  p.setPen(Qt::black);
  p.drawText(QRect(99, y + 21, std::max(0, width - 2 - 99), 12),
             Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, qs(blend_mode_name(layer.blend_mode)));
  p.restore();
}

}  // namespace qm
