// The small header of the program's own XML data files: who wrote the file,
// with which version, when, the maker's notice and the simulator edition.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <pugixml.hpp>

namespace gwr {

struct MetaInfo {
  std::string author;
  std::string version;
  std::string date;
  std::string p3d;   // read from an "info" named "P3D"; never written
  std::string msfs;  // read from an "info" named "MSFS"; never written
  std::int32_t sim = -1;  // -1 when the file has none
};

// Appends root/meta with author, version, date, copyright and sim (only the
// version and sim are taken from meta). True when all five were written.
bool gf_writeMeta(pugi::xml_document& document, const MetaInfo& meta);

// The meta block under node's "root", or under node itself without one; an
// empty node when there is none.
pugi::xml_node gf_findMetaNode(const pugi::xml_node& node);

// Reads the header under node's "root", or under node itself without one.
// None without a non-empty copyright, or, unless simOptional, without any of
// "sim", "P3D" and "MSFS". Never throws.
std::optional<MetaInfo> gf_readMeta(const pugi::xml_node& node, bool simOptional);

} // namespace gwr
