// BinaryFile, the zlib streams and safe saving.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "fault_injection.h"
#include "format_test_util.h"
#include "formats/binary_file.h"
#include "formats/safe_write.h"
#include "formats/zlib_stream.h"

namespace qm {
namespace {

using test::Bytes;
using test::ScratchDir;

struct CountingSink : ProgressSink {
  int64_t range = -1, position = -1;
  int steps = 0, position_calls = 0;
  void set_range(int64_t m) override { range = m; }
  void step() override { ++steps; }
  void set_position(int64_t p) override {
    EXPECT_GE(p, position);  // never goes back
    position = p;
    ++position_calls;
  }
};

TEST(BinaryFile, FixedWidthValuesInBothByteOrders) {
  ScratchDir dir;
  const std::string path = dir.file("values.bin");
  {
    BinaryFile f;
    ASSERT_TRUE(f.open_write(path));
    EXPECT_TRUE(f.write_u8(0xAB) && f.write_u16(0x1234) && f.write_u32(0xDEADBEEF) &&
                f.write_u16_be(0x1234) && f.write_u32_be(0xDEADBEEF));
    EXPECT_TRUE(f.write_string("MAGIC") && f.write_crlf() && f.write_key_value("Size", -12) &&
                f.write_key_string("Name", "abc") && f.write_key_hex("Colour", 0xff00a0));
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(f.close());  // idempotent
  }
  const std::vector<uint8_t> expected =
      Bytes()
          .u8(0xAB).u16(0x1234).u32(0xDEADBEEF)
          .u8(0x12).u8(0x34).u8(0xDE).u8(0xAD).u8(0xBE).u8(0xEF)
          .str("MAGIC\r\nSize=-12\r\nName=abc\r\nColour=ff00a0\r\n")
          .v;
  EXPECT_EQ(test::read_file(path), expected);

  BinaryFile f;
  ASSERT_TRUE(f.open_read(path));
  EXPECT_EQ(f.size(), int64_t(expected.size()));
  uint8_t b;
  uint16_t s;
  uint32_t w;
  ASSERT_TRUE(f.read_u8(b) && f.read_u16(s));
  EXPECT_EQ(b, 0xAB);
  EXPECT_EQ(s, 0x1234);
  ASSERT_TRUE(f.read_u32(w));
  EXPECT_EQ(w, 0xDEADBEEFu);
  ASSERT_TRUE(f.read_u16_be(s) && f.read_u32_be(w));
  EXPECT_EQ(s, 0x1234);
  EXPECT_EQ(w, 0xDEADBEEFu);
  EXPECT_EQ(f.tell(), 13);
  EXPECT_TRUE(f.CheckMagic("MAGIC"));
  EXPECT_TRUE(f.seek(13));
  EXPECT_FALSE(f.CheckMagic("MAGIK"));
  // A read past the end gives what there is and fails the typed readers.
  ASSERT_TRUE(f.seek(-1, BinaryFile::Origin::End));
  EXPECT_EQ(f.remaining(), 1);
  EXPECT_FALSE(f.read_u16(s));
  EXPECT_FALSE(f.CheckMagic("x"));
}

TEST(BinaryFile, MissingFilesAndFoldersDoNotOpen) {
  ScratchDir dir;
  BinaryFile f;
  EXPECT_FALSE(f.open_read(dir.file("nothing.qmd")));
  EXPECT_FALSE(f.open_read(dir.path().string()));
  EXPECT_FALSE(f.is_open());
  uint8_t b;
  EXPECT_EQ(f.read(&b, 1), 0u);
  EXPECT_FALSE(f.write_u8(1));
}

TEST(BinaryFile, CreateNewRefusesAnExistingFile) {
  ScratchDir dir;
  const std::string path = dir.file("a");
  test::write_file(path, {1, 2, 3});
  BinaryFile f;
  EXPECT_FALSE(f.create_new(path));
  EXPECT_EQ(test::read_file(path), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(BinaryFile, SetEndOfFileCutsAtThePosition) {
  ScratchDir dir;
  BinaryFile f;
  ASSERT_TRUE(f.open_write(dir.file("t")));
  f.write_u32(0x01020304);
  f.write_u32(0x05060708);
  ASSERT_TRUE(f.seek(3));
  ASSERT_TRUE(f.set_end_of_file());
  EXPECT_EQ(f.size(), 3);
  EXPECT_TRUE(f.close());
  EXPECT_EQ(test::read_file(dir.file("t")), (std::vector<uint8_t>{4, 3, 2}));
}

TEST(BinaryFile, AFailedWriteStaysFailedAndCloseReportsIt) {
  ScratchDir dir;
  BinaryFile f;
  ASSERT_TRUE(f.open_write(dir.file("t")));
  std::vector<uint8_t> big(256 * 1024, 7);
  {
    test::FileSizeLimit limit(1000);
    // The buffer may hide the failure from this call; the close must not.
    f.write(big.data(), big.size());
    f.write_u8(1);
    EXPECT_FALSE(f.close());
  }
}

// --- zlib streams ---------------------------------------------------------

std::vector<uint8_t> deflated(const std::string& path) { return test::read_file(path); }

TEST(ZlibStream, DeflateToFileRoundTripsThroughZlibAndReportsProgress) {
  ScratchDir dir;
  std::vector<uint8_t> data(100000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t((i * 7) ^ (i >> 5));
  BinaryFile f;
  ASSERT_TRUE(f.open_write(dir.file("z")));
  CountingSink sink;
  const uint64_t z = DeflateToFile(f, data.data(), data.size(), 6, &sink);
  ASSERT_TRUE(f.close());
  const std::vector<uint8_t> stream = deflated(dir.file("z"));
  EXPECT_EQ(z, stream.size());
  EXPECT_EQ(sink.range, int64_t(data.size()));
  EXPECT_EQ(sink.position, int64_t(data.size()));
  // A zlib header for window bits 15 and level 6: 0x78 0x9C.
  ASSERT_GE(stream.size(), 2u);
  EXPECT_EQ(stream[0], 0x78);
  EXPECT_EQ(stream[1], 0x9C);
  EXPECT_EQ(test::zlib_uncompress(stream, data.size()), data);
  // Level 6 through an 8192-byte buffer gives zlib's own one-shot bytes.
  EXPECT_EQ(stream, test::zlib_compress(data.data(), data.size(), 6));
}

TEST(ZlibStream, EmptyInputGivesAValidEmptyStream) {
  ScratchDir dir;
  BinaryFile f;
  ASSERT_TRUE(f.open_write(dir.file("z")));
  const uint64_t z = DeflateToFile(f, nullptr, 0, -1, nullptr);
  ASSERT_TRUE(f.close());
  EXPECT_GT(z, 0u);
  ASSERT_TRUE(f.open_read(dir.file("z")));
  uint8_t out[4] = {9, 9, 9, 9};
  EXPECT_TRUE(InflateFromFile(f, out, sizeof out, z));
  EXPECT_EQ(out[0], 9);
}

// Rows fed bottom-up must give the same stream as the flipped buffer fed
// whole: the layer writer relies on it to compress straight from the raster.
TEST(ZlibStream, BottomUpRowsEqualTheFlippedBuffer) {
  ScratchDir dir;
  LayerImage image;
  ASSERT_TRUE(image.create(37, 23));
  test::fill_artwork(image, 5);
  std::vector<uint8_t> flipped;
  for (int y = image.height() - 1; y >= 0; --y) {
    auto row = reinterpret_cast<const uint8_t*>(image.row(y));
    flipped.insert(flipped.end(), row, row + image.width() * 4);
  }
  BinaryFile f;
  ASSERT_TRUE(f.open_write(dir.file("rows")));
  const uint64_t z = DeflateRowsToFile(f, bottom_up_rows(std::as_const(image)), 6, nullptr);
  ASSERT_TRUE(f.close());
  const std::vector<uint8_t> stream = deflated(dir.file("rows"));
  EXPECT_EQ(z, stream.size());
  EXPECT_EQ(stream, test::zlib_compress(flipped.data(), flipped.size(), 6));

  LayerImage back;
  ASSERT_TRUE(back.create(37, 23));
  ASSERT_TRUE(f.open_read(dir.file("rows")));
  EXPECT_TRUE(InflateRowsFromFile(f, bottom_up_rows(back), z));
  EXPECT_TRUE(test::same_pixels(image, back));
}

TEST(ZlibStream, InflateJudgesShortCorruptAndOverfullStreams) {
  ScratchDir dir;
  std::vector<uint8_t> data(20000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 131 >> 3);
  const std::vector<uint8_t> z = test::zlib_compress(data.data(), data.size());
  const std::string path = dir.file("z");
  // The stream followed by unrelated bytes that must not be read.
  test::write_file(path, Bytes().raw(z).str("TAIL").v);
  std::vector<uint8_t> out(data.size());
  BinaryFile f;

  ASSERT_TRUE(f.open_read(path));
  EXPECT_TRUE(InflateFromFile(f, out.data(), out.size(), z.size()));
  EXPECT_EQ(out, data);
  EXPECT_LE(f.tell(), int64_t(z.size()));  // never past the compressed bytes

  // Cut short: the size says less than the stream needs.
  ASSERT_TRUE(f.open_read(path));
  EXPECT_FALSE(InflateFromFile(f, out.data(), out.size(), z.size() - 5));
  // More data than the destination holds.
  ASSERT_TRUE(f.open_read(path));
  EXPECT_FALSE(InflateFromFile(f, out.data(), out.size() - 1, z.size()));
  // A destination larger than the data: accepted, the rest left alone.
  std::vector<uint8_t> larger(data.size() + 10, 0xEE);
  ASSERT_TRUE(f.open_read(path));
  EXPECT_TRUE(InflateFromFile(f, larger.data(), larger.size(), z.size()));
  EXPECT_EQ(larger.back(), 0xEE);
  // Corrupt bytes in the middle.
  std::vector<uint8_t> bad = z;
  for (size_t i = 10; i < 40; ++i) bad[i] ^= 0x5A;
  test::write_file(path, bad);
  ASSERT_TRUE(f.open_read(path));
  EXPECT_FALSE(InflateFromFile(f, out.data(), out.size(), bad.size()));

  EXPECT_TRUE(InflateBuffer(out.data(), out.size(), z.data(), z.size()));
  EXPECT_FALSE(InflateBuffer(out.data(), out.size(), z.data(), z.size() / 2));
  EXPECT_FALSE(InflateBuffer(out.data(), 100, z.data(), z.size()));
  EXPECT_FALSE(InflateBuffer(out.data(), out.size(), "garbage", 7));
}

TEST(ZlibStream, OneInflaterServesManyBuffers) {
  Inflater inflater;
  ASSERT_TRUE(inflater.ready());
  for (int round = 0; round < 3; ++round) {
    std::vector<uint8_t> data(4096, uint8_t(round * 40));
    data[100] = 1;
    const auto z = test::zlib_compress(data.data(), data.size());
    std::vector<uint8_t> out(4096);
    EXPECT_TRUE(inflater.inflate(out.data(), out.size(), z.data(), z.size()));
    EXPECT_EQ(out, data);
    // A failure leaves it usable for the next buffer.
    EXPECT_FALSE(inflater.inflate(out.data(), out.size(), z.data(), 3));
  }
}

TEST(ZlibStream, AFailedWriteIsReportedAsZeroBytes) {
  ScratchDir dir;
  std::vector<uint8_t> data(1 << 20);
  std::mt19937 rng(1);
  for (auto& b : data) b = uint8_t(rng());
  BinaryFile f;
  ASSERT_TRUE(f.open_write(dir.file("z")));
  test::FileSizeLimit limit(5000);
  const uint64_t z = DeflateToFile(f, data.data(), data.size(), 6, nullptr);
  const bool closed = f.close();
  EXPECT_TRUE(z == 0 || !closed);  // caught either at once or at the close
  EXPECT_FALSE(closed);
}

// --- safe saving ------------------------------------------------------------

TEST(SafeWrite, ReplacesTheTargetAndLeavesNothingElse) {
  ScratchDir dir;
  const std::string path = dir.file("doc.bin");
  test::write_file(path, {1, 2, 3});
  ::chmod(path.c_str(), 0640);
  EXPECT_TRUE(safe_write(path, [](BinaryFile& f) { return f.write_string("new contents"); }));
  const std::vector<uint8_t> got = test::read_file(path);
  EXPECT_EQ(std::string(got.begin(), got.end()), "new contents");
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"doc.bin"});
  struct stat st{};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // the user's permissions carry over
}

TEST(SafeWrite, AWriterThatGivesUpLeavesTheOldFile) {
  ScratchDir dir;
  const std::string path = dir.file("doc.bin");
  test::write_file(path, {1, 2, 3});
  EXPECT_FALSE(safe_write(path, [](BinaryFile& f) {
    f.write_string("half");
    return false;
  }));
  EXPECT_EQ(test::read_file(path), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"doc.bin"});
  // No old file: a failure leaves no file at all.
  EXPECT_FALSE(safe_write(dir.file("new.bin"), [](BinaryFile&) { return false; }));
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"doc.bin"});
}

TEST(SafeWrite, WriteFailuresAtAnyPointKeepTheOldFile) {
  ScratchDir dir;
  const std::string path = dir.file("doc.bin");
  const std::vector<uint8_t> old_bytes(3000, 0x11);
  test::write_file(path, old_bytes);
  std::vector<uint8_t> payload(200000);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = uint8_t(i);
  auto writer = [&](BinaryFile& f) { return f.write(payload.data(), payload.size()); };
  for (uint64_t cut : {uint64_t{0}, uint64_t{1}, uint64_t{4095}, uint64_t{65536},
                       uint64_t{payload.size() - 1}}) {
    SCOPED_TRACE(cut);
    bool saved;
    {
      test::FileSizeLimit limit(cut);
      saved = safe_write(path, writer);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(test::read_file(path), old_bytes);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"doc.bin"});
  }
  {
    test::FileSizeLimit limit(payload.size());  // exactly enough room
    EXPECT_TRUE(safe_write(path, writer));
  }
  EXPECT_EQ(test::read_file(path), payload);
}

TEST(SafeWrite, ASymbolicLinkStaysALink) {
  ScratchDir dir;
  const std::string real = dir.file("real.bin"), link = dir.file("link.bin");
  test::write_file(real, {1});
  ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
  EXPECT_TRUE(safe_write(link, [](BinaryFile& f) { return f.write_u8(2); }));
  struct stat st{};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(test::read_file(real), std::vector<uint8_t>{2});
}

TEST(SafeWrite, AFolderThatCannotBeWrittenFailsCleanly) {
  ScratchDir dir;
  EXPECT_FALSE(safe_write(dir.file("no/such/folder/doc.bin"), [](BinaryFile& f) {
    return f.write_u8(1);
  }));
  // The target is a folder: the rename fails and the temporary file goes.
  const std::string folder = dir.file("sub");
  std::filesystem::create_directory(folder);
  std::filesystem::create_directory(folder + "/inner");
  EXPECT_FALSE(safe_write(folder, [](BinaryFile& f) { return f.write_u8(1); }));
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"sub"});
}

}  // namespace
}  // namespace qm
