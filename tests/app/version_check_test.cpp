// The version check against a web folder on the loopback server: the program
// member, each data member, bad lists and downloads that fail in every way.
#include "app/version_check.h"

#include <algorithm>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "core/paths.h"
#include "core/settings_catalogue.h"
#include "core/settings_file.h"
#include "core/user_error.h"
#include "support/settings_sandbox.h"
#include "support/updater_site.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using namespace testsupport;

const std::string airportsXml = "<airports><airport icao=\"EGLL\"/></airports>";

class VersionCheck : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(inputFolder);
    fs::create_directories(outputFolder);
    gf_saveParameters(false);
    sandbox.log().mark();
  }
  bool logged(const std::string& line) {
    const auto lines = sandbox.log().lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  bool loggedPart(const std::string& part) { return sandbox.log().text().find(part) != std::string::npos; }
  // Nothing but the final file may stay beside a data file.
  static void expectNoDownloadLeftovers(const fs::path& file) {
    for (const char* suffix : {".download", ".download.part", ".download.check.xml"})
      EXPECT_FALSE(fs::exists(file.string() + suffix)) << suffix;
  }

  SettingsSandbox sandbox;
  UpdaterSite site;
};

TEST_F(VersionCheck, ProgramMemberEqualOrOlderIsUpToDateAndNewerFetchesTheZip) {
  struct Case {
    unsigned major, minor, patch;
    bool newer;
  };
  const Case cases[] = {{12, 5, 5, false}, {12, 4, 9, false}, {11, 9, 99, false}, {12, 5, 6, true},
                        {12, 6, 0, true},  {13, 0, 0, true}};
  for (const Case& c : cases) {
    site.serveVersions(fmt::format(R"({{"msfs_app":{}}})", versionJson(c.major, c.minor, c.patch)));
    sandbox.log().mark();
    if (c.newer) {
      // No zip on the server: the update is attempted and fails as a user error.
      EXPECT_THROW(checkVersions(), UserErrorException);
    } else {
      EXPECT_TRUE(checkVersions());
      EXPECT_TRUE(logged("msfs_app version up-to-date"));
    }
    EXPECT_TRUE(logged(fmt::format("msfs_app program version at web = {}.{}.{}", c.major, c.minor, c.patch)));
    EXPECT_EQ(site.requested("release/Gatewright/latest_version.zip"), c.newer) << c.minor << "." << c.patch;
    EXPECT_FALSE(fs::exists(versionListFileName)) << "the list is removed after reading";
  }
}

struct DataMember {
  const char* member;
  StringParameter* stored;
  fs::path file;
};

class DataFileUpdate : public VersionCheck, public ::testing::WithParamInterface<DataMember> {};

TEST_P(DataFileUpdate, NewerVersionIsDownloadedCheckedAndReplacesTheFile) {
  const DataMember& m = GetParam();
  writeBytes(m.file, "old file");
  m.stored->set("1.0.0");
  site.serveVersions(fmt::format(R"({{"{}":{}}})", m.member, versionJson(1, 0, 1)));
  const std::string served = UpdaterSite::encryptedBytes(airportsXml);
  site.serve("12/" + m.file.filename().string(), {200, served});
  sandbox.log().mark();
  EXPECT_TRUE(checkVersions());
  EXPECT_EQ(readBytes(m.file), served);
  EXPECT_EQ(sandbox.storedValue(m.stored->key), "1.0.1");
  EXPECT_TRUE(logged(fmt::format("{} updated to 1.0.1", m.member)));
  EXPECT_TRUE(logged("msfs_app version not found"));
  expectNoDownloadLeftovers(m.file);
}

TEST_P(DataFileUpdate, EqualVersionWithTheFileInPlaceFetchesNothing) {
  const DataMember& m = GetParam();
  writeBytes(m.file, "old file");
  m.stored->set("2.3.4");
  for (const std::string& web : {versionJson(2, 3, 4), versionJson(2, 3, 3), versionJson(1, 9, 9)}) {
    site.serveVersions(fmt::format(R"({{"{}":{}}})", m.member, web));
    sandbox.log().mark();
    EXPECT_TRUE(checkVersions());
    EXPECT_TRUE(logged(fmt::format("{} version up-to-date", m.member))) << web;
  }
  EXPECT_FALSE(site.requested("12/" + m.file.filename().string()));
  EXPECT_EQ(readBytes(m.file), "old file");
}

TEST_P(DataFileUpdate, MissingFileIsDownloadedEvenAtTheSameVersion) {
  const DataMember& m = GetParam();
  m.stored->set("2.3.4");
  site.serveVersions(fmt::format(R"({{"{}":{}}})", m.member, versionJson(2, 3, 4)));
  site.serveDataFile(m.file.filename().string(), airportsXml);
  EXPECT_TRUE(checkVersions());
  EXPECT_TRUE(fs::is_regular_file(m.file));
  EXPECT_TRUE(logged(fmt::format("{} updated to 2.3.4", m.member)));
}

TEST_P(DataFileUpdate, UnreadableStoredVersionCountsAsOlder) {
  const DataMember& m = GetParam();
  writeBytes(m.file, "old file");
  m.stored->set("not a version");
  site.serveVersions(fmt::format(R"({{"{}":{}}})", m.member, versionJson(0, 0, 1)));
  site.serveDataFile(m.file.filename().string(), airportsXml);
  EXPECT_TRUE(checkVersions());
  EXPECT_EQ(sandbox.storedValue(m.stored->key), "0.0.1");
  EXPECT_TRUE(loggedPart("VersionData exception"));
}

// Every way a download can go wrong leaves the old file and the stored version.
TEST_P(DataFileUpdate, FailedDownloadsKeepTheOldFileAndTheSetting) {
  const DataMember& m = GetParam();
  const std::string name = m.file.filename().string();
  struct Failure {
    const char* what;
    LoopbackHttpServer::Route route;
  };
  const std::string good = UpdaterSite::encryptedBytes(airportsXml);
  const Failure failures[] = {
      {"not found", {404, "no such file"}},
      {"server error", {500, good}},
      {"cut short", {200, good, false, {}, true}},
      {"not decryptable", {200, std::string(5000, 'x')}},
      {"truncated stream", {200, good.substr(0, good.size() - 20)}},
      {"not XML", {200, UpdaterSite::encryptedBytes("plain words, no markup")}},
      {"empty", {200, ""}},
  };
  writeBytes(m.file, "old file");
  m.stored->set("1.0.0");
  site.serveVersions(fmt::format(R"({{"{}":{}}})", m.member, versionJson(1, 1, 0)));
  for (const Failure& failure : failures) {
    site.serve("12/" + name, failure.route);
    EXPECT_TRUE(checkVersions()) << failure.what;
    EXPECT_EQ(readBytes(m.file), "old file") << failure.what;
    EXPECT_EQ(sandbox.storedValue(m.stored->key), "1.0.0") << failure.what;
    EXPECT_EQ(m.stored->current(), "1.0.0") << failure.what;
    expectNoDownloadLeftovers(m.file);
  }
  EXPECT_FALSE(logged(fmt::format("{} updated to 1.1.0", m.member)));
}

TEST_P(DataFileUpdate, StalledServerTimesOutAndKeepsTheOldFile) {
  const DataMember& m = GetParam();
  writeBytes(m.file, "old file");
  m.stored->set("1.0.0");
  site.serveVersions(fmt::format(R"({{"{}":{}}})", m.member, versionJson(1, 1, 0)));
  site.serve("12/" + m.file.filename().string(), {200, UpdaterSite::encryptedBytes(airportsXml), true});
  UpdaterSite::useStallTimeouts();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(checkVersions());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(readBytes(m.file), "old file");
  EXPECT_EQ(sandbox.storedValue(m.stored->key), "1.0.0");
  expectNoDownloadLeftovers(m.file);
}

INSTANTIATE_TEST_SUITE_P(EachDataFile, DataFileUpdate,
                         ::testing::Values(DataMember{"airports", &AIRPORTS_VERSION, "input/airports.enc"},
                                           DataMember{"aig", &AIG_VERSION, "input/AIG-regcodes.enc"},
                                           DataMember{"dbase", &DBASE_VERSION, "input/dbase.enc"}),
                         [](const auto& info) { return std::string(info.param.member); });

TEST_F(VersionCheck, NewerScanVersionsSwitchTheirScansOn) {
  writeBytes(liveriesScannedFile, "<scan/>");
  for (CheckboxBoolParameter* scan : {&SCAN_LIVERIES, &SCAN_AIRPORTS}) {
    scan->setCurrent(false);
    scan->save();
  }
  LIV_SCAN_VERSION.set("3.0.0");
  ADDONS_SCAN_VERSION.set("3.0.0");
  site.serveVersions(fmt::format(R"({{"liveries":{},"addons":{}}})", versionJson(3, 0, 0), versionJson(3, 0, 0)));
  EXPECT_TRUE(checkVersions());
  EXPECT_FALSE(SCAN_LIVERIES.current());
  EXPECT_FALSE(SCAN_AIRPORTS.current());

  site.serveVersions(fmt::format(R"({{"liveries":{},"addons":{}}})", versionJson(3, 0, 1), versionJson(3, 1, 0)));
  EXPECT_TRUE(checkVersions());
  EXPECT_TRUE(SCAN_LIVERIES.current());
  EXPECT_TRUE(SCAN_AIRPORTS.current());
  EXPECT_EQ(sandbox.storedValue("SCAN_LIVERIES"), "true");
  EXPECT_EQ(sandbox.storedValue("SCAN_AIRPORTS"), "true");
  EXPECT_EQ(sandbox.storedValue("LIV_SCAN_VERSION"), "3.0.1");
  EXPECT_EQ(sandbox.storedValue("ADDONS_SCAN_VERSION"), "3.1.0");
}

TEST_F(VersionCheck, MissingLiveryResultRescansAtTheSameVersionButAddonsNeedANewerOne) {
  for (CheckboxBoolParameter* scan : {&SCAN_LIVERIES, &SCAN_AIRPORTS}) {
    scan->setCurrent(false);
    scan->save();
  }
  LIV_SCAN_VERSION.set("3.0.0");
  ADDONS_SCAN_VERSION.set("3.0.0");
  site.serveVersions(fmt::format(R"({{"liveries":{},"addons":{}}})", versionJson(3, 0, 0), versionJson(3, 0, 0)));
  EXPECT_TRUE(checkVersions());
  EXPECT_TRUE(SCAN_LIVERIES.current());
  EXPECT_FALSE(SCAN_AIRPORTS.current());
  EXPECT_TRUE(logged("addons version up-to-date"));
}

TEST_F(VersionCheck, MissingMembersAreReportedAndNothingElseHappens) {
  site.serveVersions("{}");
  EXPECT_TRUE(checkVersions());
  for (const char* member : {"msfs_app", "airports", "aig", "liveries", "addons", "dbase"})
    EXPECT_TRUE(logged(fmt::format("{} version not found", member))) << member;
  EXPECT_EQ(site.server.requests().size(), 1u);
  EXPECT_EQ(sandbox.storedValue("AIRPORTS_VERSION"), "");
}

TEST_F(VersionCheck, MembersOfTheWrongShapeAreSkippedWithALogLine) {
  writeBytes(airportsEncFile, "old file");
  AIRPORTS_VERSION.set("1.0.0");
  const char* shapes[] = {
      R"("2.0.0")",
      R"(2)",
      R"(null)",
      R"([2,0,0])",
      R"({"major":2,"minor":0})",
      R"({"major":"2","minor":0,"patch":0})",
      R"({"major":2.5,"minor":0,"patch":0})",
      R"({"major":-2,"minor":0,"patch":0})",
      R"({"major":4294967296,"minor":0,"patch":0})",
  };
  for (const char* shape : shapes) {
    site.serveVersions(fmt::format(R"({{"airports":{},"msfs_app":{}}})", shape, shape));
    sandbox.log().mark();
    EXPECT_TRUE(checkVersions()) << shape;
    EXPECT_TRUE(loggedPart("airports version at web is not readable: ")) << shape;
    EXPECT_TRUE(loggedPart("msfs_app version at web is not readable: ")) << shape;
  }
  EXPECT_EQ(site.server.requests().size(), std::size(shapes));
  EXPECT_EQ(readBytes(airportsEncFile), "old file");
  EXPECT_EQ(AIRPORTS_VERSION.current(), "1.0.0");
}

TEST_F(VersionCheck, UnreadableListsLetTheStartGoOnWithTheFilesInPlace) {
  struct Case {
    const char* what;
    LoopbackHttpServer::Route route;
    const char* line;
  };
  const Case cases[] = {
      {"missing", {404, "gone"}, "==> Downloading version info from my web site failed!"},
      {"invalid JSON", {200, R"({"airports": {"major": 1,)"}, "==> versions.json is no valid JSON: the data files in place are used"},
      {"empty", {200, ""}, "==> versions.json is no valid JSON: the data files in place are used"},
      {"an array", {200, "[1,2,3]"}, "msfs_app version not found"},
      {"cut short", {200, R"({"msfs_app":{"major":13,"minor":0,"patch":0}})", false, {}, true},
       "==> Downloading version info from my web site failed!"},
  };
  for (const Case& c : cases) {
    site.serve("versions.json", c.route);
    sandbox.log().mark();
    EXPECT_TRUE(checkVersions()) << c.what;
    EXPECT_TRUE(logged(c.line)) << c.what;
    EXPECT_FALSE(fs::exists(versionListFileName)) << c.what;
  }
  EXPECT_FALSE(site.requested("release/Gatewright/latest_version.zip"));
}

TEST_F(VersionCheck, StalledOrSlowListServerDoesNotHoldTheStart) {
  site.serve("versions.json", {200, R"({"msfs_app":{"major":12,"minor":5,"patch":5}})", true});
  UpdaterSite::useStallTimeouts();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(checkVersions());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_TRUE(logged("==> Downloading version info from my web site failed!"));

  site.serve("versions.json", {200, "{}", false, std::chrono::milliseconds(1000)});
  EXPECT_TRUE(checkVersions());
  EXPECT_TRUE(logged("==> Downloading version info from my web site failed!"));
}

} // namespace
} // namespace gwr
