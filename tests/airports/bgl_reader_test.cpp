// The BGL reader over generated scenery files: stand ids, positions, helipads
// and altitudes as laid down, and every kind of damage refused by name.
#include "airports/bgl_reader.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "bglgen/bgl_package.h"
#include "core/geo.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

using bglgen::AirportSpec;
using bglgen::StandSpec;

struct Recorder : BglReaderEvents {
  std::set<std::string> refused;
  std::vector<std::string> notes;
  std::vector<std::string> logs;
  std::vector<ApfData> airports;
  std::vector<std::int32_t> helipads;

  bool acceptCode(const std::string& code) override { return !refused.contains(code); }
  void note(std::string line) override { notes.push_back(std::move(line)); }
  void log(std::string line, bool warning) override { logs.push_back((warning ? "==> " : "") + line); }
  bool wantStands(ApfData&) override { return true; }
  void airportRead(ApfData& apf, std::int32_t count) override {
    airports.push_back(apf);
    helipads.push_back(count);
  }
  std::vector<std::string> ids(std::size_t airport = 0) const {
    std::vector<std::string> out;
    for (const auto& s : airports.at(airport).stands) out.push_back(s.id);
    return out;
  }
};

StandSpec stand(std::uint32_t nameCode, std::uint32_t number, std::uint32_t type = 4, float heading = 90.0F) {
  StandSpec s;
  s.nameCode = nameCode;
  s.number = number;
  s.type = type;
  s.latitude = 52.3;
  s.longitude = 4.76;
  s.headingDeg = heading;
  s.radiusM = 20.0F;
  return s;
}

AirportSpec airport(std::vector<StandSpec> stands, std::string icao = "EHAM") {
  AirportSpec a;
  a.icao = std::move(icao);
  a.latitude = 52.31;
  a.longitude = 4.76;
  a.altitudeFt = -11;
  a.stands = std::move(stands);
  return a;
}

std::vector<std::uint32_t> wordsOf(const std::string& bytes) {
  std::istringstream in(bytes);
  std::vector<std::uint32_t> words;
  gf_readFileWords(in, words);
  return words;
}

Recorder readBytes(const std::string& bytes, const char* file = "x/airport.bgl", bool* whole = nullptr) {
  Recorder r;
  const bool ok = gf_processBglWords(wordsOf(bytes), file, r);
  if (whole) *whole = ok;
  return r;
}

TEST(BglReaderTest, StandsComeOutAsLaidDown) {
  AirportSpec a = airport({stand(10, 12, 5, 0.0F), stand(12, 3, 1, 271.5F)});
  a.stands[1].latitude = -33.946111;
  a.stands[1].longitude = 151.177222;
  a.stands[1].radiusM = 36.0F;
  a.stands[1].airlines = {"QFA", "VOZ"};
  a.helipads = {{52.32, 4.77, 20.0F, 1}};
  bool whole = false;
  const Recorder r = readBytes(bglgen::bglFile({a}).bytes, "x/airport.bgl", &whole);
  EXPECT_TRUE(whole);
  ASSERT_EQ(r.airports.size(), 1U);
  const ApfData& apf = r.airports[0];
  EXPECT_EQ(apf.icao.view(), "EHAM");
  EXPECT_EQ(apf.altitude, -11);  // below sea level
  EXPECT_EQ(apf.BGLpath, "x/airport.bgl");
  EXPECT_EQ(r.helipads[0], 1);
  ASSERT_EQ(r.ids(), (std::vector<std::string>{"helipad1", "g12", "A3"}));
  const StandRecord& heli = apf.stands[0];
  EXPECT_EQ(heli.heli, 1);
  EXPECT_EQ(heli.type, 0);
  EXPECT_NEAR(heli.radius * 1852.0, 10.0, 1e-9);
  EXPECT_NEAR(heli.latitude, 52.32, 1e-6);
  EXPECT_NEAR(heli.longitude, 4.77, 1e-6);
  EXPECT_DOUBLE_EQ(apf.stands[1].heading, 6.283185307179586);  // 0 degrees is stored as a full circle
  EXPECT_EQ(apf.stands[1].type, 5);
  const StandRecord& sydney = apf.stands[2];
  EXPECT_NEAR(sydney.latitude, -33.946111, 1e-6);
  EXPECT_NEAR(sydney.longitude, 151.177222, 1e-6);
  EXPECT_NEAR(sydney.heading, 271.5 * radiansPerDegree, 1e-6);
  EXPECT_NEAR(sydney.radius, 36.0 / 1852.0, 1e-12);
  EXPECT_EQ(sydney.heli, 0);
  EXPECT_TRUE(r.logs.empty());
}

TEST(BglReaderTest, NameCodesGivePrefixes) {
  const std::pair<std::uint32_t, const char*> rows[] = {
      {0, "7"}, {1, "r7"}, {2, "p7"}, {3, "np7"}, {4, "ep7"}, {5, "sep7"}, {6, "sp7"}, {7, "swp7"},
      {8, "wp7"}, {9, "nwp7"}, {10, "g7"}, {11, "7"}, {12, "A7"}, {37, "Z7"}, {38, "7"}, {63, "7"}};
  for (const auto& [code, id] : rows) {
    const Recorder r = readBytes(bglgen::bglFile({airport({stand(code, 7)})}).bytes);
    ASSERT_EQ(r.airports.size(), 1U);
    EXPECT_EQ(r.ids(), std::vector<std::string>{id}) << code;
  }
}

TEST(BglReaderTest, RepeatedIdsGetLettersUntilTenAreTaken) {
  std::vector<StandSpec> stands(12, stand(10, 12));
  const Recorder r = readBytes(bglgen::bglFile({airport(stands)}).bytes);
  EXPECT_EQ(r.ids(), (std::vector<std::string>{"g12", "g12a", "g12b", "g12c", "g12d", "g12e", "g12f", "g12g",
                                               "g12h", "g12i", "g12j"}));
  ASSERT_EQ(r.notes.size(), 1U);
  EXPECT_EQ(r.notes[0], "===> Warning: more than 10 duplicate IDs g12 in x/airport.bgl");
}

TEST(BglReaderTest, OnlyParkingsOfAKindAndTheFirstListCount) {
  AirportSpec a = airport({stand(10, 1, 0), stand(10, 2, 13), stand(10, 3, 12), stand(10, 4, 15)});
  a.secondList = {stand(10, 9)};
  const Recorder r = readBytes(bglgen::bglFile({a}).bytes);
  EXPECT_EQ(r.ids(), (std::vector<std::string>{"g3", "g4"}));
}

TEST(BglReaderTest, AltitudeInMillimetresWithinBounds) {
  const std::pair<std::uint32_t, std::int32_t> rows[] = {
      {3048000, 10000}, {3048305, 0}, {0, 0},           {152, 0},
      {153, 1},         {609600, 2000},
      // Below sea level the word is negative: -3353 mm, -6096 mm, and -6401 mm below the lowest altitude.
      {0xFFFFF2E7, -11}, {0xFFFFE830, -20}, {0xFFFFE6FF, 0}};
  for (const auto& [mm, feet] : rows) {
    bglgen::BglMap map = bglgen::bglFile({airport({stand(10, 1)})});
    bglgen::detail::put32(map.bytes, map.airports[0] + 20, mm);
    const Recorder r = readBytes(map.bytes);
    ASSERT_EQ(r.airports.size(), 1U);
    EXPECT_EQ(r.airports[0].altitude, feet) << mm;
  }
}

TEST(BglReaderTest, IdentsDecodeAndRefusedOnesAreLeftOut) {
  const std::tuple<std::uint32_t, const char*, bool> idents[] = {
      {bglgen::packIcao("EHAM"), "EHAM", true}, {bglgen::packIcao("K2A0"), "K2A0", true},
      {((12U * 38 + 0) * 38 + 13) << 5, "A B", false}, {(13U * 38 + 1) << 5, "B?", false}, {0x1F, "", false}};
  for (const auto& [packed, text, validText] : idents) {
    bool valid = !validText;
    EXPECT_EQ(gf_decodeBglIcao(packed, valid), text);
    if (*text) {
      EXPECT_EQ(valid, validText) << text;
    }
  }

  Recorder r;
  r.refused = {"EHAM"};
  gf_processBglWords(wordsOf(bglgen::bglFile({airport({stand(10, 1)}), airport({stand(10, 2)}, "EGLL"),
                                               airport({stand(10, 3)}, "LFP")})
                                 .bytes),
                     "f.bgl", r);
  ASSERT_EQ(r.airports.size(), 1U);  // three letters are never an airport
  EXPECT_EQ(r.airports[0].icao.view(), "EGLL");
}

TEST(BglReaderTest, BadAndRepeatedHelipadsAreSkipped) {
  AirportSpec a = airport({});
  a.helipads = {{52.3, 4.7, 20.0F, 1}, {52.3, 4.7, 20.0F, 1}, {0.0, 0.0, 10.0F, 1}, {52.4, 4.7, 12.0F, 1}};
  const Recorder r = readBytes(bglgen::bglFile({a}).bytes);
  EXPECT_EQ(r.ids(), (std::vector<std::string>{"helipad1", "helipad2"}));
  EXPECT_EQ(r.helipads[0], 2);
  EXPECT_EQ(r.notes, (std::vector<std::string>{"double helipad  (skipped) 52.300000,4.700000",
                                               "lat/lon helipad incorrect (skipped): 0.000000,0.000000"}));
  AirportSpec b = airport({stand(10, 1)});
  b.stands[0].latitude = 0.0;
  b.stands[0].longitude = 0.0;
  EXPECT_EQ(readBytes(bglgen::bglFile({b}).bytes).notes,
            std::vector<std::string>{"LatLon 0.000000,0.000000 invalid (skipped)"});
}

// One kind of damage to a good file of two airports: the airports given, the
// stands of the second one when it is given (a damaged subrecord keeps those
// read before it), and whether a log line names the file (a file that is no
// scenery file of this kind is passed over quietly).
struct Damage {
  const char* name;
  void (*apply)(bglgen::BglMap&);
  std::size_t airportsKept;
  std::vector<std::string> secondIds;
  bool named;
  const char* line = "";  // a log line that must begin so
};

void setFloat(std::string& bytes, std::size_t at, float value) { bglgen::detail::putFloat(bytes, at, value); }

using Ids = std::vector<std::string>;
const Ids allOfSecond{"helipad1", "g1", "g2"};

// The second airport without its parking list (which ends the walk), its record
// grown to the file's end and words more, after filler subrecords of 2 words.
void lf_openEnded(bglgen::BglMap& m, std::size_t filler, std::size_t pastEnd) {
  bglgen::detail::put16(m.bytes, m.parkingLists[1], 0x99);
  for (std::size_t k = 0; k < filler; ++k) m.bytes += std::string("\x99\0\x08\0\0\0\0\0", 8);
  bglgen::detail::put32(m.bytes, m.airports[1] + 2, static_cast<std::uint32_t>(m.bytes.size() - m.airports[1] + pastEnd));
}

const Damage damages[] = {
    {"section table past the end", [](bglgen::BglMap& m) { bglgen::detail::put32(m.bytes, 20, 1000000); }, 0, {}, false},
    {"no sections", [](bglgen::BglMap& m) { bglgen::detail::put32(m.bytes, 20, 0); }, 0, {}, false},
    {"header size", [](bglgen::BglMap& m) { bglgen::detail::put32(m.bytes, 4, 60); }, 0, {}, false},
    {"too short", [](bglgen::BglMap& m) { m.bytes.resize(59); }, 0, {}, false},
    {"subsection past the end",
     [](bglgen::BglMap& m) { bglgen::detail::put32(m.bytes, m.sectionTable + 12, 0x7FFFFFF0); }, 0, {}, true},
    {"records past the end", [](bglgen::BglMap& m) { bglgen::detail::put32(m.bytes, m.subsection + 8, 0xFFFFFFF0); },
     0, {}, true},
    {"airport size zero", [](bglgen::BglMap& m) { bglgen::detail::put32(m.bytes, m.airports[1] + 2, 0); }, 1, {},
     true},
    {"airport too short", [](bglgen::BglMap& m) { bglgen::detail::put32(m.bytes, m.airports[1] + 2, 16); }, 1, {},
     true},
    {"airport size oversized",
     [](bglgen::BglMap& m) { bglgen::detail::put32(m.bytes, m.airports[1] + 2, 0xFFFFFFF0); }, 2, allOfSecond, true},
    {"cut in the middle", [](bglgen::BglMap& m) { m.bytes.resize(m.parkingLists[1] + 40); }, 2, {"helipad1"}, true},
    {"helipad size zero", [](bglgen::BglMap& m) { bglgen::detail::put32(m.bytes, m.helipads[0] + 2, 0); }, 2,
     {"helipad1"}, true},  // read before its size is looked at
    {"subrecord past its airport",
     [](bglgen::BglMap& m) { bglgen::detail::put32(m.bytes, m.helipads[0] + 2, 0x100000); }, 2, {}, true},
    {"helipad too short", [](bglgen::BglMap& m) { bglgen::detail::put32(m.bytes, m.helipads[0] + 2, 8); }, 2, {},
     true},
    {"parking count past the list",
     [](bglgen::BglMap& m) { bglgen::detail::put16(m.bytes, m.parkingLists[1] + 6, 0xFFFF); }, 2, allOfSecond, true},
    {"airline count past the list",
     [](bglgen::BglMap& m) { m.bytes[m.parkingLists[1] + 8 + 14 * 4 + 3] = static_cast<char>(0xFF); }, 2,
     {"helipad1", "g1"}, true},
    {"subrecords past the file", [](bglgen::BglMap& m) { lf_openEnded(m, 0, 8); }, 2, {"helipad1"}, true,
     "   Error: o3="},
    {"too many subrecords", [](bglgen::BglMap& m) { lf_openEnded(m, 10000, 0); }, 2, {"helipad1"}, true,
     "==> Error: Maximum loop iterations reached (1) \u2014 possible corrupt SIA or malformed input"},
};

TEST(BglReaderTest, DamageEndsItsSectionOrItsAirportAndIsNamed) {
  for (const Damage& d : damages) {
    AirportSpec second = airport({stand(10, 1), stand(10, 2)}, "EGLL");
    second.helipads = {{51.47, -0.45, 20.0F, 1}};
    bglgen::BglMap map = bglgen::bglFile({airport({stand(10, 1)}), second});
    d.apply(map);
    bool whole = true;
    const Recorder r = readBytes(map.bytes, "pkg/damaged.bgl", &whole);
    EXPECT_FALSE(whole) << d.name;
    EXPECT_EQ(r.airports.size(), d.airportsKept) << d.name;
    if (d.airportsKept == 2 && r.airports.size() == 2) {
      EXPECT_EQ(r.ids(1), d.secondIds) << d.name;
    }
    bool named = false;
    for (const auto& line : r.logs) named = named || line.find("'pkg/damaged.bgl'") != std::string::npos;
    EXPECT_EQ(named, d.named) << d.name;
    bool lineFound = false;
    for (const auto& line : r.logs) lineFound = lineFound || line.starts_with(d.line);
    EXPECT_TRUE(lineFound || !d.named) << d.name;
    if (!d.named) {
      EXPECT_TRUE(r.logs.empty() && r.notes.empty()) << d.name;
    }
  }
}

TEST(BglReaderTest, NonFiniteAndImpossibleFloatsDropTheirStand) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const std::pair<std::size_t, float> rows[] = {{4, nan}, {4, inf}, {8, nan}, {8, -inf}, {4, -1.0F}, {4, 501.0F}};
  for (const auto& [offset, value] : rows) {
    bglgen::BglMap map = bglgen::bglFile({airport({stand(10, 1), stand(10, 2)})});
    setFloat(map.bytes, map.parkingLists[0] + 8 + offset, value);
    bool whole = true;
    const Recorder r = readBytes(map.bytes, "pkg/f.bgl", &whole);
    EXPECT_FALSE(whole);
    ASSERT_EQ(r.airports.size(), 1U);
    EXPECT_EQ(r.ids(), std::vector<std::string>{"g2"}) << offset << " " << value;
    ASSERT_EQ(r.logs.size(), 1U);
    EXPECT_NE(r.logs[0].find("'pkg/f.bgl'"), std::string::npos);
  }
  AirportSpec a = airport({});
  a.helipads = {{52.3, 4.7, nan, 1}, {52.4, 4.7, 20.0F, 1}};
  const Recorder r = readBytes(bglgen::bglFile({a}).bytes);
  EXPECT_EQ(r.ids(), std::vector<std::string>{"helipad1"});
  EXPECT_EQ(r.logs.size(), 1U);
}

// The walk ends with its section, not with a long file; a file without an
// airport of this simulator says why; a size-0 subrecord (not a helipad) is a plain line.
TEST(BglReaderTest, TheWalkEndsWithItsSectionAndAFileWithoutAnAirportSaysWhy) {
  using bglgen::detail::put16, bglgen::detail::put32;
  const std::string other = "BGL file holds an airport of another simulator's format, not read: f.bgl";
  const struct { void (*change)(bglgen::BglMap&); std::size_t airports; std::string note, log; } rows[] = {
      {[](bglgen::BglMap&) {}, 1, "", ""},
      {[](bglgen::BglMap& m) { put32(m.bytes, m.subsection + 12, static_cast<std::uint32_t>(m.bytes.size() - 92)); }, 1,
       "",
       "==> Error: maximum loop iterations 9000 reached (2) \u2014 possible corrupt BGL or malformed input in:"
       "\n'f.bgl'"},
      {[](bglgen::BglMap& m) { put16(m.bytes, m.airports[0], 0x3C); }, 0, other, ""},
      {[](bglgen::BglMap& m) { put32(m.bytes, m.sectionTable + 4, 0x10001); }, 0, other, ""},
      {[](bglgen::BglMap& m) { m = bglgen::bglFile({}); }, 0, "BGL file holds no airport: f.bgl", ""},
      {[](bglgen::BglMap& m) { put32(m.bytes, m.parkingLists[0] + 2, 0); }, 1, "",
       "   Warning: decodeSizeAtBoundary returned 0 at o3 = 40"},
  };
  for (const auto& row : rows) {
    bglgen::BglMap map = bglgen::bglFile({airport({stand(10, 1)})});
    for (int k = 0; k < 10000; ++k) map.bytes += std::string("\x99\0\x08\0\0\0\0\0", 8);  // records after the section
    row.change(map);
    const Recorder r = readBytes(map.bytes, "f.bgl");
    EXPECT_EQ(r.airports.size(), row.airports) << row.log << row.note;
    EXPECT_EQ(r.notes.empty() ? "" : r.notes[0], row.note);
    EXPECT_EQ(r.logs.empty() ? "" : r.logs[0], row.log);
  }
}

TEST(BglReaderTest, FilesAreRecognisedByTheirSectionTable) {
  testsupport::TempFolder folder;
  const auto write = [&](const std::string& name, const std::string& bytes) {
    bglgen::writeBytes(folder.path() / name, bytes);
    return folder.path() / name;
  };
  std::string good = bglgen::bglFile({airport({stand(10, 1)})}).bytes;
  EXPECT_TRUE(gf_bglHasAirport(write("good.bgl", good)));
  std::string other = good;
  bglgen::detail::put32(other, 56, 0x25);
  EXPECT_FALSE(gf_bglHasAirport(write("other.bgl", other)));
  std::string none = good;
  bglgen::detail::put32(none, 20, 0);
  EXPECT_FALSE(gf_bglHasAirport(write("none.bgl", none)));
  std::string many = good;
  bglgen::detail::put32(many, 20, static_cast<std::uint32_t>((good.size() - 56) / 20 + 1));
  EXPECT_FALSE(gf_bglHasAirport(write("many.bgl", many)));
  EXPECT_FALSE(gf_bglHasAirport(write("short.bgl", good.substr(0, 56))));
  EXPECT_FALSE(gf_bglHasAirport(folder.path() / "missing.bgl"));
  {
    // A pipe is refused at its open, never waited on, and said so.
    const testsupport::LogCapture log;
    const std::filesystem::path pipe = folder.path() / "pipe.bgl";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(gf_bglHasAirport(pipe));
    EXPECT_EQ(log.lines(),
              std::vector<std::string>{"==> " + pipe.string() + " not read: it is a named pipe, not a regular file"});
  }
  Recorder r;  // a file that cannot be read is no airport
  EXPECT_FALSE(gf_processBglFile(folder.path() / "missing.bgl", r));
  EXPECT_FALSE(gf_processBglFile(folder.path(), r));
  EXPECT_TRUE(r.airports.empty());
}

} // namespace
} // namespace gwr
