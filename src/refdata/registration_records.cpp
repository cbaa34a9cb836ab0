// Registration records: making them unique after reading, the registration
// forms, and the binary-search and in-text look-ups.
#include "refdata/registration_records.h"

#include <algorithm>

namespace gwr {

std::vector<DbaseRecord> dbaseRecords;

namespace {

constexpr std::size_t minDashlessLength = 5;  // characters

bool lf_byRegistration(const DbaseRecord& a, const DbaseRecord& b) { return a.registration < b.registration; }

} // namespace

void gf_uniqueDbaseRecords() {
  // Stable, so that of two records for one registration the first read wins.
  // The shipped database comes sorted: checking that costs far less.
  if (!std::is_sorted(dbaseRecords.begin(), dbaseRecords.end(), lf_byRegistration))
    std::stable_sort(dbaseRecords.begin(), dbaseRecords.end(), lf_byRegistration);
  const auto end = std::unique(dbaseRecords.begin(), dbaseRecords.end(),
                               [](const DbaseRecord& a, const DbaseRecord& b) { return a.registration == b.registration; });
  dbaseRecords.erase(end, dbaseRecords.end());
  dbaseRecords.shrink_to_fit();
}

std::vector<std::string> gf_registrationVariants(const std::string& registration) {
  std::vector<std::string> forms;
  if (registration.size() >= minDashlessLength && registration.front() != 'N' &&
      registration.find('-') == std::string::npos) {
    forms.push_back(registration.substr(0, 2) + "-" + registration.substr(2));
    forms.push_back(registration.substr(0, 1) + "-" + registration.substr(1));
  }
  forms.push_back(registration);
  return forms;
}

const DbaseRecord* gf_findDbaseRecord(const std::string& registration) {
  const auto found = std::lower_bound(
      dbaseRecords.begin(), dbaseRecords.end(), registration,
      [](const DbaseRecord& record, const std::string& wanted) { return record.registration < wanted; });
  if (found == dbaseRecords.end() || found->registration != registration) return nullptr;
  return &*found;
}

std::optional<LivKey> gf_lookupRegistration(const std::string& registration) {
  if (registration.empty()) return std::nullopt;
  for (const std::string& form : gf_registrationVariants(registration)) {
    if (const DbaseRecord* record = gf_findDbaseRecord(form)) return record->key;
  }
  return std::nullopt;
}

std::optional<std::string> gf_registrationInText(const std::string& text) {
  // A registration counts only as a whole word: "N12" is not in "N123".
  const auto isRegistrationChar = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
  };
  for (const DbaseRecord& record : dbaseRecords) {
    const std::string& registration = record.registration;
    // An empty registration would occur in every text; the reader skips
    // those, this keeps the search sound whatever the table holds.
    if (registration.empty() || registration.size() >= shortRegistrationLength) continue;
    for (std::size_t at = text.find(registration); at != std::string::npos; at = text.find(registration, at + 1)) {
      const std::size_t after = at + registration.size();
      const bool boundedBefore = at == 0 || !isRegistrationChar(text[at - 1]);
      const bool boundedAfter = after == text.size() || !isRegistrationChar(text[after]);
      if (boundedBefore && boundedAfter) return registration;
    }
  }
  return std::nullopt;
}

} // namespace gwr
