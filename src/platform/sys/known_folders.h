// The known folders: the roaming and local application data folders (XDG
// config and data homes here), the programs folders, and a root for tests.
#pragma once

#include <filesystem>
#include <optional>

namespace gwr::platform {

// The programs folders stand for Program Files and Program Files (x86): here
// "/opt" and none.
enum class KnownFolder { RoamingAppData, LocalAppData, ProgramFiles, ProgramFilesX86 };

// The folder, or nullopt when the environment names none.
std::optional<std::filesystem::path> knownFolderPath(KnownFolder folder);

// Tests point every folder below one root; an empty path restores the default.
void setKnownFolderRootForTests(const std::filesystem::path& root);

} // namespace gwr::platform
