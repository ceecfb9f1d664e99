// quillmark2-cli end to end: exit codes, messages and the files it writes.
#include <gtest/gtest.h>

#include "../formats/magick_reference.h"
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>

#include "doc_test_util.h"
#include "formats/lineforge_document.h"
#include "formats/native_document.h"

namespace qm {
namespace {

using test::ScratchDir;

struct CliRun {
  int code = -1;
  std::string out, err;
};

std::string shell_quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

CliRun cli(const ScratchDir& dir, const std::vector<std::string>& args) {
  std::string cmd = shell_quote(QM_CLI_PATH);
  for (const auto& a : args) cmd.append(" ").append(shell_quote(a));
  const std::string out = dir.file("stdout.txt"), err = dir.file("stderr.txt");
  cmd.append(" >").append(shell_quote(out)).append(" 2>").append(shell_quote(err));
  const int status = std::system(cmd.c_str());
  CliRun r;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  auto text = [](const std::string& p) {
    const auto b = test::read_file(p);
    return std::string(b.begin(), b.end());
  };
  r.out = text(out);
  r.err = text(err);
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return r;
}

int lines(const std::string& s) { return int(std::count(s.begin(), s.end(), '\n')); }

// The pixels of a PNG written by the tool, decoded here independently of
// the program's codec: 8-bit greyscale, RGB, palette or RGBA, any filter.
struct Png {
  uint32_t width = 0, height = 0;
  std::vector<Pixel> pixels;  // rows top first, 0xAARRGGBB
};

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

int paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

bool read_png(const std::string& path, Png& png) {
  const std::vector<uint8_t> f = test::read_file(path);
  if (f.size() < 8 || std::memcmp(f.data(), "\x89PNG\r\n\x1a\n", 8) != 0) return false;
  std::vector<uint8_t> idat, palette, trns;
  int type = -1;
  size_t at = 8;
  bool ended = false;
  while (at + 12 <= f.size() && !ended) {
    const uint32_t len = be32(&f[at]);
    const std::string kind(reinterpret_cast<const char*>(&f[at + 4]), 4);
    if (at + 12 + len > f.size()) return false;
    const uint8_t* data = &f[at + 8];
    if (be32(data + len) != uint32_t(crc32(crc32(0, nullptr, 0), &f[at + 4], len + 4))) return false;
    if (kind == "IHDR") {
      png.width = be32(data);
      png.height = be32(data + 4);
      if (data[8] != 8 || data[12] != 0) return false;  // 8 bits, not interlaced
      type = data[9];
    } else if (kind == "PLTE") {
      palette.assign(data, data + len);
    } else if (kind == "tRNS") {
      trns.assign(data, data + len);
    } else if (kind == "IDAT") {
      idat.insert(idat.end(), data, data + len);
    } else if (kind == "IEND") {
      ended = true;
    }
    at += 12 + len;
  }
  const int bpp = type == 0 ? 1 : type == 2 ? 3 : type == 3 ? 1 : type == 6 ? 4 : 0;
  if (!ended || bpp == 0) return false;
  const size_t row = size_t(png.width) * size_t(bpp);
  std::vector<uint8_t> raw = test::zlib_uncompress(idat, (row + 1) * png.height);
  if (raw.size() != (row + 1) * png.height) return false;
  std::vector<uint8_t> prev(row, 0), cur(row);
  for (uint32_t y = 0; y < png.height; ++y) {
    const uint8_t filter = raw[y * (row + 1)];
    const uint8_t* in = &raw[y * (row + 1) + 1];
    for (size_t i = 0; i < row; ++i) {
      const int a = i >= size_t(bpp) ? cur[i - size_t(bpp)] : 0, b = prev[i];
      const int c = i >= size_t(bpp) ? prev[i - size_t(bpp)] : 0;
      const int pred = filter == 0 ? 0 : filter == 1 ? a : filter == 2 ? b
                     : filter == 3 ? (a + b) / 2 : filter == 4 ? paeth(a, b, c) : -1;
      if (pred < 0) return false;
      cur[i] = uint8_t(in[i] + pred);
    }
    for (uint32_t x = 0; x < png.width; ++x) {
      const uint8_t* p = &cur[x * size_t(bpp)];
      Pixel px;
      if (type == 0) {
        px = make_pixel(255, p[0], p[0], p[0]);
      } else if (type == 2) {
        px = make_pixel(255, p[0], p[1], p[2]);
      } else if (type == 6) {
        px = make_pixel(p[3], p[0], p[1], p[2]);
      } else {
        if (size_t(p[0]) * 3 + 2 >= palette.size()) return false;
        const uint8_t* e = &palette[size_t(p[0]) * 3];
        px = make_pixel(p[0] < trns.size() ? trns[p[0]] : 255, e[0], e[1], e[2]);
      }
      png.pixels.push_back(px);
    }
    std::swap(prev, cur);
  }
  return true;
}

std::unique_ptr<Document> sample_document() {
  auto doc = test::make_document(40, 30, 3, 11);
  Layer& top = *doc->layer_at(0);
  top.name = "線 \"ink\"";
  top.blend_mode = 1;
  top.opacity = 64;
  top.mask_mode = 3;
  top.flags = kLayerVisible | kLayerFillReference;
  doc->layer_at(1)->flags = 0;
  doc->select(2);
  return doc;
}

TEST(Cli, HelpAndUsageErrors) {
  ScratchDir dir;
  CliRun r = cli(dir, {"--help"});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("usage: quillmark2-cli"), std::string::npos);
  EXPECT_NE(r.out.find("flatten IN OUT.png"), std::string::npos);
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"frobnicate", "x"},
                                             {"info"},
                                             {"info", "--bogus", "x.qmd"},
                                             {"convert", "a.qmd"},
                                             {"convert", "--level", "10", "a.qmd", "b.png"},
                                             {"convert", "--level"},
                                             {"convert", "a.qmd", "b.txt"},
                                             {"convert", "--level", "3", "a.qmd", "b.lfw"},
                                             {"convert", "--quality", "90", "a.qmd", "b.qmd"},
                                             {"flatten", "a.qmd", "b.qmd"}}) {
    r = cli(dir, args);
    EXPECT_EQ(r.code, 2) << ::testing::PrintToString(args);
    EXPECT_EQ(lines(r.err), 1) << r.err;  // one clear line
    EXPECT_EQ(r.err.rfind("quillmark2-cli: ", 0), 0u) << r.err;
  }
}

TEST(Cli, InfoListsEveryLayerOnALine) {
  ScratchDir dir;
  auto doc = sample_document();
  ASSERT_TRUE(SaveNativeDocument(dir.file("a.qmd"), *doc, nullptr));
  const CliRun r = cli(dir, {"info", dir.file("a.qmd")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("format: native document (.qmd)\n"), std::string::npos);
  EXPECT_NE(r.out.find("canvas: 40 x 30\n"), std::string::npos);
  EXPECT_NE(r.out.find("layers: 3 (current 2, name counter 3)\n"), std::string::npos);
  EXPECT_NE(r.out.find("layer 0: name=\"線 \\\"ink\\\"\" blend=1 (Multiply) opacity=64 (50%) "
                       "visible=yes mask=alpha fill-reference\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("layer 1: name=\"ﾚｲﾔ1\" blend=0 (Nornal) opacity=128 (100%) visible=no "
                       "mask=none\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("layer 2: name=\"ﾚｲﾔ0\" blend=0 (Nornal) opacity=128 (100%) visible=yes "
                       "mask=none current\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(lines(r.out), 4 + 3);
}

TEST(Cli, InfoNamesFlatPictureFormats) {
  QM_REQUIRE_MAGICK();
  ScratchDir dir;
  const std::string src = dir.file("src.png");
  ASSERT_TRUE(test::magick("-size 9x5 -seed 1 plasma:fractal " + test::quoted(src)));
  const struct {
    const char* file;
    const char* options;
    const char* format;
  } cases[] = {
      {"a.png", "-alpha set -depth 8 PNG32:", "format: PNG, 8-bit RGBA\n"},
      {"b.png", "-colors 7 PNG8:", "format: PNG, 8-bit palette\n"},
      {"c.gif", "-colors 4 ", "format: GIF89a, 2-bit palette\n"},
      {"d.bmp", "-colors 40 -type Palette -compress RLE BMP3:", "format: BMP, 8-bit palette, RLE8\n"},
      {"e.jpg", "-colorspace CMYK ", "format: JPEG, 8-bit CMYK\n"},
      {"f.jpg", "-colorspace Gray ", "format: JPEG, 8-bit greyscale\n"},
  };
  for (const auto& c : cases) {
    const std::string path = dir.file(c.file);
    ASSERT_TRUE(test::magick(test::quoted(src) + " " + c.options + test::quoted(path))) << c.file;
    const CliRun r = cli(dir, {"info", path});
    ASSERT_EQ(r.code, 0) << c.file << r.err;
    EXPECT_NE(r.out.find(c.format), std::string::npos) << r.out;
  }
}

TEST(Cli, LoadFailuresCarryTheLoadResult) {
  ScratchDir dir;
  CliRun r = cli(dir, {"info", dir.file("missing.qmd")});
  EXPECT_EQ(r.code, 12);
  EXPECT_NE(r.err.find("cannot open the file (load result 2)"), std::string::npos) << r.err;
  EXPECT_EQ(lines(r.err), 1);

  test::write_file(dir.file("text.qmd"), {'n', 'o', 't', ' ', 'a', ' ', 'd', 'o', 'c'});
  r = cli(dir, {"convert", dir.file("text.qmd"), dir.file("out.qmd")});
  EXPECT_EQ(r.code, 13);
  EXPECT_NE(r.err.find("(load result 3)"), std::string::npos);

  auto doc = sample_document();
  ASSERT_TRUE(SaveNativeDocument(dir.file("a.qmd"), *doc, nullptr));
  std::vector<uint8_t> f = test::read_file(dir.file("a.qmd"));
  f.resize(f.size() - 10);
  test::write_file(dir.file("cut.qmd"), f);
  r = cli(dir, {"flatten", dir.file("cut.qmd"), dir.file("out.png")});
  EXPECT_EQ(r.code, 15);
  EXPECT_NE(r.err.find("damaged data (load result 5)"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.png")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.qmd")));
}

TEST(Cli, ConvertBetweenDocumentFormats) {
  ScratchDir dir;
  auto doc = sample_document();
  ASSERT_TRUE(SaveNativeDocument(dir.file("a.qmd"), *doc, nullptr));
  CliRun r = cli(dir, {"convert", dir.file("a.qmd"), dir.file("b.LFW")});
  ASSERT_EQ(r.code, 0) << r.err;
  auto lfw = std::make_unique<Document>();
  ASSERT_EQ(LoadLineforgeDocument(dir.file("b.LFW"), *lfw, nullptr), LoadResult::Success);
  EXPECT_EQ(lfw->layer_count(), 3);
  EXPECT_EQ(lfw->layer_at(0)->name, "線 \"ink\"");

  // Native to native keeps everything.
  r = cli(dir, {"convert", dir.file("a.qmd"), dir.file("c.qmd")});
  ASSERT_EQ(r.code, 0) << r.err;
  auto back = std::make_unique<Document>();
  ASSERT_EQ(LoadNativeDocument(dir.file("c.qmd"), *back, nullptr), LoadResult::Success);
  test::expect_same_document(*doc, *back);

  // A target that cannot be written: exit 1, the old file stays.
  std::filesystem::create_directory(dir.file("folder.qmd"));
  r = cli(dir, {"convert", dir.file("a.qmd"), dir.file("folder.qmd")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(lines(r.err), 1);
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder.qmd")));
}

TEST(Cli, FlattenWritesTheCompositeAsPng) {
  ScratchDir dir;
  auto doc = sample_document();
  ASSERT_TRUE(SaveNativeDocument(dir.file("a.qmd"), *doc, nullptr));
  LayerImage white, alpha;
  ASSERT_TRUE(doc->flatten(white, false));
  ASSERT_TRUE(doc->flatten(alpha, true));

  CliRun r = cli(dir, {"flatten", dir.file("a.qmd"), dir.file("white.png")});
  ASSERT_EQ(r.code, 0) << r.err;
  Png png;
  ASSERT_TRUE(read_png(dir.file("white.png"), png));
  ASSERT_EQ(png.width, 40u);
  ASSERT_EQ(png.height, 30u);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
      ASSERT_EQ(png.pixels[size_t(y * 40 + x)], white.row(y)[x] | 0xFF000000) << x << "," << y;

  r = cli(dir, {"flatten", "--alpha", "--level", "0", dir.file("a.qmd"), dir.file("alpha.png")});
  ASSERT_EQ(r.code, 0) << r.err;
  Png with_alpha;
  ASSERT_TRUE(read_png(dir.file("alpha.png"), with_alpha));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const Pixel want = alpha.row(y)[x], got = with_alpha.pixels[size_t(y * 40 + x)];
      // A fully transparent pixel keeps no colour worth comparing.
      if (alpha_of(want) == 0) ASSERT_EQ(alpha_of(got), 0) << x << "," << y;
      else ASSERT_EQ(got, want) << x << "," << y;
    }

  // convert to .png flattens onto white as well.
  r = cli(dir, {"convert", "--level", "9", dir.file("a.qmd"), dir.file("c.png")});
  ASSERT_EQ(r.code, 0) << r.err;
  Png c;
  ASSERT_TRUE(read_png(dir.file("c.png"), c));
  EXPECT_EQ(c.pixels, png.pixels);
}

}  // namespace
}  // namespace qm
