// The fixed folder and file layout: places relative to the program's folder,
// the per-user folder, and opening folders for the user in the desktop shell.
#pragma once

#include <array>
#include <filesystem>
#include <string_view>

namespace gwr {

// Names that other modules join with the simulator's or the user's folders.
inline constexpr std::string_view communityFolderName = "Community";
inline constexpr std::string_view officialFolderName = "Official";
inline constexpr std::string_view official2024FolderName = "Official2024";
inline constexpr std::string_view streamedPackagesFolderName = "StreamedPackages";
inline constexpr std::string_view fsBasePackageName = "fs-base";  // passed over by the airport scan
inline constexpr std::string_view installerFileName = "install_new_version.exe";
inline constexpr std::string_view releaseNotesFileName = "ReleaseNotes.pdf";
inline constexpr std::string_view insideSystemsFolderName = "InsideSystems";
inline constexpr std::string_view learnedFolderName = "learned";
inline constexpr std::string_view stockFolderName = "stock";
inline constexpr std::string_view simaddonFolderName = "simaddon";
inline constexpr std::string_view thirdpartyFolderName = "thirdparty";
inline constexpr std::string_view infoFolderName = "info";
inline constexpr std::string_view errorsFolderName = "errors";
inline constexpr std::string_view perUserFolderName = "Gatewright";
inline constexpr std::string_view parametersFileName = "parameters.xml";
inline constexpr std::string_view flightPlanFolderName = "orig_dest";
inline constexpr std::string_view docsFolderName = "docs";
inline constexpr std::string_view manualFileName = "Manual.pdf";

// Folders of the working folder (the program's folder). Inline, so that every
// module's static initialisation sees them already built.
inline const std::filesystem::path inputFolder{"input"};
inline const std::filesystem::path myRegcodesFolder = inputFolder / "my_regcodes";
inline const std::filesystem::path outputFolder{"output"};
inline const std::filesystem::path infoFolder = outputFolder / infoFolderName;
inline const std::filesystem::path errorsFolder = outputFolder / errorsFolderName;
inline const std::filesystem::path airportsFolder{"airports"};
inline const std::filesystem::path learnedFolder = airportsFolder / learnedFolderName;
inline const std::filesystem::path learnedStockFolder = learnedFolder / stockFolderName;
inline const std::filesystem::path learnedSimaddonFolder = learnedFolder / simaddonFolderName;
inline const std::filesystem::path learnedThirdpartyFolder = learnedFolder / thirdpartyFolderName;
inline const std::filesystem::path mySimaddonFolder = airportsFolder / "my_simaddon";
inline const std::filesystem::path myThirdpartyFolder = airportsFolder / "my_thirdparty";
inline const std::filesystem::path docsFolder{docsFolderName};
inline const std::filesystem::path tbloFolder{"tblo"};
inline const std::filesystem::path newVersionFolder{"new_version"};

// The folders the start-up creates when missing, in the order it creates them.
inline const std::array<std::filesystem::path, 11> createdFolders{
    outputFolder,       infoFolder,           errorsFolder,
    airportsFolder,     learnedFolder,        learnedStockFolder,
    learnedSimaddonFolder, learnedThirdpartyFolder, mySimaddonFolder,
    myThirdpartyFolder, myRegcodesFolder};

// Files of the working folder.
inline const std::filesystem::path dbaseEncFile = inputFolder / "dbase.enc";
inline const std::filesystem::path dbaseXmlFile = inputFolder / "dbase.xml";
inline const std::filesystem::path airportsEncFile = inputFolder / "airports.enc";
inline const std::filesystem::path airportsXmlFile = inputFolder / "airports.xml";
inline const std::filesystem::path regcodesEncFile = inputFolder / "AIG-regcodes.enc";
inline const std::filesystem::path regcodesXmlFile = inputFolder / "AIG-regcodes.xml";
inline const std::filesystem::path icaoAirportsFile = inputFolder / "ICAO_airports.txt";
inline const std::filesystem::path liveriesScannedFile = outputFolder / "LiveriesScanned.xml";
inline const std::filesystem::path objectIdListFile = infoFolder / "ObjectIdList.txt";
inline const std::filesystem::path airportsScanLogFile = infoFolder / "AirportsScanLog.txt";
inline const std::filesystem::path noFltsimSectionFile = infoFolder / "AircraftCfgWithNoFltsimSection.txt";
inline const std::filesystem::path offlineRegcodesFile = infoFolder / "OfflineRegcodes.txt";
inline const std::filesystem::path inlineRegcodesFile = errorsFolder / "InlineRegcodes.txt";
inline const std::filesystem::path invalidAirlineCodesFile = errorsFolder / "InvalidAirlineCodes.txt";
inline const std::filesystem::path invalidAircraftCodesFile = errorsFolder / "InvalidAircraftCodes.txt";
inline const std::filesystem::path fixesFile = errorsFolder / "Fixes.txt";
inline const std::filesystem::path invalidAircraftCfgFilesFile = errorsFolder / "InvalidAircraftCfgFiles.txt";
// The name is spelled so on disk.
inline const std::filesystem::path incompleteFltsimSectionsFile = errorsFolder / "IncompleFltsimSections.txt";
inline const std::filesystem::path myParkAirportsFile = airportsFolder / "my_park_airports.txt";
inline const std::filesystem::path tbloZipFile{"tblo.zip"};

// The roaming and local application data folders; an empty path, and one
// error line in the log, when the platform names none.
std::filesystem::path gf_getAppDataFolder();
std::filesystem::path gf_getLocalAppDataFolder();

// The per-user folder (roaming application data / "Gatewright", or the
// relative "Gatewright" when that folder is unknown) and its "parameters.xml".
// Worked out once, on first use.
std::filesystem::path gf_perUserFolder();
std::filesystem::path gf_parametersFile();
// Tests only: work the per-user paths out again on next use (after the
// known-folder root or the environment changed).
void gf_resetPerUserPathsForTests();

// The AI flight-plan folder: empty until the traffic engine creates it for a
// run. Written and read only on the traffic thread.
inline std::filesystem::path flightPlanFolder;

// Opens, in the desktop shell, the folder that holds path. False when path
// does not exist, has no folder part, or the shell fails. A failing status
// query throws std::filesystem::filesystem_error.
bool gf_openContainingFolder(const std::filesystem::path& path);
// Open the per-user folder / the folder of "docs"/"Manual.pdf"; on failure
// show a message box and return false.
bool gf_openParametersFolder();
bool gf_openManualFolder();

} // namespace gwr
