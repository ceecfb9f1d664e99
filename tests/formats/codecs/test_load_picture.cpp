#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <csignal>
#include <fcntl.h>

#include "codec_test_util.h"
#include "document/document.h"
#include "formats/bmp_codec.h"
#include "formats/gif_codec.h"
#include "formats/jpeg_encoder.h"
#include "formats/lineforge_document.h"
#include "formats/load_picture.h"
#include "formats/mapped_input.h"
#include "formats/native_document.h"
#include "formats/packed_record.h"
#include "formats/png_codec.h"

namespace qm {
namespace {

class LoadPictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(picture.create(30, 20));
    test::fill_photo(picture, 8);
  }
  test::ScratchDir dir;
  LayerImage picture;
};

TEST_F(LoadPictureTest, ChoosesTheDecoderByTheExtensionIgnoringCase) {
  ASSERT_TRUE(SavePng(dir.file("a.png"), picture, 6, false, 0x102030u));
  ASSERT_TRUE(SaveBmp(dir.file("a.BMP"), picture));
  ASSERT_TRUE(EncodeJpeg(dir.file("a.JPG"), picture, 95, false, 96));
  ASSERT_TRUE(EncodeJpeg(dir.file("b.jpeg"), picture, 95, false, 96));
  LayerImage img;
  PictureInfo info;
  ASSERT_TRUE(LoadPicture(dir.file("a.png"), img, &info));
  EXPECT_TRUE(test::same_pixels(img, picture));
  EXPECT_EQ(info.transparent, std::optional<uint32_t>(0x102030u));
  ASSERT_TRUE(LoadPicture(dir.file("a.BMP"), img, &info));
  EXPECT_TRUE(test::same_pixels(img, picture));
  EXPECT_FALSE(info.transparent.has_value());  // reset for every load
  ASSERT_TRUE(LoadPicture(dir.file("a.JPG"), img, &info));
  EXPECT_EQ(img.width(), 30);
  EXPECT_EQ(img.height(), 20);
  EXPECT_EQ(alpha_of(img.row(19)[29]), 255);
  EXPECT_TRUE(LoadPicture(dir.file("b.jpeg"), img));

  LayerImage gif_source;
  ASSERT_TRUE(gif_source.create(4, 4));
  gif_source.fill(0xFF00FF00u);
  ASSERT_TRUE(SaveGif(dir.file("c.Gif"), gif_source, 0x00FF00u));
  ASSERT_TRUE(LoadPicture(dir.file("c.Gif"), img, &info));
  EXPECT_EQ(info.transparent, std::optional<uint32_t>(0x00FF00u));

  LayerImage alpha;
  ASSERT_TRUE(alpha.create(3, 3));
  alpha.fill(0x80FF0000u);
  ASSERT_TRUE(SavePng(dir.file("d.png"), alpha, 6, true, std::nullopt));
  ASSERT_TRUE(LoadPicture(dir.file("d.png"), img, &info));
  EXPECT_TRUE(info.had_alpha);
  EXPECT_TRUE(test::same_pixels(img, alpha));
}

TEST_F(LoadPictureTest, TheContentIsNotExamined) {
  ASSERT_TRUE(SavePng(dir.file("a.png"), picture, 6, false, std::nullopt));
  std::filesystem::copy_file(dir.file("a.png"), dir.file("a.bmp"));
  std::filesystem::copy_file(dir.file("a.png"), dir.file("a.tif"));
  std::filesystem::copy_file(dir.file("a.png"), dir.file("noextension"));
  LayerImage img;
  PictureInfo info;
  info.had_alpha = true;
  EXPECT_EQ(load_picture_result(dir.file("a.bmp"), img, &info), LoadResult::WrongFormat);
  EXPECT_TRUE(img.empty());
  EXPECT_FALSE(info.had_alpha);
  EXPECT_FALSE(LoadPicture(dir.file("a.tif"), img));
  EXPECT_FALSE(LoadPicture(dir.file("noextension"), img));
  EXPECT_EQ(load_picture_result(dir.file("missing.png"), img, nullptr), LoadResult::CannotOpen);
  EXPECT_EQ(picture_extension("/some.dir/file"), "");
  EXPECT_EQ(picture_extension("x.tar.GZ"), "gz");
}

TEST_F(LoadPictureTest, LayeredDocumentsGiveTheirThumbnails) {
  Document doc;
  ASSERT_TRUE(doc.new_canvas(400, 100, true));
  doc.current()->image.fill(0xFF336699u);
  ASSERT_TRUE(SaveNativeDocument(dir.file("a.qmd"), doc, nullptr));
  LayerImage img;
  ASSERT_TRUE(LoadPicture(dir.file("a.qmd"), img));
  EXPECT_EQ(img.width(), 90);
  EXPECT_EQ(img.height(), 23);

  ASSERT_TRUE(SaveLineforgeDocument(dir.file("b.lfw"), doc, nullptr));
  ASSERT_TRUE(LoadPicture(dir.file("b.lfw"), img));
  EXPECT_GT(img.width(), 0);

  // Not a document of the format the name says.
  std::filesystem::copy_file(dir.file("b.lfw"), dir.file("c.qmd"));
  EXPECT_EQ(load_picture_result(dir.file("c.qmd"), img, nullptr), LoadResult::WrongFormat);
  EXPECT_EQ(load_picture_result(dir.file("missing.lfw"), img, nullptr), LoadResult::CannotOpen);
  std::filesystem::copy_file(dir.file("a.qmd"), dir.file("a.psd"));
  EXPECT_EQ(load_picture_result(dir.file("a.psd"), img, nullptr), LoadResult::WrongFormat);
}

TEST_F(LoadPictureTest, PhotoshopFilesGiveTheirStoredThumbnail) {
  QM_REQUIRE_CONFORMANCE();
  // A small document whose JPEG thumbnail (image resource 1036) is 101 × 55.
  LayerImage img;
  ASSERT_TRUE(LoadPicture((test::conformance_dir() / "psd-tools/psd_files/1layer2.psd").string(), img));
  EXPECT_EQ(img.width(), 101);
  EXPECT_EQ(img.height(), 55);
  EXPECT_EQ(alpha_of(img.row(54)[100]), 255);
}

// ------------------------------------------------------- packed records --

std::vector<uint8_t> packed_record(int w, int h, const std::vector<uint8_t>& bottom_up) {
  const std::vector<uint8_t> z = test::zlib_compress(bottom_up.data(), bottom_up.size());
  test::Bytes b;
  b.u16(uint32_t(w)).u16(uint32_t(h)).u32(uint32_t(z.size())).raw(z);
  return b.v;
}

TEST(PackedRecord, InflatesABottomUpPictureIntoADibImage) {
  // The icon sheet's size: 288 × 77, rows of 864 bytes, 66528 in all.
  const int w = 288, h = 77;
  const int stride = DibImage::stride_for(w);
  ASSERT_EQ(stride * h, 66528);
  std::vector<uint8_t> pixels(size_t(stride) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &pixels[size_t(y) * size_t(stride) + size_t(x) * 3];
      p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = 0x5A;  // B, G, R of stored row y (from the bottom)
    }
  const std::vector<uint8_t> rec = packed_record(w, h, pixels);
  DibImage img;
  ASSERT_TRUE(create_from_packed(img, rec.data(), rec.size()));
  ASSERT_EQ(img.width(), w);
  ASSERT_EQ(img.height(), h);
  EXPECT_EQ(img.get_pixel(5, 0), 0x5A0000u | uint32_t(h - 1) << 8 | 5u);  // top row = last stored
  EXPECT_EQ(img.get_pixel(7, h - 1), 0x5A0000u | 7u);

  // Cut short, a count past the end, too little data, and zero sizes all fail.
  EXPECT_FALSE(create_from_packed(img, rec.data(), rec.size() - 1));
  EXPECT_TRUE(img.empty());
  EXPECT_FALSE(create_from_packed(img, rec.data(), 7));
  std::vector<uint8_t> short_data = packed_record(w, h, std::vector<uint8_t>(pixels.begin(), pixels.end() - 1));
  EXPECT_FALSE(create_from_packed(img, short_data.data(), short_data.size()));
  std::vector<uint8_t> zero = rec;
  zero[0] = zero[1] = 0;
  EXPECT_FALSE(create_from_packed(img, zero.data(), zero.size()));
  std::vector<uint8_t> corrupt = rec;
  corrupt[20] ^= 0x55;
  EXPECT_FALSE(create_from_packed(img, corrupt.data(), corrupt.size()));
}

// Mapped input, as the command-line tool uses it. Each case runs in a child
// process, since turning it on is for the life of a program.
std::vector<uint8_t> counting_bytes(size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = uint8_t(i * 7 + (i >> 9));
  return bytes;
}

TEST(MappedInput, MapsTheWholeFileAndAFileCutShortEndsTheProgramWithTheGuardsMessage) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  test::ScratchDir dir;
  const std::string path = dir.file("big.bin");
  const std::vector<uint8_t> bytes = counting_bytes(size_t(3) << 20);
  test::write_file(path, bytes);
  EXPECT_EXIT(
      {
        enable_mapped_input("input cut short\n", 42);
        FileBytes file;
        if (read_whole_file(path, file) != LoadResult::Success || !file.mapped()) std::_Exit(1);
        if (file.size() != bytes.size() || std::memcmp(file.data(), bytes.data(), bytes.size()) != 0)
          std::_Exit(2);
        if (::truncate(path.c_str(), 4096) != 0) std::_Exit(3);
        volatile uint8_t past_the_end = file.data()[bytes.size() - 1];
        (void)past_the_end;
        std::_Exit(4);
      },
      ::testing::ExitedWithCode(42), "input cut short");
}

TEST(MappedInput, LeavesOtherBusErrorsFatalAndSmallOrSpecialFilesRead) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  test::ScratchDir dir;
  const std::string path = dir.file("other.bin");
  test::write_file(path, counting_bytes(8192));
  test::write_file(dir.file("empty.bin"), {});
  EXPECT_EXIT(
      {
        enable_mapped_input("not ours\n", 42);
        FileBytes file;
        // An empty file is read (there is nothing to map); a missing one is not.
        if (read_whole_file(dir.file("empty.bin"), file) != LoadResult::Success || file.mapped() ||
            file.size() != 0)
          std::_Exit(1);
        if (read_whole_file(dir.file("missing.bin"), file) != LoadResult::CannotOpen) std::_Exit(2);
        // A mapping the guard does not know about.
        const int fd = ::open(path.c_str(), O_RDONLY);
        auto* p = static_cast<const volatile uint8_t*>(::mmap(nullptr, 8192, PROT_READ, MAP_SHARED, fd, 0));
        if (p == MAP_FAILED || ::truncate(path.c_str(), 0) != 0) std::_Exit(3);
        (void)p[8191];
        std::_Exit(4);
      },
      ::testing::KilledBySignal(SIGBUS), "");
}

}  // namespace
}  // namespace qm
