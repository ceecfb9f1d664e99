// Clipboard exchange through QClipboard images. The clipboard's QImage is
// converted to ARGB32 (not premultiplied), whose memory layout is the
// engine's B, G, R, A, so rows are copied as they are.
#include "platform/clipboard_exchange.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "document/blend_modes.h"
#include "document/compositing.h"
#include "document/layer.h"

namespace qm {

namespace {

QClipboard* clipboard() {
  return qGuiApp ? QGuiApplication::clipboard() : nullptr;
}

QImage clipboard_image() {
  QClipboard* c = clipboard();
  if (!c) return {};
  return c->image();
}

// `format` is RGB32 (alpha forced to 255 on the way) or ARGB32 (raw).
void put_image(const LayerImage& image, QImage::Format format) {
  QClipboard* c = clipboard();
  if (!c || image.empty()) return;
  QImage out(image.width(), image.height(), format);
  if (out.isNull()) return;
  for (int y = 0; y < image.height(); ++y) {
    auto* dst = reinterpret_cast<Pixel*>(out.scanLine(y));
    const Pixel* src = image.row(y);
    if (format == QImage::Format_RGB32) {
      for (int x = 0; x < image.width(); ++x) dst[x] = src[x] | 0xFF000000u;
    } else {
      std::memcpy(dst, src, size_t(image.width()) * sizeof(Pixel));
    }
  }
  c->setImage(out);
}

// Copies the top-left part of `picture` into `image` after filling it with
// transparent white; returns false when there is no picture.
bool paste_into(LayerImage& image, bool keep_alpha) {
  const QImage picture = clipboard_image();
  if (picture.isNull() || image.empty()) return false;
  const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
  if (argb.isNull()) return false;
  image.fill(kTransparent);
  const int w = std::min(image.width(), argb.width());
  const int h = std::min(image.height(), argb.height());
  for (int y = 0; y < h; ++y)
    std::memcpy(image.row(y), argb.constScanLine(y), size_t(w) * sizeof(Pixel));
  Pixel* p = image.pixels();
  for (size_t i = 0; i < image.pixel_count(); ++i) {
    if (!keep_alpha)
      p[i] |= 0xFF000000u;
    else if (alpha_of(p[i]) == 0)
      p[i] = kTransparent;
  }
  return true;
}

}  // namespace

std::string too_large_image_message() {
  char text[128];
  std::snprintf(text, sizeof text, "幅・高さが%dpx以上のｲﾒｰｼﾞは編集できません", kMaxCanvasSide);
  return text;
}

void copy_image_to_clipboard_24(const LayerImage& image) { put_image(image, QImage::Format_RGB32); }
void copy_image_to_clipboard_32(const LayerImage& image) { put_image(image, QImage::Format_ARGB32); }

std::optional<ClipboardSize> clipboard_image_size() {
  const QImage picture = clipboard_image();
  if (picture.isNull()) return std::nullopt;
  return ClipboardSize{picture.width(), picture.height()};
}

bool check_clipboard_image(bool need_32, const MessageSink& show) {
  const QImage picture = clipboard_image();
  if (picture.isNull()) return false;
  if (need_32 && !picture.hasAlphaChannel()) {
    if (show) show(kClipboardNot32BitMessage);
    return false;
  }
  return true;
}

bool paste_clipboard_24(LayerImage& image) { return paste_into(image, false); }
bool paste_clipboard_32(LayerImage& image) { return paste_into(image, true); }

bool copy_current_layer_24(const Document& doc) {
  const Layer* layer = doc.current();
  if (!layer) return false;
  LayerImage flat;
  if (!flat.create(layer->image.width(), layer->image.height())) return false;
  flat.fill(kOpaqueWhite);
  flatten_layer(flat, layer->image, kFullOpacity, int(BlendMode::Normal));
  copy_image_to_clipboard_24(flat);
  return true;
}

bool copy_current_layer_32(const Document& doc) {
  const Layer* layer = doc.current();
  if (!layer) return false;
  copy_image_to_clipboard_32(layer->image);
  return true;
}

bool copy_composite(const Document& doc) {
  LayerImage flat;
  if (!doc.flatten(flat, false)) return false;
  copy_image_to_clipboard_24(flat);
  return true;
}

bool open_from_clipboard(Document& doc, const MessageSink& show) {
  const std::optional<ClipboardSize> size = clipboard_image_size();
  if (!size) {
    if (show) show(kClipboardEmptyMessage);
    return false;
  }
  if (size->width > kMaxCanvasSide || size->height > kMaxCanvasSide) {
    if (show) show(too_large_image_message());
    return false;
  }
  // Built aside and swapped in only when complete, as a file is opened: a
  // failed allocation leaves the open document as it was.
  Document fresh;
  if (!fresh.new_canvas(size->width, size->height, true)) {
    if (show) show("ﾒﾓﾘの確保に失敗");
    return false;
  }
  paste_clipboard_24(fresh.current()->image);
  fresh.set_display_background(doc.display_background());
  fresh.composite_all();
  doc = std::move(fresh);
  return true;
}

EditResult paste_as_new_layer(Document& doc, bool transparent, bool record,
                              const MessageSink& show) {
  EditResult result;
  const std::optional<ClipboardSize> size = clipboard_image_size();
  if (!size) {
    if (show) show(kClipboardEmptyMessage);
    return result;
  }
  // A picture no document could hold is refused rather than silently cut.
  if (size->width > kMaxCanvasSide || size->height > kMaxCanvasSide) {
    if (show) show(too_large_image_message());
    return result;
  }
  if (!check_clipboard_image(transparent, show)) return result;
  result = doc.add_layer(false, record);
  if (!result) return result;
  LayerImage& image = doc.current()->image;
  if (transparent)
    paste_clipboard_32(image);
  else
    paste_clipboard_24(image);
  doc.composite_all();
  return result;
}

}  // namespace qm
