// LoadPsd: the document builder behind the PSD parser, and the blend-key and
// name conversions the reader and writer share.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// One row of pixels from its colour planes and, when there is one, its
// transparency plane (else opaque); a pixel of alpha 0 is kTransparent.
void interleave_row(const uint8_t* red, const uint8_t* green, const uint8_t* blue,
                    const uint8_t* alpha, Pixel* out, size_t n) {
  size_t x = 0;
#if defined(__SSE2__)
  const __m128i opaque = _mm_set1_epi8(char(0xFF));
  const __m128i transparent = _mm_set1_epi32(int(kTransparent));
  const __m128i zero = _mm_setzero_si128();
  for (; x + 16 <= n; x += 16) {
    const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(red + x));
    const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(green + x));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blue + x));
    const __m128i a = alpha ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(alpha + x)) : opaque;
    // Bytes B, G, R, A in memory.
    const __m128i bg_lo = _mm_unpacklo_epi8(b, g), bg_hi = _mm_unpackhi_epi8(b, g);
    const __m128i ra_lo = _mm_unpacklo_epi8(r, a), ra_hi = _mm_unpackhi_epi8(r, a);
    __m128i p[4] = {_mm_unpacklo_epi16(bg_lo, ra_lo), _mm_unpackhi_epi16(bg_lo, ra_lo),
                    _mm_unpacklo_epi16(bg_hi, ra_hi), _mm_unpackhi_epi16(bg_hi, ra_hi)};
    for (int k = 0; k < 4; ++k) {
      if (alpha) {
        const __m128i clear = _mm_cmpeq_epi32(_mm_srli_epi32(p[k], 24), zero);
        p[k] = _mm_or_si128(_mm_andnot_si128(clear, p[k]), _mm_and_si128(clear, transparent));
      }
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x + 4 * size_t(k)), p[k]);
    }
  }
#endif
  for (; x < n; ++x) {
    const uint32_t a = alpha ? alpha[x] : 255u;
    out[x] = a == 0 ? kTransparent : a << 24 | uint32_t(red[x]) << 16 | uint32_t(green[x]) << 8 | blue[x];
  }
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
    // Sized once: layer() fills the slots while pixels() reads others.
    try {
      layers_.assign(size_t(std::max(layer_count, 0)), Placed{});
    } catch (const std::bad_alloc&) {
      return kPsdOutOfMemory;
    }
    if (progress_) progress_->set_range(layer_count);
    return kPsdOk;
  }

  int layer(int index, const PsdLayerRecord& rec) override {
    if (index < 0 || index >= int(layers_.size())) return kPsdFormat;
    Placed placed;
    placed.area = intersect(Rect{rec.left, rec.top, int(rec.width()), int(rec.height())}, doc_.bounds());
    // A layer over the whole canvas is usually written whole by its colour
    // channels; it is cleared only when they turn out not to be all there.
    LayerImage image;
    if (!image.create_canvas(doc_.width(), doc_.height())) return kPsdOutOfMemory;
    placed.cleared = placed.area != doc_.bounds();
    if (placed.cleared) image.fill(kTransparent);
    // A flat file's layer takes the default name a new layer would get.
    placed.layer = doc_.adopt_layer(std::move(image), rec.from_merged_image);
    if (!placed.layer) return kPsdOutOfMemory;
    if (!rec.from_merged_image) placed.layer->name = record_name(rec);
    placed.layer->blend_mode = uint8_t(psd_blend_mode(rec.blend_key));
    placed.layer->opacity = layer_opacity_from_psd(rec.opacity);
    placed.layer->flags = rec.hidden ? 0 : kLayerVisible;
    layers_[size_t(index)] = placed;
    return kPsdOk;
  }

  // Touches only its own layer's pixels, so layers may be filled at once.
  int pixels(int index, const PsdPlane (&planes)[4], bool had_alpha) override {
    if (index < 0 || index >= int(layers_.size())) return kPsdFormat;
    const Placed placed = layers_[size_t(index)];
    if (!placed.layer) return kPsdFormat;
    const Rect area = placed.area;
    const uint8_t* channel[4] = {};
    for (int c = 0; c < 4; ++c) {
      if (!planes[c].bytes) continue;
      // The parser's planes cover the layer's area on the canvas.
      if (planes[c].area != area || planes[c].stride != size_t(area.w)) return kPsdFormat;
      channel[c] = planes[c].bytes;
    }
    const uint8_t* const red = channel[0];
    const uint8_t* const green = channel[1];
    const uint8_t* const blue = channel[2];
    const uint8_t* const alpha = had_alpha ? channel[3] : nullptr;
    const bool whole = red && green && blue && (alpha || !had_alpha);
    LayerImage& image = placed.layer->image;
    if (!whole && !placed.cleared) image.fill(kTransparent);
    // A layer without a transparency channel (a background, most flat
    // layers) is opaque over its rectangle.
    const size_t w = size_t(area.w);
    for (int y = 0; y < area.h; ++y) {
      Pixel* row = image.row(area.y + y) + area.x;
      const size_t at = size_t(y) * w;
      if (whole) {
        interleave_row(red + at, green + at, blue + at, alpha ? alpha + at : nullptr, row, w);
        continue;
      }
      for (size_t x = 0; x < w; ++x) {
        Pixel p = row[x];
        if (red) p = (p & 0xFF00FFFFu) | uint32_t(red[at + x]) << 16;
        if (green) p = (p & 0xFFFF00FFu) | uint32_t(green[at + x]) << 8;
        if (blue) p = (p & 0xFFFFFF00u) | blue[at + x];
        if (alpha) p = (p & 0x00FFFFFFu) | uint32_t(alpha[at + x]) << 24;
        if (!had_alpha) p |= 0xFF000000u;
        row[x] = alpha_of(p) == 0 ? kTransparent : p;
      }
    }
    return kPsdOk;
  }

  int layer_done(int) override {
    if (progress_) progress_->step();
    return kPsdOk;
  }

 private:
  // A layer made for the file, where its pixels go and whether they are
  // already kTransparent rather than zero.
  struct Placed {
    Layer* layer = nullptr;
    Rect area;
    bool cleared = false;
  };
  Document& doc_;
  ProgressSink* progress_;
  LoadLimits limits_;
  // By layer number, sized by begin(); each slot is filled on the parsing
  // thread before the layer's pixels() reads it.
  std::vector<Placed> layers_;
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
