// Finding the simulator's packages folder (the one holding "Community" and the
// official packages) for the edition in use: Steam first, then UserCfg.opt.
#pragma once

#include <filesystem>
#include <string>

namespace gwr {

class StringParameter;

std::filesystem::path gf_packageFamilyName();  // the store package of the edition
std::filesystem::path gf_steamFolderName();    // its Steam folder in AppData

// The first existing UserCfg.opt of the four candidates, or an empty path.
std::filesystem::path gf_userCfgOptPath();
// AppData / Steam folder / "Packages" when it exists, else an empty path.
std::filesystem::path gf_steamPackagesPath();
// The folder UserCfg.opt names as InstalledPackagesPath when it exists; a
// named folder that does not exist is reported and an empty path given.
std::filesystem::path gf_installedPackagesPath();
// The folder and its "Community" and official subfolders are folders.
bool gf_isValidPackagesPath(const std::filesystem::path& packages);

// Detects a valid packages folder and stores it, as UTF-8 text, in the
// edition's install-path setting (saved) and in ALL_INSTALL_PATH (shown).
bool gf_detectPackagesPath();

// The install-path setting of the edition in use.
StringParameter& gf_editionInstallPath();

// A stored install path that names the Community folder itself loses that
// last part (saved at once); only the trailing "\Community" or "/Community".
void gf_trimCommunityEnding();

} // namespace gwr
