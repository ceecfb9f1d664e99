#pragma once
// Helpers of the settings and key-binding tests.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace qm::test {

// A fresh folder for one test, removed with everything in it afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    static int serial = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("qm_state_" + std::to_string(::getpid()) + "_" + std::to_string(++serial));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string path() const { return path_.string(); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  size_t entry_count() const {
    return size_t(std::distance(std::filesystem::directory_iterator(path_),
                                std::filesystem::directory_iterator()));
  }

 private:
  std::filesystem::path path_;
};

inline void write_text(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), std::streamsize(bytes.size()));
}

inline std::string read_text(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

}  // namespace qm::test
