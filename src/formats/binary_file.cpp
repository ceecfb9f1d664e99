#include "formats/binary_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace qm {
namespace {

// Larger than stdio's default so small header writes between big zlib chunks
// cost no extra system calls.
constexpr size_t kFileBufferBytes = 64 * 1024;

}  // namespace

BinaryFile::~BinaryFile() { close(); }

BinaryFile::BinaryFile(BinaryFile&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)),
      failed_(std::exchange(other.failed_, false)),
      writable_(std::exchange(other.writable_, false)) {}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
  if (this != &other) {
    close();
    file_ = std::exchange(other.file_, nullptr);
    failed_ = std::exchange(other.failed_, false);
    writable_ = std::exchange(other.writable_, false);
  }
  return *this;
}

bool BinaryFile::attach(std::FILE* file, bool writable) {
  if (!file) return false;
  writable_ = writable;
  // A null buffer lets stdio allocate (and free) one of this size.
  std::setvbuf(file, nullptr, _IOFBF, kFileBufferBytes);
  file_ = file;
  failed_ = false;
  return true;
}

bool BinaryFile::open_read(const std::string& path) {
  close();
  // Only regular files: a directory or a FIFO would give confusing reads.
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  return attach(std::fopen(path.c_str(), "rbe"), false);
}

bool BinaryFile::create_new(const std::string& path) {
  close();
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  std::FILE* f = ::fdopen(fd, "w+b");
  if (!f) {
    ::close(fd);
    ::unlink(path.c_str());
    return false;
  }
  return attach(f, true);
}

bool BinaryFile::open_write(const std::string& path) {
  close();
  return attach(std::fopen(path.c_str(), "w+be"), true);
}

bool BinaryFile::close() {
  if (!file_) return true;
  const bool flushed = std::fflush(file_) == 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  const bool ok = flushed && closed && !failed_;
  failed_ = false;
  return ok;
}

bool BinaryFile::sync() {
  if (!file_ || failed_) return false;
  if (std::fflush(file_) != 0 || ::fsync(::fileno(file_)) != 0) failed_ = true;
  return !failed_;
}

size_t BinaryFile::read(void* dst, size_t size) {
  if (!file_ || size == 0) return 0;
  return std::fread(dst, 1, size, file_);
}

bool BinaryFile::read_u8(uint8_t& value) { return read(&value, 1) == 1; }

bool BinaryFile::read_u16(uint16_t& value) {
  uint8_t b[2];
  if (read(b, 2) != 2) return false;
  value = uint16_t(b[0] | b[1] << 8);
  return true;
}

bool BinaryFile::read_u32(uint32_t& value) {
  uint8_t b[4];
  if (read(b, 4) != 4) return false;
  value = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
  return true;
}

bool BinaryFile::read_u16_be(uint16_t& value) {
  uint8_t b[2];
  if (read(b, 2) != 2) return false;
  value = uint16_t(b[0] << 8 | b[1]);
  return true;
}

bool BinaryFile::read_u32_be(uint32_t& value) {
  uint8_t b[4];
  if (read(b, 4) != 4) return false;
  value = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
  return true;
}

bool BinaryFile::CheckMagic(std::string_view magic) {
  char buf[32];
  if (magic.size() > sizeof buf) return false;
  return read(buf, magic.size()) == magic.size() && std::memcmp(buf, magic.data(), magic.size()) == 0;
}

bool BinaryFile::write(const void* src, size_t size) {
  if (!file_ || failed_) return false;
  if (size != 0 && std::fwrite(src, 1, size, file_) != size) failed_ = true;
  return !failed_;
}

bool BinaryFile::write_u8(uint8_t value) { return write(&value, 1); }

bool BinaryFile::write_u16(uint16_t value) {
  const uint8_t b[2] = {uint8_t(value), uint8_t(value >> 8)};
  return write(b, 2);
}

bool BinaryFile::write_u32(uint32_t value) {
  const uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                        uint8_t(value >> 24)};
  return write(b, 4);
}

bool BinaryFile::write_u16_be(uint16_t value) {
  const uint8_t b[2] = {uint8_t(value >> 8), uint8_t(value)};
  return write(b, 2);
}

bool BinaryFile::write_u32_be(uint32_t value) {
  const uint8_t b[4] = {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8),
                        uint8_t(value)};
  return write(b, 4);
}

bool BinaryFile::write_string(std::string_view text) { return write(text.data(), text.size()); }

bool BinaryFile::write_crlf() { return write("\r\n", 2); }

bool BinaryFile::write_key_value(std::string_view name, int value) {
  char buf[16];
  const int n = std::snprintf(buf, sizeof buf, "%d", value);
  return write_string(name) && write_u8('=') && write(buf, size_t(n)) && write_crlf();
}

bool BinaryFile::write_key_string(std::string_view name, std::string_view value) {
  return write_string(name) && write_u8('=') && write_string(value) && write_crlf();
}

bool BinaryFile::write_key_hex(std::string_view name, uint32_t value) {
  char buf[16];
  const int n = std::snprintf(buf, sizeof buf, "%x", value);
  return write_string(name) && write_u8('=') && write(buf, size_t(n)) && write_crlf();
}

int64_t BinaryFile::size() {
  if (!file_) return -1;
  // Buffered writes are not in the file yet. (Reading streams are left
  // alone: flushing one would throw its read buffer away.)
  if (writable_ && std::fflush(file_) != 0) {
    failed_ = true;
    return -1;
  }
  struct stat st{};
  if (::fstat(::fileno(file_), &st) != 0) return -1;
  return int64_t(st.st_size);
}

int64_t BinaryFile::tell() {
  if (!file_) return -1;
  return int64_t(::ftello(file_));
}

int64_t BinaryFile::remaining() {
  const int64_t total = size(), pos = tell();
  return total < 0 || pos < 0 || pos > total ? 0 : total - pos;
}

bool BinaryFile::seek(int64_t offset, Origin origin) {
  if (!file_) return false;
  const int whence = origin == Origin::Begin ? SEEK_SET : origin == Origin::Current ? SEEK_CUR : SEEK_END;
  if (::fseeko(file_, off_t(offset), whence) != 0) {
    // A failed seek while writing would put later bytes in the wrong place.
    failed_ = true;
    return false;
  }
  return true;
}

bool BinaryFile::set_end_of_file() {
  if (!file_ || failed_) return false;
  const int64_t pos = tell();
  if (pos < 0 || std::fflush(file_) != 0 || ::ftruncate(::fileno(file_), off_t(pos)) != 0)
    failed_ = true;
  return !failed_;
}

}  // namespace qm
