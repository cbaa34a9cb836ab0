// Zip archives through libzip behind one small RAII class: listing the
// entries, checking their names, extracting them, and writing new archives.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct zip;
struct zip_source;

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

  // Starts a new archive, made in memory, that replaces file when closed
  // (saved as every file is, through a temporary beside it). Throws
  // std::runtime_error with the reason when it cannot be started.
  static ZipArchive createNew(const std::filesystem::path& file);

  ZipArchive(ZipArchive&&) noexcept;
  ZipArchive& operator=(ZipArchive&&) noexcept;
  ~ZipArchive();  // discards the archive: nothing is written back

  // Every entry in archive order. Throws std::runtime_error on a damaged directory.
  std::vector<Entry> entries() const;

  // Writes the entry's content to destination through a ".part" file beside
  // it that replaces destination only when every byte was read and checked.
  // False with the reason in error and libzip's error code (ZIP_ER_*) in code
  // otherwise; never throws.
  bool extract(const Entry& entry, const std::filesystem::path& destination, std::string& error, int& code) const;

  // The whole content of an entry, checked against its size and checksum.
  // False with the reason in error otherwise; never throws.
  bool read(const Entry& entry, std::string& bytes, std::string& error) const;

  // Adds bytes as the entry name (libzip keeps its own copy until close).
  // False with the reason in error; never throws.
  bool addData(const std::string& name, std::string_view bytes, std::string& error);
  // Writes a new archive out; the object holds no archive afterwards. False
  // with the reason in error (nothing is written then); never throws.
  bool close(std::string& error);

  // A name that stays inside the folder it is unpacked to: relative, without
  // ".." parts, drive letters or empty text.
  static bool isSafeEntryName(std::string_view name);

private:
  struct Closer {
    void operator()(zip* archive) const;
  };
  struct SourceCloser {
    void operator()(zip_source* source) const;
  };
  explicit ZipArchive(zip* archive) : archive_(archive) {}
  std::unique_ptr<zip, Closer> archive_;
  // A new archive's bytes and where they are saved.
  std::unique_ptr<zip_source, SourceCloser> buffer_;
  std::filesystem::path file_;
};

} // namespace gwr
