// Reading and writing `parameter` elements, and saving XML documents whole
// through a temporary file so that no reader meets half a file.
#include "core/xml_parameter.h"

#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/text_files.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

#include <fmt/format.h>

namespace gwr {

namespace {

constexpr const char* xmlIndent = "  ";  // two blanks per level
constexpr int maxLinkHops = 40;            // links followed before the chain counts as a loop

pugi::xml_node lf_findParameter(const pugi::xml_node& node, std::string_view key) {
  const pugi::xml_node parameters = gf_findParametersNode(node);
  for (pugi::xml_node parameter : parameters.children("parameter"))
    if (std::string_view(parameter.attribute("name").value()) == key) return parameter;
  return {};
}

// The file a save replaces: the path itself, or the end of its chain of
// symbolic links, so that the link stays and its target gets the new text.
std::optional<std::filesystem::path> lf_saveTarget(const std::filesystem::path& path, std::string& cause) {
  std::filesystem::path target = path;
  for (int hop = 0; hop <= maxLinkHops; ++hop) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(target, error);
    if (status.type() == std::filesystem::file_type::not_found) return target;
    const bool link = std::filesystem::is_symlink(status);
    if (error) {
      cause = error.message();
      return std::nullopt;
    }
    if (!link) return target;
    const std::filesystem::path next = std::filesystem::read_symlink(target, error);
    if (error) {
      cause = error.message();
      return std::nullopt;
    }
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  cause = "too many levels of symbolic links";
  return std::nullopt;
}

bool lf_saveFailed(const std::filesystem::path& path, std::string_view cause) {
  gf_logError(fmt::format("{} not written: {}", gf_pathToUtf8(path), cause));
  return false;
}

} // namespace

pugi::xml_node gf_findParametersNode(const pugi::xml_node& node) {
  const pugi::xml_node root = node.child("root");
  return root ? root.child("parameters") : node.child("parameters");
}

std::optional<bool> gf_readBoolParameter(const pugi::xml_node& node, std::string_view key) {
  const pugi::xml_node parameter = lf_findParameter(node, key);
  if (!parameter) return std::nullopt;
  // pugixml reads 1, t, T, y and Y as true, anything else (and "") as false.
  return parameter.attribute("value").as_bool();
}

std::optional<int> gf_readIntParameter(const pugi::xml_node& node, std::string_view key) {
  const pugi::xml_node parameter = lf_findParameter(node, key);
  if (!parameter) return std::nullopt;
  return parameter.attribute("value").as_int();
}

std::optional<std::string> gf_readStringParameter(const pugi::xml_node& node, std::string_view key) {
  const pugi::xml_node parameter = lf_findParameter(node, key);
  if (!parameter) return std::nullopt;
  return std::string(parameter.attribute("value").value());
}

bool gf_appendAttribute(pugi::xml_node node, std::string_view name, std::string_view value) {
  pugi::xml_attribute attribute = node.append_attribute(std::string(name).c_str());
  if (!attribute) return false;
  return attribute.set_value(std::string(value).c_str());
}

bool gf_setOrAppendAttribute(pugi::xml_node node, std::string_view name, std::string_view value) {
  pugi::xml_attribute attribute = node.attribute(std::string(name).c_str());
  if (!attribute) return gf_appendAttribute(node, name, value);
  return attribute.set_value(std::string(value).c_str());
}

bool gf_appendStringParameter(pugi::xml_node parameters, std::string_view key, std::string_view value) {
  pugi::xml_node parameter = parameters.append_child("parameter");
  if (!parameter) return false;
  return gf_appendAttribute(parameter, "name", key) && gf_appendAttribute(parameter, "value", value);
}

bool gf_appendBoolParameter(pugi::xml_node parameters, std::string_view key, bool value) {
  return gf_appendStringParameter(parameters, key, value ? "true" : "false");
}

bool gf_appendIntParameter(pugi::xml_node parameters, std::string_view key, int value) {
  return gf_appendStringParameter(parameters, key, fmt::format("{}", value));
}

bool gf_saveXml(pugi::xml_document& document, const std::filesystem::path& path) {
  pugi::xml_node declaration;
  for (pugi::xml_node node : document.children()) {
    if (node.type() == pugi::node_declaration) {
      declaration = node;
      break;
    }
  }
  if (!declaration) declaration = document.prepend_child(pugi::node_declaration);
  if (!declaration) return false;
  if (!gf_setOrAppendAttribute(declaration, "version", "1.0")) return false;
  if (!gf_setOrAppendAttribute(declaration, "encoding", "UTF-8")) return false;

  std::string cause;
  const std::optional<std::filesystem::path> target = lf_saveTarget(path, cause);
  if (!target) return lf_saveFailed(path, cause);
  // A file the user made read-only is left as it is, not quietly replaced.
  std::error_code error;
  const std::filesystem::file_status existing = std::filesystem::status(*target, error);
  const bool present = std::filesystem::exists(existing);
  if (present && !std::filesystem::is_regular_file(existing)) return lf_saveFailed(path, "not a regular file");
  if (present && (existing.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none)
    return lf_saveFailed(path, "the file is read-only");

  const std::filesystem::path temporary = gf_temporaryPathFor(*target);
  if (!document.save_file(temporary.c_str(), xmlIndent, pugi::format_indent, pugi::encoding_utf8)) {
    std::filesystem::remove(temporary, error);
    return lf_saveFailed(path, "the new text could not be written");
  }
  error.clear();
  if (present) std::filesystem::permissions(temporary, existing.permissions(), error);
  if (!error) std::filesystem::rename(temporary, *target, error);
  if (error) {
    cause = error.message();
    std::filesystem::remove(temporary, error);
    return lf_saveFailed(path, cause);
  }
  return true;
}

} // namespace gwr
