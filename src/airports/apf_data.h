// The airport stand file in memory: the park airport's header and the record
// of one airport as the writer takes it, with the file's two write modes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "airports/stand_record.h"
#include "core/fixed_code.h"

namespace gwr {

using StandTable = std::vector<StandRecord>;

struct ApfHeader {
  std::string airport_name;
  std::string publisher;
  std::int32_t altitude = 0;  // feet; airports below sea level are negative
};

struct ManifestInfo {
  std::string title;
  std::string version;
  std::string manufacturer;
  std::string creator;
};

enum class ApfMode : std::uint8_t { Learned = 0, Generated = 1 };

struct ApfData {
  FixedCode<4> icao;  // empty = no code
  bool Facilities = false;
  std::string airport_name;
  std::filesystem::path packageFolder;
  std::string BGLpath;
  std::string publisher;  // "stock", "simaddon", an add-on publisher, or empty
  std::optional<ManifestInfo> manifest;
  std::int32_t Qf_real = -1;
  std::int32_t Qf_soft = -1;
  std::int32_t altitude = 0;  // feet
  bool handmade = false;      // the airport's file or its learned file is handmade
  StandTable stands;
};

inline constexpr std::string_view stockPublisher = "stock";
inline constexpr std::string_view simaddonPublisher = "simaddon";

} // namespace gwr
