// The three-part version number of the program and of downloaded data.
#pragma once

#include <compare>
#include <cstdint>
#include <string>

namespace gwr {

inline constexpr const char* programName = "Gatewright";

struct VersionData {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t patch = 0;

  constexpr VersionData() = default;
  constexpr VersionData(std::uint32_t ma, std::uint32_t mi, std::uint32_t pa) : major(ma), minor(mi), patch(pa) {}
  // "a.b.c" or a JSON object {"major","minor","patch"}; never throws: a bad
  // text gives 0.0.0 and one log line.
  explicit VersionData(const std::string& text);

  std::string text() const;  // "{}.{}.{}"
  auto operator<=>(const VersionData&) const = default;
};

// The running program's version, 12.5.5.
extern const VersionData programVersion;

} // namespace gwr
