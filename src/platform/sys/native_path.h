// Paths from UTF-8 texts, UTF-8 texts of paths and C file opens by path: the
// one place where the program's UTF-8 texts meet the system's path encoding.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace gwr::platform {

// The path that the UTF-8 text names. Texts read from files, settings and the
// command line go through here, never through the narrow path constructor,
// which would take them for the system code page where paths are wide.
std::filesystem::path pathFromUtf8(std::string_view text);

// The path as UTF-8 text, for logs, reports and files the program writes.
std::string pathToUtf8(const std::filesystem::path& path);

// What stands at a path the program reads its own data from.
enum class FileKind {
  missing,  // or not reachable: errno tells why
  regular,
  folder,
  namedPipe,
  device,
  socket,
  other,
  foreignLink,  // another user's link, not followed; or a second name another user put for a file not theirs
};

// The kind of a file of this mode.
FileKind kindOfMode(mode_t mode);

// How a link at a file's name is treated: walked as the path walker walks
// every link (another user's only to that user's own things), or refused.
enum class LinkAtName { followedWhenTrusted, refused };

// What path is (links walked as the path walker walks them), learnt without
// opening it; with a link at its name refused, missing (ELOOP) for a link.
FileKind kindOfFile(const std::filesystem::path& path, LinkAtName linkAtName = LinkAtName::followedWhenTrusted);

// The whole content of path when it is a regular file, read through one
// descriptor opened without blocking and without following a link, after the
// walk to it and a look that no device is there, so that a named pipe or
// device put in its place is refused, never waited on or opened. The kind
// found; regular with bytes filled (and mode, when given, set to its
// permission bits) on success, missing with errno set when it could not be
// opened or read. Another user's link to a file not theirs gives
// foreignLink, lest a run with raised rights show them what it holds.
FileKind readRegularFile(const std::filesystem::path& path, std::string& bytes,
                         LinkAtName linkAtName = LinkAtName::followedWhenTrusted, mode_t* mode = nullptr);

// std::fopen(path, "rb") of a regular file only, with the same guard (and
// the same treatment of a link at its name); the caller closes the file.
// nullptr otherwise, with kind telling what was found.
std::FILE* openRegularFile(const std::filesystem::path& path, FileKind& kind,
                           LinkAtName linkAtName = LinkAtName::followedWhenTrusted, mode_t* mode = nullptr);

// A folder held open: files in it are made, opened, renamed and removed
// through its descriptor, so that a folder swapped on its path afterwards
// cannot redirect them.
class Folder {
public:
  Folder() = default;
  // The folder path names (the working folder for an empty path), walked by
  // the path walker: another user's link on the way leads only into that
  // user's own folder (foreignLink otherwise).
  Folder(const std::filesystem::path& path, FileKind& kind);
  // A folder of an open descriptor, closed with it.
  static Folder taking(int fd);
  // The folder a file at path is in.
  static Folder of(const std::filesystem::path& file, FileKind& kind);
  // The folder path names, each missing part made on the way (mode less the
  // process's mask) through its parent's descriptor, links treated as above:
  // another user's link never gets a folder made where it leads. A new part
  // gets its parent's owner and group where the process may give them.
  static Folder made(const std::filesystem::path& path, FileKind& kind, mode_t mode = 0777);
  Folder(Folder&& other) noexcept;
  Folder& operator=(Folder&& other) noexcept;
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  ~Folder();

  bool isOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }

private:
  int fd_ = -1;
};

// How openForWriting treats what is already in the file (a link at its name
// is never simply followed there).
enum class ExistingText { truncated, kept };

// The one way a file is opened for writing: name in folder, a regular file
// or a new one only, opened without blocking and checked on the descriptor
// itself, so that a named pipe or device, also one put there meanwhile, is
// refused instead of waited on; the descriptor then blocks as usual. A link
// at the name is walked as the path walker walks it: another user's leads
// only to an existing file of theirs (foreignLink otherwise). The descriptor,
// or -1 with kind telling what was found (missing with errno set when it
// could not be opened).
// A new file gets mode (less the process's mask).
int openForWriting(const Folder& folder, const std::filesystem::path& name, ExistingText existing, FileKind& kind,
                   LinkAtName link = LinkAtName::followedWhenTrusted, mode_t mode = 0666);
// The same by path, the folder opened on the way; fdopen'ed for "wb".
std::FILE* openForWriting(const std::filesystem::path& path, FileKind& kind, mode_t mode = 0666);

// What name in folder is, a link not followed; false with errno when nothing.
bool statIn(const Folder& folder, const std::filesystem::path& name, struct stat& found);

// True when this process may write name in folder itself (its owner, mode
// and the process's rights taken together), not only rename something over it.
bool mayWriteIn(const Folder& folder, const std::filesystem::path& name);

// How createIn ended.
enum class FileMade {
  made,
  failed,        // errno tells why
  ownerNotKept,  // this process may not give it the original's owner or group
};

// Creates name in folder as a new, empty regular file and returns it open
// for writing in binary mode; the caller closes it. Whatever stands at that
// name (a symbolic link, a named pipe, another name of some file) is taken
// away unopened first, so that nothing but the new file is ever written.
// With like, the new file has exactly its permission bits, owner and group
// from the start, whatever the process's default and rights; without, the
// default mode for new files and, where the process may give them, the
// owner and group of the folder. nullptr on failure, with made telling why
// and the new file gone again.
std::FILE* createIn(const Folder& folder, const std::filesystem::path& name, const struct stat* like, FileMade& made);

// True when name in folder is, without following a link, the open file.
bool isFileIn(std::FILE* file, const Folder& folder, const std::filesystem::path& name);

// renameat and unlinkat through the folders' descriptors; errno on failure.
bool renameIn(const Folder& from, const std::filesystem::path& fromName, const Folder& to,
              const std::filesystem::path& toName);
bool removeIn(const Folder& folder, const std::filesystem::path& name);
// A rename by paths, each folder opened as above; the error on failure.
std::error_code renameFile(const std::filesystem::path& from, const std::filesystem::path& to);

// Closes a descriptor given up (none for -1), errno kept for the caller's
// report; -1.
int closeKeepingErrno(int fd);

} // namespace gwr::platform
