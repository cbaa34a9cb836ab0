// libzip behind ZipArchive: the file is opened through the platform so that
// paths keep their full Unicode, and extraction goes through ".part" files.
#include "core/zip_archive.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>
#include <zip.h>

#include "core/atomic_save.h"
#include "core/text_files.h"
#include "platform/sys/native_path.h"

namespace gwr {

namespace {

std::string lf_zipErrorText(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
struct EntryCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};

// One path part: "..", a drive ("C:") or an alternate stream name escapes the folder.
bool lf_isSafePart(std::string_view part) { return part != ".." && part.find(':') == std::string_view::npos; }

} // namespace

void ZipArchive::Closer::operator()(zip* archive) const { zip_discard(archive); }
void ZipArchive::SourceCloser::operator()(zip_source* source) const { zip_source_free(source); }

ZipArchive::ZipArchive(ZipArchive&&) noexcept = default;
ZipArchive& ZipArchive::operator=(ZipArchive&&) noexcept = default;
ZipArchive::~ZipArchive() = default;

ZipArchive ZipArchive::openForReading(const std::filesystem::path& file) {
  const std::string name = platform::pathToUtf8(file);
  std::string cause;
  if (!gf_isRegularFile(file, cause)) throw std::runtime_error(fmt::format("{}: {}", name, cause));
  platform::FileKind kind = platform::FileKind::missing;
  std::FILE* handle = platform::openRegularFile(file, kind);
  if (handle == nullptr)
    throw std::runtime_error(fmt::format("{}: {}", name,
                                         kind == platform::FileKind::missing ? std::generic_category().message(errno)
                                                                             : "it is not a regular file"));
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_filep_create(handle, 0, -1, &error);
  if (source == nullptr) {
    std::fclose(handle);
    const std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    throw std::runtime_error(fmt::format("{}: {}", name, text));
  }
  zip* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
  if (archive == nullptr) {
    zip_source_free(source);  // also closes the file
    const std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    throw std::runtime_error(fmt::format("{}: {}", name, text));
  }
  zip_error_fini(&error);
  return ZipArchive(archive);
}

ZipArchive ZipArchive::createNew(const std::filesystem::path& file) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip* archive = buffer != nullptr ? zip_open_from_source(buffer, ZIP_TRUNCATE, &error) : nullptr;
  if (archive == nullptr) {
    if (buffer != nullptr) zip_source_free(buffer);
    const std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    throw std::runtime_error(fmt::format("{}: {}", platform::pathToUtf8(file), text));
  }
  zip_error_fini(&error);
  zip_source_keep(buffer);  // the archive's close must leave its bytes here
  ZipArchive made(archive);
  made.buffer_.reset(buffer);
  made.file_ = file;
  return made;
}

bool ZipArchive::read(const Entry& entry, std::string& bytes, std::string& error) const {
  bytes.clear();
  std::unique_ptr<zip_file_t, EntryCloser> content(zip_fopen_index(archive_.get(), entry.index, 0));
  if (!content) {
    error = zip_strerror(archive_.get());
    return false;
  }
  std::vector<char> buffer(zipReadChunkBytes);
  for (;;) {
    const zip_int64_t got = zip_fread(content.get(), buffer.data(), buffer.size());
    if (got < 0) {
      error = zip_file_strerror(content.get());  // also a CRC mismatch at the end
      return false;
    }
    if (got == 0) break;
    bytes.append(buffer.data(), static_cast<std::size_t>(got));
  }
  if (const int closed = zip_fclose(content.release()); closed != 0) {
    error = lf_zipErrorText(closed);
    return false;
  }
  if (bytes.size() != entry.size) {
    error = fmt::format("size {} != {}", bytes.size(), entry.size);
    return false;
  }
  return true;
}

bool ZipArchive::addData(const std::string& name, std::string_view bytes, std::string& error) {
  // A copy that libzip frees itself, so that the caller's buffer need not
  // outlive the archive; an empty entry needs no buffer at all.
  void* copy = nullptr;
  if (!bytes.empty()) {
    copy = std::malloc(bytes.size());
    if (copy == nullptr) {
      error = "out of memory";
      return false;
    }
    std::memcpy(copy, bytes.data(), bytes.size());
  }
  zip_source_t* source = zip_source_buffer(archive_.get(), copy, bytes.size(), copy != nullptr ? 1 : 0);
  if (source == nullptr) {
    std::free(copy);
    error = zip_strerror(archive_.get());
    return false;
  }
  if (zip_file_add(archive_.get(), name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
    zip_source_free(source);
    error = zip_strerror(archive_.get());
    return false;
  }
  return true;
}

bool ZipArchive::close(std::string& error) {
  if (!archive_) {
    error = "no archive";
    return false;
  }
  if (zip_close(archive_.get()) != 0) {
    error = zip_strerror(archive_.get());
    return false;  // still held: the destructor discards it
  }
  (void)archive_.release();  // zip_close freed it
  if (!buffer_) return true;
  const std::unique_ptr<zip_source, SourceCloser> buffer = std::move(buffer_);
  zip_stat_t stat;
  zip_stat_init(&stat);
  // An archive without entries is no file at all, as libzip has it.
  if (zip_source_stat(buffer.get(), &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0 || stat.size == 0) return true;
  std::string bytes(static_cast<std::size_t>(stat.size), '\0');
  if (zip_source_open(buffer.get()) != 0) {
    error = zip_error_strerror(zip_source_error(buffer.get()));
    return false;
  }
  const zip_int64_t got = zip_source_read(buffer.get(), bytes.data(), bytes.size());
  zip_source_close(buffer.get());
  if (got != static_cast<zip_int64_t>(bytes.size())) {
    error = "the archive could not be read back from memory";
    return false;
  }
  return gf_saveAtomically(
      file_,
      [&bytes](std::FILE* out, std::string& why) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size()) return true;
        why = std::generic_category().message(errno);
        return false;
      },
      error);
}

std::vector<ZipArchive::Entry> ZipArchive::entries() const {
  const zip_int64_t count = zip_get_num_entries(archive_.get(), 0);
  if (count < 0) throw std::runtime_error("zip: no entry list");
  std::vector<Entry> list;
  list.reserve(static_cast<std::size_t>(count));
  for (zip_uint64_t index = 0; index < static_cast<zip_uint64_t>(count); ++index) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive_.get(), index, 0, &stat) != 0 || (stat.valid & ZIP_STAT_NAME) == 0)
      throw std::runtime_error(fmt::format("zip: entry {}: {}", index, zip_strerror(archive_.get())));
    Entry entry;
    entry.index = index;
    entry.name = stat.name;
    entry.size = (stat.valid & ZIP_STAT_SIZE) != 0 ? stat.size : 0;
    entry.directory = !entry.name.empty() && entry.name.back() == '/';
    list.push_back(std::move(entry));
  }
  return list;
}

bool ZipArchive::extract(const Entry& entry, const std::filesystem::path& destination, std::string& error,
                         int& code) const {
  std::filesystem::path partial = destination;
  partial += ".part";
  const std::filesystem::path partialName = partial.filename();
  // Made and renamed through the folder's descriptor: whatever stands at the
  // partial name is taken away unopened, and a swapped folder takes nothing.
  platform::FileKind kind = platform::FileKind::missing;
  const platform::Folder folder = platform::Folder::of(destination, kind);
  auto fail = [&](int zipCode, std::string reason) {
    code = zipCode;
    error = std::move(reason);
    if (folder.isOpen()) platform::removeIn(folder, partialName);
    return false;
  };
  code = ZIP_ER_OK;
  std::unique_ptr<zip_file_t, EntryCloser> content(zip_fopen_index(archive_.get(), entry.index, 0));
  if (!content) return fail(zip_error_code_zip(zip_get_error(archive_.get())), zip_strerror(archive_.get()));
  platform::FileMade made = platform::FileMade::failed;
  std::unique_ptr<std::FILE, FileCloser> out(platform::createIn(folder, partialName, nullptr, made));
  if (!out) return fail(ZIP_ER_OPEN, fmt::format("Could not create output file {}", platform::pathToUtf8(partial)));

  std::vector<char> buffer(zipReadChunkBytes);
  std::uint64_t total = 0;
  for (;;) {
    const zip_int64_t got = zip_fread(content.get(), buffer.data(), buffer.size());
    // Also a CRC mismatch at the end.
    if (got < 0) return fail(zip_error_code_zip(zip_file_get_error(content.get())), zip_file_strerror(content.get()));
    if (got == 0) break;
    const auto bytes = static_cast<std::size_t>(got);
    // The stated size is what callers check against their limits: never more.
    if (total + bytes > entry.size) return fail(ZIP_ER_INCONS, fmt::format("more than its stated size {}", entry.size));
    if (std::fwrite(buffer.data(), 1, bytes, out.get()) != bytes)
      return fail(ZIP_ER_WRITE, fmt::format("writing {} failed", platform::pathToUtf8(partial)));
    total += bytes;
  }
  if (std::fclose(out.release()) != 0)
    return fail(ZIP_ER_WRITE, fmt::format("writing {} failed", platform::pathToUtf8(partial)));
  if (const int closed = zip_fclose(content.release()); closed != 0) return fail(closed, lf_zipErrorText(closed));
  if (total != entry.size) return fail(ZIP_ER_INCONS, fmt::format("size {} != {}", total, entry.size));
  if (!platform::renameIn(folder, partialName, folder, destination.filename()))
    return fail(ZIP_ER_RENAME, fmt::format("could not rename to {}: {}", platform::pathToUtf8(destination),
                                           std::generic_category().message(errno)));
  return true;
}

bool ZipArchive::isSafeEntryName(std::string_view name) {
  if (name.empty() || name.front() == '/' || name.front() == '\\') return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = name.size();
    if (!lf_isSafePart(name.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

} // namespace gwr
