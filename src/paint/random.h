#pragma once
// The one pseudo-random generator of painting and filters (the spray's dots,
// noise filters …): a Mersenne twister, seeded once. The program seeds it from
// the clock at start-up; tests seed it with a fixed value so a run repeats.
// Used from one thread at a time (the document is touched by one thread).
#include <cstdint>
#include <random>

namespace qm {

std::mt19937& shared_random();
void seed_shared_random(uint32_t seed);
// Seeds from the steady clock's milliseconds; returns the seed used.
uint32_t seed_shared_random_from_clock();

}  // namespace qm
