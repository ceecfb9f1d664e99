// LoadPsd: the document builder behind the PSD parser, and the blend-key and
// name conversions the reader and writer share.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

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
    for (bool& kept : kept_) kept = false;
    return kPsdOk;
  }

  int channel(int number, const PsdPlane& plane) override {
    if (!layer_ || plane.area.empty()) return kPsdOk;
    const int channel = number & 3;
    if (plane.area == area_) {
      // Kept until the layer is done, then all channels go in at once.
      std::vector<uint8_t>& kept = planes_[channel];
      try {
        kept.resize(size_t(area_.w) * size_t(area_.h));
      } catch (const std::bad_alloc&) {
        return kPsdOutOfMemory;
      }
      for (int r = 0; r < area_.h; ++r)
        std::memcpy(kept.data() + size_t(r) * size_t(area_.w), plane.bytes + size_t(r) * plane.stride,
                    size_t(area_.w));
      kept_[channel] = true;
      return kPsdOk;
    }
    // Pixels are B, G, R, A in memory.
    static constexpr int kByteOf[4] = {2, 1, 0, 3};
    const int byte = kByteOf[channel];
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
    const size_t w = size_t(area_.w);
    for (int y = 0; y < area_.h; ++y) {
      Pixel* row = layer_->image.row(area_.y + y) + area_.x;
      const size_t at = size_t(y) * w;
      const uint8_t* red = kept_[0] ? planes_[0].data() + at : nullptr;
      const uint8_t* green = kept_[1] ? planes_[1].data() + at : nullptr;
      const uint8_t* blue = kept_[2] ? planes_[2].data() + at : nullptr;
      const uint8_t* alpha = kept_[3] && had_alpha ? planes_[3].data() + at : nullptr;
      if (red && green && blue) {
        for (size_t x = 0; x < w; ++x) {
          const uint32_t a = alpha ? alpha[x] : had_alpha ? alpha_of(row[x]) : 255u;
          const Pixel p = a << 24 | uint32_t(red[x]) << 16 | uint32_t(green[x]) << 8 | blue[x];
          row[x] = a == 0 ? kTransparent : p;
        }
        continue;
      }
      for (size_t x = 0; x < w; ++x) {
        Pixel p = row[x];
        if (red) p = (p & 0xFF00FFFFu) | uint32_t(red[x]) << 16;
        if (green) p = (p & 0xFFFF00FFu) | uint32_t(green[x]) << 8;
        if (blue) p = (p & 0xFFFFFF00u) | blue[x];
        if (alpha) p = (p & 0x00FFFFFFu) | uint32_t(alpha[x]) << 24;
        if (!had_alpha) p |= 0xFF000000u;
        row[x] = alpha_of(p) == 0 ? kTransparent : p;
      }
    }
    for (bool& kept : kept_) kept = false;
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
  // The layer's channels over area_, R, G, B, A, row after row.
  std::vector<uint8_t> planes_[4];
  bool kept_[4] = {};
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
