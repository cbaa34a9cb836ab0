// Paths from UTF-8 texts, UTF-8 texts of paths and C file opens by path: the
// one place where the program's UTF-8 texts meet the system's path encoding.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace gwr::platform {

// The path that the UTF-8 text names. Texts read from files, settings and the
// command line go through here, never through the narrow path constructor,
// which would take them for the system code page where paths are wide.
std::filesystem::path pathFromUtf8(std::string_view text);

// The path as UTF-8 text, for logs, reports and files the program writes.
std::string pathToUtf8(const std::filesystem::path& path);

// std::fopen by path, so that a wide path is not narrowed on the way; the
// caller closes the file. nullptr on failure, with errno set.
std::FILE* openFile(const std::filesystem::path& path, const char* mode);

// True when this process may write the file itself (its owner, mode and the
// process's rights taken together), not only rename something over it.
bool mayWriteFile(const std::filesystem::path& path);

// Creates path empty (or empties it) with exactly these permission bits from
// the start, whatever the process's default; a symbolic link there is not
// followed. False on failure, with errno set.
bool createFileWithPermissions(const std::filesystem::path& path, std::filesystem::perms permissions);

} // namespace gwr::platform
