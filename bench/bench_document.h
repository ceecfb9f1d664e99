#pragma once
// The document the save/load benchmarks share: 10 painted-looking layers of
// 4000 × 4000, throughput counted as raw layer pixels (10 × 4000 × 4000 × 4
// bytes per run), so the figures of every format compare.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

#include "document/document.h"

namespace qm::bench {

inline constexpr int kSide = 4000;
inline constexpr int kLayers = 10;
inline constexpr int64_t kRawBytes = int64_t{kLayers} * kSide * kSide * 4;

// A transparent band that moves per layer, runs of similar colour, soft-edged
// areas with varying alpha and some noise, so compressors see what they see
// in real artwork rather than a best or worst case.
inline void paint(LayerImage& img, uint32_t seed) {
  std::mt19937 rng(seed);
  const int empty_from = int(seed % 4) * kSide / 4;
  for (int y = 0; y < kSide; ++y) {
    Pixel* row = img.row(y);
    const bool empty = y >= empty_from && y < empty_from + kSide / 3;
    for (int x = 0; x < kSide;) {
      const int run = 1 + int(rng() % 48);
      const Pixel rgb = (rng() & 0x3F3F3F) + ((seed * 0x2F1B07u + uint32_t(y / 50) * 0x010203u) & 0xC0C0C0);
      const int area = (x / 400 + y / 400 + int(seed)) % 4;
      for (int i = 0; i < run && x < kSide; ++i, ++x) {
        uint32_t alpha = 255;
        if (empty) alpha = 0;
        else if (area == 1) alpha = uint32_t((x + y) & 0xFF);   // soft gradient edges
        else if (area == 2) alpha = (rng() % 8 == 0) ? 0 : 255;  // broken strokes
        row[x] = alpha == 0 ? kTransparent : (alpha << 24 | rgb);
      }
    }
  }
}

inline const Document& bench_document() {
  static const std::unique_ptr<Document> doc = [] {
    auto d = std::make_unique<Document>();
    d->new_canvas(kSide, kSide, true);
    for (int i = 1; i < kLayers; ++i) d->create_layer(true);
    for (int i = 0; i < kLayers; ++i) paint(d->layer_at(i)->image, uint32_t(i + 1));
    return d;
  }();
  return *doc;
}

// A file in the temporary directory, private to this process.
inline std::string bench_path(const std::string& stem, const char* ext) {
  return (std::filesystem::temp_directory_path() /
          (stem + "_" + std::to_string(::getpid()) + ext))
      .string();
}

// One load before the timed ones, its wall time kept as the counter
// first_load_s. On the virtual machines we measure on, the first touch of
// memory the guest has not used for a while costs the hypervisor several
// times what the kernel's clearing of it costs (a 640 MB load once took
// 1.2 s, then 0.36 s, in the same process); the timed loads then measure
// the loader, and the first one stays in sight.
template <class Load>
void first_load(benchmark::State& state, Load&& load) {
  const auto start = std::chrono::steady_clock::now();
  if (!load()) state.SkipWithError("load failed");
  state.counters["first_load_s"] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline void report(benchmark::State& state, const std::string& path) {
  state.SetBytesProcessed(int64_t(state.iterations()) * kRawBytes);
  state.counters["file_MB"] = double(std::filesystem::file_size(path)) / 1e6;
}

}  // namespace qm::bench
