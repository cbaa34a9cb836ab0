// The registration records of the reference database: registration -> livery
// key, sorted for binary search, and the look-ups by registration.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "refdata/livery_key.h"

namespace gwr {

inline constexpr std::size_t reservedDbaseRecords = 65536;
// A registration this short may be searched for inside livery titles.
inline constexpr std::size_t shortRegistrationLength = 6;  // characters, exclusive

struct DbaseRecord {
  std::string registration;  // as written in the database, never empty
  LivKey key;                // fromDbase = 1
};

// Sorted ascending by registration (byte order), one record per
// registration; filled once by the reader, read-only afterwards.
extern std::vector<DbaseRecord> dbaseRecords;

// Sorts, keeps the first record (in reading order) of each registration and
// cuts the capacity to the size.
void gf_uniqueDbaseRecords();

// The forms a registration is looked up under, in the order tried: for 5 or
// more characters, not starting with 'N' and without '-', "DA-IPX" and
// "D-AIPX" before the registration itself.
std::vector<std::string> gf_registrationVariants(const std::string& registration);

// The key of the first form found; none for the empty registration.
std::optional<LivKey> gf_lookupRegistration(const std::string& registration);

// The record of exactly this registration, or null.
const DbaseRecord* gf_findDbaseRecord(const std::string& registration);

// The first (ascending) registration shorter than shortRegistrationLength
// that occurs in text as a whole word, case-sensitive.
std::optional<std::string> gf_registrationInText(const std::string& text);

} // namespace gwr
