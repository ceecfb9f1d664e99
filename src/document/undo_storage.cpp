#include "document/undo_storage.h"

#include "core/allocation_gate.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>

namespace qm {
namespace {

constexpr size_t kFileChunk = size_t{1} << 20;

struct FileSink {
  int fd;
  Checksum checksum;
};

bool drain_to_file(void* context, const uint8_t* data, size_t size) {
  auto& sink = *static_cast<FileSink*>(context);
  sink.checksum.update(data, size);
  while (size > 0) {
    const ssize_t n = ::write(sink.fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= size_t(n);
  }
  return true;
}

}  // namespace

UndoStore::UndoStore(std::string directory) : directory_(std::move(directory)) {}

std::string UndoStore::file_path(int number) const {
  char name[16];
  std::snprintf(name, sizeof name, "%04d.tmp", number);
  return directory_ + "/" + name;
}

bool UndoStore::store(uint64_t size, bool file_first, const Producer& produce, StoredBytes& out) {
  out = StoredBytes{};
  if (size > SIZE_MAX) return false;
  if (file_first || size > kMemoryFirstMax)
    return store_in_file(size, produce, out) || store_in_memory(size, produce, out);
  return store_in_memory(size, produce, out) || store_in_file(size, produce, out);
}

bool UndoStore::store_in_memory(uint64_t size, const Producer& produce, StoredBytes& out) {
  if (memory_in_use_ > memory_limit_ || size > memory_limit_ - memory_in_use_) return false;
  if (!allocation_allowed()) return false;
  ByteBlock block(static_cast<uint8_t*>(std::malloc(std::max<size_t>(size_t(size), 1))));
  if (!block) return false;
  // Exactly `size` bytes of room and no drain: a producer that would write
  // more fails instead of writing past the block.
  ByteWriter writer(block.get(), size_t(size));
  if (!produce(writer) || !writer.finish() || writer.total() != size) return false;
  out.memory = std::move(block);
  out.size = size;
  memory_in_use_ += size;
  return true;
}

bool UndoStore::store_in_file(uint64_t size, const Producer& produce, StoredBytes& out) {
  if (directory_.empty()) return false;
  const size_t chunk_size = size_t(std::clamp<uint64_t>(size, 64, kFileChunk));
  if (!allocation_allowed()) return false;
  ByteBlock chunk(static_cast<uint8_t*>(std::malloc(chunk_size)));
  if (!chunk) return false;
  for (int tries = 0; tries < kFileNumbers; ++tries) {
    const int number = next_number_;
    next_number_ = (next_number_ + 1) % kFileNumbers;
    if (live_numbers_[size_t(number)]) continue;
    const std::string path = file_path(number);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;  // someone else's file: leave it alone
      return false;
    }
    FileSink sink{fd, {}};
    ByteWriter writer(chunk.get(), chunk_size, drain_to_file, &sink);
    bool ok = produce(writer) && writer.finish() && writer.total() == size;
    ok = (::close(fd) == 0) && ok;
    if (!ok) {
      ::unlink(path.c_str());
      return false;
    }
    live_numbers_.set(size_t(number));
    out.file_number = number;
    out.size = size;
    out.checksum = sink.checksum.value();
    return true;
  }
  return false;
}

FileMapping& FileMapping::operator=(FileMapping&& other) noexcept {
  if (this != &other) {
    if (address_) ::munmap(address_, size_);
    address_ = std::exchange(other.address_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

FileMapping::~FileMapping() {
  if (address_) ::munmap(address_, size_);
}

bool UndoStore::load(const StoredBytes& bytes, LoadedBytes& out) const {
  out = LoadedBytes{};
  if (bytes.memory) {
    out.data = bytes.memory.get();
    out.size = size_t(bytes.size);
    return true;
  }
  if (bytes.file_number < 0) return false;
  const int fd = ::open(file_path(bytes.file_number).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  // Mapped rather than read: no copy, and records larger than free memory
  // still load. The size is checked first, so no access lies past the file.
  struct stat st;
  void* address = MAP_FAILED;
  if (::fstat(fd, &st) == 0 && uint64_t(st.st_size) == bytes.size && bytes.size > 0)
    address = ::mmap(nullptr, size_t(bytes.size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
  ::close(fd);
  if (address == MAP_FAILED) return false;
  FileMapping mapping(address, size_t(bytes.size));
  Checksum checksum;
  checksum.update(mapping.data(), size_t(bytes.size));
  if (checksum.value() != bytes.checksum) return false;
  out.data = mapping.data();
  out.size = size_t(bytes.size);
  out.mapping = std::move(mapping);
  return true;
}

void UndoStore::release(StoredBytes& bytes) {
  if (bytes.memory) memory_in_use_ -= bytes.size;
  if (bytes.file_number >= 0) {
    ::unlink(file_path(bytes.file_number).c_str());
    live_numbers_.reset(size_t(bytes.file_number));
  }
  bytes = StoredBytes{};
}

}  // namespace qm
