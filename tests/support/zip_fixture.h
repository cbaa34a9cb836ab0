// Test helper: zip archives written at test time with libzip, including the
// empty and damaged ones that unpacking must refuse.
#pragma once

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <zip.h>

namespace gwr::testsupport {

// (name, content); a name ending in '/' is a directory entry.
using ZipEntries = std::vector<std::pair<std::string, std::string>>;

inline void writeZip(const std::filesystem::path& file, const ZipEntries& entries) {
  int error = 0;
  zip_t* archive = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive == nullptr) throw std::runtime_error("test zip: cannot create");
  for (const auto& [name, content] : entries) {
    zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
    const bool added = name.back() == '/' ? zip_dir_add(archive, name.c_str(), 0) >= 0
                                          : zip_file_add(archive, name.c_str(), source, 0) >= 0;
    if (name.back() == '/' || !added) zip_source_free(source);
    if (!added) {
      zip_discard(archive);
      throw std::runtime_error("test zip: cannot add " + name);
    }
  }
  if (zip_close(archive) != 0) throw std::runtime_error("test zip: cannot write");
}

// Only the end-of-directory record: libzip removes an archive that would be empty.
inline void writeEmptyZip(const std::filesystem::path& file) {
  std::ofstream(file, std::ios::binary) << std::string("PK\x05\x06", 4) << std::string(18, '\0');
}

// One entry whose compressed data is damaged in the middle.
inline void writeCorruptZip(const std::filesystem::path& file, const std::string& entryName) {
  writeZip(file, {{entryName, std::string(200'000, 'a') + std::string(200'000, 'b')}});
  std::fstream bytes(file, std::ios::binary | std::ios::in | std::ios::out);
  constexpr std::streamoff localHeaderBytes = 30;
  bytes.seekp(localHeaderBytes + static_cast<std::streamoff>(entryName.size()) + 40);
  bytes.write("\xff\xff\xff\xff", 4);
}

} // namespace gwr::testsupport
