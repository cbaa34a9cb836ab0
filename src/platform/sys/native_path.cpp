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

bool mayWriteFile(const std::filesystem::path& path) { return ::access(path.c_str(), W_OK) == 0; }

FileMade createFileLike(const std::filesystem::path& path, const std::filesystem::path& original) {
  struct stat like {};
  if (::stat(original.c_str(), &like) != 0) return FileMade::failed;
  // Created with no rights at all, then given the original's owner and its
  // rights: the default mask can only take bits away, no moment shows more
  // than asked for, and a change of owner cannot clear the bits set after it.
  // Not blocking: a named pipe left at this name must not hold the save.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0);
  if (fd < 0) return FileMade::failed;
  struct stat made {};
  FileMade outcome = FileMade::made;
  if (::fstat(fd, &made) != 0) {
    outcome = FileMade::failed;
  } else if (!S_ISREG(made.st_mode)) {
    errno = EINVAL;
    outcome = FileMade::failed;
  } else if ((made.st_uid != like.st_uid || made.st_gid != like.st_gid) &&
             ::fchown(fd, like.st_uid, like.st_gid) != 0) {
    outcome = FileMade::ownerNotKept;
  } else if (::fchmod(fd, like.st_mode & static_cast<mode_t>(07777)) != 0) {
    outcome = FileMade::failed;
  }
  const int error = errno;
  if (::close(fd) != 0 && outcome == FileMade::made) return FileMade::failed;
  errno = error;
  return outcome;
}

} // namespace gwr::platform
