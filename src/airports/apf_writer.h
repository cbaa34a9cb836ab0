// Writing an airport stand file: the generated form made by the airport scan
// and the learned form that keeps what stand learning found.
#pragma once

#include <cstdint>
#include <filesystem>

#include <pugixml.hpp>

#include "airports/apf_data.h"

namespace gwr {

// sim: 1 MSFS 2020, 2 MSFS 2024. True when the file was saved.
bool gf_writeApf(const ApfData& data, const std::filesystem::path& file, ApfMode mode, std::int32_t sim);

// Appends root/parameters with the header parameters; false when a part
// could not be made.
bool gf_writeApfParameters(pugi::xml_node root, const ApfData& data, ApfMode mode);

} // namespace gwr
