// Writing the meta header of the program's XML data files and reading it back,
// where only the first entry of each name counts.
#include "core/xml_meta.h"

#include "core/clock.h"
#include "core/log.h"
#include "core/version.h"
#include "core/xml_parameter.h"

#include <string_view>

#include <fmt/format.h>

namespace gwr {

namespace {

constexpr std::string_view copyrightNotice = "Copyright (c) Gatewright developers";

bool lf_appendInfo(pugi::xml_node meta, std::string_view name, std::string_view value) {
  pugi::xml_node info = meta.append_child("info");
  return info && gf_appendAttribute(info, "name", name) && gf_appendAttribute(info, "value", value);
}

} // namespace

bool gf_writeMeta(pugi::xml_document& document, const MetaInfo& meta) {
  pugi::xml_node root = document.child("root");
  if (!root) root = document.append_child("root");
  if (!root) return false;
  pugi::xml_node metaNode = root.append_child("meta");
  if (!metaNode) return false;

  bool complete = lf_appendInfo(metaNode, "author", programName);
  complete = lf_appendInfo(metaNode, "version", meta.version) && complete;
  complete = lf_appendInfo(metaNode, "date", gf_dateText()) && complete;
  complete = lf_appendInfo(metaNode, "copyright", copyrightNotice) && complete;
  if (!lf_appendInfo(metaNode, "sim", fmt::format("{}", meta.sim))) return false;
  return complete;
}

pugi::xml_node gf_findMetaNode(const pugi::xml_node& node) {
  const pugi::xml_node root = node.child("root");
  return root ? root.child("meta") : node.child("meta");
}

std::optional<MetaInfo> gf_readMeta(const pugi::xml_node& node, bool simOptional) {
  const pugi::xml_node meta = gf_findMetaNode(node);
  if (!meta) return std::nullopt;

  MetaInfo result;
  bool copyrightSeen = false;
  bool authorSeen = false, versionSeen = false, dateSeen = false;
  bool p3dSeen = false, msfsSeen = false, simSeen = false;
  // Only the first "info" of each name counts.
  auto takeText = [](bool& seen, std::string& field, const pugi::xml_node& info) {
    if (seen) return;
    seen = true;
    field = info.attribute("value").value();
  };
  for (pugi::xml_node info : meta.children("info")) {
    const std::string_view name = info.attribute("name").value();
    if (name == "copyright") {
      if (copyrightSeen) continue;
      if (std::string_view(info.attribute("value").value()).empty()) {
        gf_logError("no copyright info in the file?");
        return std::nullopt;
      }
      copyrightSeen = true;
    } else if (name == "author") {
      takeText(authorSeen, result.author, info);
    } else if (name == "version") {
      takeText(versionSeen, result.version, info);
    } else if (name == "date") {
      takeText(dateSeen, result.date, info);
    } else if (name == "P3D") {
      takeText(p3dSeen, result.p3d, info);
    } else if (name == "MSFS") {
      takeText(msfsSeen, result.msfs, info);
    } else if (name == "sim" && !simSeen) {
      simSeen = true;
      result.sim = info.attribute("value").as_int();
    }
  }
  if (!copyrightSeen) return std::nullopt;
  if (!simOptional && !p3dSeen && !msfsSeen && !simSeen) return std::nullopt;
  return result;
}

} // namespace gwr
