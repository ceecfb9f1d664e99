// Palettes from other files: .qml, Adobe colour swatches (.aco) and pictures.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <vector>

#include "formats/binary_file.h"
#include "formats/load_picture.h"
#include "formats/palette_store.h"

namespace qm {
namespace {

std::string lower_extension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = char(std::tolower(uint8_t(c)));
  return ext;
}

bool read_qml(const std::string& path, Palette& out) {
  BinaryFile f;
  uint8_t version = 0;
  uint16_t n = 0;
  if (!f.open_read(path) || !f.CheckMagic(kPaletteFileMagic) || !f.read_u8(version) ||
      version != 0)
    return false;
  out = white_palette();
  if (f.read_u16(n)) palette_detail::read_colours(f, out, std::min<size_t>(n, kPaletteColours));
  return true;
}

// Only the first section (the one whose header starts the file) is read:
// Photoshop writes a version 1 section and then the same colours with names.
bool read_aco(const std::string& path, Palette& out) {
  BinaryFile f;
  uint16_t version = 0, count = 0;
  if (!f.open_read(path) || !f.read_u16_be(version) || (version != 1 && version != 2)) return false;
  out = white_palette();
  if (!f.read_u16_be(count)) return true;
  for (int i = 0; i < std::min<int>(count, kPaletteColours); ++i) {
    uint16_t space = 0, c[4] = {};
    if (!f.read_u16_be(space) || !f.read_u16_be(c[0]) || !f.read_u16_be(c[1]) ||
        !f.read_u16_be(c[2]) || !f.read_u16_be(c[3]))
      break;
    out[size_t(i)] = aco_colour(space, c);
    if (version == 2) {
      uint16_t units = 0;
      if (!f.skip(2) || !f.read_u16_be(units) || !f.skip(int64_t{units} * 2)) break;
    }
  }
  return true;
}

int to_byte(double v) { return int(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5); }

uint32_t rgb(double r, double g, double b) {
  return uint32_t(to_byte(r)) << 16 | uint32_t(to_byte(g)) << 8 | uint32_t(to_byte(b));
}

uint32_t from_hsb(double h, double s, double v) {
  h = std::fmod(h, 360.0) / 60.0;
  const int sector = int(h);
  const double f = h - sector;
  const double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
  switch (sector) {
    case 0: return rgb(v, t, p);
    case 1: return rgb(q, v, p);
    case 2: return rgb(p, v, t);
    case 3: return rgb(p, q, v);
    case 4: return rgb(t, p, v);
    default: return rgb(v, p, q);
  }
}

// CIE L*a*b* (D50, as Photoshop's swatches hold it) to sRGB.
uint32_t from_lab(double l, double a, double b) {
  const double fy = (l + 16) / 116, fx = fy + a / 500, fz = fy - b / 200;
  auto finv = [](double t) { return t > 6.0 / 29 ? t * t * t : 3 * (6.0 / 29) * (6.0 / 29) * (t - 4.0 / 29); };
  const double x = 0.9642 * finv(fx), y = finv(fy), z = 0.8249 * finv(fz);
  // XYZ (D50) to linear sRGB through the Bradford-adapted matrix.
  const double lr = 3.1338561 * x - 1.6168667 * y - 0.4906146 * z;
  const double lg = -0.9787684 * x + 1.9161415 * y + 0.0334540 * z;
  const double lb = 0.0719453 * x - 0.2289914 * y + 1.4052427 * z;
  auto gamma = [](double c) { return c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055; };
  return rgb(gamma(lr), gamma(lg), gamma(lb));
}

}  // namespace

uint32_t aco_colour(uint16_t space, const uint16_t (&c)[4]) {
  switch (space) {
    case 1:  // HSB: hue 0 … 65535 over the circle, saturation and brightness 0 … 65535
      return from_hsb(c[0] * 360.0 / 65536.0, c[1] / 65535.0, c[2] / 65535.0);
    case 2: {  // CMYK: 0 is full ink, 65535 none
      const double k = c[3] / 65535.0;
      return rgb(c[0] / 65535.0 * k, c[1] / 65535.0 * k, c[2] / 65535.0 * k);
    }
    case 7:  // Lab: L 0 … 10000, a and b signed −12800 … 12700, hundredths
      return from_lab(c[0] / 100.0, int16_t(c[1]) / 100.0, int16_t(c[2]) / 100.0);
    case 8: {  // greyscale: 0 … 10000 of black ink
      const double grey = 1.0 - std::min(c[0], uint16_t(10000)) / 10000.0;
      return rgb(grey, grey, grey);
    }
  }
  return uint32_t(c[0] >> 8) << 16 | uint32_t(c[1] >> 8) << 8 | uint32_t(c[2] >> 8);
}

bool ImportPalette(const std::string& path, PaletteStore& store, int index) {
  if (!store.valid_index(index)) return false;
  const std::string ext = lower_extension(path);
  Palette palette;
  bool ok = false;
  if (ext == "qml") ok = read_qml(path, palette);
  else if (ext == "aco") ok = read_aco(path, palette);
  if (!ok) return false;
  store.palette(index) = palette;
  store.set_modified(true);
  return true;
}

bool PaletteFromPicture(const LayerImage& picture, PaletteStore& store, int index) {
  if (!store.valid_index(index)) return false;
  Palette palette = white_palette();
  std::vector<uint64_t> seen(size_t(1) << 18, 0);  // one bit per 24-bit colour
  size_t n = 0;
  for (int y = picture.height() - 1; y >= 0 && n < palette.size(); --y) {
    const Pixel* row = picture.row(y);
    for (int x = 0; x < picture.width() && n < palette.size(); ++x) {
      const uint32_t c = row[x] & 0x00FFFFFFu;
      uint64_t& word = seen[c >> 6];
      const uint64_t bit = uint64_t{1} << (c & 63);
      if (word & bit) continue;
      word |= bit;
      palette[n++] = c;
    }
  }
  store.palette(index) = palette;
  store.set_modified(true);
  return true;
}

bool palette_from_picture_file(const std::string& path, PaletteStore& store, int index) {
  LayerImage picture;
  return store.valid_index(index) && LoadPicture(path, picture) && PaletteFromPicture(picture, store, index);
}

}  // namespace qm
