// Airport files are the program's own: a header that lacks what the writer
// puts there comes from elsewhere or was cut short, and is not trusted.
#include "airports/apf_meta.h"

#include <array>
#include <string>

#include <fmt/format.h>

#include "core/log.h"

namespace gwr {

namespace {

// What gf_writeMeta writes, in its order.
constexpr std::array<std::string_view, 5> writtenEntries{"author", "version", "date", "copyright", "sim"};

// The value of the first "info" of that name; none when there is no such entry.
std::optional<std::string_view> lf_firstEntry(const pugi::xml_node& meta, std::string_view name) {
  for (const pugi::xml_node info : meta.children("info"))
    if (name == info.attribute("name").value()) return std::string_view(info.attribute("value").value());
  return std::nullopt;
}

} // namespace

std::optional<MetaInfo> gf_readApfMeta(const pugi::xml_node& document, std::string_view file) {
  auto meta = gf_readMeta(document, false);
  if (!meta) return std::nullopt;
  const pugi::xml_node block = gf_findMetaNode(document);  // the block gf_readMeta read
  for (const std::string_view name : writtenEntries) {
    const auto value = lf_firstEntry(block, name);
    if (value && !value->empty()) continue;
    gf_logError(fmt::format("{}: meta entry '{}' {}", file, name, value ? "is empty" : "is missing"));
    return std::nullopt;
  }
  return meta;
}

} // namespace gwr
