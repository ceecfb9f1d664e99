#include "paint/random.h"

#include <chrono>

namespace qm {

std::mt19937& shared_random() {
  static std::mt19937 generator;
  return generator;
}

void seed_shared_random(uint32_t seed) { shared_random().seed(seed); }

uint32_t seed_shared_random_from_clock() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  const uint32_t seed = uint32_t(ms.count());
  seed_shared_random(seed);
  return seed;
}

}  // namespace qm
