// The version check against the web folder on the loopback server: the
// program member, the data members, bad lists and every failed download.
#include "app/update/version_check.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/update/new_version.h"
#include "app/update/refused_downloads.h"
#include "airports/apf_download.h"
#include "core/paths.h"
#include "core/settings_catalogue.h"
#include "core/user_error.h"
#include "support/updater_site.h"
#include "support/zip_fixture.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using namespace testsupport;
using Route = LoopbackHttpServer::Route;

const std::string dataXml = "<airports><airport icao=\"EGLL\"/></airports>";

struct DataMember {
  const char* member;
  StringParameter* stored;
  fs::path file;
};
const DataMember dataMembers[] = {{"airports", &AIRPORTS_VERSION, "input/airports.enc"},
                                  {"aig", &AIG_VERSION, "input/AIG-regcodes.enc"},
                                  {"dbase", &DBASE_VERSION, "input/dbase.enc"}};

TEST(VersionCheck, ProgramEqualOrOlderIsUpToDateAndNewerIsFetched) {
  UpdaterSite site;
  const std::pair<std::string, bool> cases[] = {{"12.5.5", false}, {"12.4.9", false}, {"11.9.99", false},
                                                {"12.5.6", true},  {"12.6.0", true},  {"13.0.0", true}};
  for (const auto& [web, newer] : cases) {
    const VersionData version(web);
    site.serve("versions.json", {200, versionList("msfs_app", versionJson(version.major, version.minor, version.patch))});
    site.log().mark();
    if (newer)
      EXPECT_THROW(checkVersions(), UserErrorException) << "no zip on the site";
    else
      EXPECT_TRUE(checkVersions());
    EXPECT_TRUE(site.logged("msfs_app program version at web = " + web + "\n"));
    EXPECT_EQ(site.logged("msfs_app version up-to-date\n"), !newer) << web;
    EXPECT_EQ(site.requested("release/Gatewright/latest_version.zip"), newer) << web;
    EXPECT_FALSE(fs::exists("versions.json"));
  }
}

TEST(VersionCheck, DataFileThatIsNewerOrMissingIsDownloadedCheckedAndPutInPlace) {
  UpdaterSite site;
  const std::string served = UpdaterSite::encrypted(dataXml);
  for (const DataMember& m : dataMembers) {
    SCOPED_TRACE(m.member);
    writeBytes(m.file, "old");
    m.stored->set("1.0.0");
    site.serve("12/" + m.file.filename().string(), {200, served});
    for (const char* web : {R"({"major":1,"minor":0,"patch":0})", R"({"major":0,"minor":9,"patch":9})"}) {
      site.serve("versions.json", {200, versionList(m.member, web)});
      EXPECT_TRUE(checkVersions());
      EXPECT_EQ(readBytes(m.file), "old");
    }
    EXPECT_FALSE(site.requested("12/" + m.file.filename().string()));
    site.serve("versions.json", {200, versionList(m.member, versionJson(1, 0, 1))});
    EXPECT_TRUE(checkVersions());
    EXPECT_EQ(readBytes(m.file), served);
    EXPECT_EQ(site.storedValue(m.stored->key), "1.0.1");
    EXPECT_TRUE(site.logged(fmt::format("{} updated to 1.0.1\n", m.member)));
    fs::remove(m.file);  // missing at the same version
    EXPECT_TRUE(checkVersions());
    EXPECT_EQ(readBytes(m.file), served);
    m.stored->set("garbage");  // unreadable counts as older
    EXPECT_TRUE(checkVersions());
    EXPECT_EQ(site.storedValue(m.stored->key), "1.0.1");
    for (const char* suffix : {".download", ".download.part"})
      EXPECT_FALSE(fs::exists(m.file.string() + suffix));
  }
}

// A download that failed on the way is tried again at the next start; one
// that came whole but unusable is not fetched again for that version.
TEST(VersionCheck, FailedDownloadsKeepTheOldFileAndTheSetting) {
  UpdaterSite site;
  const std::string good = UpdaterSite::encrypted(dataXml);
  const fs::path memory = gf_perUserFolder() / refusedDownloadsFileName;
  const struct {
    const char* what;
    Route route;
    bool refused;
  } failures[] = {
      {"404", {404, "no such file"}, false},
      {"500", {500, good}, false},
      {"cut short", {200, good, false, true}, false},
      {"stalled", {200, good, true}, false},
      {"not decryptable", {200, std::string(5000, 'x')}, true},
      {"stream without end", {200, good.substr(0, good.size() - 20)}, true},
      {"not XML", {200, UpdaterSite::encrypted("plain words")}, true},
      {"empty", {200, ""}, true},
  };
  for (const DataMember& m : dataMembers) {
    writeBytes(m.file, "old");
    m.stored->set("1.0.0");
    site.serve("versions.json", {200, versionList(m.member, versionJson(1, 1, 0))});
    for (const auto& [what, route, refused] : failures) {
      SCOPED_TRACE(fmt::format("{} {}", m.member, what));
      site.serve("12/" + m.file.filename().string(), route);
      setTransferTimeout(route.stall ? stallTransferMs : siteTransferMs);
      fs::remove(memory);
      EXPECT_TRUE(checkVersions());
      const auto asked = site.server.requests();
      EXPECT_TRUE(checkVersions());
      const auto fetched = site.server.requests().size() - asked.size();
      EXPECT_EQ(fetched, refused ? 1U : 2U) << "versions.json, and the file unless it was refused";
      EXPECT_EQ(readBytes(m.file), "old");
      EXPECT_EQ(site.storedValue(m.stored->key), "1.0.0");
      for (const char* suffix : {".download", ".download.part"})
        EXPECT_FALSE(fs::exists(m.file.string() + suffix));
    }
  }
  EXPECT_FALSE(site.logged("updated to"));
}

// A hostile site floods a data file and the release notes: each download
// stops at its limit, nothing of it stays, and the refusal is logged once; the
// next starts do not fetch it again until the site names a newer version.
TEST(VersionCheck, AFloodedDownloadStopsAtItsLimitAndIsNotFetchedAgain) {
  UpdaterSite site;
  const std::uint64_t limits[] = {dataFileDownloadMaxBytes, releaseNotesMaxBytes};
  Route flood;
  flood.floodBytes = 2 * limits[0];
  site.serve("12/airports.enc", flood);
  site.serve("docs/ReleaseNotes.pdf", flood);
  writeZip("made.zip", {{"install_new_version.exe", "INSTALLER"}});
  site.serve("release/Gatewright/latest_version.zip", {200, readBytes("made.zip")});
  writeBytes(airportsEncFile, "old");
  AIRPORTS_VERSION.set("1.0.0");
  const auto fetches = [&site](const std::string& path) {
    const auto asked = site.server.requests();
    return std::count(asked.begin(), asked.end(), "/downloads/" + path);
  };
  const auto stopped = [&site] {
    const std::string text = site.log().text();
    std::size_t count = 0;
    for (auto at = text.find("Download stopped:"); at != std::string::npos; at = text.find("Download stopped:", at + 1))
      ++count;
    return count;
  };
  const std::string airportsOnly = versionList("airports", versionJson(1, 1, 0));
  const std::string programToo = fmt::format(R"({{"msfs_app":{},"airports":{}}})", versionJson(12, 6, 0),
                                             versionJson(1, 1, 0));
  // Three starts while a new program waits, then three with the data alone.
  for (int start = 1; start <= 6; ++start) {
    SCOPED_TRACE(start);
    site.serve("versions.json", {200, start <= 3 ? programToo : airportsOnly});
    const std::uint64_t sentBefore = site.server.sentBodyBytes();
    checkVersions();
    EXPECT_LE(site.server.sentBodyBytes() - sentBefore, limits[0] + limits[1] + limits[0] / 2);
    EXPECT_EQ(readBytes(airportsEncFile), "old");
    EXPECT_EQ(site.storedValue("AIRPORTS_VERSION"), "1.0.0");
    EXPECT_FALSE(fs::exists("input/airports.enc.download.part"));
    EXPECT_FALSE(fs::exists("new_version/ReleaseNotes.pdf"));
    EXPECT_FALSE(fs::exists("new_version/ReleaseNotes.pdf.part"));
    stopRequested.store(false);
  }
  EXPECT_EQ(fetches("12/airports.enc"), 1);
  EXPECT_EQ(fetches("docs/ReleaseNotes.pdf"), 1);
  EXPECT_EQ(stopped(), 2U);
  site.serve("versions.json", {200, versionList("airports", versionJson(1, 2, 0))});
  checkVersions();
  EXPECT_EQ(fetches("12/airports.enc"), 2) << "a newer version is tried afresh";
}

TEST(VersionCheck, NewerScanVersionsOrAMissingLiveryResultSwitchScansOn) {
  UpdaterSite site;
  for (CheckboxBoolParameter* scan : {&SCAN_LIVERIES, &SCAN_AIRPORTS}) {
    scan->setCurrent(false);
    scan->save();
  }
  LIV_SCAN_VERSION.set("3.0.0");
  ADDONS_SCAN_VERSION.set("3.0.0");
  const std::string same = fmt::format(R"({{"liveries":{0},"addons":{0}}})", versionJson(3, 0, 0));
  site.serve("versions.json", {200, same});
  EXPECT_TRUE(checkVersions());  // no LiveriesScanned.xml yet
  EXPECT_EQ(site.storedValue("SCAN_LIVERIES"), "true");
  EXPECT_EQ(site.storedValue("SCAN_AIRPORTS"), "false");
  EXPECT_TRUE(site.logged("addons version up-to-date\n"));

  site.serve("versions.json",
             {200, fmt::format(R"({{"liveries":{},"addons":{}}})", versionJson(3, 0, 0), versionJson(3, 1, 0))});
  EXPECT_TRUE(checkVersions());
  EXPECT_EQ(site.storedValue("SCAN_AIRPORTS"), "true");
  EXPECT_EQ(site.storedValue("ADDONS_SCAN_VERSION"), "3.1.0");
  EXPECT_TRUE(SCAN_AIRPORTS.current());
}

// A list that is missing, unreadable or of the wrong shape lets the start go
// on with the files in place.
TEST(VersionCheck, MissingMembersBadShapesAndUnreadableListsChangeNothing) {
  UpdaterSite site;
  writeBytes("input/airports.enc", "old");
  AIRPORTS_VERSION.set("1.0.0");
  const char* notReadable = "airports version at web is not readable";
  // Hostile lists: deep, large, or with a long member of the wrong shape.
  const std::string deep = R"({"airports":)" + std::string(5000, '[') + std::string(5000, ']') + "}";
  const std::string large = R"({"airports":")" + std::string(100 * 1024, 'x') + R"("})";
  const std::pair<Route, std::string> cases[] = {
      {{200, deep}, "nests deeper than 8 levels"},
      {{200, large}, "Downloading version info from my web site failed!\n"},
      {{200, R"({"airports":")" + std::string(1000, 'x') + R"("})"}, std::string(notReadable) + ": \"" + std::string(79, 'x') + "...\n"},
      {{200, "{}"}, "airports version not found\n"},
      {{200, R"({"airports":"2.0.0"})"}, notReadable},
      {{200, R"({"airports":[2,0,0]})"}, notReadable},
      {{200, R"({"airports":{"major":2,"minor":0}})"}, notReadable},
      {{200, R"({"airports":{"major":"2","minor":0,"patch":0}})"}, notReadable},
      {{200, R"({"airports":{"major":2.5,"minor":0,"patch":0}})"}, notReadable},
      {{200, R"({"airports":{"major":-2,"minor":0,"patch":0}})"}, notReadable},
      {{200, R"({"airports":{"major":4294967296,"minor":0,"patch":0}})"}, notReadable},
      {{200, R"({"airports": {"major": 2,)"}, "versions.json is no valid JSON"},
      {{200, "[1,2,3]"}, "msfs_app version not found\n"},
      {{404, "gone"}, "Downloading version info from my web site failed!\n"},
      {{200, R"({"airports":{"major":2,"minor":0,"patch":0}})", false, true}, "Downloading version info"},
      {{200, R"({"airports":{"major":2,"minor":0,"patch":0}})", true}, "Downloading version info"},
  };
  setTransferTimeout(stallTransferMs);
  for (const auto& [route, line] : cases) {
    SCOPED_TRACE(route.body);
    site.serve("versions.json", route);
    site.log().mark();
    EXPECT_TRUE(checkVersions());
    EXPECT_TRUE(site.logged(line));
    for (const std::string& logged : site.log().lines()) EXPECT_LT(logged.size(), 300U);
    EXPECT_FALSE(fs::exists("versions.json"));
  }
  EXPECT_EQ(site.server.requests().size(), std::size(cases));
  EXPECT_EQ(readBytes("input/airports.enc"), "old");
  EXPECT_EQ(AIRPORTS_VERSION.current(), "1.0.0");

  // A list that is no object names every member it lacks, in list order.
  for (const char* shape : {"[1,2,3]", "\"2.0.0\"", "7"}) {
    SCOPED_TRACE(shape);
    site.serve("versions.json", {200, shape});
    site.log().mark();
    EXPECT_TRUE(checkVersions());
    const std::vector<std::string> expected = {"msfs_app version not found", "airports version not found",
                                               "aig version not found",      "liveries version not found",
                                               "addons version not found",   "dbase version not found"};
    std::vector<std::string> notFound;
    for (const std::string& logged : site.log().lines())
      if (logged.ends_with(" version not found")) notFound.push_back(logged);
    EXPECT_EQ(notFound, expected);
  }
}

// Each kind of download is given up after its own whole-transfer limit: 30 s
// for the version list, a data file and a stand file, 5 min for the release
// notes, 30 min for the installer. Each row runs its own kind's limit so much
// faster that it is a quarter second, and gives the other kinds twenty times
// that: the row's other downloads finish well within theirs even on a loaded
// machine, and a kind given another's limit ends far from a quarter second. A
// stalled answer shows when the download was given up, through the program's
// own path to it.
TEST(VersionCheck, EachKindOfDownloadIsGivenUpAfterItsOwnWholeTransferLimit) {
  using namespace std::chrono_literals;
  using std::chrono::milliseconds;
  constexpr milliseconds scaled = 250ms;
  UpdaterSite site;
  writeZip("made.zip", {{"install_new_version.exe", "INSTALLER"}});
  const std::string zip = readBytes("made.zip");
  const std::string standFile = "archive/stock/EHAM.xml";
  const std::string standRoute = gf_archivedApfUrl(standFile).substr(gf_downloadFolderUrl().size());
  const std::string newProgram = versionList("msfs_app", versionJson(12, 6, 0));
  const struct Row {
    const char* kind;
    milliseconds limit;
    long DownloadTimeouts::*field;
    std::string stalled;  // below the download folder
    std::string list;     // versions.json, unless it is the stalled one
    std::function<void()> fetch;
  } rows[] = {
      {"version list", 30s, &DownloadTimeouts::smallTransferMs, "versions.json", "", [] { EXPECT_TRUE(checkVersions()); }},
      {"data file", 30s, &DownloadTimeouts::smallTransferMs, "12/airports.enc", versionList("airports", versionJson(1, 1, 0)),
       [] { EXPECT_TRUE(checkVersions()); }},
      {"stand file", 30s, &DownloadTimeouts::smallTransferMs, standRoute, "",
       [&] { EXPECT_NE(gf_downloadArchivedApf(standFile, "airports/park_airport.xml"), ""); }},
      {"installer", 30min, &DownloadTimeouts::installerTransferMs, "release/Gatewright/latest_version.zip", newProgram,
       [] { EXPECT_THROW(checkVersions(), UserErrorException); }},
      // Last: the hand-over ends the run.
      {"release notes", 5min, &DownloadTimeouts::documentTransferMs, "docs/ReleaseNotes.pdf", newProgram, [] { EXPECT_FALSE(checkVersions()); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.kind);
    const long faster = row.limit / scaled;
    DownloadTimeouts limits = defaultDownloadTimeouts;
    limits.connectMs = siteConnectMs;
    const long ownMs = limits.*row.field / faster;  // a quarter second where the default is right
    limits.smallTransferMs = limits.documentTransferMs = limits.installerTransferMs = 20 * scaled.count();
    limits.*row.field = ownMs;
    gf_setDownloadTimeouts(limits);
    if (!row.list.empty()) site.serve("versions.json", {200, row.list});
    site.serve("release/Gatewright/latest_version.zip", {200, zip});
    site.serve(row.stalled, {.status = 200, .body = std::string(64, 'x'), .stall = true});
    const auto start = std::chrono::steady_clock::now();
    row.fetch();
    const auto took = std::chrono::steady_clock::now() - start;
    // libcurl may end a transfer a fraction of a millisecond early.
    EXPECT_GE(took, scaled * 9 / 10);
    EXPECT_LT(took, 5 * scaled) << "another kind's limit is twenty times as long";
    EXPECT_TRUE(
        site.logged("Download error: 'Timeout was reached' for " + site.server.url("/downloads/" + row.stalled)));
  }
  EXPECT_EQ(readBytes(fs::path("new_version") / "install_new_version.exe"), "INSTALLER")
      << "only the notes were missing";
}

} // namespace
} // namespace gwr
