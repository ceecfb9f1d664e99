// quillmark2-cli thumbnail: the size it fits to, the stored thumbnail it
// reads (by content), and its failures.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "doc_test_util.h"
#include "formats/lineforge_document.h"
#include "formats/native_document.h"
#include "formats/png_codec.h"

namespace qm {
namespace {

using test::ScratchDir;

int thumbnail(const std::string& in, const std::string& out, const std::string& size) {
  const std::string cmd = std::string("'") + QM_CLI_PATH + "' thumbnail '" + in + "' '" + out + "' '" +
                          size + "' 2>/dev/null";
  const int status = std::system(cmd.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A tall document: red top half, blue bottom half.
std::unique_ptr<Document> tall_document() {
  auto doc = test::make_document(100, 400, 1);
  LayerImage& image = doc->layer_at(0)->image;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.row(y)[x] = y < 200 ? 0xFFFF0000 : 0xFF0000FF;
  return doc;
}

TEST(CliThumbnail, FitsTheLongerSideToSizeFromTheStoredThumbnail) {
  ScratchDir dir;
  const auto doc = tall_document();
  ASSERT_TRUE(SaveNativeDocument(dir.file("tall.qmd"), *doc, nullptr));
  ASSERT_TRUE(SaveLineforgeDocument(dir.file("tall.lfw"), *doc, nullptr));
  struct Case {
    std::string in;
    const char* size;
    int width, height;
    Pixel top = 0xFFFF0000, bottom = 0xFF0000FF;
  };
  // The .qmd stores 23 x 90: 23 x 45 / 90 = 11.5 rounds up to 12. The .lfw
  // preview is the whole 100 x 400 canvas: 11.25 rounds to 11; at 1 x 1 the
  // two halves average.
  for (const Case& c : {Case{"tall.qmd", "45", 12, 45}, Case{"tall.qmd", "180", 46, 180},
                        Case{"tall.lfw", "45", 11, 45}, Case{"tall.lfw", "1", 1, 1, 0xFF800080, 0xFF800080}}) {
    SCOPED_TRACE(c.in + " at " + c.size);
    ASSERT_EQ(thumbnail(dir.file(c.in), dir.file("out.png"), c.size), 0);
    LayerImage png;
    ASSERT_TRUE(LoadPng(dir.file("out.png"), png));
    EXPECT_EQ(png.width(), c.width);
    EXPECT_EQ(png.height(), c.height);
    // The top row stays on top.
    EXPECT_EQ(png.row(0)[0], c.top);
    EXPECT_EQ(png.row(png.height() - 1)[0], c.bottom);
  }
}

TEST(CliThumbnail, ChoosesTheReaderByContentAndIgnoresTheStoredFourthByte) {
  ScratchDir dir;
  // A 2 x 2 stored thumbnail whose fourth bytes are 0 (the stretch that
  // made it leaves them undefined): bottom row green, top row red.
  test::NativeFileSpec spec;
  spec.thumb_w = spec.thumb_h = 2;
  spec.thumb_pixels = {0, 255, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 0, 255, 0};
  spec.layers.resize(1);
  // Named like a PNG, as a file manager's temporary copy may be.
  test::write_file(dir.file("document.png"), test::native_file(spec));
  ASSERT_EQ(thumbnail(dir.file("document.png"), dir.file("out.png"), "4"), 0);
  LayerImage png;
  ASSERT_TRUE(LoadPng(dir.file("out.png"), png));
  ASSERT_EQ(png.width(), 4);
  EXPECT_EQ(png.row(0)[0], 0xFFFF0000u);
  EXPECT_EQ(png.row(3)[3], 0xFF00FF00u);
}

TEST(CliThumbnail, RejectsBadArgumentsAndReportsUnreadableInput) {
  ScratchDir dir;
  ASSERT_TRUE(SaveNativeDocument(dir.file("doc.qmd"), *tall_document(), nullptr));
  for (const char* size : {"0", "2049", "12a", "", "99999999999"})
    EXPECT_EQ(thumbnail(dir.file("doc.qmd"), dir.file("out.png"), size), 2) << size;
  EXPECT_EQ(thumbnail(dir.file("missing.qmd"), dir.file("out.png"), "64"), 12);
  test::write_file(dir.file("text.qmd"), {'n', 'o', 't', ' ', 'a', ' ', 'd', 'o', 'c'});
  EXPECT_EQ(thumbnail(dir.file("text.qmd"), dir.file("out.png"), "64"), 13);
  // A native file cut inside its thumbnail has none to give.
  std::vector<uint8_t> cut = test::read_file(dir.file("doc.qmd"));
  cut.resize(40);
  test::write_file(dir.file("cut.qmd"), cut);
  EXPECT_EQ(thumbnail(dir.file("cut.qmd"), dir.file("out.png"), "64"), 13);
  EXPECT_EQ(thumbnail(dir.file("doc.qmd"), dir.file("no/such/folder/out.png"), "64"), 1);
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.png")));
}

}  // namespace
}  // namespace qm
