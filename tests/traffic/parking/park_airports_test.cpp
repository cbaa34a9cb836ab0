// Tests of my_park_airports.txt: reading past bad lines, the my_thirdparty
// airports, and writing the front entry without losing the user's lines.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "airports/stand_fixture.h"
#include "core/paths.h"
#include "traffic/parking/park_airports.h"

namespace gwr {
namespace {

using testsupport::readFile;

class ParkAirportsTest : public testsupport::AirportsSandbox {
protected:
  void SetUp() override {
    AirportsSandbox::SetUp();
    for (const char* code : {"EHAM", "EHGG", "EHLE", "EHRD"}) {
      AirportRecord airport;
      airport.icao = FixedCode<4>(code);
      airport.latitude = 52.0 + double(airportsTable.size());
      airport.longitude = 4.0;
      airportsTable.push_back(airport);
    }
    parkAirports.clear();
    std::filesystem::create_directories(airportsFolder);
  }
  void TearDown() override {
    parkAirports.clear();
    AirportsSandbox::TearDown();
  }
  static void writeList(const std::string& text) { standgen::writeText(myParkAirportsFile, text); }
  static std::vector<std::string> listed() {
    std::vector<std::string> out;
    for (const ParkAirport& p : parkAirports)
      out.push_back(p.reservedStand.empty() ? p.code.text() : p.code.text() + "," + p.reservedStand);
    return out;
  }
  bool logged(const std::string& text) { return log().text().find(text) != std::string::npos; }
};

TEST_F(ParkAirportsTest, BadLinesAreSkippedAndTheRestIsRead) {
  writeList(std::string("EHAM,D7\n\nehrd\nEH!X\nXXXX\nEHAM\nEHGG,A1,B2\nEH\0LE\nEHLE\n", 51));
  EXPECT_FALSE(lf_readMyParkAirports());
  EXPECT_EQ(listed(), (std::vector<std::string>{"EHAM,D7", "EHRD", "EHLE"}));
  EXPECT_DOUBLE_EQ(parkAirports.front().position.latitude, 52.0);
  EXPECT_TRUE(logged("airport EH!X is not a valid code, skipped"));
  EXPECT_TRUE(logged("airport XXXX is unknown"));
  EXPECT_TRUE(logged("==> my_park_airports.txt:EHAM double, skipped"));
  EXPECT_TRUE(logged("==> my_park_airports.txt:EHGG,A1,B2 wrong syntax, skipped"));
  EXPECT_TRUE(logged("==> my_park_airports.txt:EH\\x00LE wrong syntax, skipped"));  // NUL: not UTF-8 text
  EXPECT_TRUE(logged("    3 park airports read from 'my_park_airports.txt'"));
}

TEST_F(ParkAirportsTest, AMissingFileLeavesOnlyTheThirdpartyAirports) {
  standgen::writeText(myThirdpartyFolder / "EHGG.xml", "<root/>");
  standgen::writeText(myThirdpartyFolder / "EHLE.txt", "archive/x.xml\n");
  standgen::writeText(myThirdpartyFolder / "LONGNAME.xml", "<root/>");
  standgen::writeText(myThirdpartyFolder / "ZZZZ.xml", "<root/>");
  EXPECT_TRUE(lf_readMyParkAirports());
  EXPECT_TRUE(logged(myParkAirportsFile.string() + " not found"));
  EXPECT_EQ(listed(), (std::vector<std::string>{"EHGG", "EHLE"}));
  writeList("EHLE,B1\n");
  EXPECT_TRUE(lf_readMyParkAirports());
  EXPECT_EQ(listed(), (std::vector<std::string>{"EHLE,B1", "EHGG"}));
}

TEST_F(ParkAirportsTest, TheFrontEntryIsWrittenSortedWithoutRepeats) {
  gf_insertParkAirport({"D7", {52.0, 4.0}, 0.0, FixedCode<4>("EHAM")}, true);
  ASSERT_TRUE(gf_writeParkAirportEntry());
  EXPECT_EQ(readFile(myParkAirportsFile), "EHAM,D7\n");
  EXPECT_TRUE(logged("my_park_airports.txt created with EHAM,D7"));

  writeList(std::string("EHRD\nEHAM,C3\nEHGG\nEHGG\n\0X\n", 26));  // a NUL line would sort first
  ASSERT_TRUE(gf_writeParkAirportEntry());
  EXPECT_EQ(readFile(myParkAirportsFile), "EHAM,D7\nEHGG\nEHRD\n");
  EXPECT_TRUE(logged("my_park_airports.txt:EHAM,D7 updated stand"));

  parkAirports.front().code = FixedCode<4>("EHLE");
  parkAirports.front().reservedStand.clear();
  ASSERT_TRUE(gf_writeParkAirportEntry());
  EXPECT_EQ(readFile(myParkAirportsFile), "EHAM,D7\nEHGG\nEHLE\nEHRD\n");
  EXPECT_TRUE(logged("my_park_airports.txt:EHLE new entry"));
}

TEST_F(ParkAirportsTest, AFileThatCannotBeReadIsLeftAlone) {
  std::filesystem::create_directories(myParkAirportsFile / "EHRD");
  gf_insertParkAirport({"D7", {52.0, 4.0}, 0.0, FixedCode<4>("EHAM")}, true);
  EXPECT_FALSE(gf_writeParkAirportEntry());
  EXPECT_TRUE(std::filesystem::exists(myParkAirportsFile / "EHRD"));
  EXPECT_TRUE(logged("==> my_park_airports.txt could not be read, EHAM,D7 not saved"));
  EXPECT_FALSE(lf_readMyParkAirports());
  EXPECT_TRUE(parkAirports.empty());
}

// A named pipe in the list's place is refused at once, never waited on (the
// start would hang in it), and nothing is written into it.
TEST_F(ParkAirportsTest, ANamedPipeInTheListsPlaceIsRefusedAtOnce) {
  ASSERT_EQ(::mkfifo(myParkAirportsFile.c_str(), 0600), 0);
  gf_insertParkAirport({"D7", {52.0, 4.0}, 0.0, FixedCode<4>("EHAM")}, true);
  auto done = std::async(std::launch::async, [] { return !gf_writeParkAirportEntry() && !lf_readMyParkAirports(); });
  if (done.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    // A writer coming and going lets each blocked open go on and its read end.
    while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
      ::close(::open(myParkAirportsFile.c_str(), O_RDWR | O_NONBLOCK));
    FAIL() << "the list's reader waited on the pipe";
  }
  EXPECT_TRUE(done.get());
  EXPECT_TRUE(logged(myParkAirportsFile.string() + " not read: it is a named pipe, not a regular file"));
  EXPECT_TRUE(logged("==> my_park_airports.txt could not be read, EHAM,D7 not saved"));
}

// A disk that fills up while the list is written (the file size limit stands
// in for it) costs the new entry only, never the user's list.
TEST_F(ParkAirportsTest, AFailedRewriteKeepsTheOldListAndSaysSo) {
  std::string list;
  for (int i = 0; i < 819; ++i) list += fmt::format("EHRD,S{:04}\n", i);
  writeList(list);
  gf_insertParkAirport({"D7", {52.0, 4.0}, 0.0, FixedCode<4>("EHAM")}, true);
  rlimit saved{}, small{};
  getrlimit(RLIMIT_FSIZE, &saved);
  small = {4096, saved.rlim_max};
  const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = gf_writeParkAirportEntry();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldSignal);
  EXPECT_FALSE(written);
  EXPECT_EQ(readFile(myParkAirportsFile), list);
  EXPECT_TRUE(logged("Error my_park_airports.txt could not be saved ("));
  for (const auto& left : std::filesystem::directory_iterator(airportsFolder)) EXPECT_NE(left.path().extension(), ".tmp");
}

// The user's file keeps what the user made of it: its permissions, its link,
// and a read-only file its text, with the line parameters.xml gives.
TEST_F(ParkAirportsTest, TheRewriteKeepsTheFilesModeAndLeavesAReadOnlyFileAsItIs) {
  namespace fs = std::filesystem;
  using enum fs::perms;
  const std::string list = "EHRD,B2\n";
  const fs::path elsewhere = airportsFolder / "lists" / "parks.txt";
  const struct {
    fs::perms mode;
    bool behindALink;
    bool written;
  } cases[] = {
      {owner_read | group_read | others_read, false, false},
      {owner_read, false, false},
      {owner_read | group_read | others_read, true, false},
      {owner_read | owner_write, false, true},
      {owner_read | owner_write | group_read, false, true},
      {owner_read | owner_write | group_read | group_write | others_read, false, true},
      {owner_read | owner_write, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(fmt::format("mode {:o}{}", int(c.mode), c.behindALink ? " behind a link" : ""));
    fs::remove_all(elsewhere.parent_path());
    fs::remove(myParkAirportsFile);
    writeList(list);
    if (c.behindALink) {
      fs::create_directories(elsewhere.parent_path());
      fs::rename(myParkAirportsFile, elsewhere);
      fs::create_symlink(fs::path("lists") / "parks.txt", myParkAirportsFile);  // from the link's folder
    }
    const fs::path file = c.behindALink ? elsewhere : myParkAirportsFile;
    fs::permissions(file, c.mode);
    parkAirports.clear();
    gf_insertParkAirport({"D7", {52.0, 4.0}, 0.0, FixedCode<4>("EHAM")}, true);
    log().mark();

    EXPECT_EQ(gf_writeParkAirportEntry(), c.written);
    EXPECT_EQ(fs::status(file).permissions(), c.mode);
    EXPECT_EQ(fs::is_symlink(myParkAirportsFile), c.behindALink);
    fs::permissions(file, owner_read | owner_write);
    EXPECT_EQ(readFile(file), c.written ? "EHAM,D7\n" + list : list);
    EXPECT_EQ(logged(myParkAirportsFile.string() + " not written: the file is read-only"), !c.written);
    EXPECT_EQ(logged("Error my_park_airports.txt could not be saved (the file is read-only), it stays as it was"),
              !c.written);
    EXPECT_EQ(logged("my_park_airports.txt:EHAM,D7 new entry"), c.written);
    for (const auto& left : fs::directory_iterator(file.parent_path())) EXPECT_NE(left.path().extension(), ".tmp");
  }
}

TEST_F(ParkAirportsTest, AFullListRefusesMore) {
  for (std::size_t i = 0; i < maxParkAirports; ++i) parkAirports.push_back({});
  EXPECT_THROW(gf_insertParkAirport({}, false), std::length_error);
}

} // namespace
} // namespace gwr
