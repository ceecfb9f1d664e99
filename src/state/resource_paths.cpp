#include "state/resource_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace qm {

std::vector<std::string> resource_folders(const std::string& exe_folder, std::string_view share_sub,
                                          const std::string& build_tree) {
  std::vector<std::string> folders;
  if (!exe_folder.empty()) {
    folders.push_back(exe_folder);
    folders.push_back(exe_folder + "/../share/" + std::string(share_sub));
  }
  if (!build_tree.empty()) folders.push_back(build_tree);
  return folders;
}

std::string find_resource(std::string_view name, const std::vector<std::string>& folders) {
  if (name.empty()) return {};
  for (const std::string& folder : folders) {
    const std::string path = folder + "/" + std::string(name);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return path;
  }
  return {};
}

std::string executable_folder() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  std::string path(buf, size_t(n));
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace qm
