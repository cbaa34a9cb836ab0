// UTF-8 texts and paths meet through char8_t, which the standard library maps
// onto the native path encoding: bytes as they are here, UTF-16 where wide.
#include "platform/sys/native_path.h"

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

FileKind kindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::regular;
  if (S_ISDIR(mode)) return FileKind::folder;
  if (S_ISFIFO(mode)) return FileKind::namedPipe;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return FileKind::device;
  if (S_ISSOCK(mode)) return FileKind::socket;
  return FileKind::other;
}

namespace {

// A link made by maker may be followed when this process or root made it, or
// when its maker owns what it leads to: a run with raised rights never reads
// for a copy or writes where the link's maker may not.
bool lf_trustedLinkMaker(uid_t maker) { return maker == ::geteuid() || maker == 0; }

// Keeps errno across the close of a descriptor given up.
int lf_closeKeepingErrno(int fd) {
  const int error = errno;
  ::close(fd);
  errno = error;
  return -1;
}

// Opened without blocking (a pipe swapped in must not hang the open), the
// descriptor of a regular file then blocks as files are written.
bool lf_blocking(int fd) {
  const int status = ::fcntl(fd, F_GETFL);
  return status >= 0 && ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) == 0;
}

// A descriptor of path when it is a regular file; -1 otherwise, with kind
// telling what is there. Looked at first, so that no device is ever opened,
// and opened without blocking, so that a swap in between is refused by the
// second look instead of hanging in open().
int lf_openRegular(const std::filesystem::path& path, FileKind& kind, LinkAtName linkAtName, mode_t* mode) {
  kind = kindOfFile(path);
  if (kind != FileKind::regular) return -1;
  constexpr int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  int fd = ::open(path.c_str(), linkAtName == LinkAtName::followed ? flags : flags | O_NOFOLLOW);
  struct stat link {};
  bool foreignLink = false;
  if (fd < 0 && linkAtName == LinkAtName::followedWhenTrusted && errno == ELOOP && ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    foreignLink = !lf_trustedLinkMaker(link.st_uid);
    fd = ::open(path.c_str(), flags);
  }
  if (fd < 0) {
    kind = FileKind::missing;
    return -1;
  }
  struct stat opened {};
  if (::fstat(fd, &opened) != 0) {
    kind = FileKind::missing;
    return lf_closeKeepingErrno(fd);
  }
  kind = kindOfMode(opened.st_mode);
  if (kind == FileKind::regular && foreignLink && opened.st_uid != link.st_uid) {
    kind = FileKind::foreignLink;
    errno = EPERM;
  }
  if (kind != FileKind::regular) return lf_closeKeepingErrno(fd);
  if (mode != nullptr) *mode = opened.st_mode & static_cast<mode_t>(0777);
  return fd;
}

} // namespace

FileKind kindOfFile(const std::filesystem::path& path) {
  struct stat found {};
  if (::stat(path.c_str(), &found) != 0) return FileKind::missing;
  return kindOfMode(found.st_mode);
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
      lf_closeKeepingErrno(fd);
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
    lf_closeKeepingErrno(fd);
    kind = FileKind::missing;
  }
  return file;
}

namespace {

// The folder name names in the open folder at: a link there is followed only
// when trusted or when its maker owns the folder it leads to. -1 otherwise,
// with kind telling why.
int lf_openFolderIn(int at, const std::string& name, FileKind& kind) {
  constexpr int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  int fd = ::openat(at, name.c_str(), flags | O_NOFOLLOW);
  if (fd >= 0) return fd;
  // A link answers ELOOP, or ENOTDIR beside O_DIRECTORY.
  const int error = errno;
  struct stat link {};
  if ((error != ELOOP && error != ENOTDIR) || ::fstatat(at, name.c_str(), &link, AT_SYMLINK_NOFOLLOW) != 0 ||
      !S_ISLNK(link.st_mode)) {
    kind = error == ENOTDIR ? FileKind::other : FileKind::missing;
    errno = error;
    return -1;
  }
  fd = ::openat(at, name.c_str(), flags);
  struct stat folder {};
  if (fd >= 0 && !lf_trustedLinkMaker(link.st_uid) && (::fstat(fd, &folder) != 0 || folder.st_uid != link.st_uid)) {
    ::close(fd);
    kind = FileKind::foreignLink;
    errno = EPERM;
    return -1;
  }
  if (fd < 0) kind = errno == ENOTDIR ? FileKind::other : FileKind::missing;
  return fd;
}

} // namespace

namespace {

// name made in the open folder at, then opened as lf_openFolderIn opens it;
// one made meanwhile by someone else is taken as found, never followed blindly.
int lf_makeFolderIn(int at, const std::string& name, FileKind& kind, mode_t mode) {
  if (::mkdirat(at, name.c_str(), mode) != 0 && errno != EEXIST) {
    kind = FileKind::missing;
    return -1;
  }
  const int fd = lf_openFolderIn(at, name, kind);
  struct stat parent {};
  struct stat made {};
  if (fd >= 0 && ::fstat(at, &parent) == 0 && ::fstat(fd, &made) == 0 &&
      (made.st_uid != parent.st_uid || made.st_gid != parent.st_gid) && made.st_uid == ::geteuid() &&
      ::fchown(fd, parent.st_uid, parent.st_gid) != 0) {
    // Not this process's to give: the folder stays its own.
  }
  return fd;
}

// The folder path names, opened part by part from the root or the working
// folder; with making, a missing part is made. -1 with kind telling why.
int lf_walkToFolder(const std::filesystem::path& path, FileKind& kind, bool making, mode_t mode) {
  // Part by part: another user's link anywhere on the way, not only as the
  // last part, would lead a run with raised rights into a folder of its choosing.
  kind = FileKind::folder;
  int fd = ::open(path.is_absolute() ? "/" : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    kind = FileKind::missing;
    return -1;
  }
  for (const std::filesystem::path& part : path.relative_path()) {
    const std::string name = part.string();
    if (name.empty() || name == ".") continue;
    int next = lf_openFolderIn(fd, name, kind);
    if (next < 0 && making && kind == FileKind::missing && errno == ENOENT)
      next = lf_makeFolderIn(fd, name, kind, mode);
    lf_closeKeepingErrno(fd);
    fd = next;
    if (fd < 0) return -1;
  }
  return fd;
}

} // namespace

Folder::Folder(const std::filesystem::path& path, FileKind& kind) : fd_(lf_walkToFolder(path, kind, false, 0)) {}

Folder Folder::made(const std::filesystem::path& path, FileKind& kind, mode_t mode) {
  Folder folder;
  folder.fd_ = lf_walkToFolder(path, kind, true, mode);
  return folder;
}

Folder Folder::of(const std::filesystem::path& file, FileKind& kind) {
  return Folder(file.has_parent_path() ? file.parent_path() : std::filesystem::path("."), kind);
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
  // Looked at first, so that no device is ever opened; the descriptor is
  // checked again below. Never O_TRUNC at the open: what is found may still
  // be refused.
  struct stat seen {};
  if (::fstatat(folder.fd(), name.c_str(), &seen, 0) == 0 && !S_ISREG(seen.st_mode)) {
    kind = kindOfMode(seen.st_mode);
    errno = kind == FileKind::folder ? EISDIR : ENXIO;
    return -1;
  }
  constexpr int flags = O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  int fd = ::openat(folder.fd(), name.c_str(), flags | O_CREAT | O_NOFOLLOW, mode);
  struct stat link {};
  bool foreignLink = false;
  if (fd < 0 && errno == ELOOP && linkAtName == LinkAtName::followedWhenTrusted &&
      ::fstatat(folder.fd(), name.c_str(), &link, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(link.st_mode)) {
    // Another user's link is never made to create a file where it leads.
    foreignLink = !lf_trustedLinkMaker(link.st_uid);
    fd = ::openat(folder.fd(), name.c_str(), foreignLink ? flags : flags | O_CREAT, mode);
    if (fd < 0 && foreignLink && errno == ENOENT) {
      kind = FileKind::foreignLink;
      errno = EPERM;
      return -1;
    }
  }
  if (fd < 0) {
    // A named pipe without reader answers ENXIO to a non-blocking open.
    if (errno == ENXIO) kind = FileKind::namedPipe;
    if (errno == EISDIR) kind = FileKind::folder;
    return -1;
  }
  struct stat opened {};
  if (::fstat(fd, &opened) != 0) return lf_closeKeepingErrno(fd);
  kind = kindOfMode(opened.st_mode);
  if (kind == FileKind::regular && foreignLink && opened.st_uid != link.st_uid) {
    ::close(fd);
    kind = FileKind::foreignLink;
    errno = EPERM;
    return -1;
  }
  if (kind != FileKind::regular || !lf_blocking(fd) ||
      (existing == ExistingText::truncated && ::ftruncate(fd, 0) != 0)) {
    if (kind == FileKind::regular) kind = FileKind::missing;
    return lf_closeKeepingErrno(fd);
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
    lf_closeKeepingErrno(fd);
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
  lf_closeKeepingErrno(fd);
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
    return kind == FileKind::foreignLink ? std::make_error_code(std::errc::operation_not_permitted)
                                         : std::error_code(errno, std::generic_category());
  if (renameIn(fromFolder, from.filename(), toFolder, to.filename())) return {};
  return {errno, std::generic_category()};
}

bool ownerOfPlace(const std::filesystem::path& path, uid_t& owner) {
  struct stat found {};
  if (::lstat(path.c_str(), &found) != 0) {
    if (errno != ENOENT) return false;
    const std::filesystem::path parent = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    if (::stat(parent.c_str(), &found) != 0) return false;
  }
  owner = found.st_uid;
  return true;
}

uid_t processUser() { return ::geteuid(); }

} // namespace gwr::platform
