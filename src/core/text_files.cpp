// Charset detection, line reading and whole-file writing for the many text
// files the program reads but did not write.
#include "core/text_files.h"

#include "core/status_line.h"
#include "platform/sys/codepage.h"
#include "platform/sys/native_path.h"

#include <fmt/format.h>

#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>

namespace gwr {

namespace {

constexpr std::size_t lf_charsetSampleBytes = 4096;  // the most the detection looks at
constexpr std::size_t lf_ansiReserveLines = 2048;
constexpr std::string_view lf_utf8Mark = "\xEF\xBB\xBF";

bool lf_inRange(unsigned char byte, unsigned char low, unsigned char high) {
  return byte >= low && byte <= high;
}

// Validates sample as UTF-8 by lead and continuation ranges only (surrogates
// pass). A sequence cut off by the end of the sample counts as valid when the
// file goes on beyond it: its remaining bytes were merely not looked at.
bool lf_isUtf8Sample(std::string_view sample, bool fileGoesOn) {
  std::size_t i = 0;
  while (i < sample.size()) {
    const auto lead = static_cast<unsigned char>(sample[i]);
    std::size_t continuations = 0;
    unsigned char firstLow = 0x80;
    unsigned char firstHigh = 0xBF;
    if (lead <= 0x7F) {
      ++i;
      continue;
    }
    if (lf_inRange(lead, 0xC2, 0xDF)) {
      continuations = 1;
    } else if (lf_inRange(lead, 0xE0, 0xEF)) {
      continuations = 2;
      if (lead == 0xE0) firstLow = 0xA0;
    } else if (lf_inRange(lead, 0xF0, 0xF4)) {
      continuations = 3;
      if (lead == 0xF0) firstLow = 0x90;
      if (lead == 0xF4) firstHigh = 0x8F;
    } else {
      return false;
    }
    for (std::size_t k = 1; k <= continuations; ++k) {
      if (i + k >= sample.size()) return fileGoesOn;
      const auto byte = static_cast<unsigned char>(sample[i + k]);
      const bool first = k == 1;
      if (!lf_inRange(byte, first ? firstLow : 0x80, first ? firstHigh : 0xBF)) return false;
    }
    i += continuations + 1;
  }
  return true;
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

// A folder opens like a file here but reports a nonsense size: reading it
// would try to allocate that much.
bool lf_isFolder(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

bool lf_readFileLines(Charset charset, const std::filesystem::path& path,
                      std::vector<std::string>& lines) {
  if (charset < Charset::ANSI || charset >= Charset::none_found)
    throw std::runtime_error(fmt::format("file {} has unknown charset: {}", gf_pathToUtf8(path),
                                         gf_charsetName(charset)));
  if (lf_isFolder(path)) throw std::runtime_error("it is a folder, not a file");
  std::ifstream file(path, std::ios::binary);
  if (!file.is_open()) return false;

  switch (charset) {
  case Charset::Unicode:
  case Charset::Unicode_big_endian:
    gf_readUtf16Lines(file, lines, charset);
    break;
  case Charset::UTF8_with_BOM:
    gf_readStreamLines(file, lines);
    // gf_splitLines dropped the mark already; this drops a doubled one.
    if (!lines.empty() && lines.front().starts_with(lf_utf8Mark)) lines.front().erase(0, lf_utf8Mark.size());
    break;
  case Charset::UTF8_without_BOM:
    gf_readStreamLines(file, lines);
    break;
  default: {
    std::vector<std::string> ansiLines;
    ansiLines.reserve(lf_ansiReserveLines);
    gf_readStreamLines(file, ansiLines);
    lines.reserve(ansiLines.size());
    for (const auto& line : ansiLines) lines.push_back(gf_ansiToUtf8(line));
    break;
  }
  }
  return true;
}

} // namespace

std::string gf_charsetName(Charset charset) {
  const auto index = static_cast<int>(charset);
  if (index < 0 || index >= static_cast<int>(charsetNames.size())) return std::to_string(index);
  return std::string(charsetNames[static_cast<std::size_t>(index)]);
}

Charset gf_detectCharset(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file.is_open()) return Charset::none_found;

  // One byte beyond the sample tells whether the file goes on after it.
  std::string bytes(lf_charsetSampleBytes + 1, '\0');
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(file.gcount()));
  const bool fileGoesOn = bytes.size() > lf_charsetSampleBytes;
  const std::string_view sample = std::string_view(bytes).substr(0, lf_charsetSampleBytes);

  const std::size_t n = sample.size();
  auto byteAt = [&](std::size_t k) { return k < n ? static_cast<unsigned char>(sample[k]) : 0; };
  const unsigned char b0 = byteAt(0), b1 = byteAt(1), b2 = byteAt(2), b3 = byteAt(3);

  if (n >= 3 && sample.starts_with(lf_utf8Mark)) return Charset::UTF8_with_BOM;
  if (n >= 2) {
    if (b0 == 0xFF && b1 == 0xFE) return Charset::Unicode;
    if (b0 == 0xFE && b1 == 0xFF) return Charset::Unicode_big_endian;
    if (b1 == 0 && (n < 4 || b3 == 0)) return Charset::Unicode;
    if (b0 == 0 && (n < 4 || b2 == 0)) return Charset::Unicode_big_endian;
  }
  return lf_isUtf8Sample(sample, fileGoesOn) ? Charset::UTF8_without_BOM : Charset::ANSI;
}

bool gf_readTextLines(Charset charset, const std::filesystem::path& path,
                      std::vector<std::string>& lines) {
  lines.clear();
  try {
    return lf_readFileLines(charset, path, lines);
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
  gf_splitLines(lf_readAll(stream, size), lines);
}

void gf_splitLines(std::string_view text, std::vector<std::string>& lines) {
  if (text.starts_with(lf_utf8Mark)) text.remove_prefix(lf_utf8Mark.size());
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.emplace_back(line);
    start = end + 1;
  }
}

void gf_readUtf16Lines(std::istream& stream, std::vector<std::string>& lines, Charset unmarkedOrder) {
  if (stream.fail()) return;
  const std::size_t size = lf_streamSize(stream);
  if (size == 0) return;
  const std::string bytes = lf_readAll(stream, size);
  // Dropping a stray last byte would lose text silently: treat it as damage.
  if (bytes.size() % 2 != 0) throw std::runtime_error("UTF-16 text has an odd number of bytes");

  std::string_view units = bytes;
  bool bigEndian = unmarkedOrder == Charset::Unicode_big_endian;
  if (units.starts_with("\xFF\xFE")) {
    bigEndian = false;
    units.remove_prefix(2);
  } else if (units.starts_with("\xFE\xFF")) {
    bigEndian = true;
    units.remove_prefix(2);
  }
  gf_splitLines(wide_to_utf8(lf_utf16Units(units, bigEndian)), lines);
}

TextLinesResult TextFile::readLines(std::size_t reserve) {
  lines.clear();
  if (lf_isFolder(path)) return {{}, textFileIsFolder};
  std::ifstream file(path, std::ios::binary);
  if (!file.is_open()) return {{}, textFileOpenFailed};
  if (reserve > lines.capacity()) lines.reserve(reserve);
  gf_readStreamLines(file, lines);
  return {lines, {}};
}

bool gf_writeTextFile(const std::string& text, const std::filesystem::path& path) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file.is_open()) return false;
  file << text << '\n';
  file.close();
  // A full disk shows only when the buffer goes out.
  return !file.fail();
}

bool gf_writeTextLines(const std::vector<std::string>& lines, const std::filesystem::path& path) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file.is_open()) return false;
  for (const auto& line : lines) file << line << '\n';
  file.close();
  return !file.fail();
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
