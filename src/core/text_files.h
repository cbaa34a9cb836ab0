// Reading text files of unknown character set as UTF-8 lines, writing whole
// text files, and the UTF-8 <-> UTF-16 conversions used at the platform edge.
#pragma once

#include <array>
#include <cstdio>
#include <cstddef>
#include <filesystem>
#include <istream>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/sys/native_path.h"

namespace gwr {

enum class Charset : int {
  ANSI = 0,                // the "ANSI" code page, Windows-1252
  Unicode = 1,             // UTF-16 little-endian
  Unicode_big_endian = 2,  // UTF-16 big-endian
  UTF8_with_BOM = 3,
  UTF8_without_BOM = 4,    // also plain ASCII and empty files
  none_found = 5,          // the file could not be opened
};

inline constexpr std::array<std::string_view, 6> charsetNames = {
    "ANSI", "Unicode", "Unicode_big_endian", "UTF8_with_BOM", "UTF8_without_BOM", "none_found"};

// The charset's name from the table, or its number for a value outside it.
std::string gf_charsetName(Charset charset);

// Looks at the byte-order mark and validates the whole file as UTF-8: a
// Windows-1252 byte far into the file makes it ANSI.
Charset gf_detectCharset(const std::filesystem::path& path);

// Replaces lines with the file's lines as valid UTF-8 (bytes a UTF-8 file gets
// wrong are replaced or read as ANSI). False when the file cannot be opened or
// read; a decoding failure (a folder too) also shows "Read failed for '{}': {}"
// as notice.
bool gf_readTextLines(Charset charset, const std::filesystem::path& path,
                      std::vector<std::string>& lines);

// The whole file's bytes. False, with the system's reason in cause, when it
// cannot be opened or read, or is no regular file; a named pipe, device or
// socket in its place is refused at once (never waited on) and logged.
bool gf_readFileBytes(const std::filesystem::path& path, std::string& bytes, std::string& cause);
// True when path is a regular file, looked at without opening it; else false
// with cause, and a named pipe, device or socket is logged as
// "{} not read: it is {}, not a regular file". For readers that open the file
// themselves.
bool gf_isRegularFile(const std::filesystem::path& path, std::string& cause);

// What gf_readUtf8Text found: the charset, or why the file could not be read.
struct TextRead {
  Charset charset = Charset::none_found;
  std::string error;  // empty on success

  bool ok() const { return error.empty(); }
};

// The whole file as valid UTF-8 text, its charset decided on all of its bytes;
// the file is read once.
TextRead gf_readUtf8Text(const std::filesystem::path& path, std::string& text);

// Strict UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF.
bool gf_isValidUtf8(std::string_view text);
// The text with every byte that starts no valid UTF-8 sequence replaced by U+FFFD.
std::string gf_toValidUtf8(std::string_view text);

// Windows-1252 text as UTF-8; every byte converts.
std::string gf_ansiToUtf8(std::string_view text);

// Appends the lines of the whole stream (read in one piece) to lines; a text
// that is not valid UTF-8 is read as ANSI.
void gf_readStreamLines(std::istream& stream, std::vector<std::string>& lines);

// Appends the lines of text: cut at LF, one trailing CR removed per line, a
// leading UTF-8 mark dropped, no empty line after a final LF.
void gf_splitLines(std::string_view text, std::vector<std::string>& lines);
// As gf_splitLines, but lines of blanks only are left out and the vector gets
// exactly the room the lines need: a line costs a string object, which a file
// of millions of empty lines would otherwise multiply many times over.
void gf_splitTextLines(std::string_view text, std::vector<std::string>& lines);

// Appends the lines of a UTF-16 stream. The byte-order mark decides the order;
// without one, unmarkedOrder does (Unicode or Unicode_big_endian). Throws
// std::runtime_error for an odd number of bytes or invalid UTF-16.
void gf_readUtf16Lines(std::istream& stream, std::vector<std::string>& lines,
                       Charset unmarkedOrder = Charset::Unicode);

inline constexpr std::string_view textFileOpenFailed = "open_failed";
inline constexpr std::string_view textFileIsFolder = "is_a_folder";

// Either the lines read or the error text.
struct TextLinesResult {
  std::span<const std::string> lines;
  std::string_view error;  // empty on success

  bool ok() const { return error.empty(); }
};

// A file read as UTF-8 lines (ANSI when not valid UTF-8); the object keeps the
// lines so that the result can be a view on them.
class TextFile {
public:
  explicit TextFile(std::filesystem::path filePath) : path(std::move(filePath)) {}

  // Reserves room for at least reserve lines; never throws for an unopenable file.
  TextLinesResult readLines(std::size_t reserve);

  std::filesystem::path path;
  std::vector<std::string> lines;
};

// Why a file of this kind is not read or written ("it is a named pipe, not a
// regular file", the system's reason for a missing one), empty for a regular
// one; with logged, a refusal is logged as "{path} not {done}: {cause}".
std::string gf_refusalCause(const std::filesystem::path& path, platform::FileKind kind, std::string_view done,
                            bool logged);

// Why a save or write refuses another user's link, as its log line says.
inline constexpr std::string_view foreignLinkCause = "its link leads to another user's file";

// The one way a file is opened for writing (truncated, binary): a regular
// file or a new one only, never waited on, checked on the open descriptor,
// made and opened through its folder's descriptor, and reached through no
// link of another user. nullptr otherwise, with cause; a pipe, device,
// socket or such a link is logged as "{} not written: {cause}" (unless
// logRefusal is false: the log cannot report on itself); refused, when
// given, tells such a refusal from a plain failure to open. A new file gets
// mode (less the process's mask).
std::FILE* gf_openForWriting(const std::filesystem::path& path, std::string& cause, bool logRefusal = true,
                             bool* refused = nullptr, mode_t mode = 0666);
// Makes the folder and every missing part of it the same way: part by part
// through the parent's descriptor, another user's link on the way never
// followed into a folder not theirs (logged as "{} not made: {cause}"). True
// when the folder is there; false with cause otherwise.
bool gf_makeFolders(const std::filesystem::path& folder, std::string& cause);
// Copies the regular file from over to, written the same way; false with cause.
// A new copy gets no more permission bits than from has, and another user's
// link at from to a file not theirs is not read (a copy as root would show
// them what it holds).
bool gf_copyFile(const std::filesystem::path& from, const std::filesystem::path& to, std::string& cause);

// Writes text and one LF as the whole file; false when it cannot be opened or
// written. Invalid UTF-8 is replaced (as by gf_toValidUtf8) here and below.
bool gf_writeTextFile(const std::string& text, const std::filesystem::path& path);
// Writes every line followed by LF as the whole file; false when it cannot be opened or written.
bool gf_writeTextLines(const std::vector<std::string>& lines, const std::filesystem::path& path);
// The same through gf_saveAtomically: a kill or a full disk never leaves path
// cut short, a read-only file stays as it is, and the file keeps its
// permissions; on failure (logged) path keeps its old content and cause tells why.
bool gf_replaceTextLines(const std::vector<std::string>& lines, const std::filesystem::path& path, std::string& cause);

// Throws std::runtime_error "wide_to_utf8: invalid UTF-16".
std::string wide_to_utf8(std::u16string_view text);
// Throws std::runtime_error "utf8_to_wide: invalid UTF-8".
std::u16string utf8_to_wide(std::string_view text);
// The path as UTF-8 text, through platform::pathToUtf8.
std::string gf_pathToUtf8(const std::filesystem::path& path);

} // namespace gwr
