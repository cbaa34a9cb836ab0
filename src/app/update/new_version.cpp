// The program update: the zip is unpacked into a staging folder and moves into
// "new_version" only when every entry came out whole.
#include "app/update/new_version.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <system_error>
#include <vector>

#include <fmt/format.h>

#include "app/update/refused_downloads.h"
#include "core/download.h"
#include "core/exit_reason.h"
#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/run_state.h"
#include "core/status_line.h"
#include "core/text_files.h"
#include "core/zip_archive.h"
#include "platform/sys/elevation.h"
#include "platform/sys/folder_listing.h"
#include "platform/sys/known_folders.h"
#include "platform/sys/native_path.h"
#include "platform/sys/shell.h"

namespace gwr {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view releaseUrlFolder = "release";
constexpr std::string_view docsUrlFolder = "docs";
constexpr std::string_view writeProbeFileName = ".write_test.tmp";
constexpr const char* messageBoxCaption = "GWRT";

// Unpacked here first; a failed unpacking never reaches "new_version".
const fs::path stagingFolder{"new_version.part"};
const fs::path programZipFile{programZipFileName};
const fs::path unpackedInstaller{installerFileName};

std::uint64_t installerLimit = installerLimitBytes;

std::string lf_text(const fs::path& path) { return platform::pathToUtf8(path); }

// What comes out of the archive must fit on the disk with room to spare.
bool lf_fitsDisk(const ZipArchive::Entry& entry, const fs::path& into) {
  std::error_code error;
  const fs::space_info space = fs::space(fs::absolute(into, error), error);
  if (!error && space.available < entry.size + freeSpaceMarginBytes) {
    gf_logError(fmt::format("Zip entry '{}' refused: {} bytes, but only {} bytes free", entry.name, entry.size,
                            space.available));
    return false;
  }
  return true;
}

// Leftovers of an earlier attempt must not pass for this run's download.
void lf_removeLeftovers() {
  if (const std::error_code error = gf_removeIfPresent(programZipFile))
    gf_logError(fmt::format("Warning: could not remove old {}: {}", lf_text(programZipFile), error.message()));
  if (const std::error_code error = gf_removeIfPresent(unpackedInstaller))
    gf_logError(fmt::format("Warning: could not remove old installer: {}", error.message()));
  std::error_code ignored;
  gf_removeTree(stagingFolder, ignored);
}

FetchOutcome lf_downloadProgramZip(const VersionData& version) {
  const std::string url = fmt::format("{}{}/{}/{}", gf_downloadFolderUrl(), releaseUrlFolder, programName,
                                      programZipFileName);
  const CurlHandle handle = gf_newCurlHandle();
  const DownloadResult fetched = gf_fetchFile(handle.get(), url, programZipFile, installerLimit, DownloadSize::installer);
  if (fetched) {
    gf_log(fmt::format("Downloaded {}", lf_text(programZipFile)));
    return FetchOutcome::done;
  }
  setStatusText(fmt::format("Downloading program installer file version {} failed", version.text()), true);
  return fetched.tooLarge ? FetchOutcome::refused : FetchOutcome::failed;
}

// How the unpacking of the program zip ended: an archive that is no zip,
// unpacks beyond an installer's size or holds no installer is unusable as it
// stands; other failures may be this machine's (a full disk).
enum class Unpacked { whole, unusable, failed };

// One entry into the folder; entries whose names would leave it are refused.
// Anything but whole when a file entry could not be unpacked whole.
Unpacked lf_unpackEntry(const ZipArchive& archive, const ZipArchive::Entry& entry, const fs::path& into,
                        std::vector<fs::path>& files, std::uint64_t& unpacked) {
  if (!ZipArchive::isSafeEntryName(entry.name)) {
    gf_logError(fmt::format("Zip entry '{}' refused: it would be written outside {}", entry.name, lf_text(into)));
    return Unpacked::whole;
  }
  const fs::path relative = platform::pathFromUtf8(entry.name);
  const fs::path target = into / relative;
  std::error_code error;
  gf_makeFolders(entry.directory ? target : target.parent_path(), error);
  if (error) {
    gf_logError(fmt::format("Could not create folder for {}: {}", lf_text(target), error.message()));
    return Unpacked::failed;
  }
  if (entry.directory) return Unpacked::whole;
  // A hostile archive can unpack a few megabytes into gigabytes.
  if (unpacked + entry.size > installerLimit) {
    gf_logError(fmt::format("Zip entry '{}' refused: the archive unpacks to more than {} bytes", entry.name,
                            installerLimit));
    return Unpacked::unusable;
  }
  unpacked += entry.size;
  if (!lf_fitsDisk(entry, into)) return Unpacked::failed;
  std::string problem;
  int code = 0;
  if (!archive.extract(entry, target, problem, code)) {
    gf_logError(fmt::format("Unzipping error code: {}", code));
    gf_logError(fmt::format("Zip entry '{}' not unpacked: {}", entry.name, problem));
    return Unpacked::failed;
  }
  gf_log(fmt::format("{} unzipped to {}", lf_text(programZipFile), lf_text(target)));
  files.push_back(relative);
  return Unpacked::whole;
}

// The whole archive into the folder, the installer under its fixed name: the
// entry of that name, or the only file of the archive.
Unpacked lf_unpackProgramZip(const fs::path& into) {
  std::vector<fs::path> files;
  std::uint64_t unpacked = 0;
  try {
    const ZipArchive archive = ZipArchive::openForReading(programZipFile);
    for (const ZipArchive::Entry& entry : archive.entries())
      if (const Unpacked result = lf_unpackEntry(archive, entry, into, files, unpacked); result != Unpacked::whole)
        return result;
  } catch (const std::exception& e) {
    gf_logError(fmt::format("Could not open {} ({})", lf_text(programZipFile), e.what()));
    return Unpacked::unusable;
  }
  const fs::path installer = into / installerFileName;
  if (platform::lookAt(installer).isRegular()) return Unpacked::whole;
  if (files.size() != 1) {
    gf_logError(fmt::format("{} holds no single installer ({} files)", lf_text(programZipFile), files.size()));
    return Unpacked::unusable;
  }
  const std::error_code error = platform::renameFile(into / files.front(), installer);
  if (!error) return Unpacked::whole;
  gf_logError(fmt::format("could not rename {} => {}: {}", lf_text(into / files.front()), lf_text(installer),
                          error.message()));
  return Unpacked::failed;
}

// "new_version" made or emptied of its files, as the installer's folder.
void lf_prepareNewVersionFolder() {
  std::error_code error;
  if (platform::isFolder(newVersionFolder, error)) {
    gf_removeFilesFromDirectory(newVersionFolder);
    return;
  }
  if (!gf_makeFolders(newVersionFolder, error)) throw fs::filesystem_error("make folder", newVersionFolder, error);
}

// Every unpacked file from the staging folder into "new_version".
bool lf_moveStagedFiles() {
  std::error_code error;
  bool moved = true;
  platform::walkTree(stagingFolder, [&](const platform::ListedEntry& entry) {
    if (!entry.isRegular()) return platform::TreeStep::into;
    const fs::path target = newVersionFolder / entry.path.lexically_relative(stagingFolder);
    std::error_code failed;
    gf_makeFolders(target.parent_path(), failed);
    if (!failed) failed = platform::renameFile(entry.path, target);
    if (!failed) return platform::TreeStep::into;
    gf_logError(fmt::format("could not finalize rename {} => {}: {}", lf_text(entry.path), lf_text(target),
                            failed.message()));
    moved = false;
    return platform::TreeStep::stop;
  }, error);
  if (!moved) return false;
  if (!error) return true;
  gf_logError(fmt::format("Could not read {}: {}", lf_text(stagingFolder), error.message()));
  return false;
}

// Path prefix by whole parts, so that "/opt" does not take in "/optional".
bool lf_isBelowKnownFolder(const fs::path& folder, platform::KnownFolder which) {
  const std::optional<fs::path> known = platform::knownFolderPath(which);
  if (!known || known->empty()) return false;
  std::error_code error;
  const fs::path inside = fs::absolute(folder, error).lexically_normal();
  fs::path base = fs::absolute(*known, error).lexically_normal();
  if (error) return false;
  if (!base.has_filename()) base = base.parent_path();
  auto part = inside.begin();
  for (const fs::path& basePart : base) {
    if (part == inside.end() || *part != basePart) return false;
    ++part;
  }
  return true;
}

bool lf_canWriteIn(const fs::path& folder) {
  const fs::path probe = folder / writeProbeFileName;
  std::string cause;
  std::FILE* file = gf_openForWriting(probe, cause);
  if (file == nullptr) return false;
  const bool written = std::fputc('x', file) != EOF;
  const bool closed = std::fclose(file) == 0;
  std::error_code ignored;
  gf_removePath(probe, ignored);
  return written && closed;
}

void lf_requestNewVersionStop() { gf_requestStop(ExitReason::NewVersion, 0); }

// Notes refused for their size once are not fetched again for that version.
void lf_fetchReleaseNotes(const VersionData& version) {
  const FetchOutcome fetched = gf_fetchUnlessRefused(releaseNotesFileName, version, [] {
    const std::string notesUrl = fmt::format("{}{}/{}", gf_downloadFolderUrl(), docsUrlFolder, releaseNotesFileName);
    const CurlHandle handle = gf_newCurlHandle();
    const DownloadResult result =
        gf_fetchFile(handle.get(), notesUrl, newVersionFolder / releaseNotesFileName, releaseNotesMaxBytes,
                     DownloadSize::document);
    if (result) return FetchOutcome::done;
    return result.tooLarge ? FetchOutcome::refused : FetchOutcome::failed;
  });
  if (fetched == FetchOutcome::done || fetched == FetchOutcome::refusedEarlier) return;
  gf_logError(fmt::format("could not download {} to {}", releaseNotesFileName, lf_text(newVersionFolder)));
}

// This run's zip, unpacked; refused when it came too large or unusable.
FetchOutcome lf_fetchNewVersion(const VersionData& version) {
  lf_removeLeftovers();
  FetchOutcome outcome = lf_downloadProgramZip(version);
  bool moved = false;
  if (outcome == FetchOutcome::done) {
    const Unpacked unpacked = lf_unpackProgramZip(stagingFolder);
    if (const std::error_code error = gf_removeIfPresent(programZipFile))
      gf_logError(fmt::format("Warning: could not remove downloaded zip: {}", error.message()));
    if (unpacked == Unpacked::whole) {
      lf_prepareNewVersionFolder();
      moved = lf_moveStagedFiles();
    }
    if (unpacked == Unpacked::unusable) outcome = FetchOutcome::refused;
  }
  std::error_code ignored;
  gf_removeTree(stagingFolder, ignored);
  const fs::path installer = newVersionFolder / installerFileName;
  if (moved && platform::lookAt(installer).isRegular()) return FetchOutcome::done;
  gf_logError(fmt::format("{} does not exists?", lf_text(installer)));
  return outcome == FetchOutcome::refused ? outcome : FetchOutcome::failed;
}

} // namespace

void gf_setInstallerLimit(std::uint64_t bytes) { installerLimit = bytes; }

FetchOutcome downloadNewVersion(const VersionData& version) {
  return gf_fetchUnlessRefused(programZipFileName, version, [&] { return lf_fetchNewVersion(version); });
}

std::string gf_newVersionNotice(const fs::path& folder) {
  const bool under = lf_isBelowKnownFolder(folder, platform::KnownFolder::ProgramFiles) ||
                     lf_isBelowKnownFolder(folder, platform::KnownFolder::ProgramFilesX86);
  if (!under || lf_canWriteIn(folder) || platform::isElevated())
    return "A new version is available.\nThe installer can be executed normally (no Administrator rights required).";
  return "A new version is available. Run the installer as Administrator";
}

void lf_handOverNewVersion(const VersionData& version) {
  lf_fetchReleaseNotes(version);

  const std::string notice = gf_newVersionNotice(fs::current_path());
  gf_log(notice);
  if (!gf_writeTextFile(notice, newVersionFolder / readMeFileName))
    gf_logError(fmt::format("Could not write {}", lf_text(newVersionFolder / readMeFileName)));

  if (!gf_openContainingFolder(newVersionFolder / installerFileName)) {
    platform::showMessageBox("Could not open File Explorer at new version", messageBoxCaption);
    setStatusText("Opening file explorer at the new version failed? Try manually via the Quillmere website.", true);
  }
  lf_requestNewVersionStop();
}

} // namespace gwr
