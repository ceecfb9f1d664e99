#pragma once
// Input files read by mapping them rather than copying them into fresh memory.
//
// Copying a 50 MB picture means clearing 50 MB of new pages and then copying
// into them, about a tenth of decoding it. A mapping costs neither, but a
// mapped file that another program shortens, or a disk that fails to read,
// raises SIGBUS at the access instead of returning an error. So mapping is
// off unless a program turns it on, and only a program with nothing to lose
// at that point may: the guard then ends it with `message` on standard error
// and `exit_code`. The command-line tool turns it on; the painting program,
// which may hold unsaved work, does not.
#include <cstddef>
#include <cstdint>

namespace qm {

// Installs the SIGBUS guard and makes read_whole_file map files. Call once,
// before any file is read; `message` must outlive the program.
void enable_mapped_input(const char* message, int exit_code);
bool mapped_input_enabled();

// One read-only mapping of a whole file, known to the guard while it lives.
class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile() { reset(); }
  MappedFile(MappedFile&& other) noexcept;
  MappedFile& operator=(MappedFile&& other) noexcept;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Maps the first `size` bytes (at least one) of the open descriptor `fd`.
  // False, with nothing mapped, when mapped input is off, the guard is
  // watching as many mappings as it can, or the system refuses.
  bool map(int fd, size_t size);
  void reset();

  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  int slot_ = -1;
};

}  // namespace qm
