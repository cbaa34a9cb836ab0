// Reading parameters.xml with care: a missing file, one that cannot be read
// and a damaged one are told apart; a loaded one is written back as it is.
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

// Readies a loaded document to be written back whole: everything the user
// put in it stays (elements and attributes the program does not know too); a
// document without `root` gets one around its nodes, and `parameters` is made
// inside root when missing. The `parameters` element, empty when it could not be made.
pugi::xml_node gf_prepareWriteBack(pugi::xml_document& document);

} // namespace gwr
