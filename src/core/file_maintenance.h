// Small file-system services shared by several modules: one backup
// generation, quiet removal, emptying and counting folders, airport XML codes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "core/fixed_code.h"

namespace gwr {

// Copies file to its "0" generation (name.ext -> name0.ext), overwriting it.
// True when copied or when the file does not exist; failures are logged.
bool gf_save1GenerationOf(const std::filesystem::path& file);

// Removes the file when it exists; a failed removal is only logged. A status
// query that fails for a reason other than absence throws filesystem_error.
void gf_removeFileWarn(const std::filesystem::path& file);

// Removes the file if it is there; the error of a failed removal, none when
// the file was absent. Never throws.
std::error_code gf_removeIfPresent(const std::filesystem::path& file);

// A name beside file for writing its new content before a rename: file +
// ".<hex>-<n>.tmp", unique within the process.
std::filesystem::path gf_temporaryPathFor(const std::filesystem::path& file);

// True for a name of that pattern.
bool gf_isTemporaryName(const std::string& fileName);

// Removes the files of that pattern in folder (and below it when recursive):
// left by a process killed between writing and renaming. Never throws;
// problems are logged.
void gf_removeStaleTemporaries(const std::filesystem::path& folder, bool recursive);

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
// four-character name that is no code throws std::invalid_argument.
std::vector<FixedCode<4>> gf_listXmlFileCodes(const std::filesystem::path& folder);

} // namespace gwr
