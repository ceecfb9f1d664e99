#pragma once
// Where undo records keep their bytes: a block of memory, or a numbered spill
// file "%04d.tmp" (numbers 0 … 4095, wrapping) in a temporary directory that
// the caller provides. Spill files are created exclusively, so a number still
// owned by a live record (or a stranger's file) is never written over.
#include <bitset>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "document/undo_bytes.h"

namespace qm {

struct FreeBytes {
  void operator()(uint8_t* p) const { std::free(p); }
};
using ByteBlock = std::unique_ptr<uint8_t, FreeBytes>;

// The bytes of one record; UndoStore::release gives them back.
struct StoredBytes {
  ByteBlock memory;
  int file_number = -1;   // −1 when the bytes are in memory (or nowhere)
  uint64_t size = 0;
  uint64_t checksum = 0;  // of a spill file's contents
  bool empty() const { return !memory && file_number < 0; }
};

// A spill file mapped read-only for as long as its bytes are used.
class FileMapping {
 public:
  FileMapping() = default;
  FileMapping(void* address, size_t size) : address_(address), size_(size) {}
  FileMapping(FileMapping&& other) noexcept { *this = std::move(other); }
  FileMapping& operator=(FileMapping&& other) noexcept;
  ~FileMapping();
  const uint8_t* data() const { return static_cast<const uint8_t*>(address_); }

 private:
  void* address_ = nullptr;
  size_t size_ = 0;
};

// Bytes read back: a view of a memory block, or of a mapped spill file.
struct LoadedBytes {
  const uint8_t* data = nullptr;
  size_t size = 0;
  FileMapping mapping;
};

class UndoStore {
 public:
  // Records above this size try a spill file first.
  static constexpr uint64_t kMemoryFirstMax = uint64_t{1} << 20;
  static constexpr int kFileNumbers = 4096;
  // Writes the record's bytes; false when it could not.
  using Producer = std::function<bool(ByteWriter&)>;

  explicit UndoStore(std::string directory = {});
  UndoStore(const UndoStore&) = delete;
  UndoStore& operator=(const UndoStore&) = delete;

  // The directory for spill files; empty means none (memory only).
  void set_directory(std::string directory) { directory_ = std::move(directory); }
  const std::string& directory() const { return directory_; }
  std::string file_path(int number) const;
  // Most bytes all records together may hold in memory (default: no limit).
  void set_memory_limit(uint64_t bytes) { memory_limit_ = bytes; }
  uint64_t memory_in_use() const { return memory_in_use_; }

  // Stores exactly the `size` bytes that `produce` writes. Records above
  // kMemoryFirstMax, or with `file_first`, try a spill file and then memory;
  // others memory and then a spill file. False, with `out` left empty, when
  // neither takes them (or `produce` writes another number of bytes).
  bool store(uint64_t size, bool file_first, const Producer& produce, StoredBytes& out);
  // The bytes, whole; false when a spill file cannot be read or has another
  // size or another checksum.
  bool load(const StoredBytes& bytes, LoadedBytes& out) const;
  // Frees the memory or deletes the spill file.
  void release(StoredBytes& bytes);

 private:
  bool store_in_memory(uint64_t size, const Producer& produce, StoredBytes& out);
  bool store_in_file(uint64_t size, const Producer& produce, StoredBytes& out);

  std::string directory_;
  uint64_t memory_limit_ = UINT64_MAX;
  uint64_t memory_in_use_ = 0;
  int next_number_ = 0;
  std::bitset<kFileNumbers> live_numbers_;
};

}  // namespace qm
