#pragma once
// One fuzz target per reader. Each target file defines qm_fuzz_one; the
// libFuzzer entry (libfuzzer_entry.cpp) and the plain reproducer
// (reproducer_main.cpp) both call it.
#include <cstddef>
#include <cstdint>
#include <string>

// Runs the reader over `data`; true when the reader accepted it.
bool qm_fuzz_one(const uint8_t* data, size_t size);

namespace qm::fuzz {

// Our readers take paths: this puts the bytes in an in-memory file and
// returns a path that opens it. Reused across calls; not thread-safe.
const std::string& bytes_as_file(const uint8_t* data, size_t size);

}  // namespace qm::fuzz
