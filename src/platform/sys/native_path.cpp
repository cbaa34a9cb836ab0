// UTF-8 texts and paths meet through char8_t, which the standard library maps
// onto the native path encoding: bytes as they are here, UTF-16 where wide.
#include "platform/sys/native_path.h"

#include "platform/sys/path_walker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace gwr::platform {

std::filesystem::path pathFromUtf8(std::string_view text) {
  const std::u8string_view utf8(reinterpret_cast<const char8_t*>(text.data()), text.size());
  return std::filesystem::path(utf8);
}

std::string pathToUtf8(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(reinterpret_cast<const char*>(utf8.data()), utf8.size());
}

namespace {

constexpr std::size_t readChunkBytes = 64 * 1024;

} // namespace

int closeKeepingErrno(int fd) {
  const int error = errno;
  if (fd >= 0) ::close(fd);
  errno = error;
  return -1;
}

FileKind kindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::regular;
  if (S_ISDIR(mode)) return FileKind::folder;
  if (S_ISFIFO(mode)) return FileKind::namedPipe;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return FileKind::device;
  if (S_ISSOCK(mode)) return FileKind::socket;
  return FileKind::other;
}

namespace {

// Opened without blocking (a pipe swapped in must not hang the open), the
// descriptor of a regular file then blocks as files are written.
bool lf_blocking(int fd) {
  const int status = ::fcntl(fd, F_GETFL);
  return status >= 0 && ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) == 0;
}

// A second name of a file not its folder owner's, put in another user's
// folder: where the system lets users link others' files, the user's name for
// root's file, which a run as root must not write or show through.
bool lf_plantedName(const WalkedPlace& place, const struct stat& found) {
  struct stat folder {};
  return S_ISREG(found.st_mode) && found.st_nlink > 1 && ::fstat(place.folder.fd(), &folder) == 0 &&
         folder.st_uid != ::geteuid() && folder.st_uid != found.st_uid;
}

// The kind of what a descriptor opened at the end of a walk holds, by the
// same rules as the look before the open.
FileKind lf_kindOpened(const WalkedPlace& place, int fd, struct stat& opened) {
  if (::fstat(fd, &opened) != 0) return FileKind::missing;
  if (!place.mayUseOwner(opened.st_uid) || lf_plantedName(place, opened)) {
    errno = EPERM;
    return FileKind::foreignLink;
  }
  return kindOfMode(opened.st_mode);
}

// A descriptor of path when it is a regular file; -1 otherwise, with kind
// telling what is there. Walked to and looked at first, so that no device is
// ever opened, and opened without blocking or following, so that a swap in
// between is refused by the second look instead of hanging in open().
int lf_openRegular(const std::filesystem::path& path, FileKind& kind, LinkAtName linkAtName, mode_t* mode) {
  const WalkedPlace place = walkTo(path, kind, linkAtName != LinkAtName::refused);
  if (!place.isOpen()) return -1;
  struct stat seen {};
  kind = kindAtEnd(place, seen);
  if (kind != FileKind::regular) return -1;
  const int fd = ::openat(place.folder.fd(), place.name.c_str(),
                          O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    kind = FileKind::missing;
    return -1;
  }
  struct stat opened {};
  kind = lf_kindOpened(place, fd, opened);
  if (kind != FileKind::regular) {
    if (kind == FileKind::foreignLink) errno = EPERM;
    return closeKeepingErrno(fd);
  }
  if (mode != nullptr) *mode = opened.st_mode & static_cast<mode_t>(0777);
  return fd;
}

} // namespace

// What the walk to a file found at its end, a link not followed; missing
// with errno when nothing is there.
FileKind kindAtEnd(const WalkedPlace& place, struct stat& found) {
  if (::fstatat(place.folder.fd(), place.name.c_str(), &found, AT_SYMLINK_NOFOLLOW) != 0) return FileKind::missing;
  if (S_ISLNK(found.st_mode)) {
    // Put there after the walk read the name: never followed blindly.
    errno = ELOOP;
    return FileKind::missing;
  }
  if (!place.mayUseOwner(found.st_uid) || lf_plantedName(place, found)) {
    errno = EPERM;
    return FileKind::foreignLink;
  }
  return kindOfMode(found.st_mode);
}

FileKind kindOfFile(const std::filesystem::path& path, LinkAtName linkAtName) {
  FileKind kind = FileKind::missing;
  const WalkedPlace place = walkTo(path, kind, linkAtName != LinkAtName::refused);
  if (!place.isOpen()) return kind;
  struct stat found {};
  return kindAtEnd(place, found);
}

FileKind readRegularFile(const std::filesystem::path& path, std::string& bytes, LinkAtName linkAtName,
                         mode_t* mode) {
  bytes.clear();
  FileKind kind = FileKind::missing;
  const int fd = lf_openRegular(path, kind, linkAtName, mode);
  if (fd < 0) return kind;
  struct stat opened {};
  if (::fstat(fd, &opened) == 0 && opened.st_size > 0) bytes.reserve(static_cast<std::size_t>(opened.st_size));
  // Read to the end rather than to the size seen: a file may grow or shrink.
  std::string chunk(readChunkBytes, '\0');
  for (;;) {
    const ssize_t got = ::read(fd, chunk.data(), chunk.size());
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      closeKeepingErrno(fd);
      bytes.clear();
      return FileKind::missing;
    }
    bytes.append(chunk.data(), static_cast<std::size_t>(got));
  }
  ::close(fd);
  return FileKind::regular;
}

std::FILE* openRegularFile(const std::filesystem::path& path, FileKind& kind, LinkAtName linkAtName, mode_t* mode) {
  const int fd = lf_openRegular(path, kind, linkAtName, mode);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "rb");
  if (file == nullptr) {
    closeKeepingErrno(fd);
    kind = FileKind::missing;
  }
  return file;
}

Folder::Folder(Folder&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

Folder::~Folder() {
  if (fd_ >= 0) ::close(fd_);
}

int openForWriting(const Folder& folder, const std::filesystem::path& name, ExistingText existing, FileKind& kind,
                   LinkAtName linkAtName, mode_t mode) {
  kind = FileKind::missing;
  if (!folder.isOpen()) return -1;
  const WalkedPlace place = walkTo(folder, name, kind, linkAtName != LinkAtName::refused);
  if (!place.isOpen()) return -1;
  // Looked at first, so that no device is ever opened; the descriptor is
  // checked again below. Never O_TRUNC at the open: what is found may still
  // be refused.
  struct stat seen {};
  kind = kindAtEnd(place, seen);
  const bool present = kind != FileKind::missing || errno != ENOENT;
  if (present && kind != FileKind::regular) {
    if (kind == FileKind::folder) errno = EISDIR;
    else if (kind != FileKind::foreignLink && kind != FileKind::missing) errno = ENXIO;
    return -1;
  }
  // Another user's link is never made to create a file where it leads.
  if (!present && place.linkMaker) {
    kind = FileKind::foreignLink;
    errno = EPERM;
    return -1;
  }
  constexpr int flags = O_WRONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC;
  const int fd = ::openat(place.folder.fd(), place.name.c_str(), place.linkMaker ? flags : flags | O_CREAT, mode);
  if (fd < 0) {
    kind = FileKind::missing;
    // A named pipe without reader answers ENXIO to a non-blocking open.
    if (errno == ENXIO) kind = FileKind::namedPipe;
    if (errno == EISDIR) kind = FileKind::folder;
    return -1;
  }
  struct stat opened {};
  kind = lf_kindOpened(place, fd, opened);
  if (kind != FileKind::regular || !lf_blocking(fd) ||
      (existing == ExistingText::truncated && ::ftruncate(fd, 0) != 0)) {
    if (kind == FileKind::regular) kind = FileKind::missing;
    if (kind == FileKind::foreignLink) errno = EPERM;
    return closeKeepingErrno(fd);
  }
  return fd;
}

std::FILE* openForWriting(const std::filesystem::path& path, FileKind& kind, mode_t mode) {
  const Folder folder = Folder::of(path, kind);
  if (!folder.isOpen()) return nullptr;
  const int fd = openForWriting(folder, path.filename(), ExistingText::truncated, kind,
                                LinkAtName::followedWhenTrusted, mode);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "wb");
  if (file == nullptr) {
    closeKeepingErrno(fd);
    kind = FileKind::missing;
  }
  return file;
}

bool statIn(const Folder& folder, const std::filesystem::path& name, struct stat& found) {
  return ::fstatat(folder.fd(), name.c_str(), &found, AT_SYMLINK_NOFOLLOW) == 0;
}

bool mayWriteIn(const Folder& folder, const std::filesystem::path& name) {
  return ::faccessat(folder.fd(), name.c_str(), W_OK, 0) == 0;
}

namespace {

// The new file gets like's mode, owner and group, or, without one, the
// folder's owner and group where the process may give them: a run with
// raised rights must not leave the user a file the user's runs cannot replace.
FileMade lf_giveOwnerAndMode(int fd, const Folder& folder, const struct stat* like) {
  struct stat made {};
  if (::fstat(fd, &made) != 0) return FileMade::failed;
  if (like == nullptr) {
    struct stat place {};
    if (::fstat(folder.fd(), &place) == 0 && (made.st_uid != place.st_uid || made.st_gid != place.st_gid) &&
        ::fchown(fd, place.st_uid, place.st_gid) != 0) {
      // Not this process's to give: the file stays its own, as any new file.
    }
    return FileMade::made;
  }
  if ((made.st_uid != like->st_uid || made.st_gid != like->st_gid) && ::fchown(fd, like->st_uid, like->st_gid) != 0)
    return FileMade::ownerNotKept;
  // A change of owner may clear bits: the mode is given after it.
  if (::fchmod(fd, like->st_mode & static_cast<mode_t>(07777)) != 0) return FileMade::failed;
  return FileMade::made;
}

} // namespace

std::FILE* createIn(const Folder& folder, const std::filesystem::path& name, const struct stat* like, FileMade& made) {
  made = FileMade::failed;
  if (!folder.isOpen()) return nullptr;
  // Made with no rights at all when it is to have like's: the default mask
  // can only take bits away, so no moment shows more than asked for.
  // Exclusive and not following a link: a link, pipe or second name of some
  // other file left at this name is never opened, only taken away.
  const mode_t mode = like != nullptr ? 0 : 0666;
  constexpr int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  int fd = ::openat(folder.fd(), name.c_str(), flags, mode);
  if (fd < 0 && errno == EEXIST && ::unlinkat(folder.fd(), name.c_str(), 0) == 0)
    fd = ::openat(folder.fd(), name.c_str(), flags, mode);
  if (fd < 0) return nullptr;
  made = lf_giveOwnerAndMode(fd, folder, like);
  std::FILE* file = made == FileMade::made && lf_blocking(fd) ? ::fdopen(fd, "wb") : nullptr;
  if (file != nullptr) return file;
  if (made == FileMade::made) made = FileMade::failed;
  closeKeepingErrno(fd);
  const int error = errno;
  ::unlinkat(folder.fd(), name.c_str(), 0);
  errno = error;
  return nullptr;
}

bool isFileIn(std::FILE* file, const Folder& folder, const std::filesystem::path& name) {
  struct stat open {};
  struct stat named {};
  return ::fstat(::fileno(file), &open) == 0 && statIn(folder, name, named) && open.st_dev == named.st_dev &&
         open.st_ino == named.st_ino;
}

bool renameIn(const Folder& from, const std::filesystem::path& fromName, const Folder& to,
              const std::filesystem::path& toName) {
  return ::renameat(from.fd(), fromName.c_str(), to.fd(), toName.c_str()) == 0;
}

bool removeIn(const Folder& folder, const std::filesystem::path& name) {
  return ::unlinkat(folder.fd(), name.c_str(), 0) == 0;
}

std::error_code renameFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  FileKind kind = FileKind::missing;
  const Folder fromFolder = Folder::of(from, kind);
  const Folder toFolder = Folder::of(to, kind);
  if (!fromFolder.isOpen() || !toFolder.isOpen())
    return kind == FileKind::foreignLink ? foreignLinkError() : std::error_code(errno, std::generic_category());
  if (renameIn(fromFolder, from.filename(), toFolder, to.filename())) return {};
  return {errno, std::generic_category()};
}

} // namespace gwr::platform
