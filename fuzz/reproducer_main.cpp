// Runs a fuzz target over files without libFuzzer, to replay findings and to
// keep past crashers as tests:
//   repro_<target> [--expect-fail | --expect-accept] FILE_OR_FOLDER...
// With --expect-fail every input must be refused by the reader, with
// --expect-accept every one accepted (exit 1 otherwise). A crash ends the
// program, which fails the test that ran it.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_target.h"

int main(int argc, char** argv) {
  bool expect_fail = false, expect_accept = false;
  std::vector<std::filesystem::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--expect-fail") {
      expect_fail = true;
      continue;
    }
    if (a == "--expect-accept") {
      expect_accept = true;
      continue;
    }
    std::error_code ec;
    if (std::filesystem::is_directory(a, ec)) {
      std::vector<std::filesystem::path> files;
      for (const auto& e : std::filesystem::directory_iterator(a))
        if (e.is_regular_file() && e.path().filename().string()[0] != '.') files.push_back(e.path());
      std::sort(files.begin(), files.end());
      inputs.insert(inputs.end(), files.begin(), files.end());
    } else {
      inputs.emplace_back(a);
    }
  }
  if (inputs.empty()) {
    std::fprintf(stderr, "usage: %s [--expect-fail | --expect-accept] FILE_OR_FOLDER...\n", argv[0]);
    return 2;
  }
  int unexpected = 0;
  for (const auto& path : inputs) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
      std::fprintf(stderr, "%s: cannot read\n", path.c_str());
      return 2;
    }
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(f),
                                     std::istreambuf_iterator<char>()};
    const bool accepted = qm_fuzz_one(bytes.data(), bytes.size());
    std::printf("%s: %s\n", path.c_str(), accepted ? "accepted" : "refused");
    if ((expect_fail && accepted) || (expect_accept && !accepted)) ++unexpected;
  }
  if (unexpected)
    std::fprintf(stderr, "%d input(s) were %s\n", unexpected,
                 expect_fail ? "accepted but must be refused" : "refused but must be accepted");
  return unexpected ? 1 : 0;
}
