#include "platform/temp_dir.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace qm {

std::string system_temp_root() {
  const char* env = std::getenv("TMPDIR");
  std::string root = (env && env[0] == '/') ? env : "/tmp";
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

namespace {

enum class Claim { kCreated, kExists, kFailed };

Claim make_private_dir(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) == 0) return Claim::kCreated;
  return errno == EEXIST ? Claim::kExists : Claim::kFailed;
}

// An existing directory we may take over: a directory (not a link to one)
// owned by us; made private again in case its mode was changed.
bool reusable_dir(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
    return false;
  return (st.st_mode & 0777) == 0700 || ::chmod(path.c_str(), 0700) == 0;
}

}  // namespace

std::optional<std::string> claim_temp_dir(const std::string& root, bool others_running) {
  const std::string base = root + "/" + kTempDirName;
  if (!others_running) {
    switch (make_private_dir(base)) {
      case Claim::kCreated: return base;
      case Claim::kFailed: return std::nullopt;
      case Claim::kExists:
        if (reusable_dir(base)) return base;
        break;  // not ours: number on like a further instance
    }
  }
  for (int n = others_running ? 0 : 1; n <= kMaxTempDirNumber; ++n) {
    const std::string name = n == 0 ? base : base + std::to_string(n);
    switch (make_private_dir(name)) {
      case Claim::kCreated: return name;
      case Claim::kFailed: return std::nullopt;
      case Claim::kExists: break;
    }
  }
  return std::nullopt;
}

bool delete_directory_tree(const std::string& path) {
  const int dir_fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (dir_fd < 0) return false;
  DIR* dir = ::fdopendir(dir_fd);
  if (!dir) {
    ::close(dir_fd);
    return false;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (name == "." || name == "..") continue;
    struct stat st {};
    if (::fstatat(dir_fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISDIR(st.st_mode)) ::unlinkat(dir_fd, entry->d_name, 0);
  }
  ::closedir(dir);  // closes dir_fd too
  return ::rmdir(path.c_str()) == 0;
}

}  // namespace qm
