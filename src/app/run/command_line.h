// The program's command-line switches: "--production"/"/production" and
// "--no-production"/"/no-production", case-insensitive, the last one wins.
#pragma once

#include <span>
#include <string_view>

namespace gwr {

// The production value of the arguments after the program path; false when no
// switch is given.
bool gf_parseProductionSwitch(std::span<const std::string_view> arguments);

} // namespace gwr
