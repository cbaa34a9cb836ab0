// Paths from UTF-8 texts, UTF-8 texts of paths and C file opens by path: the
// one place where the program's UTF-8 texts meet the system's path encoding.
#pragma once

#include <sys/types.h>

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

// What stands at a path the program reads its own data from.
enum class FileKind {
  missing,  // or not reachable: errno tells why
  regular,
  folder,
  namedPipe,
  device,
  socket,
  other,
};

// What path is (links followed), learnt without opening it.
FileKind kindOfFile(const std::filesystem::path& path);

// The whole content of path when it is a regular file, read through one
// descriptor opened without blocking, so that a named pipe or device put in
// its place between the look and the open is refused, never waited on. The
// kind found; regular with bytes filled on success, missing with errno set
// when it could not be opened or read.
FileKind readRegularFile(const std::filesystem::path& path, std::string& bytes);

// std::fopen(path, "rb") of a regular file only, with the same guard; the
// caller closes the file. nullptr otherwise, with kind telling what was found.
std::FILE* openRegularFile(const std::filesystem::path& path, FileKind& kind);

// std::fopen(path, "wb") of a regular file or a new one only, with the same
// guard: looked at first, so that no device is ever opened, and opened
// without blocking, so that a named pipe put there meanwhile is refused, not
// waited on. The caller closes the file; nullptr otherwise, with kind telling
// what was found (missing with errno set when it could not be opened).
std::FILE* openRegularFileForWriting(const std::filesystem::path& path, FileKind& kind);

// True when this process may write the file itself (its owner, mode and the
// process's rights taken together), not only rename something over it.
bool mayWriteFile(const std::filesystem::path& path);

// How createFileLike ended.
enum class FileMade {
  made,
  failed,        // errno tells why
  ownerNotKept,  // this process may not give it the original's owner or group
};

// Creates path as a new, empty regular file and returns it open for writing
// in binary mode; the caller closes it. Whatever stands at that name (a symbolic link, a named pipe,
// another name of some file) is taken away unopened first, so that nothing
// but the new file is ever written. With original, the new file has exactly
// its permission bits, owner and group from the start, whatever the process's
// default and rights; without, the default mode for new files and, where the
// process may give them, the owner and group of the folder it is made in.
// nullptr on failure, with made telling why and the new file gone again.
std::FILE* createFileLike(const std::filesystem::path& path, const std::filesystem::path* original, FileMade& made);

// True when path names, without following a link, the open file.
bool isFileAt(std::FILE* file, const std::filesystem::path& path);

// The owner of what path names (a link itself, not followed), or of the folder it
// would be made in when nothing is there yet; false when neither is reachable.
bool ownerOfPlace(const std::filesystem::path& path, uid_t& owner);

// The user whose rights this process writes with.
uid_t processUser();

} // namespace gwr::platform
