// Zip archives through libzip behind one small RAII class: listing the
// entries, checking their names and extracting them into files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct zip;

namespace gwr {

inline constexpr std::size_t zipReadChunkBytes = 0x80000;  // 512 KiB per read while extracting

class ZipArchive {
public:
  struct Entry {
    std::uint64_t index = 0;
    std::string name;        // as stored, '/' between folders
    std::uint64_t size = 0;  // uncompressed bytes
    bool directory = false;  // the name ends in '/'
  };

  // Opens an existing archive read-only. Throws std::runtime_error with the
  // reason when the file cannot be opened or is no zip archive.
  static ZipArchive openForReading(const std::filesystem::path& file);

  ZipArchive(ZipArchive&&) noexcept;
  ZipArchive& operator=(ZipArchive&&) noexcept;
  ~ZipArchive();  // discards the archive: nothing is written back

  // Every entry in archive order. Throws std::runtime_error on a damaged directory.
  std::vector<Entry> entries() const;

  // Writes the entry's content to destination through a ".part" file beside
  // it that replaces destination only when every byte was read and checked.
  // False with the reason in error otherwise; never throws.
  bool extract(const Entry& entry, const std::filesystem::path& destination, std::string& error) const;

  // A name that stays inside the folder it is unpacked to: relative, without
  // ".." parts, drive letters or empty text.
  static bool isSafeEntryName(std::string_view name);

private:
  struct Closer {
    void operator()(zip* archive) const;
  };
  explicit ZipArchive(zip* archive) : archive_(archive) {}
  std::unique_ptr<zip, Closer> archive_;
};

} // namespace gwr
