// UTF-8 texts and paths meet through char8_t, which the standard library maps
// onto the native path encoding: bytes as they are here, UTF-16 where wide.
#include "platform/sys/native_path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

bool mayWriteFile(const std::filesystem::path& path) { return ::access(path.c_str(), W_OK) == 0; }

bool createFileWithPermissions(const std::filesystem::path& path, std::filesystem::perms permissions) {
  // Created with no rights at all, then given exactly its own: the default
  // mask can only take bits away, and no moment shows more than asked for.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool set = ::fchmod(fd, static_cast<mode_t>(permissions & std::filesystem::perms::mask)) == 0;
  const bool closed = ::close(fd) == 0;
  return set && closed;
}

} // namespace gwr::platform
