// The user's known folders: the roaming and local application data folders
// (XDG config and data homes here), with a root that tests can inject.
#pragma once

#include <filesystem>
#include <optional>

namespace gwr::platform {

enum class KnownFolder { RoamingAppData, LocalAppData };

// The folder, or nullopt when the environment names none.
std::optional<std::filesystem::path> knownFolderPath(KnownFolder folder);

// Tests point both folders below one root; an empty path restores the default.
void setKnownFolderRootForTests(const std::filesystem::path& root);

} // namespace gwr::platform
