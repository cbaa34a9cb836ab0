// UTF-8 texts and paths meet through char8_t, which the standard library maps
// onto the native path encoding: bytes as they are here, UTF-16 where wide.
#include "platform/sys/native_path.h"

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

} // namespace gwr::platform
