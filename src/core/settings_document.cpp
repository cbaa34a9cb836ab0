// Loading parameters.xml into memory after checking what the path is, and
// readying it to be written back with everything the user put in it.
#include "core/settings_document.h"

#include <cerrno>
#include <system_error>

#include <fmt/format.h>

#include "core/text_files.h"
#include "platform/sys/folder_listing.h"
#include "platform/sys/native_path.h"

namespace gwr {

namespace {

// The parser's defaults and what the user may have written besides elements.
// Not the declaration: it is the program's own, and reading its attributes
// would refuse files with a sloppy one that are read today.
constexpr unsigned int settingsParseOptions =
    pugi::parse_default | pugi::parse_doctype | pugi::parse_pi | pugi::parse_comments;

// Walks the tree without recursion: a hostile file may nest millions deep.
bool lf_nestedDeeperThan(const pugi::xml_node& top, std::size_t limit) {
  std::size_t depth = 1;
  pugi::xml_node node = top.first_child();
  while (node) {
    if (depth > limit) return true;
    if (const pugi::xml_node child = node.first_child()) {
      node = child;
      ++depth;
      continue;
    }
    while (!node.next_sibling()) {
      node = node.parent();
      --depth;
      if (node == top) return false;
    }
    node = node.next_sibling();
  }
  return false;
}

} // namespace

SettingsFileRead gf_readSettingsDocument(const std::filesystem::path& path, pugi::xml_document& document) {
  document.reset();
  std::error_code error;
  const platform::FileLook look = platform::lookAt(path, error);
  if (!look.exists() && !error) return {SettingsFileState::missing, {}};
  if (error) return {SettingsFileState::unreadable, error.message()};
  if (look.isFolder()) return {SettingsFileState::unreadable, "it is a folder"};
  if (!look.isRegular())
    return {SettingsFileState::unreadable, "it is not a regular file"};

  // Opened without blocking and looked at again on the descriptor: a pipe
  // swapped in after the look above is refused, not waited on.
  std::string text;
  std::string cause;
  if (!gf_readFileBytes(path, text, cause)) {
    if (platform::kindOfFile(path) == platform::FileKind::missing && errno == ENOENT)
      return {SettingsFileState::missing, {}};
    return {SettingsFileState::unreadable, cause};
  }

  const pugi::xml_parse_result parsed = document.load_buffer(text.data(), text.size(), settingsParseOptions);
  if (!parsed) return {SettingsFileState::damaged, parsed.description()};
  if (lf_nestedDeeperThan(document, maxSettingsDepth)) {
    document.reset();
    return {SettingsFileState::damaged, fmt::format("nested deeper than {} levels", maxSettingsDepth)};
  }
  return {SettingsFileState::loaded, {}};
}

pugi::xml_node gf_writableParameters(pugi::xml_document& document) {
  const pugi::xml_node root = document.child("root");
  pugi::xml_node holder = root ? root : static_cast<pugi::xml_node>(document);
  const pugi::xml_node parameters = holder.child("parameters");
  return parameters ? parameters : holder.append_child("parameters");
}

bool gf_placeRoot(pugi::xml_document& document) {
  if (document.child("root")) return true;
  pugi::xml_node root = document.append_child("root");
  if (!root) return false;
  pugi::xml_node node = document.first_child();
  while (node != root && node.type() != pugi::node_element) node = node.next_sibling();
  while (node != root) {
    const pugi::xml_node next = node.next_sibling();
    root.append_move(node);
    node = next;
  }
  return true;
}

} // namespace gwr
