// The livery scan: which folders to search (the detected AI packages or the
// lfolder settings), the search, the priority pass and the result file.
#pragma once

#include <array>
#include <filesystem>
#include <string_view>
#include <vector>

namespace gwr {

// User errors of the scan.
inline constexpr int noAiPackagesError = 43;
inline constexpr int noLfolderSetError = 48;
inline constexpr int noLiveriesManualError = 53;
inline constexpr int noLiveriesAutomaticError = 143;
inline constexpr int missingLfolderError = 243;

inline constexpr std::size_t reservedScanFolders = 10;
// Folder ranks above this are not told apart.
inline constexpr int maxFolderRank = 10;

using FolderList = std::vector<std::filesystem::path>;

// Appends at most one package folder of the "Community" folder.
using AiPackageDetector = void (*)(const std::filesystem::path& community, FolderList& folders);

enum class ScanResult {
  Written,  // LiveriesScanned.xml holds the new result
  Stopped,  // a stop request ended the scan; the previous result stays
};

// Runs one scan on the start-up thread. SCAN_LIVERIES is switched off only
// when a new result was written. A file that cannot be searched in time is
// left out and reported; a package folder that cannot be read (a looping
// link) is skipped. Throws UserErrorException 43, 48, 53, 54, 143 or 243,
// std::runtime_error when AI_PACKAGE_SELECTOR holds no known ordering or no
// worker place comes free (every worker hangs), or a filesystem_error when the
// "Community" folder cannot be listed.
ScanResult gf_scanLiveries();

// Automatic mode: the package folders in the order AI_PACKAGE_SELECTOR gives,
// then the user's own AI traffic.
void gf_findAiPackages(const std::filesystem::path& community, FolderList& folders);

// Manual mode: the folders of lfolder0 .. lfolder9; error 243 for one that
// does not exist.
void gf_checkLiveryFolderParameters(FolderList& folders);

// Keeps, for each airline, operator and model, only the liveries of the
// lowest folder rank that has any.
void gf_prioritizeLiveries();

} // namespace gwr
