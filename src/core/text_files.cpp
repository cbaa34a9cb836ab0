// Charset detection on whole files, reading them as valid UTF-8 lines, and
// whole-file writing for the many text files the program reads but did not write.
#include "core/text_files.h"

#include "core/atomic_save.h"
#include "core/log.h"
#include "core/status_line.h"
#include "platform/sys/codepage.h"
#include "platform/sys/folder_listing.h"
#include "platform/sys/native_path.h"

#include <fmt/format.h>

#include <cerrno>
#include <cstdio>
#include <istream>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

namespace gwr {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t lf_ansiReserveLines = 2048;
constexpr std::size_t lf_copyChunkBytes = 64 * 1024;
constexpr std::string_view lf_utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view lf_replacementCharacter = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::string_view lf_blanks = " \t\v\f\r";

bool lf_inRange(unsigned char byte, unsigned char low, unsigned char high) {
  return byte >= low && byte <= high;
}

// The length of the valid UTF-8 sequence that text starts with; 0 when it is
// invalid or cut off. Strict: no overlong forms, no surrogates, nothing beyond U+10FFFF.
std::size_t lf_utf8SequenceLength(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  if (lead <= 0x7F) return 1;
  std::size_t length = 0;
  unsigned char firstLow = 0x80;
  unsigned char firstHigh = 0xBF;
  if (lf_inRange(lead, 0xC2, 0xDF)) {
    length = 2;
  } else if (lf_inRange(lead, 0xE0, 0xEF)) {
    length = 3;
    if (lead == 0xE0) firstLow = 0xA0;
    if (lead == 0xED) firstHigh = 0x9F;
  } else if (lf_inRange(lead, 0xF0, 0xF4)) {
    length = 4;
    if (lead == 0xF0) firstLow = 0x90;
    if (lead == 0xF4) firstHigh = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  if (!lf_inRange(static_cast<unsigned char>(text[1]), firstLow, firstHigh)) return 0;
  for (std::size_t k = 2; k < length; ++k)
    if (!lf_inRange(static_cast<unsigned char>(text[k]), 0x80, 0xBF)) return 0;
  return length;
}

// Calls lineFound with each line of text: cut at LF, one trailing CR removed,
// a leading UTF-8 mark dropped, no empty line after a final LF.
template <typename LineFound>
void lf_eachLine(std::string_view text, LineFound lineFound) {
  if (text.starts_with(lf_utf8Mark)) text.remove_prefix(lf_utf8Mark.size());
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lineFound(line);
    start = end + 1;
  }
}

// The charset of a whole file's bytes: a mark or zero bytes at the start, else
// UTF-8 when every byte of the file is valid UTF-8, else ANSI.
Charset lf_charsetOfBytes(std::string_view bytes) {
  const std::size_t n = bytes.size();
  auto byteAt = [&](std::size_t k) { return k < n ? static_cast<unsigned char>(bytes[k]) : 0; };
  const unsigned char b0 = byteAt(0), b1 = byteAt(1), b2 = byteAt(2), b3 = byteAt(3);
  if (n >= 3 && bytes.starts_with(lf_utf8Mark)) return Charset::UTF8_with_BOM;
  if (n >= 2) {
    if (b0 == 0xFF && b1 == 0xFE) return Charset::Unicode;
    if (b0 == 0xFE && b1 == 0xFF) return Charset::Unicode_big_endian;
    if (b1 == 0 && (n < 4 || b3 == 0)) return Charset::Unicode;
    if (b0 == 0 && (n < 4 || b2 == 0)) return Charset::Unicode_big_endian;
  }
  return gf_isValidUtf8(bytes) ? Charset::UTF8_without_BOM : Charset::ANSI;
}

// The stream's size from its end, the position back at the start; 0 for an
// empty stream or one whose size cannot be learned (its state then cleared).
std::size_t lf_streamSize(std::istream& stream) {
  stream.seekg(0, std::ios::end);
  const std::streamoff size = stream.tellg();
  if (size < 1) {
    stream.clear();
    stream.seekg(0, std::ios::beg);
    return 0;
  }
  stream.seekg(0, std::ios::beg);
  return static_cast<std::size_t>(size);
}

std::string lf_readAll(std::istream& stream, std::size_t size) {
  std::string bytes(size, '\0');
  stream.read(bytes.data(), static_cast<std::streamsize>(size));
  bytes.resize(static_cast<std::size_t>(stream.gcount()));
  return bytes;
}

std::u16string lf_utf16Units(std::string_view bytes, bool bigEndian) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t k = 0; k < units.size(); ++k) {
    const auto first = static_cast<unsigned char>(bytes[2 * k]);
    const auto second = static_cast<unsigned char>(bytes[2 * k + 1]);
    units[k] = bigEndian ? static_cast<char16_t>(first << 8 | second)
                         : static_cast<char16_t>(second << 8 | first);
  }
  return units;
}

// UTF-16 bytes as UTF-8. The byte-order mark decides the order; without one,
// unmarkedOrder does. Throws for an odd number of bytes or invalid UTF-16.
std::string lf_utf16ToUtf8(std::string_view units, Charset unmarkedOrder) {
  // Dropping a stray last byte would lose text silently: treat it as damage.
  if (units.size() % 2 != 0) throw std::runtime_error("UTF-16 text has an odd number of bytes");
  bool bigEndian = unmarkedOrder == Charset::Unicode_big_endian;
  if (units.starts_with("\xFF\xFE")) {
    bigEndian = false;
    units.remove_prefix(2);
  } else if (units.starts_with("\xFE\xFF")) {
    bigEndian = true;
    units.remove_prefix(2);
  }
  return wide_to_utf8(lf_utf16Units(units, bigEndian));
}

// The bytes of a file in the charset given as UTF-8 text, valid in every case:
// bytes that a UTF-8 file gets wrong become U+FFFD (with a mark) or are read
// as ANSI (without one, as the detection would have done).
std::string lf_decode(std::string bytes, Charset charset) {
  switch (charset) {
  case Charset::Unicode:
  case Charset::Unicode_big_endian:
    return lf_utf16ToUtf8(bytes, charset);
  case Charset::UTF8_with_BOM: {
    std::string_view text = bytes;
    // A doubled mark is dropped as well.
    for (int mark = 0; mark < 2 && text.starts_with(lf_utf8Mark); ++mark) text.remove_prefix(lf_utf8Mark.size());
    return gf_toValidUtf8(text);
  }
  case Charset::UTF8_without_BOM:
    if (gf_isValidUtf8(bytes)) return bytes;
    if (bytes.starts_with(lf_utf8Mark)) return lf_decode(std::move(bytes), Charset::UTF8_with_BOM);
    return gf_ansiToUtf8(bytes);
  default:
    return gf_ansiToUtf8(bytes);
  }
}

bool lf_isFolder(const std::filesystem::path& path) {
  std::error_code error;
  return platform::isFolder(path, error);
}

} // namespace

// A named pipe or device where the program's own file belongs would block the
// open for ever, another user's link would lead a run with raised rights
// anywhere: they are refused and, when logged is set, logged.
std::string gf_refusalCause(const std::filesystem::path& path, platform::FileKind kind, std::string_view done,
                            bool logged) {
  std::string_view what;
  switch (kind) {
  case platform::FileKind::regular:
    return {};
  case platform::FileKind::missing: {
    const int code = errno;
    return code != 0 ? std::generic_category().message(code) : std::string("cannot be opened");
  }
  case platform::FileKind::folder:
    return std::make_error_code(std::errc::is_a_directory).message();
  case platform::FileKind::namedPipe:
    what = "a named pipe";
    break;
  case platform::FileKind::device:
    what = "a device";
    break;
  case platform::FileKind::socket:
    what = "a socket";
    break;
  case platform::FileKind::other:
    what = "something else";
    break;
  case platform::FileKind::foreignLink:
    break;
  }
  std::string cause = kind == platform::FileKind::foreignLink ? std::string(foreignLinkCause)
                                                               : fmt::format("it is {}, not a regular file", what);
  if (logged) gf_logError(fmt::format("{} not {}: {}", gf_pathToUtf8(path), done, cause));
  return cause;
}

std::string gf_charsetName(Charset charset) {
  const auto index = static_cast<int>(charset);
  if (index < 0 || index >= static_cast<int>(charsetNames.size())) return std::to_string(index);
  return std::string(charsetNames[static_cast<std::size_t>(index)]);
}

bool gf_isValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = lf_utf8SequenceLength(text.substr(i));
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string gf_toValidUtf8(std::string_view text) {
  if (gf_isValidUtf8(text)) return std::string(text);
  std::string valid;
  valid.reserve(text.size() + text.size() / 2);
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = lf_utf8SequenceLength(text.substr(i));
    if (length == 0) {
      valid += lf_replacementCharacter;
      ++i;
    } else {
      valid += text.substr(i, length);
      i += length;
    }
  }
  return valid;
}

bool gf_readFileBytes(const std::filesystem::path& path, std::string& bytes, std::string& cause) {
  errno = 0;
  const platform::FileKind kind = platform::readRegularFile(path, bytes);
  cause = gf_refusalCause(path, kind, "read", true);
  return cause.empty();
}

bool gf_isRegularFile(const std::filesystem::path& path, std::string& cause) {
  errno = 0;
  cause = gf_refusalCause(path, platform::kindOfFile(path), "read", true);
  return cause.empty();
}

Charset gf_detectCharset(const std::filesystem::path& path) {
  std::string bytes;
  std::string cause;
  if (!gf_readFileBytes(path, bytes, cause)) return Charset::none_found;
  return lf_charsetOfBytes(bytes);
}

TextRead gf_readUtf8Text(const std::filesystem::path& path, std::string& text) {
  text.clear();
  std::string bytes;
  TextRead read;
  if (!gf_readFileBytes(path, bytes, read.error)) return read;
  read.charset = lf_charsetOfBytes(bytes);
  try {
    text = lf_decode(std::move(bytes), read.charset);
  } catch (const std::exception& e) {
    read.error = e.what();
  }
  return read;
}

bool gf_readTextLines(Charset charset, const std::filesystem::path& path,
                      std::vector<std::string>& lines) {
  lines.clear();
  try {
    if (charset < Charset::ANSI || charset >= Charset::none_found)
      throw std::runtime_error(fmt::format("file {} has unknown charset: {}", gf_pathToUtf8(path),
                                           gf_charsetName(charset)));
    // A folder opens like a file here and reports a nonsense size.
    if (lf_isFolder(path)) throw std::runtime_error("it is a folder, not a file");
    std::string bytes;
    std::string cause;
    if (!gf_readFileBytes(path, bytes, cause)) return false;
    if (charset == Charset::ANSI) lines.reserve(lf_ansiReserveLines);
    gf_splitLines(lf_decode(std::move(bytes), charset), lines);
    return true;
  } catch (const std::exception& e) {
    lines.clear();
    setStatusText(fmt::format("Read failed for '{}': {}", gf_pathToUtf8(path), e.what()), true);
    return false;
  }
}

std::string gf_ansiToUtf8(std::string_view text) {
  if (text.empty()) return {};
  return wide_to_utf8(platform::ansiToUtf16(text));
}

void gf_readStreamLines(std::istream& stream, std::vector<std::string>& lines) {
  if (stream.fail()) return;
  const std::size_t size = lf_streamSize(stream);
  if (size == 0) return;
  std::string bytes = lf_readAll(stream, size);
  // Text that is not UTF-8 was written in the ANSI code page.
  gf_splitLines(lf_decode(std::move(bytes), Charset::UTF8_without_BOM), lines);
}

void gf_splitLines(std::string_view text, std::vector<std::string>& lines) {
  lf_eachLine(text, [&lines](std::string_view line) { lines.emplace_back(line); });
}

void gf_splitTextLines(std::string_view text, std::vector<std::string>& lines) {
  const auto carriesText = [](std::string_view line) { return line.find_first_not_of(lf_blanks) != line.npos; };
  std::size_t count = 0;
  lf_eachLine(text, [&](std::string_view line) { count += carriesText(line) ? 1 : 0; });
  lines.reserve(lines.size() + count);
  lf_eachLine(text, [&](std::string_view line) {
    if (carriesText(line)) lines.emplace_back(line);
  });
}

void gf_readUtf16Lines(std::istream& stream, std::vector<std::string>& lines, Charset unmarkedOrder) {
  if (stream.fail()) return;
  const std::size_t size = lf_streamSize(stream);
  if (size == 0) return;
  gf_splitLines(lf_utf16ToUtf8(lf_readAll(stream, size), unmarkedOrder), lines);
}

TextLinesResult TextFile::readLines(std::size_t reserve) {
  lines.clear();
  if (lf_isFolder(path)) return {{}, textFileIsFolder};
  std::string bytes;
  std::string cause;
  if (!gf_readFileBytes(path, bytes, cause)) return {{}, textFileOpenFailed};
  if (reserve > lines.capacity()) lines.reserve(reserve);
  gf_splitLines(lf_decode(std::move(bytes), Charset::UTF8_without_BOM), lines);
  return {lines, {}};
}

namespace {

// Writes the texts, each followed by LF, and closes the file; false when a
// write or the close failed (a full disk shows only when the buffer goes out).
// Paths in report texts may hold any bytes; the file holds UTF-8 only.
template <typename Texts>
bool lf_writeLines(std::FILE* file, const Texts& texts) {
  bool written = true;
  for (const auto& text : texts) {
    const std::string line = gf_toValidUtf8(text) + '\n';
    written = written && std::fwrite(line.data(), 1, line.size(), file) == line.size();
  }
  return std::fclose(file) == 0 && written;
}

} // namespace

std::FILE* gf_openForWriting(const std::filesystem::path& path, std::string& cause, bool logRefusal, bool* refused,
                             mode_t mode) {
  errno = 0;
  platform::FileKind kind = platform::FileKind::missing;
  std::FILE* file = platform::openForWriting(path, kind, mode);
  cause = file != nullptr ? std::string() : gf_refusalCause(path, kind, "written", logRefusal);
  if (file == nullptr && cause.empty()) cause = "cannot be opened";
  if (refused != nullptr)
    *refused = file == nullptr && kind != platform::FileKind::missing && kind != platform::FileKind::folder;
  return file;
}

bool gf_makeFolders(const std::filesystem::path& folder, std::string& cause) {
  errno = 0;
  platform::FileKind kind = platform::FileKind::missing;
  if (platform::Folder::made(folder, kind).isOpen()) {
    cause.clear();
    return true;
  }
  if (kind == platform::FileKind::foreignLink) {
    cause = gf_refusalCause(folder, kind, "made", true);
  } else {
    const int code = errno;
    cause = code != 0 ? std::generic_category().message(code) : std::string("cannot be made");
  }
  return false;
}

bool gf_copyFile(const std::filesystem::path& from, const std::filesystem::path& to, std::string& cause) {
  mode_t mode = 0;
  errno = 0;
  platform::FileKind kind = platform::FileKind::missing;
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(
      platform::openRegularFile(from, kind, platform::LinkAtName::followedWhenTrusted, &mode), std::fclose);
  cause = gf_refusalCause(from, kind, "read", true);
  if (!cause.empty()) return false;
  std::FILE* out = gf_openForWriting(to, cause, true, nullptr, mode);
  if (out == nullptr) return false;
  // A piece at a time: a long run's log is no reason to hold it whole in memory.
  std::vector<char> chunk(lf_copyChunkBytes);
  bool copied = true;
  int error = 0;
  for (;;) {
    const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), in.get());
    if (got > 0 && std::fwrite(chunk.data(), 1, got, out) != got) {
      copied = false;
      error = errno;
      break;
    }
    if (got < chunk.size()) {
      if (std::ferror(in.get()) != 0) {
        copied = false;
        error = errno;
      }
      break;
    }
  }
  if (std::fclose(out) != 0 && copied) {
    copied = false;
    error = errno;
  }
  if (copied) return true;
  cause = std::generic_category().message(error);
  return false;
}

bool gf_writeTextFile(const std::string& text, const std::filesystem::path& path) {
  std::string cause;
  std::FILE* file = gf_openForWriting(path, cause);
  return file != nullptr && lf_writeLines(file, std::initializer_list<std::string_view>{text});
}

bool gf_writeTextLines(const std::vector<std::string>& lines, const std::filesystem::path& path) {
  std::string cause;
  std::FILE* file = gf_openForWriting(path, cause);
  return file != nullptr && lf_writeLines(file, lines);
}

bool gf_replaceTextLines(const std::vector<std::string>& lines, const std::filesystem::path& path, std::string& cause) {
  return gf_saveAtomically(
      path,
      [&lines](std::FILE* temporary, std::string& why) {
        for (const auto& line : lines) {
          const std::string valid = gf_toValidUtf8(line) + '\n';
          if (std::fwrite(valid.data(), 1, valid.size(), temporary) != valid.size()) {
            why = std::generic_category().message(errno);
            return false;
          }
        }
        return true;
      },
      cause);
}

std::string wide_to_utf8(std::u16string_view text) {
  if (text.empty()) return {};
  auto converted = platform::utf16ToUtf8(text);
  if (!converted) throw std::runtime_error("wide_to_utf8: invalid UTF-16");
  return std::move(*converted);
}

std::u16string utf8_to_wide(std::string_view text) {
  if (text.empty()) return {};
  auto converted = platform::utf8ToUtf16(text);
  if (!converted) throw std::runtime_error("utf8_to_wide: invalid UTF-8");
  return std::move(*converted);
}

std::string gf_pathToUtf8(const std::filesystem::path& path) { return platform::pathToUtf8(path); }

} // namespace gwr
