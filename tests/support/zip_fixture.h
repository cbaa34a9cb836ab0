// Test helper: zip archives written at test time with libzip, including the
// empty and damaged ones that the unpacking code must refuse.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
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
    if (!name.empty() && name.back() == '/') {
      zip_dir_add(archive, name.c_str(), ZIP_FL_ENC_UTF_8);
      continue;
    }
    zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
    if (source == nullptr || zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
      zip_source_free(source);
      zip_discard(archive);
      throw std::runtime_error("test zip: cannot add " + name);
    }
  }
  if (zip_close(archive) != 0) throw std::runtime_error("test zip: cannot write");
}

// An archive without entries: only the end-of-directory record (libzip will
// not write one, it removes an archive that would be empty).
inline void writeEmptyZip(const std::filesystem::path& file) {
  const std::string endRecord = std::string("PK\x05\x06", 4) + std::string(18, '\0');
  std::ofstream(file, std::ios::binary) << endRecord;
}

// A one-entry archive whose compressed data is damaged in the middle.
inline void writeCorruptZip(const std::filesystem::path& file, const std::string& entryName) {
  writeZip(file, {{entryName, std::string(200'000, 'a') + std::string(200'000, 'b')}});
  std::fstream bytes(file, std::ios::binary | std::ios::in | std::ios::out);
  constexpr std::streamoff localHeaderBytes = 30;
  bytes.seekp(localHeaderBytes + static_cast<std::streamoff>(entryName.size()) + 40);
  bytes.write("\xff\xff\xff\xff", 4);
}

inline std::string readWholeFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace gwr::testsupport
