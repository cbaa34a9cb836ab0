// Small text helpers shared across the program: trimming, comma lists,
// upper-case comparison, plural "s", log banners and a few fixed texts.
#pragma once

#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gwr {

// Blank, tab, line feed and carriage return: what every trim cuts off.
inline constexpr std::string_view blankSet = " \t\n\r";

// The text without leading and trailing characters of blankSet.
std::string gf_trim(std::string_view text);

// The trimmed pieces of text cut at every separator, in their order, empty
// pieces included; an empty text gives no pieces.
std::vector<std::string> gf_splitTrimmed(std::string_view text, char separator);

// The pieces of a comma list as gf_splitTrimmed gives them.
std::vector<std::string> gf_splitComma(const std::string& text);

// The same pieces sorted byte-wise, each distinct piece once.
std::vector<std::string> gf_splitCommaSorted(const std::string& text);

// Rewrites a comma list without blanks around its items.
void gf_normalizeList(std::string& text);

// Whether part occurs in text; an empty part always does.
bool gf_contains(const std::string& text, const char* part);

// The text with a-z upper-cased; other bytes unchanged.
std::string gf_upperAscii(std::string_view text);

// Whether a equals b upper-cased; callers pass an upper-case constant as a.
bool gf_equalsUpper(std::string_view a, std::string b);

// The standard toupper of one byte; the shell upper-cases typed codes with it.
inline char lf_toUpperChar(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// "" for 1 (and for negative counts), "s" otherwise.
std::string gf_plural(std::int64_t count);
std::string gf_plural(std::int32_t count);
std::string gf_plural(std::uint64_t count);

// A line of a + b asterisks (rounded up to even) with the title in its middle
// when it fits, else the title alone; optional line feeds around it.
std::string gf_bannerLine(std::int64_t a, std::int64_t b, bool newlineBefore, bool newlineAfter,
                          const std::string& title);

// A simulator object id: decimal for MSFS 2020, lower-case hex for MSFS 2024.
std::string gf_objectIdText(std::uint32_t id);

// part * 100 / whole rounded half away from zero; 0 when whole < 1. Throws
// gsl::narrowing_error when the result does not fit 32 bits.
std::int32_t gf_percentage(std::int64_t part, std::int64_t whole);

// The start of UTF-8 text up to its count-th character: a cut never splits
// the bytes of one character.
std::string_view gf_firstCharacters(std::string_view text, std::size_t count);

// text with its control characters written as escapes ("\n", "\r", "\t",
// "\xNN"), so that outside text cannot make or break lines of the log.
std::string gf_escapeControls(std::string_view text);

// "code text" for a Windows Sockets error code.
std::string gf_winsockErrorText(std::int32_t code);

} // namespace gwr
