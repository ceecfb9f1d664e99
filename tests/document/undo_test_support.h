#pragma once
// Helpers of the undo tests: a private spill directory, and a snapshot of a
// document (stack, attributes, current layer, pixel hashes) to compare with.
#include <dirent.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "document/document.h"

namespace qm::test {

// A fresh directory under the system temporary path, removed with its files.
class TempDir {
 public:
  TempDir() {
    char name[] = "/tmp/qm_undo_test_XXXXXX";
    if (char* made = ::mkdtemp(name)) path_ = made;
  }
  ~TempDir() {
    for (const std::string& f : files()) ::unlink((path_ + "/" + f).c_str());
    ::rmdir(path_.c_str());
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::vector<std::string> files() const {
    std::vector<std::string> out;
    if (DIR* d = ::opendir(path_.c_str())) {
      while (const dirent* e = ::readdir(d))
        if (e->d_name[0] != '.') out.push_back(e->d_name);
      ::closedir(d);
    }
    return out;
  }
  size_t file_count() const { return files().size(); }

 private:
  std::string path_;
};

// Transparent pixels count as kTransparent whatever their colour: undo keeps
// no colour for them (tests of exact values look at the pixels themselves).
inline uint64_t pixel_hash(const LayerImage& image) {
  uint64_t h = 1469598103934665603u;
  for (size_t i = 0; i < image.pixel_count(); ++i) {
    const Pixel p = image.pixels()[i];
    h = (h ^ (alpha_of(p) ? p : kTransparent)) * 1099511628211u;
  }
  return h;
}

struct LayerState {
  std::string name;
  int blend_mode, opacity, mask_mode, flags;
  uint64_t hash;
  friend bool operator==(const LayerState&, const LayerState&) = default;
};

struct Snapshot {
  int width = 0, height = 0, current = 0;
  std::vector<LayerState> layers;
  friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

inline Snapshot snapshot(const Document& doc) {
  Snapshot s{doc.width(), doc.height(), doc.current_index(), {}};
  for (int i = 0; i < doc.layer_count(); ++i) {
    const Layer& l = *doc.layer_at(i);
    s.layers.push_back({l.name, l.blend_mode, l.opacity, l.mask_mode, l.flags, pixel_hash(l.image)});
  }
  return s;
}

inline std::ostream& operator<<(std::ostream& os, const Snapshot& s) {
  os << s.width << "x" << s.height << " current " << s.current << " [";
  for (const LayerState& l : s.layers)
    os << " {" << l.name << " " << l.blend_mode << "/" << l.opacity << "/" << l.mask_mode << "/"
       << l.flags << " #" << std::hex << (l.hash & 0xFFFF) << std::dec << "}";
  return os << " ]";
}

// Deterministic pseudo-random numbers for test data.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed * 2654435761u + 1) {}
  uint32_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return uint32_t(state_ >> 16);
  }
  int below(int n) { return int(next() % uint32_t(n)); }
  // Opaque, half-transparent or transparent (kTransparent) pixels.
  Pixel pixel() {
    const int k = below(4);
    if (k == 0) return kTransparent;
    return (next() & 0x00FFFFFF) | (k == 1 ? 0x80000000u : 0xFF000000u);
  }

 private:
  uint64_t state_;
};

inline void fill_random(LayerImage& image, Rect r, Rng& rng) {
  r = intersect(r, image.bounds());
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) image.row(y)[x] = rng.pixel();
}

}  // namespace qm::test
