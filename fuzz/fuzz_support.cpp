#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "fuzz_target.h"

namespace qm::fuzz {

const std::string& bytes_as_file(const uint8_t* data, size_t size) {
  static const int fd = [] {
    const int f = ::memfd_create("qm_fuzz_input", MFD_CLOEXEC);
    if (f < 0) {
      std::perror("memfd_create");
      std::abort();
    }
    return f;
  }();
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (::ftruncate(fd, 0) != 0) std::abort();
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd, data + done, size - done, off_t(done));
    if (n <= 0) std::abort();
    done += size_t(n);
  }
  return path;
}

}  // namespace qm::fuzz
