// Writes the benchmarks' own inputs to files for the peer programs of
// compare.sh: photo.ppm (the codec benchmarks' 4000² picture), maze.ppm
// (the fill benchmarks' maze), events.txt (x y pressure per pointer event)
// and dabs.txt (x y per dab centre); photo.bmp (24-bit) and photo.png (RGBA)
// for the command-line rows.
#include <cstdio>
#include <string>
#include <vector>

#include "bench_document.h"
#include "compare_inputs.h"
#include "formats/bmp_codec.h"
#include "formats/native_document.h"
#include "formats/png_codec.h"
#include "photo_image.h"

namespace {

using namespace qm;

bool write_ppm(const std::string& path, const LayerImage& img) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f, "P6\n%d %d\n255\n", img.width(), img.height());
  std::vector<uint8_t> row(size_t(img.width()) * 3);
  for (int y = 0; y < img.height(); ++y) {
    const Pixel* p = img.row(y);
    for (int x = 0; x < img.width(); ++x) {
      row[size_t(x) * 3] = red_of(p[x]);
      row[size_t(x) * 3 + 1] = green_of(p[x]);
      row[size_t(x) * 3 + 2] = blue_of(p[x]);
    }
    std::fwrite(row.data(), 1, row.size(), f);
  }
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_compare_inputs <folder>\n");
    return 2;
  }
  const std::string dir = argv[1];
  LayerImage img;
  img.create(4000, 4000);
  test::fill_photo(img, 1);
  if (!write_ppm(dir + "/photo.ppm", img)) return 1;
  if (!SaveBmp(dir + "/photo.bmp", img) || !SavePng(dir + "/photo.png", img, 6, true, std::nullopt))
    return 1;
  bench::draw_maze(img);
  if (!write_ppm(dir + "/maze.ppm", img)) return 1;
  FILE* ev = std::fopen((dir + "/events.txt").c_str(), "w");
  if (!ev) return 1;
  for (const bench::StrokeEvent& e : bench::stroke_events()) std::fprintf(ev, "%.17g %.17g %.17g\n", e.x, e.y, e.pressure);
  std::fclose(ev);
  FILE* dabs = std::fopen((dir + "/dabs.txt").c_str(), "w");
  if (!dabs) return 1;
  for (const PointF& p : bench::stroke_dab_positions()) std::fprintf(dabs, "%.17g %.17g\n", p.x, p.y);
  std::fclose(dabs);
  // The save and load benchmarks' document, for loading in a fresh process.
  if (!SaveNativeDocument(dir + "/layers.qmd", bench::bench_document(), nullptr)) return 1;
  return 0;
}
