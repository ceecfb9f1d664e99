// Writes the first-frame benchmark's document: a native document of the
// given size with the given number of layers, each holding smooth colour
// and alpha ramps over part of the canvas (so compositing and inflating do
// real work, as with a painted picture).
//
// usage: make_first_frame_document OUT.qmd [WIDTH HEIGHT LAYERS]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "document/document.h"
#include "formats/native_document.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 5) {
    std::fprintf(stderr, "usage: %s OUT.qmd [WIDTH HEIGHT LAYERS]\n", argv[0]);
    return 2;
  }
  const int w = argc == 5 ? std::atoi(argv[2]) : 4000;
  const int h = argc == 5 ? std::atoi(argv[3]) : 4000;
  const int layers = argc == 5 ? std::atoi(argv[4]) : 10;
  qm::Document doc;
  if (!doc.new_canvas(w, h, true)) return 1;
  while (doc.layer_count() < layers)
    if (!doc.create_layer(true)) return 1;
  for (int i = 0; i < layers; ++i) {
    qm::LayerImage& image = doc.layer_at(i)->image;
    // Layer i covers a band of rows; the bottom layer is opaque paper.
    const int y0 = i == layers - 1 ? 0 : h * i / (layers + 1);
    const int y1 = i == layers - 1 ? h : y0 + h / 2;
    for (int y = 0; y < h; ++y) {
      qm::Pixel* row = image.row(y);
      for (int x = 0; x < w; ++x) {
        if (y < y0 || y >= y1) {
          row[x] = qm::kTransparent;
          continue;
        }
        const uint32_t r = uint32_t(x * 255 / w), g = uint32_t(y * 255 / h), b = uint32_t(i * 25);
        const uint32_t a = i == layers - 1 ? 255 : 64 + uint32_t((x + y) % 192);
        row[x] = a << 24 | r << 16 | g << 8 | b;
      }
    }
  }
  if (!qm::SaveNativeDocument(argv[1], doc, nullptr)) return 1;
  std::printf("%s: %d x %d, %d layers\n", argv[1], w, h, layers);
  return 0;
}
