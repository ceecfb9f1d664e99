#include "state/user_paths.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "formats/binary_file.h"

namespace qm {

namespace {

bool set(const char* value) { return value && *value; }

}  // namespace

std::string settings_folder_from(const char* quillmark2_home, const char* xdg_config_home,
                                 const char* home) {
  if (set(quillmark2_home)) return quillmark2_home;
  if (set(xdg_config_home) && xdg_config_home[0] == '/')
    return std::string(xdg_config_home) + "/quillmark2";
  if (set(home)) return std::string(home) + "/.config/quillmark2";
  return {};
}

std::string settings_folder() {
  return settings_folder_from(std::getenv("QUILLMARK2_HOME"), std::getenv("XDG_CONFIG_HOME"),
                              std::getenv("HOME"));
}

std::string settings_file_path(const std::string& folder, std::string_view name) {
  std::string path = folder;
  if (!path.empty() && path.back() != '/') path += '/';
  path += name;
  return path;
}

bool make_folder(const std::string& folder) {
  if (folder.empty()) return false;
  // Each prefix in turn, so missing parents come into being too.
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string prefix = folder.substr(0, slash);
    if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat st{};
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::string> read_small_file(const std::string& path, int64_t max_bytes) {
  BinaryFile file;
  if (!file.open_read(path)) return std::nullopt;
  const int64_t size = file.size();
  if (size < 0 || size > max_bytes) return std::nullopt;
  std::string bytes(size_t(size), '\0');
  if (size > 0 && file.read(bytes.data(), bytes.size()) != bytes.size()) return std::nullopt;
  return bytes;
}

}  // namespace qm
