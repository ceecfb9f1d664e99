// The command-line tool's convert and flatten with the flat picture formats,
// run as a separate process.
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include "codec_test_util.h"
#include "document/document.h"
#include "formats/load_picture.h"
#include "formats/native_document.h"
#include "formats/png_codec.h"

namespace qm {
namespace {

int cli(const std::vector<std::string>& args) {
  std::string cmd = test::shell_quote(QM_CLI_PATH);
  for (const auto& a : args) {
    cmd += ' ';
    cmd += test::shell_quote(a);
  }
  cmd += " >/dev/null 2>&1";
  const int status = std::system(cmd.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class CliFlat : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(doc.new_canvas(40, 30, true));
    test::fill_photo(doc.current()->image, 3);
    doc.current()->image.fill_rect(0, 0, 10, 10, kTransparent);
    ASSERT_TRUE(SaveNativeDocument(dir.file("a.qmd"), doc, nullptr));
    ASSERT_TRUE(doc.flatten(white, false));
  }
  test::ScratchDir dir;
  Document doc;
  LayerImage white;
};

TEST_F(CliFlat, ConvertWritesEveryFlatFormat) {
  for (const std::string ext : {"png", "bmp", "gif", "jpg", "jpeg"}) {
    SCOPED_TRACE(ext);
    const std::string out = dir.file("b." + ext);
    ASSERT_EQ(cli({"convert", dir.file("a.qmd"), out}), 0);
    LayerImage img;
    ASSERT_TRUE(LoadPicture(out, img));
    ASSERT_EQ(img.width(), 40);
    ASSERT_EQ(img.height(), 30);
    // Lossless formats give the picture flattened onto white (GIF after its
    // reduction to 256 colours, so only the white corner is compared).
    if (ext == "png" || ext == "bmp") {
      EXPECT_TRUE(test::same_pixels(img, white));
    }
    EXPECT_EQ(img.row(2)[2], 0xFFFFFFFFu);
  }
}

TEST_F(CliFlat, FlattenOptionsReachTheWriters) {
  ASSERT_EQ(cli({"flatten", "--alpha", dir.file("a.qmd"), dir.file("alpha.png")}), 0);
  LayerImage img;
  PictureInfo info;
  ASSERT_TRUE(LoadPicture(dir.file("alpha.png"), img, &info));
  EXPECT_TRUE(info.had_alpha);
  EXPECT_EQ(img.row(0)[0], kTransparent);

  ASSERT_EQ(cli({"flatten", "--transparent", "FFFFFF", dir.file("a.qmd"), dir.file("t.gif")}), 0);
  ASSERT_TRUE(LoadPicture(dir.file("t.gif"), img, &info));
  EXPECT_EQ(info.transparent, std::optional<uint32_t>(0xFFFFFFu));

  ASSERT_EQ(cli({"flatten", "--quality", "40", "--subsample", dir.file("a.qmd"), dir.file("s.jpg")}), 0);
  const std::vector<uint8_t> jpg = test::read_file(dir.file("s.jpg"));
  tjhandle tj = tjInitDecompress();
  int w = 0, h = 0, sub = -1, cs = 0;
  ASSERT_EQ(tjDecompressHeader3(tj, jpg.data(), jpg.size(), &w, &h, &sub, &cs), 0);
  tjDestroy(tj);
  EXPECT_EQ(sub, TJSAMP_420);
  ASSERT_EQ(cli({"flatten", "--quality", "40", dir.file("a.qmd"), dir.file("big.jpg")}), 0);
  EXPECT_GT(test::read_file(dir.file("big.jpg")).size(), jpg.size());

  // Options that the output format does not take are usage errors.
  EXPECT_EQ(cli({"flatten", "--subsample", dir.file("a.qmd"), dir.file("x.png")}), 2);
  EXPECT_EQ(cli({"flatten", "--alpha", dir.file("a.qmd"), dir.file("x.gif")}), 2);
  EXPECT_EQ(cli({"flatten", "--transparent", "12345", dir.file("a.qmd"), dir.file("x.gif")}), 2);
  EXPECT_EQ(cli({"flatten", "--transparent", "123456", dir.file("a.qmd"), dir.file("x.bmp")}), 2);
  EXPECT_FALSE(std::filesystem::exists(dir.file("x.gif")));
}

TEST_F(CliFlat, PicturesOpenAsOneLayerDocuments) {
  ASSERT_TRUE(SavePng(dir.file("p.png"), white, 6, false, std::nullopt));
  ASSERT_EQ(cli({"convert", dir.file("p.png"), dir.file("p.qmd")}), 0);
  Document back;
  ASSERT_EQ(LoadNativeDocument(dir.file("p.qmd"), back, nullptr), LoadResult::Success);
  ASSERT_EQ(back.layer_count(), 1);
  EXPECT_TRUE(test::same_pixels(back.layer_at(0)->image, white));
  // A damaged picture exits with 10 + its load result.
  test::write_file(dir.file("bad.png"), {1, 2, 3});
  EXPECT_EQ(cli({"convert", dir.file("bad.png"), dir.file("q.qmd")}), 10 + int(LoadResult::WrongFormat));
}

}  // namespace
}  // namespace qm
