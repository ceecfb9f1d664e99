#pragma once
// Makes every write past `bytes` into any file of this process fail with
// EFBIG, the way a full disk fails a write, until the object goes away.
#include <sys/resource.h>

#include <csignal>
#include <cstdint>

namespace qm::test {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(uint64_t bytes) {
    // The default action of SIGXFSZ ends the process; we want the error code.
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = rlim_t(bytes);
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*old_handler_)(int) = nullptr;
};

}  // namespace qm::test
