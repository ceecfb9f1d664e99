#include "panels/tool_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace qm {

namespace {

// One palette for every glyph, so the rows look alike.
const QColor kInk(40, 40, 48);
const QColor kWood(222, 170, 90);
const QColor kMetal(150, 160, 175);
const QColor kBlue(70, 130, 210);
const QColor kPink(236, 140, 160);
const QColor kPaper(250, 250, 250);

using Painter = void (*)(QPainter&);

void pen_ink(QPainter& p, qreal width = 1.0) {
  p.setPen(QPen(kInk, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

// A slanted stick from bottom-left to top-right with a tip at (2, 13).
void stick(QPainter& p, const QColor& body, qreal half) {
  QPainterPath path;
  path.moveTo(2, 13);
  path.lineTo(4 - half, 9 - half);
  path.lineTo(11 - half, 2 - half);
  path.lineTo(13 + half - 1, 4 + half - 1);
  path.lineTo(6 + half, 11 + half);
  path.closeSubpath();
  p.setBrush(body);
  pen_ink(p);
  p.drawPath(path);
}

void draw_pencil(QPainter& p) {
  stick(p, kWood, 1.0);
  p.setBrush(kInk);
  p.drawEllipse(QPointF(2.5, 12.5), 1, 1);
}
void draw_thin_line(QPainter& p) {
  pen_ink(p);
  p.drawLine(QPointF(2.5, 12.5), QPointF(12.5, 2.5));
  p.setBrush(kInk);
  p.drawRect(QRectF(11.5, 1.5, 2, 2));
}
void nib(QPainter& p, const QColor& c) {
  QPainterPath path;
  path.moveTo(2, 13);
  path.lineTo(4, 7);
  path.lineTo(9, 2);
  path.lineTo(13, 6);
  path.lineTo(8, 11);
  path.closeSubpath();
  p.setBrush(c);
  pen_ink(p);
  p.drawPath(path);
  p.drawLine(QPointF(2, 13), QPointF(6.5, 8.5));
}
void draw_pen(QPainter& p) { nib(p, kMetal); }
void draw_pen2(QPainter& p) {
  nib(p, kBlue);
  p.setBrush(kInk);
  p.drawRect(QRectF(11, 11, 2, 2));
}
void draw_brush(QPainter& p) {
  pen_ink(p);
  p.setBrush(kWood);
  QPainterPath handle;
  handle.moveTo(13, 1);
  handle.lineTo(14, 2);
  handle.lineTo(8, 9);
  handle.lineTo(6, 7);
  handle.closeSubpath();
  p.drawPath(handle);
  QPainterPath tuft;
  tuft.moveTo(6, 7);
  tuft.cubicTo(3, 7, 3, 11, 1, 14);
  tuft.cubicTo(5, 13, 8, 12, 8, 9);
  tuft.closeSubpath();
  p.setBrush(kInk);
  p.drawPath(tuft);
}
void drop(QPainter& p, const QColor& c) {
  QPainterPath path;
  path.moveTo(7.5, 1.5);
  path.cubicTo(10, 6, 12.5, 8, 12.5, 10);
  path.cubicTo(12.5, 13, 10, 14, 7.5, 14);
  path.cubicTo(5, 14, 2.5, 13, 2.5, 10);
  path.cubicTo(2.5, 8, 5, 6, 7.5, 1.5);
  p.setBrush(c);
  pen_ink(p);
  p.drawPath(path);
}
void draw_watercolour(QPainter& p) { drop(p, kBlue); }
void draw_spray(QPainter& p) {
  pen_ink(p);
  p.setBrush(kMetal);
  p.drawRoundedRect(QRectF(7.5, 5.5, 5, 8), 1, 1);
  p.setBrush(kInk);
  p.drawRect(QRectF(9, 3, 2, 2));
  const QPointF dots[] = {{4, 2}, {2, 4}, {5, 4.5}, {3, 6.5}, {1.5, 8}, {5, 7}};
  p.setPen(Qt::NoPen);
  for (const QPointF& d : dots) p.drawEllipse(d, 0.7, 0.7);
}
void eraser(QPainter& p, const QColor& c) {
  QPainterPath path;
  path.moveTo(1.5, 10);
  path.lineTo(8, 3.5);
  path.lineTo(13.5, 8);
  path.lineTo(8, 13.5);
  path.lineTo(5, 13.5);
  path.closeSubpath();
  p.setBrush(c);
  pen_ink(p);
  p.drawPath(path);
  p.drawLine(QPointF(4.5, 7), QPointF(10.5, 11.5));
}
void draw_dot_eraser(QPainter& p) {
  eraser(p, kPaper);
  p.setPen(Qt::NoPen);
  p.setBrush(kInk);
  p.drawRect(QRectF(12, 12, 2, 2));
}
void draw_pen_eraser(QPainter& p) { eraser(p, kPink); }
void draw_brush_eraser(QPainter& p) {
  eraser(p, kPink);
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  p.drawEllipse(QPointF(12.5, 12.5), 1.8, 1.8);
}
void draw_blur(QPainter& p) {
  drop(p, QColor(200, 215, 235));
  p.setPen(QPen(kBlue, 1));
  p.drawLine(QPointF(5, 10), QPointF(10, 10));
  p.drawLine(QPointF(5.5, 12), QPointF(9.5, 12));
}
void draw_finger(QPainter& p) {
  pen_ink(p);
  p.setBrush(QColor(245, 205, 170));
  p.drawRoundedRect(QRectF(4.5, 1.5, 6, 12), 3, 3);
  p.setBrush(kPaper);
  p.drawRoundedRect(QRectF(5.5, 2.5, 4, 4), 1.5, 1.5);
}
void lollipop(QPainter& p, const QColor& c) {
  pen_ink(p, 1.4);
  p.drawLine(QPointF(9, 9), QPointF(13.5, 13.5));
  pen_ink(p);
  p.setBrush(c);
  p.drawEllipse(QPointF(6, 6), 4.5, 4.5);
}
void draw_dodge(QPainter& p) { lollipop(p, kPaper); }
void draw_burn(QPainter& p) { lollipop(p, kInk); }
void draw_fill(QPainter& p) {
  pen_ink(p);
  p.setBrush(kMetal);
  QPainterPath bucket;
  bucket.moveTo(2, 6);
  bucket.lineTo(7, 1.5);
  bucket.lineTo(12.5, 7);
  bucket.lineTo(7.5, 12);
  bucket.closeSubpath();
  p.drawPath(bucket);
  p.setBrush(kBlue);
  QPainterPath paint;
  paint.moveTo(12.5, 7);
  paint.cubicTo(14.5, 9, 14.5, 12, 13, 13.5);
  paint.cubicTo(12, 12, 12, 10, 12.5, 7);
  p.drawPath(paint);
}
void draw_gradient(QPainter& p) {
  QLinearGradient g(1.5, 0, 13.5, 0);
  g.setColorAt(0, kInk);
  g.setColorAt(1, kPaper);
  pen_ink(p);
  p.setBrush(g);
  p.drawRect(QRectF(1.5, 3.5, 12, 8));
}
void draw_text(QPainter& p) {
  pen_ink(p, 1.6);
  p.drawLine(QPointF(2.5, 13), QPointF(7.5, 2));
  p.drawLine(QPointF(7.5, 2), QPointF(12.5, 13));
  p.drawLine(QPointF(4.6, 9), QPointF(10.4, 9));
}
void draw_layer_move(QPainter& p) {
  pen_ink(p);
  p.drawLine(QPointF(7.5, 1.5), QPointF(7.5, 13.5));
  p.drawLine(QPointF(1.5, 7.5), QPointF(13.5, 7.5));
  p.setBrush(kInk);
  const QPointF heads[4][3] = {{{7.5, 0.5}, {5, 3.5}, {10, 3.5}},
                               {{7.5, 14.5}, {5, 11.5}, {10, 11.5}},
                               {{0.5, 7.5}, {3.5, 5}, {3.5, 10}},
                               {{14.5, 7.5}, {11.5, 5}, {11.5, 10}}};
  for (const auto& h : heads) p.drawPolygon(h, 3);
}
void draw_rect_select(QPainter& p) {
  p.setPen(QPen(kInk, 1, Qt::DashLine));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(1.5, 2.5, 12, 10));
}

// Draw types: one line figure each.
void figure_pen(QPainter& p) {
  pen_ink(p, 1.3);
  p.setBrush(Qt::NoBrush);
}
void draw_freehand(QPainter& p) {
  figure_pen(p);
  QPainterPath path;
  path.moveTo(1.5, 10);
  path.cubicTo(4, 2, 7, 14, 9.5, 6);
  path.cubicTo(11, 2, 13, 4, 13.5, 5);
  p.drawPath(path);
}
void draw_straight(QPainter& p) {
  figure_pen(p);
  p.drawLine(QPointF(2, 13), QPointF(13, 2));
}
void draw_rect_outline(QPainter& p) {
  figure_pen(p);
  p.drawRect(QRectF(2.5, 3.5, 10, 8));
}
void draw_rect_filled(QPainter& p) {
  figure_pen(p);
  p.setBrush(kBlue);
  p.drawRect(QRectF(2.5, 3.5, 10, 8));
}
void draw_ellipse_outline(QPainter& p) {
  figure_pen(p);
  p.drawEllipse(QRectF(1.5, 3.5, 12, 8));
}
void draw_ellipse_filled(QPainter& p) {
  figure_pen(p);
  p.setBrush(kBlue);
  p.drawEllipse(QRectF(1.5, 3.5, 12, 8));
}
void draw_polyline(QPainter& p) {
  figure_pen(p);
  const QPointF points[] = {{1.5, 12}, {5, 3}, {9, 11}, {13.5, 2.5}};
  p.drawPolyline(points, 4);
}
void draw_concentrated(QPainter& p) {
  pen_ink(p);
  const QPointF c(7.5, 7.5);
  for (int i = 0; i < 8; ++i) {
    const double a = i * M_PI / 4;
    p.drawLine(QPointF(c.x() + 3 * std::cos(a), c.y() + 3 * std::sin(a)),
               QPointF(c.x() + 7 * std::cos(a), c.y() + 7 * std::sin(a)));
  }
}
void draw_bezier(QPainter& p) {
  figure_pen(p);
  QPainterPath path;
  path.moveTo(2, 12);
  path.cubicTo(3, 2, 12, 2, 13, 12);
  p.drawPath(path);
  p.setPen(QPen(kBlue, 1));
  p.drawLine(QPointF(2, 12), QPointF(3, 3));
  p.drawLine(QPointF(13, 12), QPointF(12, 3));
  p.setBrush(kBlue);
  p.drawRect(QRectF(2, 2, 2, 2));
  p.drawRect(QRectF(11, 2, 2, 2));
}
void draw_spline(QPainter& p) {
  figure_pen(p);
  QPainterPath path;
  path.moveTo(1.5, 11);
  path.cubicTo(4, 3, 6, 3, 7.5, 7.5);
  path.cubicTo(9, 12, 11, 12, 13.5, 4);
  p.drawPath(path);
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  const QPointF knots[] = {{1.5, 11}, {7.5, 7.5}, {13.5, 4}};
  for (const QPointF& k : knots) p.drawEllipse(k, 1.4, 1.4);
}

constexpr Painter kToolPainters[19] = {
    draw_pencil, draw_thin_line, draw_pen,    draw_pen2,        draw_brush,
    draw_watercolour, draw_spray, draw_dot_eraser, draw_pen_eraser, draw_brush_eraser,
    draw_blur,   draw_finger,    draw_dodge,  draw_burn,        draw_fill,
    draw_gradient, draw_text,    draw_layer_move, draw_rect_select};
constexpr Painter kDrawTypePainters[10] = {
    draw_freehand,        draw_straight,       draw_rect_outline, draw_rect_filled,
    draw_ellipse_outline, draw_ellipse_filled, draw_polyline,     draw_concentrated,
    draw_bezier,          draw_spline};

QImage render(Painter painter, int scale) {
  QImage image(15 * scale, 15 * scale, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(scale, scale);
  painter(p);
  return image;
}

QIcon make_icon(Painter painter) {
  QIcon icon;
  icon.addPixmap(QPixmap::fromImage(render(painter, 1)));
  QPixmap large = QPixmap::fromImage(render(painter, 2));
  large.setDevicePixelRatio(2.0);
  icon.addPixmap(large);
  return icon;
}

}  // namespace

QImage tool_glyph(int tool, int scale) {
  return tool >= 0 && tool < 19 ? render(kToolPainters[tool], scale) : QImage();
}
QImage draw_type_glyph(int draw_type, int scale) {
  return draw_type >= 0 && draw_type < 10 ? render(kDrawTypePainters[draw_type], scale) : QImage();
}
QIcon tool_icon(int tool) { return tool >= 0 && tool < 19 ? make_icon(kToolPainters[tool]) : QIcon(); }
QIcon draw_type_icon(int draw_type) {
  return draw_type >= 0 && draw_type < 10 ? make_icon(kDrawTypePainters[draw_type]) : QIcon();
}

}  // namespace qm
