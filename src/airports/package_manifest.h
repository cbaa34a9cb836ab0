// Package manifests found by walking up from a scenery file, and the publisher
// and airport code of an add-on airport from its path, the tables and the manifest.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "airports/apf_data.h"
#include "core/fixed_code.h"

namespace gwr {

inline constexpr int manifestSearchFolders = 7;  // the file's own folder and six above it
inline constexpr std::size_t manifestReservedLines = 48;

// "manifest.json" (stem and extension as written) directly in folder; else empty.
std::filesystem::path lf_findManifestFile(const std::filesystem::path& folder);
// The manifest, or none when it cannot be read or is no JSON object. A member of
// a type other than string, null, empty object or empty array throws.
std::optional<ManifestInfo> gf_readManifest(const std::filesystem::path& file);
std::string lf_jsonStringField(const nlohmann::json& object, std::string_view key);
// The first readable manifest in the folder of p or above; problems go to the report.
std::optional<ManifestInfo> gf_searchManifest(const std::filesystem::path& p);

// Sets apf.publisher when the path, the publishers table or the manifest names one.
void gf_detectPublisher(ApfData& apf);
// The airport's code when the airports table holds it; unsupported is set when
// a code was found that the table does not hold. In the path the code is looked
// for only below scanRoot (the Community or other package folder the scan
// walks), never in the user's own folders above it; an empty root: the whole path.
std::optional<FixedCode<4>> gf_detectAirportCode(ApfData& apf, bool& unsupported,
                                                 const std::filesystem::path& scanRoot = {});

// The UTF-8 text of path below root ("pkg/scenery/a.bgl" for root/pkg/scenery/a.bgl);
// the whole path when root is empty or path does not lie below it.
std::string gf_pathTextBelow(const std::filesystem::path& path, const std::filesystem::path& root);

} // namespace gwr
