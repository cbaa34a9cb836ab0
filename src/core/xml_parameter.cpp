// Reading and writing `parameter` elements, and saving XML documents whole
// through a temporary file so that no reader meets half a file.
#include "core/xml_parameter.h"

#include "core/atomic_save.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include <fmt/format.h>

namespace gwr {

namespace {

constexpr const char* xmlIndent = "  ";  // two blanks per level

pugi::xml_node lf_findParameter(const pugi::xml_node& node, std::string_view key) {
  const pugi::xml_node parameters = gf_findParametersNode(node);
  for (pugi::xml_node parameter : parameters.children("parameter"))
    if (std::string_view(parameter.attribute("name").value()) == key) return parameter;
  return {};
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
  return gf_saveAtomically(
      path,
      [&document](std::FILE* temporary, std::string&) {
        pugi::xml_writer_file writer(temporary);
        document.save(writer, xmlIndent, pugi::format_indent, pugi::encoding_utf8);
        return true;  // a failed write shows when the file is flushed
      },
      cause);
}

} // namespace gwr
