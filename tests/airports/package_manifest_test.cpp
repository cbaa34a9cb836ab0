// Package manifests and the publisher and airport code of an add-on airport:
// member rules, the search depth, and each source of a code in turn.
#include "airports/package_manifest.h"

#include <gtest/gtest.h>

#include "scan_fixture.h"

namespace gwr {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

class PackageManifestTest : public ScanSandbox {};

TEST_F(PackageManifestTest, MembersReadAsStringsOrEmpty) {
  struct Row {
    const char* json;
    std::optional<std::string> version;  // none: no manifest
  };
  const Row rows[] = {
      {R"({"package_version": "", "version": "1.2.3"})", "1.2.3"},
      {R"({"package_version": null, "version": "1.2.3"})", "1.2.3"},
      {R"({"package_version": "2.0", "version": "1.2.3"})", "2.0"},
      {R"({"package_version": {}, "title": [], "creator": null})", ""},
      {R"({"title": "x"})", ""},
      {R"(["not", "an", "object"])", std::nullopt},
      {R"({"package_version": 2})", std::nullopt},
      {R"({"title": {"a": 1}})", std::nullopt},
      {R"({"title": )", std::nullopt},
  };
  for (const Row& row : rows) {
    ScanLog.clear();
    standgen::writeText("pkg/manifest.json", row.json);
    const auto manifest = gf_searchManifest("pkg/scenery.bgl");
    ASSERT_EQ(manifest.has_value(), row.version.has_value()) << row.json;
    if (manifest) {
      EXPECT_EQ(manifest->version, *row.version) << row.json;
    }
  }
  EXPECT_EQ(ScanLog.size(), 1U);  // the last: a parse error
  EXPECT_EQ(ScanLog.back().rfind("exception in gf_searchManifest: ", 0), 0U);
  standgen::writeText("pkg/manifest.json", R"({"package_version": 2})");
  ScanLog.clear();
  EXPECT_FALSE(gf_searchManifest("pkg/scenery.bgl"));
  ASSERT_EQ(ScanLog.size(), 1U);
  EXPECT_NE(ScanLog[0].find("type must be string"), std::string::npos);
}

TEST_F(PackageManifestTest, TheSearchClimbsSixFoldersAtMost) {
  standgen::writeText("pkg/manifest.json", R"({"title": "Found"})");
  EXPECT_EQ(gf_searchManifest("pkg/a/b/c/d/e/f/file.bgl")->title, "Found");
  EXPECT_FALSE(gf_searchManifest("pkg/a/b/c/d/e/f/g/file.bgl"));
  fs::rename("pkg/manifest.json", "pkg/Manifest.json");
  EXPECT_FALSE(gf_searchManifest("pkg/file.bgl"));
}

TEST_F(PackageManifestTest, PublisherFromPathTableOrManifest) {
  publisherGroups = {{"Orbx"}, {"Aerosoft", "AS"}};
  struct Row {
    const char* path;
    std::optional<ManifestInfo> manifest;
    const char* publisher;
  };
  const Row rows[] = {
      {"Community/ASOBO-Airport-lowi/x.bgl", std::nullopt, "simaddon"},
      {"Community/orbx-eglc/x.bgl", ManifestInfo{"", "", "Aerosoft", ""}, "Orbx"},
      {"Community/pub-eddf/x.bgl", ManifestInfo{"", "", "Aerosoft GmbH", ""}, "Aerosoft"},
      {"Community/pub-eddf/x.bgl", ManifestInfo{"", "", "Nobody", "orbx team"}, "Orbx"},
      {"Community/pub-eddf/x.bgl", ManifestInfo{"", "", "Nobody", "Nobody"}, ""},
      {"Community/pub-eddf/x.bgl", std::nullopt, ""},
  };
  for (const Row& row : rows) {
    ApfData apf;
    apf.packageFolder = row.path;
    apf.BGLpath = row.path;
    apf.manifest = row.manifest;
    gf_detectPublisher(apf);
    EXPECT_EQ(apf.publisher, row.publisher) << row.path;
  }
}

TEST_F(PackageManifestTest, CodeFromPathStemOrTitle) {
  knowAirports({"EHAM", "EGLL"});
  rtAirportCodes.insert(FixedCode<4>("ZZZZ"));
  airportCodeSet.insert(FixedCode<4>("LOWW"));  // known, but not a code the path search looks for
  standgen::writeText("titled/manifest.json", R"({"title": "Heathrow EGLL Deluxe"})");
  standgen::writeText("unknown/manifest.json", R"({"title": "ZZZZ field"})");
  struct Row {
    const char* path;
    const char* code;  // "" none
    bool unsupported;
    const char* line;
  };
  const Row rows[] = {
      {"Community/pub-eham/scenery/x.bgl", "EHAM", false, "airport has code 'EHAM' in BGL path"},
      {"Community/pub-zzzz/scenery/x.bgl", "", true, "no supported airport 'ZZZZ' in BGL path"},
      {"Community/pub/scenery/loww.bgl", "LOWW", false, "code 'LOWW' as stem"},
      {"Community/pub/scenery/abcd.bgl", "", true, "no supported airport code 'ABCD' as stem"},
      {"Community/pub/scenery/a-cd.bgl", "", false, "Exception 'a-cd' FixedCode: invalid string (length/charset)"},
      {"titled/scenery/airport.bgl", "EGLL", false, "airport has code 'EGLL' in title of manifest"},
      {"unknown/scenery/airport.bgl", "", true, "no supported airport 'ZZZZ' in title of manifest"},
      {"Community/pub/scenery/airport.bgl", "", false, "no airport code found in BGL path"},
  };
  for (const Row& row : rows) {
    ScanLog.clear();
    ApfData apf;
    apf.packageFolder = row.path;
    apf.BGLpath = row.path;
    bool unsupported = false;
    const auto code = gf_detectAirportCode(apf, unsupported);
    EXPECT_EQ(code ? code->text() : "", row.code) << row.path;
    EXPECT_EQ(unsupported, row.unsupported) << row.path;
    ASSERT_FALSE(ScanLog.empty());
    EXPECT_EQ(ScanLog.back(), row.line) << row.path;
  }
}

} // namespace
} // namespace gwr
