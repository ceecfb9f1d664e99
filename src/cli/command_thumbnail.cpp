#include "cli/command_thumbnail.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "core/resample.h"
#include "formats/binary_file.h"
#include "formats/lineforge_document.h"
#include "formats/load_picture.h"
#include "formats/native_document.h"
#include "formats/png_codec.h"
#include "formats/psd_document.h"
#include "formats/thumbnail.h"

namespace qm::cli {

namespace {

// Larger than any size a file manager asks for (1024 at most).
constexpr int kMaxThumbnailSize = 2048;

// Exit codes, as the other commands use them.
constexpr int kExitWriteFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCannotOpen = 12;
constexpr int kExitNoThumbnail = 13;

int usage(const char* message) {
  std::fprintf(stderr, "quillmark2-cli: %s (usage: thumbnail IN OUT.png SIZE)\n", message);
  return kExitUsage;
}

enum class Kind { Native, Lineforge, Psd, Other };

// By content, not by name: a file manager may hand over any name.
bool sniff(const std::string& path, Kind& kind) {
  BinaryFile f;
  if (!f.open_read(path)) return false;
  char head[8] = {};
  const size_t n = f.read(head, sizeof head);
  auto starts = [&](std::string_view magic) {
    return n >= magic.size() && std::memcmp(head, magic.data(), magic.size()) == 0;
  };
  kind = starts(kNativeMagic)      ? Kind::Native
         : starts(kLineforgeMagic) ? Kind::Lineforge
         : starts(kPsdSignature)   ? Kind::Psd
                                   : Kind::Other;
  return true;
}

// Plain pictures may carry transparency; a thumbnail shows them on white.
void flatten_onto_white(LayerImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    Pixel* row = image.row(y);
    for (int x = 0; x < image.width(); ++x) {
      const uint32_t a = alpha_of(row[x]);
      auto mix = [a](uint32_t c) { return (c * a + 255 * (255 - a) + 127) / 255; };
      row[x] = make_pixel(255, mix(red_of(row[x])), mix(green_of(row[x])), mix(blue_of(row[x])));
    }
  }
}

bool load_thumbnail(const std::string& path, Kind kind, LayerImage& image) {
  bool ok = false;
  switch (kind) {
    case Kind::Native: ok = LoadNativeThumbnail(path, image); break;
    case Kind::Lineforge: ok = LoadLineforgeThumbnail(path, image); break;
    case Kind::Psd: ok = LoadPsdThumbnail(path, image); break;
    case Kind::Other:
      ok = LoadPicture(path, image);
      if (ok) flatten_onto_white(image);
      return ok && !image.empty();
  }
  // The fourth byte of a stored thumbnail is not defined: they are opaque.
  if (ok && !image.empty()) image.set_alpha_rect(0, 0, image.width(), image.height(), 255);
  return ok && !image.empty();
}

// The longer side becomes `box`, the other is scaled and rounded half up.
ThumbnailSize fit(int width, int height, int box) {
  const bool wide = width >= height;
  const int64_t longer = wide ? width : height, shorter = wide ? height : width;
  const int other = int(std::max<int64_t>(1, (shorter * 2 * box + longer) / (2 * longer)));
  return wide ? ThumbnailSize{box, other} : ThumbnailSize{other, box};
}

}  // namespace

int run_thumbnail(const std::vector<std::string>& args) {
  if (args.size() != 3) return usage("thumbnail takes IN, OUT and SIZE");
  const std::string& size_text = args[2];
  int size = 0;
  for (char c : size_text) {
    if (c < '0' || c > '9' || size > kMaxThumbnailSize) return usage("SIZE must be a number from 1 to 2048");
    size = size * 10 + (c - '0');
  }
  if (size < 1 || size > kMaxThumbnailSize) return usage("SIZE must be a number from 1 to 2048");

  const std::string& in = args[0];
  Kind kind = Kind::Other;
  if (!sniff(in, kind)) {
    std::fprintf(stderr, "quillmark2-cli: cannot open '%s'\n", in.c_str());
    return kExitCannotOpen;
  }
  LayerImage stored;
  if (!load_thumbnail(in, kind, stored)) {
    std::fprintf(stderr, "quillmark2-cli: '%s' holds no thumbnail that can be read\n", in.c_str());
    return kExitNoThumbnail;
  }

  const ThumbnailSize target = fit(stored.width(), stored.height(), size);
  LayerImage out;
  bool ok = false;
  if (target.width <= stored.width() && target.height <= stored.height()) {
    ok = out.create(target.width, target.height);
    if (ok) box_stretch(stored, out);
  } else {
    ok = resample(stored, out, target.width, target.height, ResampleMethod::Bilinear);
  }
  if (!ok || !SavePng(args[1], out, 6, false, std::nullopt)) {
    std::fprintf(stderr, "quillmark2-cli: cannot write '%s'\n", args[1].c_str());
    return kExitWriteFailed;
  }
  return 0;
}

}  // namespace qm::cli
