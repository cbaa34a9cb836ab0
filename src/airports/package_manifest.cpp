// Reading package manifests and detecting an add-on airport's publisher and
// code; every finding becomes a line of the scan's report.
#include "airports/package_manifest.h"

#include <exception>
#include <system_error>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "airports/scan_log.h"
#include "core/text_files.h"
#include "platform/sys/folder_listing.h"
#include "refdata/airports_table.h"
#include "refdata/reference_queries.h"

namespace gwr {

namespace {

constexpr std::string_view makerAirportWords[] = {"microsoft-airport", "asobo-airport"};

bool lf_isPublisherFound(const std::optional<std::string>& found, ApfData& apf, const char* format) {
  if (!found) return false;
  apf.publisher = *found;
  gf_scanNote(fmt::format(fmt::runtime(format), *found));
  return true;
}

} // namespace

std::filesystem::path lf_findManifestFile(const std::filesystem::path& folder) {
  std::error_code error;
  if (!platform::isFolder(folder, error)) return {};
  for (const platform::ListedEntry& entry : platform::listFolder(folder, error)) {
    if (!entry.isRegular()) continue;
    const auto& path = entry.path;
    if (path.extension() == ".json" && path.stem() == "manifest") return path;
  }
  return {};
}

std::string lf_jsonStringField(const nlohmann::json& object, std::string_view key) {
  const auto member = object.find(key);
  if (member == object.end() || member->is_null()) return {};
  if ((member->is_object() || member->is_array()) && member->empty()) return {};
  return member->get<std::string>();  // any other type throws the library's type error
}

std::optional<ManifestInfo> gf_readManifest(const std::filesystem::path& file) {
  TextFile text(file);
  const TextLinesResult read = text.readLines(manifestReservedLines);
  if (!read.ok() || read.lines.empty()) return std::nullopt;
  std::string joined;
  for (const std::string& line : read.lines) joined += line;
  const nlohmann::json value = nlohmann::json::parse(joined);  // a parse error throws
  if (!value.is_object()) return std::nullopt;
  ManifestInfo manifest;
  manifest.version = lf_jsonStringField(value, "package_version");
  if (manifest.version.empty()) manifest.version = lf_jsonStringField(value, "version");
  manifest.title = lf_jsonStringField(value, "title");
  manifest.manufacturer = lf_jsonStringField(value, "manufacturer");
  manifest.creator = lf_jsonStringField(value, "creator");
  return manifest;
}

std::optional<ManifestInfo> gf_searchManifest(const std::filesystem::path& p) {
  try {
    std::filesystem::path folder = p.parent_path();
    for (int step = 0; step < manifestSearchFolders; ++step) {
      const std::filesystem::path file = lf_findManifestFile(folder);
      if (!file.empty())
        if (auto manifest = gf_readManifest(file)) return manifest;
      std::filesystem::path parent = folder.parent_path();
      if (parent == folder) break;
      folder = std::move(parent);
    }
  } catch (const std::exception& e) {
    gf_scanNote(fmt::format("exception in gf_searchManifest: {}", e.what()));
  }
  return std::nullopt;
}

void gf_detectPublisher(ApfData& apf) {
  for (const std::string_view word : makerAirportWords) {
    if (gf_pathContainsNoCase(apf.packageFolder, word)) {
      apf.publisher = std::string(simaddonPublisher);
      gf_scanNote(fmt::format("publisher: {}", apf.publisher));
      return;
    }
  }
  if (lf_isPublisherFound(gf_publisherOfPath(apf.BGLpath), apf, "publisher: {}")) return;
  if (!apf.manifest) apf.manifest = gf_searchManifest(apf.packageFolder);
  if (!apf.manifest) return;
  if (lf_isPublisherFound(gf_publisherOfPath(apf.manifest->manufacturer), apf, "publisher '{}'")) return;
  lf_isPublisherFound(gf_publisherOfPath(apf.manifest->creator), apf, "publisher '{}'");
}

std::string gf_pathTextBelow(const std::filesystem::path& path, const std::filesystem::path& root) {
  if (root.empty()) return gf_pathToUtf8(path);
  const std::filesystem::path below = path.lexically_normal().lexically_relative(root.lexically_normal());
  if (below.empty() || *below.begin() == "..") return gf_pathToUtf8(path);
  return gf_pathToUtf8(below);
}

std::optional<FixedCode<4>> gf_detectAirportCode(ApfData& apf, bool& unsupported,
                                                 const std::filesystem::path& scanRoot) {
  try {
    const std::string searched = scanRoot.empty() ? apf.BGLpath : gf_pathTextBelow(apf.packageFolder, scanRoot);
    if (const auto code = gf_findAirportCodeInText(searched)) {
      gf_scanNote(fmt::format("airport has code '{}' in BGL path", code->view()));
      if (gf_isKnownAirport(*code)) return code;
      unsupported = true;
      gf_scanNote(fmt::format("no supported airport '{}' in BGL path", code->view()));
      return std::nullopt;
    }
    gf_scanNote("no airport code found in BGL path");
    const std::string stem = gf_pathToUtf8(apf.packageFolder.stem());
    if (stem.size() == 4) {
      const FixedCode<4> code(stem);  // a stem of other characters throws
      if (gf_isKnownAirport(code)) {
        gf_scanNote(fmt::format("code '{}' as stem", code.view()));
        return code;
      }
      unsupported = true;
      gf_scanNote(fmt::format("no supported airport code '{}' as stem", code.view()));
      return std::nullopt;
    }
    if (!apf.manifest) apf.manifest = gf_searchManifest(apf.packageFolder);
    if (!apf.manifest) return std::nullopt;
    const auto code = gf_findAirportCodeInText(apf.manifest->title);
    if (!code) return std::nullopt;
    gf_scanNote(fmt::format("airport has code '{}' in title of manifest", code->view()));
    if (gf_isKnownAirport(*code)) return code;
    unsupported = true;
    gf_scanNote(fmt::format("no supported airport '{}' in title of manifest", code->view()));
  } catch (const std::exception& e) {
    gf_scanNote(fmt::format("Exception {}", e.what()));
  }
  return std::nullopt;
}

} // namespace gwr
