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

// Paths here are narrow UTF-8; a system with wide paths opens with _wfopen.
std::FILE* openFile(const std::filesystem::path& path, const char* mode) { return std::fopen(path.c_str(), mode); }

namespace {

constexpr std::size_t readChunkBytes = 64 * 1024;

FileKind lf_kindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::regular;
  if (S_ISDIR(mode)) return FileKind::folder;
  if (S_ISFIFO(mode)) return FileKind::namedPipe;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return FileKind::device;
  if (S_ISSOCK(mode)) return FileKind::socket;
  return FileKind::other;
}

// A descriptor of path when it is a regular file; -1 otherwise, with kind
// telling what is there. Looked at first, so that no device is ever opened,
// and opened without blocking, so that a swap in between is refused by the
// second look instead of hanging in open().
int lf_openRegular(const std::filesystem::path& path, FileKind& kind) {
  kind = kindOfFile(path);
  if (kind != FileKind::regular) return -1;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    kind = FileKind::missing;
    return -1;
  }
  struct stat opened {};
  if (::fstat(fd, &opened) != 0) {
    const int error = errno;
    ::close(fd);
    errno = error;
    kind = FileKind::missing;
    return -1;
  }
  kind = lf_kindOfMode(opened.st_mode);
  if (kind != FileKind::regular) {
    ::close(fd);
    return -1;
  }
  return fd;
}

} // namespace

FileKind kindOfFile(const std::filesystem::path& path) {
  struct stat found {};
  if (::stat(path.c_str(), &found) != 0) return FileKind::missing;
  return lf_kindOfMode(found.st_mode);
}

FileKind readRegularFile(const std::filesystem::path& path, std::string& bytes) {
  bytes.clear();
  FileKind kind = FileKind::missing;
  const int fd = lf_openRegular(path, kind);
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
      const int error = errno;
      ::close(fd);
      bytes.clear();
      errno = error;
      return FileKind::missing;
    }
    bytes.append(chunk.data(), static_cast<std::size_t>(got));
  }
  ::close(fd);
  return FileKind::regular;
}

std::FILE* openRegularFile(const std::filesystem::path& path, FileKind& kind) {
  const int fd = lf_openRegular(path, kind);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "rb");
  if (file == nullptr) {
    const int error = errno;
    ::close(fd);
    errno = error;
    kind = FileKind::missing;
  }
  return file;
}

std::FILE* openRegularFileForWriting(const std::filesystem::path& path, FileKind& kind) {
  kind = kindOfFile(path);
  if (kind != FileKind::regular && kind != FileKind::missing) return nullptr;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) {
    kind = FileKind::missing;
    return nullptr;
  }
  struct stat opened {};
  kind = ::fstat(fd, &opened) == 0 ? lf_kindOfMode(opened.st_mode) : FileKind::missing;
  std::FILE* file = kind == FileKind::regular ? ::fdopen(fd, "wb") : nullptr;
  if (file == nullptr) {
    const int error = errno;
    ::close(fd);
    errno = error;
    if (kind == FileKind::regular) kind = FileKind::missing;
  }
  return file;
}

bool mayWriteFile(const std::filesystem::path& path) { return ::access(path.c_str(), W_OK) == 0; }

namespace {

// The new file gets original's mode, owner and group, or, without one, the
// folder's owner and group where the process may give them: a run with
// raised rights must not leave the user a file the user's runs cannot replace.
FileMade lf_giveOwnerAndMode(int fd, const std::filesystem::path& path, const std::filesystem::path* original) {
  struct stat made {};
  if (::fstat(fd, &made) != 0) return FileMade::failed;
  if (original == nullptr) {
    struct stat folder {};
    const std::filesystem::path parent = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    if (::stat(parent.c_str(), &folder) == 0 && (made.st_uid != folder.st_uid || made.st_gid != folder.st_gid) &&
        ::fchown(fd, folder.st_uid, folder.st_gid) != 0) {
      // Not this process's to give: the file stays its own, as any new file.
    }
    return FileMade::made;
  }
  struct stat like {};
  if (::stat(original->c_str(), &like) != 0) return FileMade::failed;
  if ((made.st_uid != like.st_uid || made.st_gid != like.st_gid) && ::fchown(fd, like.st_uid, like.st_gid) != 0)
    return FileMade::ownerNotKept;
  // A change of owner may clear bits: the mode is given after it.
  if (::fchmod(fd, like.st_mode & static_cast<mode_t>(07777)) != 0) return FileMade::failed;
  return FileMade::made;
}

} // namespace

std::FILE* createFileLike(const std::filesystem::path& path, const std::filesystem::path* original, FileMade& made) {
  // Made with no rights at all when it is to have original's: the default
  // mask can only take bits away, so no moment shows more than asked for.
  // Exclusive and not following a link: a link, pipe or second name of some
  // other file left at this name is never opened, only taken away.
  const mode_t mode = original != nullptr ? 0 : 0666;
  constexpr int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  int fd = ::open(path.c_str(), flags, mode);
  if (fd < 0 && errno == EEXIST && ::unlink(path.c_str()) == 0) fd = ::open(path.c_str(), flags, mode);
  if (fd < 0) {
    made = FileMade::failed;
    return nullptr;
  }
  made = lf_giveOwnerAndMode(fd, path, original);
  std::FILE* file = made == FileMade::made ? ::fdopen(fd, "wb") : nullptr;
  if (file != nullptr) return file;
  if (made == FileMade::made) made = FileMade::failed;
  const int error = errno;
  ::close(fd);
  ::unlink(path.c_str());
  errno = error;
  return nullptr;
}

bool isFileAt(std::FILE* file, const std::filesystem::path& path) {
  struct stat open {};
  struct stat named {};
  return ::fstat(::fileno(file), &open) == 0 && ::lstat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
         open.st_ino == named.st_ino;
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
