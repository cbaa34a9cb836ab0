// Case-blind name comparison and child lookup for folders and files whose
// names were written on a case-insensitive file system.
#include "platform/sys/case_insensitive.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <vector>

#include "platform/sys/folder_listing.h"
#include "platform/sys/native_path.h"

namespace gwr::platform {

namespace {

char lf_asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool lf_sameNoCase(char a, char b) { return lf_asciiLower(a) == lf_asciiLower(b); }

} // namespace

bool equalsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), lf_sameNoCase);
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

bool containsNoCase(std::string_view text, std::string_view part) {
  if (part.empty()) return true;
  return std::search(text.begin(), text.end(), part.begin(), part.end(), lf_sameNoCase) != text.end();
}

std::optional<std::filesystem::path> findChildNoCase(const std::filesystem::path& folder,
                                                     std::string_view name) {
  std::error_code error;
  const std::vector<ListedEntry> entries = listFolder(folder, error);
  if (error) return std::nullopt;

  std::optional<std::filesystem::path> found;
  for (const ListedEntry& entry : entries) {
    const std::string childName = pathToUtf8(entry.path.filename());
    if (childName == name) return entry.path;
    // Of several case variants take the smallest name, so the choice does not
    // depend on the order the folder lists them in.
    if (equalsNoCase(childName, name) && (!found || childName < pathToUtf8(found->filename())))
      found = entry.path;
  }
  return found;
}

} // namespace gwr::platform
