#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace qm {

namespace {

int flock_retrying(int fd, int operation) {
  int r;
  do r = ::flock(fd, operation);
  while (r != 0 && errno == EINTR);
  return r;
}

// A regular file of ours, opened for locking; -1 when that is not possible.
// O_NOFOLLOW: a planted symbolic link must not make us create or lock some
// other file.
int open_lock_file(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void close_fd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

InstanceLock::~InstanceLock() {
  close_fd(gate_fd_);
  close_fd(fd_);
}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      gate_fd_(std::exchange(other.gate_fd_, -1)),
      others_running_(other.others_running_) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
  if (this != &other) {
    close_fd(gate_fd_);
    close_fd(fd_);
    fd_ = std::exchange(other.fd_, -1);
    gate_fd_ = std::exchange(other.gate_fd_, -1);
    others_running_ = other.others_running_;
  }
  return *this;
}

InstanceLock InstanceLock::acquire(const std::string& lock_path) {
  InstanceLock lock;
  lock.gate_fd_ = open_lock_file(lock_path + ".gate");
  if (lock.gate_fd_ >= 0 && flock_retrying(lock.gate_fd_, LOCK_EX) != 0) close_fd(lock.gate_fd_);

  const int fd = open_lock_file(lock_path);
  if (fd < 0) return lock;  // others_running stays true
  // Without the gate an exclusive success proves nothing (another start-up
  // may be switching its hold), so only a gated test may say "alone".
  if (lock.gate_fd_ >= 0 && flock_retrying(fd, LOCK_EX | LOCK_NB) == 0) lock.others_running_ = false;
  if (flock_retrying(fd, LOCK_SH) != 0) {
    ::close(fd);
    lock.others_running_ = true;
    return lock;
  }
  lock.fd_ = fd;
  return lock;
}

void InstanceLock::end_startup() { close_fd(gate_fd_); }

std::string instance_lock_path(const std::string& temp_root) {
  return temp_root + "/~quillmark-" + std::to_string(::geteuid()) + ".lock";
}

}  // namespace qm
