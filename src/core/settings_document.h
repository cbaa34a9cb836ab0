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

// Loads the file into document (cleared first) with the user's comments,
// processing instructions and DOCTYPE, so that none is lost when the file is
// written back.
SettingsFileRead gf_readSettingsDocument(const std::filesystem::path& path, pugi::xml_document& document);

// The `parameters` element a single save or the loader writes into: inside
// `root` when the document has one, else at document level; made when
// missing. Empty when it could not be made.
pugi::xml_node gf_writableParameters(pugi::xml_document& document);

// Puts `root` around the user's nodes, everything they put in kept; the
// prolog before the first element (declaration, DOCTYPE, instructions,
// comments) stays outside. False when root could not be made.
bool gf_placeRoot(pugi::xml_document& document);

} // namespace gwr
