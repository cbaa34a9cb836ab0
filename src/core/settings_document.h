// Reading parameters.xml with care: a missing file, one that cannot be read
// and a damaged one are told apart, and only the program's own structure is kept.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include <pugixml.hpp>

namespace gwr {

// Deeper documents count as damaged: the settings need three levels.
inline constexpr std::size_t maxSettingsDepth = 32;  // nesting levels of nodes

enum class SettingsFileState {
  missing,     // no file: it may be made anew
  unreadable,  // there but not readable (rights, a folder, a link loop): never written over
  damaged,     // read but not usable XML, or nested too deep
  loaded,
};

struct SettingsFileRead {
  SettingsFileState state = SettingsFileState::missing;
  std::string cause;  // why it is not loaded; empty when loaded or missing
};

// Loads the file into document (cleared first) with the parser's defaults.
SettingsFileRead gf_readSettingsDocument(const std::filesystem::path& path, pugi::xml_document& document);

// Makes kept hold root with the meta block's `info` elements and the
// `parameter` elements of loaded (under its root or at document level), each
// with its attributes only. Anything else in loaded is left behind, so that a
// write-back cannot grow the file.
void gf_keepOwnStructure(const pugi::xml_node& loaded, pugi::xml_document& kept);

} // namespace gwr
