// Parsing and text of the three-part version number; the program's own
// version lives here as a constant made without running any code.
#include "core/version.h"

#include <cctype>
#include <charconv>
#include <exception>
#include <limits>
#include <regex>
#include <stdexcept>
#include <string_view>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "core/log.h"

namespace gwr {

constinit const VersionData programVersion{12, 5, 5};

namespace {

std::uint32_t lf_toVersionNumber(std::string_view digits) {
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc{} || end != digits.data() + digits.size()) {
    throw std::runtime_error("parse error in version string");
  }
  return value;
}

std::string lf_trimSpace(const std::string& text) {
  auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && isSpace(text[first])) ++first;
  while (last > first && isSpace(text[last - 1])) --last;
  return text.substr(first, last - first);
}

// A missing member, or one that is not a whole number fitting 32 bits, counts 0.
std::uint32_t lf_jsonField(const nlohmann::json& object, const char* key) {
  const auto it = object.find(key);
  if (it == object.end()) return 0;
  if (it->is_number_unsigned()) {
    const auto value = it->get<std::uint64_t>();
    return value <= std::numeric_limits<std::uint32_t>::max() ? static_cast<std::uint32_t>(value) : 0;
  }
  if (it->is_number_integer()) {
    const auto value = it->get<std::int64_t>();
    return value >= 0 && value <= std::numeric_limits<std::uint32_t>::max() ? static_cast<std::uint32_t>(value)
                                                                            : 0;
  }
  return 0;
}

} // namespace

VersionData::VersionData(const std::string& text) {
  if (text.empty()) return;
  try {
    static const std::regex dottedTriple(R"((\d+)\.(\d+)\.(\d+))", std::regex::ECMAScript);
    std::smatch match;
    if (std::regex_match(text, match, dottedTriple)) {
      const std::uint32_t ma = lf_toVersionNumber(std::string_view(&*match[1].first, match[1].length()));
      const std::uint32_t mi = lf_toVersionNumber(std::string_view(&*match[2].first, match[2].length()));
      const std::uint32_t pa = lf_toVersionNumber(std::string_view(&*match[3].first, match[3].length()));
      major = ma;
      minor = mi;
      patch = pa;
      return;
    }
    const std::string trimmed = lf_trimSpace(text);
    if (!trimmed.empty() && trimmed.front() == '{') {
      const auto document = nlohmann::json::parse(trimmed);
      if (document.is_object()) {
        major = lf_jsonField(document, "major");
        minor = lf_jsonField(document, "minor");
        patch = lf_jsonField(document, "patch");
        return;
      }
    }
    throw std::runtime_error("invalid version format");
  } catch (const std::exception& e) {
    major = minor = patch = 0;
    gf_logError(fmt::format("{} exception: {}", "VersionData", e.what()));
  }
}

std::string VersionData::text() const { return fmt::format("{}.{}.{}", major, minor, patch); }

} // namespace gwr
