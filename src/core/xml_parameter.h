// The `parameter` elements (name and value) shared by parameters.xml and the
// airport stand files, and the one save function of every XML file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace gwr {

// The `parameters` element: under `root` when the node has one, else directly
// under the node. An empty node when there is none.
pugi::xml_node gf_findParametersNode(const pugi::xml_node& node);

// The first `parameter` whose name is key byte for byte; nothing when there is
// no `parameters` element or no match. A match without `value` reads as
// false, 0 or "".
std::optional<bool> gf_readBoolParameter(const pugi::xml_node& node, std::string_view key);
std::optional<int> gf_readIntParameter(const pugi::xml_node& node, std::string_view key);
std::optional<std::string> gf_readStringParameter(const pugi::xml_node& node, std::string_view key);

// Append <parameter name=key value=.../>; false when a part could not be made.
bool gf_appendBoolParameter(pugi::xml_node parameters, std::string_view key, bool value);
bool gf_appendIntParameter(pugi::xml_node parameters, std::string_view key, int value);
bool gf_appendStringParameter(pugi::xml_node parameters, std::string_view key, std::string_view value);

// False when the attribute could not be made.
bool gf_appendAttribute(pugi::xml_node node, std::string_view name, std::string_view value);
bool gf_setOrAppendAttribute(pugi::xml_node node, std::string_view name, std::string_view value);

// Ensures the declaration <?xml version="1.0" encoding="UTF-8"?>, then writes
// the document indented by two blanks. The file is written beside its place
// and renamed over it, so a reader never sees half a file; a symbolic link is
// written through to its target and the file keeps its permissions. A
// read-only file is not written. Every failure is logged with its cause.
bool gf_saveXml(pugi::xml_document& document, const std::filesystem::path& path);

} // namespace gwr
