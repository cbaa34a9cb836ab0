// Random choice: one engine per thread; the setting RANDOM switches the index
// and the shuffle off (first candidate, order kept) but not the variation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace gwr {

// This thread's engine, seeded on first use.
std::mt19937& gf_threadRandomEngine();

// An index into n candidates: 0 when RANDOM is off or n < 2, else uniform in [0, n-1].
std::size_t gf_randomIndex(std::size_t n);

// Permutes model indexes in place; untouched when RANDOM is off or fewer than 2.
void gf_shuffle(std::vector<std::uint16_t>& modelIndexes);

// value made larger or smaller by percent, the sign drawn at random; a
// percent of 0 or less gives value.
double gf_randomVariation(double value, double percent);

} // namespace gwr
