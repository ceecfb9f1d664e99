// LoadPsd: the document builder behind the PSD parser, and the blend-key and
// name conversions the reader and writer share.
#include <algorithm>
#include <cstring>

#include "document/blend_modes.h"
#include "formats/layer_name.h"
#include "formats/psd_parser.h"

namespace qm {
namespace {

// Indexed by our blend mode; "" where PSD has no key we use.
constexpr const char* kBlendKeys[kBlendModeCount] = {
    "norm", "mul ", "", "", "scrn", "over", "sLit", "hLit", "div ", "idiv", "",
    "", "", "", "diff", "lite", "dark", "hue ", "sat ", "colr", "lum "};

// The layer name from a record: the Unicode block when there is one, else
// the length-prefixed name in the legacy code page.
std::string record_name(const PsdLayerRecord& rec) {
  if (rec.has_unicode_name) return rec.unicode_name;
  return fit_layer_name(legacy_to_utf8(rec.name.substr(0, rec.name.find('\0'))));
}

class DocumentBuilder final : public PsdEvents {
 public:
  DocumentBuilder(Document& doc, ProgressSink* progress, const LoadLimits& limits)
      : doc_(doc), progress_(progress), limits_(limits) {}

  int begin(int width, int height, int layer_count) override {
    if (width > limits_.max_side || height > limits_.max_side) return kPsdTooLarge;
    if (layer_count > limits_.max_layers || layer_count > kMaxLayers ||
        !limits_.allows_pixels(width, height, layer_count))
      return kPsdOutOfMemory;
    if (!doc_.new_canvas(width, height, false)) return kPsdOutOfMemory;
    if (progress_) progress_->set_range(layer_count);
    return kPsdOk;
  }

  int layer(const PsdLayerRecord& rec) override {
    // A flat file's layer takes the default name a new layer would get.
    layer_ = doc_.create_layer(rec.from_merged_image);
    if (!layer_) return kPsdOutOfMemory;
    if (!rec.from_merged_image) layer_->name = record_name(rec);
    layer_->blend_mode = uint8_t(psd_blend_mode(rec.blend_key));
    layer_->opacity = layer_opacity_from_psd(rec.opacity);
    layer_->flags = rec.hidden ? 0 : kLayerVisible;
    area_ = intersect(Rect{rec.left, rec.top, int(rec.width()), int(rec.height())}, doc_.bounds());
    return kPsdOk;
  }

  int channel(int number, const PsdPlane& plane) override {
    if (!layer_ || plane.area.empty()) return kPsdOk;
    // Pixels are B, G, R, A in memory.
    static constexpr int kByteOf[4] = {2, 1, 0, 3};
    const int byte = kByteOf[number & 3];
    LayerImage& image = layer_->image;
    for (int r = 0; r < plane.area.h; ++r) {
      const uint8_t* src = plane.bytes + size_t(r) * plane.stride;
      uint8_t* dst = reinterpret_cast<uint8_t*>(image.row(plane.area.y + r) + plane.area.x) + byte;
      for (int x = 0; x < plane.area.w; ++x) dst[size_t(x) * 4] = src[x];
    }
    return kPsdOk;
  }

  int layer_done(bool had_alpha) override {
    if (!layer_) return kPsdOk;
    // A layer without a transparency channel (a background, most flat
    // layers) is opaque over its rectangle.
    if (!had_alpha) layer_->image.set_alpha_rect(area_.x, area_.y, area_.w, area_.h, 255);
    for (int y = area_.y; y < area_.bottom(); ++y) {
      Pixel* row = layer_->image.row(y);
      for (int x = area_.x; x < area_.right(); ++x)
        if (alpha_of(row[x]) == 0) row[x] = kTransparent;
    }
    layer_ = nullptr;
    if (progress_) progress_->step();
    return kPsdOk;
  }

 private:
  Document& doc_;
  ProgressSink* progress_;
  LoadLimits limits_;
  Layer* layer_ = nullptr;
  Rect area_;
};

}  // namespace

PsdBlendKey psd_blend_key(int mode) {
  const char* key = mode >= 0 && mode < kBlendModeCount && kBlendKeys[mode][0] ? kBlendKeys[mode]
                                                                              : kBlendKeys[0];
  return {key[0], key[1], key[2], key[3]};
}

int psd_blend_mode(const PsdBlendKey& key) {
  for (int mode = 0; mode < kBlendModeCount; ++mode)
    if (kBlendKeys[mode][0] && std::memcmp(kBlendKeys[mode], key.data(), 4) == 0) return mode;
  return 0;
}

LoadResult LoadPsd(const std::string& path, Document& doc, ProgressSink* progress,
                   const LoadLimits& limits) {
  DocumentBuilder builder(doc, progress, limits);
  const int status = parse_psd(path, builder);
  if (status != kPsdOk) return load_result_from_psd(status);
  doc.set_name_counter(doc.layer_count());
  doc.select(0);
  return LoadResult::Success;
}

}  // namespace qm
