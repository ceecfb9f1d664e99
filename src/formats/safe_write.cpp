#include "formats/safe_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <utility>

namespace qm {
namespace {

// A symbolic link stays a link: we replace the file it points to.
std::string resolve_target(const std::string& path) {
  struct stat st{};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char buf[PATH_MAX];
    if (::realpath(path.c_str(), buf)) return buf;
  }
  return path;
}

std::string directory_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  return path.substr(0, slash + 1);
}

std::string file_name_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Distinct per process and per call; the O_EXCL create settles any clash.
uint64_t next_token() {
  static std::atomic<uint64_t> counter{0};
  static const uint64_t seed = [] {
    std::random_device rd;
    return (uint64_t(rd()) << 32) ^ rd() ^ uint64_t(::getpid());
  }();
  return seed + 0x9E3779B97F4A7C15ull * ++counter;
}

}  // namespace

SafeWriter::SafeWriter(std::string target_path) : target_(std::move(target_path)) {}

SafeWriter::~SafeWriter() { discard(); }

bool SafeWriter::open() {
  discard();
  committed_ = false;
  if (target_.empty()) return false;
  const std::string final_path = resolve_target(target_);
  const std::string dir = directory_of(final_path);
  // Hidden and marked, so a leftover after a crash is recognisable.
  const std::string stem = dir + "." + file_name_of(final_path) + ".";
  for (int attempt = 0; attempt < 16; ++attempt) {
    char token[24];
    std::snprintf(token, sizeof token, "%012llx.tmp",
                  static_cast<unsigned long long>(next_token() & 0xFFFFFFFFFFFFull));
    const std::string candidate = stem + token;
    if (file_.create_new(candidate)) {
      temp_ = candidate;
      break;
    }
    if (errno != EEXIST) return false;
  }
  if (temp_.empty()) return false;
  struct stat st{};
  if (::stat(final_path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
    ::chmod(temp_.c_str(), st.st_mode & 07777);
  return true;
}

bool SafeWriter::commit() {
  if (temp_.empty() || committed_) return false;
  const bool written = !file_.failed() && file_.sync();
  const bool closed = file_.close();
  if (!written || !closed || std::rename(temp_.c_str(), resolve_target(target_).c_str()) != 0) {
    discard();
    return false;
  }
  temp_.clear();
  committed_ = true;
  // Make the rename itself durable; the data already is, so a failure here
  // changes nothing the caller could act on.
  const std::string dir = directory_of(resolve_target(target_));
  const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  return true;
}

void SafeWriter::discard() {
  file_.close();
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
}

bool safe_write(const std::string& path, const std::function<bool(BinaryFile&)>& write) {
  SafeWriter out(path);
  if (!out.open()) return false;
  if (!write(out.file())) return false;  // the destructor removes the temporary file
  return out.commit();
}

}  // namespace qm
