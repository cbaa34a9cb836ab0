// Small text helpers; see text_utils.h. All work byte by byte on UTF-8 and
// know nothing beyond ASCII.
#include "core/text_utils.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <fmt/format.h>
#include <gsl/narrow>

#include "core/run_state.h"

namespace gwr {

namespace {

// Plain constants, so that other files' static initialisation may use them.
constexpr std::string_view pluralSuffix = "s";
constexpr std::string_view lineFeed = "\n";
constexpr double int64LimitAsDouble = 9223372036854775808.0;  // 2^63

struct WinsockError {
  std::int32_t code;
  std::string_view text;
};

// Texts as the program has always logged them, spelling included.
constexpr WinsockError winsockErrors[] = {
    {10004, "Interrupted system call"},
    {10009, "Bad file number"},
    {10013, "Permission denied"},
    {10014, "Bad address"},
    {10022, "Invalid argument"},
    {10024, "Too many open sockets"},
    {10035, "Operation would block"},
    {10036, "Operation now in progress"},
    {10037, "Operation already in progress"},
    {10038, "Socket operation on non-socket"},
    {10039, "Destination address required"},
    {10040, "Messenger too long"},
    {10041, "Protocol wrong type for socket"},
    {10042, "Bad protocol option"},
    {10043, "Protocol not supported"},
    {10044, "Socket type not supported"},
    {10045, "Operation not supported on socket"},
    {10046, "Protocol family not supported"},
    {10047, "Address family not supported"},
    {10048, "Address already in use"},
    {10049, "Can't assign requested address"},
    {10050, "Network is down"},
    {10051, "Network is unreachable"},
    {10052, "Net connection reset"},
    {10053, "Software caused connection abort"},
    {10054, "Connection reset by peer"},
    {10055, "No buffer space available"},
    {10056, "Socket is already connected"},
    {10057, "Socket is not connected"},
    {10058, "Can't send numLines socket shutdown"},
    {10059, "Too many references, can't splice"},
    {10060, "Connection timed out"},
    {10061, "Connection refused"},
    {10062, "Too many levels of symbolic links"},
    {10063, "File name too long"},
    {10064, "Host is down"},
    {10065, "No route to host"},
    {10066, "Directory not empty"},
    {10067, "Too many processes"},
    {10068, "Too many users"},
    {10069, "Disc quota exceeded"},
    {10070, "Stale NFS file handle"},
    {10071, "Too many levels of remote in path"},
    {10091, "Network system is unavailable"},
    {10092, "Winsock version out of range"},
    {10093, "WSAStartup not yet called"},
    {10101, "Graceful shutdown in progress"},
    {11001, "Host not found"},
    {11004, "No host data of that type was found"},
};
constexpr std::string_view unknownWinsockError = "Unknown errror code";

} // namespace

std::string gf_trim(std::string_view text) {
  const auto first = text.find_first_not_of(blankSet);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(blankSet);
  return std::string(text.substr(first, last - first + 1));
}

std::vector<std::string> gf_splitTrimmed(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  if (text.empty()) return pieces;
  std::size_t start = 0;
  while (true) {
    const auto end = text.find(separator, start);
    if (end == std::string_view::npos) {
      pieces.push_back(gf_trim(text.substr(start)));
      return pieces;
    }
    pieces.push_back(gf_trim(text.substr(start, end - start)));
    start = end + 1;
  }
}

std::vector<std::string> gf_splitComma(const std::string& text) { return gf_splitTrimmed(text, ','); }

std::vector<std::string> gf_splitCommaSorted(const std::string& text) {
  auto pieces = gf_splitComma(text);
  std::sort(pieces.begin(), pieces.end());
  pieces.erase(std::unique(pieces.begin(), pieces.end()), pieces.end());
  return pieces;
}

void gf_normalizeList(std::string& text) {
  if (text.find_first_of(blankSet) == std::string::npos) return;
  std::string joined;
  const auto pieces = gf_splitComma(text);
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) joined += ',';
    joined += pieces[i];
  }
  text = std::move(joined);
}

bool gf_contains(const std::string& text, const char* part) {
  if (part == nullptr) return true;
  return text.find(part) != std::string::npos;
}

std::string gf_upperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper;
}

bool gf_equalsUpper(std::string_view a, std::string b) {
  std::transform(b.begin(), b.end(), b.begin(), lf_toUpperChar);
  return a == b;
}

std::string gf_plural(std::int64_t count) { return std::string(count == 1 || count < 0 ? "" : pluralSuffix); }
std::string gf_plural(std::int32_t count) { return gf_plural(static_cast<std::int64_t>(count)); }
std::string gf_plural(std::uint64_t count) { return std::string(count == 1 ? "" : pluralSuffix); }

std::string gf_bannerLine(std::int64_t a, std::int64_t b, bool newlineBefore, bool newlineAfter,
                          const std::string& title) {
  std::string line(newlineBefore ? lineFeed : "");
  std::int64_t width = a + b;
  if (width % 2 != 0) ++width;
  if (title.empty()) {
    if (width > 0) line.append(static_cast<std::size_t>(width), '*');
  } else if (width > static_cast<std::int64_t>(title.size()) + 2) {
    const auto side = static_cast<std::size_t>(width / 2 - 1);
    line.append(side, '*');
    line += ' ';
    line += title;
    line += ' ';
    line.append(side, '*');
  } else {
    line += title;
  }
  if (newlineAfter) line.append(lineFeed);
  return line;
}

std::string gf_objectIdText(std::uint32_t id) {
  return SimEdition.load() ? fmt::format("{}", id) : fmt::format("{:x}", id);
}

std::int32_t gf_percentage(std::int64_t part, std::int64_t whole) {
  if (whole < 1) return 0;
  const double rounded = std::round(static_cast<double>(part) * 100.0 / static_cast<double>(whole));
  // Beyond 64 bits the cast itself would be undefined; it cannot fit 32 anyway.
  if (!(std::fabs(rounded) < int64LimitAsDouble)) throw gsl::narrowing_error{};
  return gsl::narrow<std::int32_t>(static_cast<std::int64_t>(rounded));
}

std::string gf_winsockErrorText(std::int32_t code) {
  const auto* found = std::find_if(std::begin(winsockErrors), std::end(winsockErrors),
                                   [code](const WinsockError& entry) { return entry.code == code; });
  const std::string_view text = found != std::end(winsockErrors) ? found->text : unknownWinsockError;
  return fmt::format("{} {}", code, text);
}

std::string_view gf_firstCharacters(std::string_view text, std::size_t count) {
  const auto continues = [](char c) { return (static_cast<unsigned char>(c) & 0xC0U) == 0x80U; };
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (continues(text[i])) continue;
    if (characters == count) return text.substr(0, i);
    ++characters;
  }
  return text;
}

std::string gf_escapeControls(std::string_view text) {
  static constexpr char hexDigits[] = "0123456789ABCDEF";
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      escaped += c;
    } else if (c == '\n') {
      escaped += "\\n";
    } else if (c == '\r') {
      escaped += "\\r";
    } else if (c == '\t') {
      escaped += "\\t";
    } else {
      escaped += "\\x";
      escaped += hexDigits[byte >> 4];
      escaped += hexDigits[byte & 0x0F];
    }
  }
  return escaped;
}

} // namespace gwr
