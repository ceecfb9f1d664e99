#include "panels/palette_panel_edit.h"

#include <algorithm>
#include <tuple>

#include "core/colour.h"

namespace qm {

namespace {
int channel(uint32_t c, int shift) { return int((c >> shift) & 0xFF); }
bool valid(int i) { return i >= 0 && i < kPaletteColours; }
}  // namespace

void palette_ramp(Palette& p, int first, int last) {
  if (!valid(first) || !valid(last)) return;
  if (first > last) std::swap(first, last);
  const int n = last - first;
  if (n == 0) return;
  const uint32_t c0 = p[size_t(first)], c1 = p[size_t(last)];
  for (int i = 0; i <= n; ++i) {
    uint32_t out = 0;
    for (int shift : {16, 8, 0}) {
      const int a = channel(c0, shift), b = channel(c1, shift);
      out |= uint32_t(a + (b - a) * i / n) << shift;
    }
    p[size_t(first + i)] = out;
  }
}

void palette_insert(Palette& p, int at) { palette_insert_between(p, at, at); }
void palette_delete(Palette& p, int at) { palette_delete_between(p, at, at); }

void palette_insert_between(Palette& p, int a, int b) {
  if (!valid(a) || !valid(b)) return;
  if (a > b) std::swap(a, b);
  const int n = b - a + 1;
  std::copy_backward(p.begin() + a, p.end() - n, p.end());
  std::fill(p.begin() + a, p.begin() + a + n, kPaletteUnused);
}

void palette_delete_between(Palette& p, int a, int b) {
  if (!valid(a) || !valid(b)) return;
  if (a > b) std::swap(a, b);
  const int n = b - a + 1;
  std::copy(p.begin() + b + 1, p.end(), p.begin() + a);
  std::fill(p.end() - n, p.end(), kPaletteUnused);
}

std::optional<uint32_t> parse_rgb_text(std::string_view text) {
  int values[3];
  int found = 0;
  size_t i = 0;
  while (i < text.size() && found < 3) {
    if (text[i] < '0' || text[i] > '9') {
      ++i;
      continue;
    }
    int v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
      v = std::min(v * 10 + (text[i] - '0'), 256);  // stays small for any length
    values[found++] = std::min(v, 255);
  }
  if (found < 3) return std::nullopt;
  return uint32_t(values[0]) << 16 | uint32_t(values[1]) << 8 | uint32_t(values[2]);
}

void palette_sort_hsv(Palette& p) {
  auto key = [](uint32_t c) {
    const Hsv h = rgb_to_hsv(c);
    const bool unused = c == kPaletteUnused;
    const bool grey = h.s == 0;
    return std::tuple(unused, !grey, grey ? 0 : h.h, h.s, h.v);
  };
  std::stable_sort(p.begin(), p.end(), [&](uint32_t a, uint32_t b) { return key(a) < key(b); });
}

}  // namespace qm
