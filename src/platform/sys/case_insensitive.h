// Lookups of names written by Windows users and tools, which ignore letter case.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace gwr::platform {

// ASCII case-insensitive comparisons; other bytes compare as they are.
bool equalsNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view text, std::string_view prefix);
// An empty part is in every text.
bool containsNoCase(std::string_view text, std::string_view part);

// The child of folder whose name equals name without regard to case; an exact
// match wins. nullopt when there is none or the folder cannot be read.
std::optional<std::filesystem::path> findChildNoCase(const std::filesystem::path& folder,
                                                     std::string_view name);

} // namespace gwr::platform
