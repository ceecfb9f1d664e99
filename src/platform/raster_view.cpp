#include "platform/raster_view.h"

#include <QtGlobal>

namespace qm {

namespace {

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN

QImage view(const LayerImage& image, QImage::Format format) {
  if (image.empty()) return {};
  return QImage(reinterpret_cast<const uchar*>(image.pixels()), image.width(), image.height(),
                qsizetype(image.width()) * 4, format);
}

QImage view(LayerImage& image, QImage::Format format) {
  if (image.empty()) return {};
  return QImage(reinterpret_cast<uchar*>(image.pixels()), image.width(), image.height(),
                qsizetype(image.width()) * 4, format);
}

#else

// Qt's 32-bit formats follow the machine's word order, our rasters a fixed
// byte order, so a big-endian build presents a converted copy.
QImage view(const LayerImage& image, QImage::Format format) {
  if (image.empty()) return {};
  QImage out(image.width(), image.height(), format);
  if (out.isNull()) return {};
  const uint32_t alpha_or = format == QImage::Format_RGB32 ? 0xFF000000u : 0;
  for (int y = 0; y < image.height(); ++y) {
    const auto* src = reinterpret_cast<const uint8_t*>(image.row(y));
    auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < image.width(); ++x, src += 4)
      dst[x] = qRgba(src[2], src[1], src[0], src[3]) | alpha_or;
  }
  return out;
}

QImage view(LayerImage& image, QImage::Format format) {
  return view(static_cast<const LayerImage&>(image), format);
}

#endif

}  // namespace

bool raster_views_share_memory() { return Q_BYTE_ORDER == Q_LITTLE_ENDIAN; }

QImage argb_view(LayerImage& image) { return view(image, QImage::Format_ARGB32); }
QImage argb_view(const LayerImage& image) { return view(image, QImage::Format_ARGB32); }
QImage opaque_view(const LayerImage& image) { return view(image, QImage::Format_RGB32); }

}  // namespace qm
