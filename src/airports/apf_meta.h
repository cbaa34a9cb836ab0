// The meta block an airport stand file must carry before any reader takes it.
#pragma once

#include <optional>
#include <string_view>

#include <pugixml.hpp>

#include "core/xml_meta.h"

namespace gwr {

// The header as gf_readMeta gives it, and only when author, version, date,
// copyright and sim (the first entry of each name) are present and not empty.
// A missing or empty entry is logged with the file's name; none then.
std::optional<MetaInfo> gf_readApfMeta(const pugi::xml_node& document, std::string_view file);

} // namespace gwr
