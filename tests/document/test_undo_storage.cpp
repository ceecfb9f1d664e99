#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <vector>

#include <gtest/gtest.h>

#include "document/undo_storage.h"
#include "undo_test_support.h"

namespace qm {
namespace {

using test::TempDir;

// A producer of `n` bytes of a pattern; `extra` writes that many more (or fewer).
UndoStore::Producer pattern(uint64_t n, int64_t extra = 0) {
  return [n, extra](ByteWriter& w) {
    for (uint64_t i = 0; i < uint64_t(int64_t(n) + extra); ++i) {
      const uint8_t b = uint8_t(i * 31 + 7);
      if (!w.put(&b, 1)) return false;
    }
    return true;
  };
}

bool holds_pattern(const LoadedBytes& bytes, uint64_t n) {
  if (bytes.size != n) return false;
  for (uint64_t i = 0; i < n; ++i)
    if (bytes.data[i] != uint8_t(i * 31 + 7)) return false;
  return true;
}

std::string read_text(const std::string& path) {
  std::ifstream f(path);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

TEST(UndoStorage, OneMebibyteStaysInMemoryOneByteMoreGoesToAFile) {
  TempDir dir;
  UndoStore store(dir.path());
  StoredBytes at_limit, above;
  ASSERT_TRUE(store.store(1048576, false, pattern(1048576), at_limit));
  EXPECT_EQ(at_limit.file_number, -1);
  EXPECT_EQ(store.memory_in_use(), 1048576u);
  EXPECT_EQ(dir.file_count(), 0u);

  ASSERT_TRUE(store.store(1048577, false, pattern(1048577), above));
  EXPECT_EQ(above.file_number, 0);
  EXPECT_EQ(dir.files(), std::vector<std::string>{"0000.tmp"});
  EXPECT_EQ(store.memory_in_use(), 1048576u);

  LoadedBytes a, b;
  ASSERT_TRUE(store.load(at_limit, a));
  ASSERT_TRUE(store.load(above, b));
  EXPECT_TRUE(holds_pattern(a, 1048576));
  EXPECT_TRUE(holds_pattern(b, 1048577));

  store.release(at_limit);
  store.release(above);
  EXPECT_EQ(store.memory_in_use(), 0u);
  EXPECT_EQ(dir.file_count(), 0u);
}

TEST(UndoStorage, EachPlaceIsTheOthersFallback) {
  TempDir dir;
  UndoStore store(dir.path());
  StoredBytes s;
  ASSERT_TRUE(store.store(100, true, pattern(100), s));  // asked for a file first
  EXPECT_GE(s.file_number, 0);
  store.release(s);

  store.set_memory_limit(50);  // small records find no memory: a file
  ASSERT_TRUE(store.store(100, false, pattern(100), s));
  EXPECT_GE(s.file_number, 0);
  store.release(s);

  store.set_directory(dir.path() + "/missing");  // no file: big records go to memory
  store.set_memory_limit(UINT64_MAX);
  ASSERT_TRUE(store.store(2 << 20, false, pattern(2 << 20), s));
  EXPECT_EQ(s.file_number, -1);
  LoadedBytes l;
  ASSERT_TRUE(store.load(s, l));
  EXPECT_TRUE(holds_pattern(l, 2 << 20));
  store.release(s);

  store.set_memory_limit(0);  // neither
  EXPECT_FALSE(store.store(10, false, pattern(10), s));
  EXPECT_TRUE(s.empty());
}

TEST(UndoStorage, AProducerThatMissesItsSizeStoresNothing) {
  TempDir dir;
  UndoStore store(dir.path());
  StoredBytes s;
  EXPECT_FALSE(store.store(100, false, pattern(100, +1), s));  // memory: no room for it
  EXPECT_FALSE(store.store(100, false, pattern(100, -1), s));
  EXPECT_FALSE(store.store(2 << 20, false, pattern(2 << 20, -3), s));  // file, then memory
  EXPECT_TRUE(s.empty());
  EXPECT_EQ(store.memory_in_use(), 0u);
  EXPECT_EQ(dir.file_count(), 0u);  // the half-written file is gone
}

TEST(UndoStorage, DamagedFilesAreRefused) {
  TempDir dir;
  UndoStore store(dir.path());
  StoredBytes truncated, altered, removed;
  for (StoredBytes* s : {&truncated, &altered, &removed})
    ASSERT_TRUE(store.store(5000, true, pattern(5000), *s));
  ASSERT_EQ(::truncate(store.file_path(truncated.file_number).c_str(), 4999), 0);
  {
    const int fd = ::open(store.file_path(altered.file_number).c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const uint8_t junk = 0x5A;
    ASSERT_EQ(::pwrite(fd, &junk, 1, 2500), 1);
    ::close(fd);
  }
  ::unlink(store.file_path(removed.file_number).c_str());
  LoadedBytes l;
  EXPECT_FALSE(store.load(truncated, l));
  EXPECT_FALSE(store.load(altered, l));
  EXPECT_FALSE(store.load(removed, l));
  for (StoredBytes* s : {&truncated, &altered, &removed}) store.release(*s);
}

TEST(UndoStorage, SpillFilesNeverReplaceAnotherFile) {
  TempDir dir;
  {
    std::ofstream(dir.path() + "/0000.tmp") << "not ours";
  }
  UndoStore store(dir.path());
  StoredBytes s;
  ASSERT_TRUE(store.store(10, true, pattern(10), s));
  EXPECT_EQ(s.file_number, 1);
  store.release(s);
  EXPECT_EQ(read_text(dir.path() + "/0000.tmp"), "not ours");
}

TEST(UndoStorage, TheCounterWrapsAndSkipsNumbersStillInUse) {
  TempDir dir;
  UndoStore store(dir.path());
  StoredBytes kept;
  ASSERT_TRUE(store.store(10, true, pattern(10), kept));
  ASSERT_EQ(kept.file_number, 0);
  // 4095 short-lived files take numbers 1 … 4095.
  for (int i = 1; i < UndoStore::kFileNumbers; ++i) {
    StoredBytes s;
    ASSERT_TRUE(store.store(10, true, pattern(10), s));
    ASSERT_EQ(s.file_number, i);
    store.release(s);
  }
  // The counter wraps to 0, which the kept record still owns.
  StoredBytes next;
  ASSERT_TRUE(store.store(10, true, pattern(10), next));
  EXPECT_EQ(next.file_number, 1);
  LoadedBytes l;
  ASSERT_TRUE(store.load(kept, l));
  EXPECT_TRUE(holds_pattern(l, 10));
  store.release(next);
  store.release(kept);
  EXPECT_EQ(dir.file_count(), 0u);
}

TEST(UndoStorage, AllNumbersTakenMeansNoFile) {
  TempDir dir;
  UndoStore store(dir.path());
  store.set_memory_limit(0);
  std::vector<StoredBytes> all(UndoStore::kFileNumbers);
  for (StoredBytes& s : all) ASSERT_TRUE(store.store(1, true, pattern(1), s));
  StoredBytes more;
  EXPECT_FALSE(store.store(1, true, pattern(1), more));
  for (StoredBytes& s : all) store.release(s);
  EXPECT_EQ(dir.file_count(), 0u);
}

}  // namespace
}  // namespace qm
