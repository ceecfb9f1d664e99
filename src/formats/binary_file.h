#pragma once
// BinaryFile: one owned file handle with fixed-endianness readers and writers,
// shared by every codec.
//
// Reads return what they got; a short read is not an error by itself, callers
// check what they need. Writes are buffered; the first failed write, seek or
// flush makes the file "failed" for good, later writes do nothing and return
// false, and close() reports it. Callers that write a user's file go through
// SafeWriter (formats/safe_write.h) rather than opening the target directly.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace qm {

class BinaryFile {
 public:
  enum class Origin { Begin, Current, End };

  BinaryFile() = default;
  ~BinaryFile();
  BinaryFile(BinaryFile&& other) noexcept;
  BinaryFile& operator=(BinaryFile&& other) noexcept;
  BinaryFile(const BinaryFile&) = delete;
  BinaryFile& operator=(const BinaryFile&) = delete;

  // Opens an existing file for reading (other readers may share it).
  bool open_read(const std::string& path);
  // Creates a file that must not exist yet, for reading and writing, with
  // mode 0666 less the umask. Fails when the path exists.
  bool create_new(const std::string& path);
  // Creates or truncates `path` for writing. Only for files that hold nothing
  // of the user's (scratch files); user files go through SafeWriter.
  bool open_write(const std::string& path);

  bool is_open() const { return file_ != nullptr; }
  // True once a write, seek or flush has failed.
  bool failed() const { return failed_; }
  // Flushes and closes; false when anything written since opening was lost
  // (a failed write, flush or close). Idempotent: closing a closed file
  // returns true.
  bool close();
  // Flushes the buffer and asks the system to put the data on disk.
  bool sync();

  // --- reading ----------------------------------------------------------
  // The number of bytes read (0 at the end or on failure).
  size_t read(void* dst, size_t size);
  bool read_u8(uint8_t& value);
  bool read_u16(uint16_t& value);  // little-endian
  bool read_u32(uint32_t& value);
  bool read_u16_be(uint16_t& value);
  bool read_u32_be(uint32_t& value);
  // Reads exactly magic.size() bytes; true only if all were read and match.
  bool CheckMagic(std::string_view magic);

  // --- writing ----------------------------------------------------------
  bool write(const void* src, size_t size);
  bool write_u8(uint8_t value);
  bool write_u16(uint16_t value);  // little-endian
  bool write_u32(uint32_t value);
  bool write_u16_be(uint16_t value);
  bool write_u32_be(uint32_t value);
  // Text without a terminator.
  bool write_string(std::string_view text);
  bool write_crlf();
  // "name=value\r\n" lines of the settings-like text files.
  bool write_key_value(std::string_view name, int value);        // decimal
  bool write_key_string(std::string_view name, std::string_view value);
  bool write_key_hex(std::string_view name, uint32_t value);     // "%x"

  // --- position ---------------------------------------------------------
  // −1 when unknown.
  int64_t size();
  int64_t tell();
  // The bytes between the position and the end (0 when unknown).
  int64_t remaining();
  bool seek(int64_t offset, Origin origin = Origin::Begin);
  bool skip(int64_t count) { return seek(count, Origin::Current); }
  // Cuts or extends the file at the current position.
  bool set_end_of_file();

 private:
  bool attach(std::FILE* file, bool writable);
  std::FILE* file_ = nullptr;
  bool failed_ = false;
  bool writable_ = false;
};

}  // namespace qm
