#include "paint/write_modes.h"

#include <algorithm>
#include <array>
#include <vector>

#include "paint/channel_vector.h"
#include "paint/over_rows.h"
#include "paint/random.h"
#include "paint/tool_table.h"

namespace qm {
namespace {

struct OpArgs {
  const LayerImage& raster;
  const MaskRules& masks;
  uint32_t colour;  // 0x00RRGGBB
};

constexpr Pixel with_alpha(uint32_t colour, uint32_t alpha) { return (alpha << 24) | (colour & 0xFFFFFF); }

// Each mode: whether the mask test and the texture apply, and what it does to
// a pixel that passed them with dab alpha a (1 … 255).
struct ReplaceOp {
  static constexpr bool kMasks = true, kTexture = true;
  static void apply(const OpArgs& o, Pixel& p, int, int, uint32_t a) { p = with_alpha(o.colour, a); }
};
// kOverRow: without masks and texture a span is one blend_over_row.
struct BlendOp {
  static constexpr bool kMasks = true, kTexture = true, kOverRow = true;
  static void apply(const OpArgs& o, Pixel& p, int, int, uint32_t a) { p = blend_over(p, o.colour, a); }
};
struct BlendAlphaLockOp {
  static constexpr bool kMasks = true, kTexture = true;
  static void apply(const OpArgs& o, Pixel& p, int, int, uint32_t a) {
    const Pixel out = blend_over(p, o.colour, a);
    p = o.masks.keeps_alpha() ? (out & 0xFFFFFF) | (p & 0xFF000000) : out;
  }
};
struct MaxOp {
  static constexpr bool kMasks = true, kTexture = true;
  static void apply(const OpArgs& o, Pixel& p, int, int, uint32_t a) {
    p = a >= alpha_of(p) ? with_alpha(o.colour, a) : p;
  }
};
struct SprayOp {
  static constexpr bool kMasks = true, kTexture = true;
  static void apply(const OpArgs& o, Pixel& p, int x, int y, uint32_t a) {
    std::mt19937& rng = shared_random();
    if ((rng() & 15) != 0) return;  // one pixel in sixteen
    MaxOp::apply(o, p, x, y, 1 + rng() % a);
  }
};
struct DodgeOp {
  static constexpr bool kMasks = true, kTexture = true;
  static void apply(const OpArgs&, Pixel& p, int, int, uint32_t a) { p = dodge_pixel(p, a); }
};
struct BurnOp {
  static constexpr bool kMasks = true, kTexture = true;
  static void apply(const OpArgs&, Pixel& p, int, int, uint32_t a) { p = burn_pixel(p, a); }
};
// The 3 × 3 mean, read from the raster being written: pixels of this dab
// already blurred count as they are now.
struct BlurOp {
  static constexpr bool kMasks = true, kTexture = true;
  static void apply(const OpArgs& o, Pixel& p, int x, int y, uint32_t) {
    uint64_t sum_a = 0, sum_r = 0, sum_g = 0, sum_b = 0;
    int n = 0;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        const Pixel q = o.raster.get_pixel_clamped(x + dx, y + dy);
        const uint32_t qa = alpha_of(q);
        if (o.masks.mask_mode == 1 && qa == 0) continue;
        if (o.masks.colour_mask_type == 1 && o.masks.lists(q)) continue;
        sum_a += qa;
        sum_r += uint64_t{red_of(q)} * qa;
        sum_g += uint64_t{green_of(q)} * qa;
        sum_b += uint64_t{blue_of(q)} * qa;
        ++n;
      }
    if (n == 0) return;
    const uint32_t mean_a = uint32_t((sum_a + uint64_t(n) / 2) / uint64_t(n));
    Pixel out = mean_a == 0 ? kTransparent
                            : make_pixel(mean_a, uint32_t(sum_r / sum_a), uint32_t(sum_g / sum_a),
                                         uint32_t(sum_b / sum_a));
    if (o.masks.keeps_alpha()) out = (out & 0xFFFFFF) | (p & 0xFF000000);
    p = out;
  }
};
struct EraseOp {
  static constexpr bool kMasks = true, kTexture = true;
  static void apply(const OpArgs&, Pixel& p, int, int, uint32_t a) { p = erase_pixel_by(p, a); }
};
struct OverOp {
  static constexpr bool kMasks = false, kTexture = false, kOverRow = true;
  static void apply(const OpArgs& o, Pixel& p, int, int, uint32_t a) { p = blend_over(p, o.colour, a); }
};
struct SetOp {
  static constexpr bool kMasks = true, kTexture = false;
  static void apply(const OpArgs& o, Pixel& p, int, int, uint32_t a) { p = with_alpha(o.colour, a); }
};

using SpanFn = void (*)(const PaintSurface&, int, int, int, const uint8_t*, uint32_t);

// The one loop. x … x + n − 1 lie inside the writable area.
template <class Op, bool kMasked>
void span_loop(const PaintSurface& s, int x0, int y, int n, const uint8_t* alpha, uint32_t colour) {
  const OpArgs args{*s.raster, s.masks, colour & 0xFFFFFF};
  Pixel* row = s.raster->row(y);
  const Pixel* ref = s.reference->row(y);
  const TextureView& tex = s.texture;
  const uint8_t* tex_row =
      Op::kTexture && tex.bytes ? tex.bytes + size_t(y % tex.height) * size_t(tex.width) : nullptr;
  if constexpr (requires { Op::kOverRow; }) {
    if (!kMasked && !tex_row) return blend_over_row(row + x0, alpha, n, args.colour);
  }
  for (int i = 0; i < n; ++i) {
    uint32_t a = alpha[i];
    if (a == 0) continue;
    const int x = x0 + i;
    if constexpr (kMasked) {
      if (is_protected(s.masks, ref[x])) continue;
    }
    if (tex_row) {
      a = a * tex_row[x % tex.width] / 255;
      if (a == 0) continue;
    }
    Op::apply(args, row[x], x, y, a);
  }
}

template <class Op>
constexpr std::array<SpanFn, 2> span_pair() {
  return {span_loop<Op, false>, span_loop<Op, Op::kMasks>};
}

// Index: write mode; [0] when no pixel can be protected, [1] otherwise.
constexpr std::array<std::array<SpanFn, 2>, kWriteModeCount> kSpanTable{{
    span_pair<ReplaceOp>(),
    span_pair<BlendOp>(),
    span_pair<BlendAlphaLockOp>(),
    span_pair<MaxOp>(),
    span_pair<SprayOp>(),
    span_pair<DodgeOp>(),
    span_pair<BurnOp>(),
    span_pair<BlurOp>(),
    span_pair<EraseOp>(),
    span_pair<OverOp>(),
    span_pair<SetOp>(),
}};

}  // namespace

Pixel blend_over_plain(Pixel dst, uint32_t colour, uint32_t alpha) {
  if (alpha == 255) return with_alpha(colour, 255);
  const uint32_t dst_a = alpha_of(dst);
  const std::array<double, 256>& unit = unit_fractions();
  const double sa = unit[alpha], da = unit[dst_a];
  const double out_a = sa + da - double(alpha * dst_a) / 65025.0;
  // Per channel: trunc((sa·c + da·(1 − sa)·d) / A' + 0.5).
  const double keep = da * (1 - sa);
  const Channels c = channels_of(colour), d = channels_of(dst);
  const Channels v{(sa * c.bg + keep * d.bg) / out_a + 0.5, (sa * c.r0 + keep * d.r0) / out_a + 0.5};
  return pixel_from(uint32_t(out_a * 255 + 0.5), v);
}

Pixel blend_over(Pixel dst, uint32_t colour, uint32_t alpha) {
  // Over an empty pixel the formula gives (colour, alpha) exactly; a test
  // checks every case.
  if (alpha_of(dst) == 0) return with_alpha(colour, alpha);
  return blend_over_plain(dst, colour, alpha);
}

Pixel dodge_pixel(Pixel dst, uint32_t alpha) {
  if (alpha >= 255) return dst | 0xFFFFFF;
  const uint32_t k = 255 - alpha;
  auto channel = [&](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + k / 2) / k); };
  return make_pixel(alpha_of(dst), channel(red_of(dst)), channel(green_of(dst)), channel(blue_of(dst)));
}

Pixel burn_pixel(Pixel dst, uint32_t alpha) {
  if (alpha >= 255) return dst & 0xFF000000;
  const uint32_t k = 255 - alpha;
  auto channel = [&](uint32_t c) { return 255 - std::min<uint32_t>(255, ((255 - c) * 255 + k / 2) / k); };
  return make_pixel(alpha_of(dst), channel(red_of(dst)), channel(green_of(dst)), channel(blue_of(dst)));
}

Pixel erase_pixel_by(Pixel dst, uint32_t alpha) {
  const int left = int(alpha_of(dst)) - int(alpha);
  return left > 0 ? (Pixel(left) << 24) | (dst & 0xFFFFFF) : kTransparent;
}

void write_span(const PaintSurface& surface, int x, int y, int n, const uint8_t* alpha,
                uint32_t colour) {
  const Rect area = surface.writable();
  if (n <= 0 || y < area.y || y >= area.bottom()) return;
  int first = std::max(x, area.x);
  const int last = std::min(int64_t{x} + n, int64_t{area.right()});
  if (first >= last) return;
  const int mode = std::clamp(surface.write_mode, 0, kWriteModeCount - 1);
  const SpanFn fn = kSpanTable[size_t(mode)][surface.masks.can_protect() ? 1 : 0];
  const bool reference_fits = surface.reference && surface.reference->width() == surface.raster->width() &&
                              surface.reference->height() == surface.raster->height();
  const bool texture_fits = !surface.texture.bytes || (surface.texture.width > 0 && surface.texture.height > 0);
  if (reference_fits && texture_fits) {
    fn(surface, first, y, last - first, alpha + (first - x), colour);
    return;
  }
  // Without a usable reference the masks judge the raster itself; a texture
  // without a size is none.
  PaintSurface s = surface;
  if (!reference_fits) s.reference = s.raster;
  if (!texture_fits) s.texture = {};
  fn(s, first, y, last - first, alpha + (first - x), colour);
}

void write_pixel(const PaintSurface& surface, int x, int y, Pixel argb) {
  const uint8_t alpha = alpha_of(argb);
  write_span(surface, x, y, 1, &alpha, argb & 0xFFFFFF);
}

void write_rect(const PaintSurface& surface, Rect r, uint8_t alpha, uint32_t colour) {
  r = intersect(r, surface.writable());
  if (r.empty()) return;
  static thread_local std::vector<uint8_t> row;
  row.assign(size_t(r.w), alpha);
  for (int y = r.y; y < r.bottom(); ++y) write_span(surface, r.x, y, r.w, row.data(), colour);
}

}  // namespace qm
