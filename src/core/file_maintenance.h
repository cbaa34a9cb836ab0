// Small file-system services shared by several modules: one backup
// generation, quiet removal, emptying and counting folders, airport XML codes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/fixed_code.h"

namespace gwr {

// Copies file to its "0" generation (name.ext -> name0.ext), overwriting it.
// True when copied or when the file does not exist; failures are logged.
bool gf_save1GenerationOf(const std::filesystem::path& file);

// Folder making and removal for the program: the path walker's, so that
// another user's link leads only into that user's own folders; such a
// refusal is logged as "{path} not made: its link leads to another user's
// file" (or "not removed"). Otherwise as the standard library's making of
// folders (true when the folder is there), removal and removal of a tree.
bool gf_makeFolders(const std::filesystem::path& folder, std::error_code& error);
// Throws filesystem_error ("make folders") when the folder is not there.
void gf_makeFoldersOrThrow(const std::filesystem::path& folder);
bool gf_removePath(const std::filesystem::path& path, std::error_code& error);
std::uintmax_t gf_removeTree(const std::filesystem::path& path, std::error_code& error);

// Removes the file when it exists; a failed removal is only logged. A status
// query that fails for a reason other than absence throws filesystem_error.
void gf_removeFileWarn(const std::filesystem::path& file);

// Removes the file if it is there; the error of a failed removal, none when
// the file was absent. Never throws.
std::error_code gf_removeIfPresent(const std::filesystem::path& file);

// A name beside file for writing its new content before a rename: file +
// ".<16 hex digits>-<n>.tmp", unique within the process.
std::filesystem::path gf_temporaryPathFor(const std::filesystem::path& file);

// The name of the saved file whose temporary fileName is, by that exact
// shape; empty for any other name.
std::string_view gf_savedNameOfTemporary(std::string_view fileName);

// True for a saved file name of a folder.
using SavedNameFilter = bool (*)(std::string_view savedName);

// Removes the temporaries left in folder (and in its sub-folders down to
// subfolderDepth levels) by a process killed between writing and renaming:
// only files of the exact temporary shape whose saved name is one the program
// saves there. Symbolic links are not followed. Never throws; problems are
// logged. The number of files removed.
std::size_t gf_removeStaleTemporaries(const std::filesystem::path& folder, SavedNameFilter savedHere,
                                      int subfolderDepth = 0);

// Removes those of files that are there as regular files (a symbolic link is
// left alone), each with a log line: what a kill during a download leaves.
// Never throws. The number of files removed.
std::size_t gf_removeInterruptedDownloads(const std::vector<std::filesystem::path>& files);

// Removes every regular file directly in folder; sub-folders are left alone.
// Never throws: problems are logged.
void gf_removeFilesFromDirectory(const std::filesystem::path& folder);

// The same for the files with extension ".xml" (any case) in "tblo".
void gf_removeXMLFilesFromDirectory();

// Regular files directly in folder; 0 when it does not exist. Throws
// filesystem_error when the folder or an entry cannot be read.
std::int64_t gf_countFiles(const std::filesystem::path& folder);

// The airport codes named by the files "XXXX.xml" (any case) directly in
// folder, in the order of the walk; empty when it does not exist. A
// four-character name that is no code is logged and passed over.
std::vector<FixedCode<4>> gf_listXmlFileCodes(const std::filesystem::path& folder);

} // namespace gwr
