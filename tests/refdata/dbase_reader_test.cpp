// The reference database reader: a small database read whole with its log,
// the failures of required sections and broken files (never with a plain
// copy on disk), and the real shipped database.
#include "refdata/dbase_reader.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>

#include "core/paths.h"
#include "core/user_error.h"
#include "refdata/code_pools.h"
#include "refdata/dbase_tables.h"
#include "refdata/reference_queries.h"
#include "refdata/registration_records.h"
#include "support/dbase_fixture.h"
#include "support/encrypted_fixture.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

using testsupport::dbaseXml;

class DbaseReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { gf_clearDbaseForTests(); }
  void TearDown() override { gf_clearDbaseForTests(); }

  // Reads xml encrypted; none reads the encrypted file as it stands.
  bool readEncrypted(const std::optional<std::string>& xml) {
    gf_clearDbaseForTests();
    if (xml) testsupport::writeEncrypted(encrypted, *xml);
    log.mark();
    return gf_readDbaseFrom(encrypted, testsupport::testDataKey);
  }
  // The message of the exception the reading throws; empty when none.
  std::string failureOf(const std::optional<std::string>& xml) {
    try {
      readEncrypted(xml);
    } catch (const std::exception& e) {
      return e.what();
    }
    return {};
  }


  testsupport::LogCapture log;
  const std::filesystem::path encrypted = log.folder() / "dbase.enc";
};

TEST_F(DbaseReaderTest, ReadsEverySectionWithItsRulesAndLogsTheCounts) {
  ASSERT_TRUE(readEncrypted(dbaseXml({}, testsupport::optionalDbaseSections)));
  EXPECT_EQ(testsupport::namesInFolder(log.folder()), std::vector<std::string>{"dbase.enc"});
  for (const char* line : {"==> empty publisher name in 'Orbx,' skipped\n",
                           "==> registration record without registration skipped (a='KLM', m='B738')\n",
                           "    2 dbase records read\n"})
    EXPECT_NE(log.text().find(line), std::string::npos) << line;

  // Pools: the empty code, the known codes in byte order (lists trimmed,
  // empty pieces dropped), then the cargo codes not yet there.
  EXPECT_EQ(modelPool.code(1) + modelPool.code(4) + modelPool.code(10) + airlinePool.code(4), "A1B738B77FBOX");
  // The fix applies to later look-ups and to the registration records, and
  // of two records for one registration the first read is kept.
  EXPECT_EQ(gf_modelIndex("B38"), 4);
  EXPECT_EQ(modelPool.size(), 11U);
  ASSERT_EQ(dbaseRecords.size(), 2U);
  EXPECT_EQ(dbaseRecords[0].key, (LivKey{1, 0, 2, 0, 1}));  // D-AIBA: no operator, no cargo
  EXPECT_EQ(dbaseRecords[1].key, (LivKey{2, 3, 4, 1, 1}));
  // The first wingspan of a type wins; the largest counts for the maximum.
  EXPECT_NEAR(gf_halfWingspan(4), 35.8 * 0.5 / 1852, 1e-12);
  EXPECT_NEAR(maxHalfSpan, 79.8 * 0.5 / 1852, 1e-12);

  EXPECT_EQ(publisherGroups, (std::vector<std::vector<std::string>>{{"Aerosoft", "AS"}, {"Orbx"}}));
  EXPECT_EQ(similarModelGroups, (std::vector<std::vector<std::string>>{{"A320", "B738"}}));
  EXPECT_EQ(prefixEquivalents.at("DA-"), (std::vector<std::string>{"D-", "DB-"}));
  EXPECT_FALSE(prefixEquivalents.contains("F-"));
}

TEST_F(DbaseReaderTest, EachMissingRequiredSectionFailsWith61AndLeavesNoPlainFile) {
  for (const auto& [section, body] : testsupport::requiredDbaseSections) {
    EXPECT_EQ(failureOf(dbaseXml(section)), "61: Missing section: " + std::string(section));
    EXPECT_EQ(testsupport::namesInFolder(log.folder()), std::vector<std::string>{"dbase.enc"});
  }
}

TEST_F(DbaseReaderTest, BrokenFilesFailWithoutLeavingThePlainFile) {
  const std::string emptyTypes = "61: In XML file section [aircrafts], element [aircraft], attribute [types] is empty.";
  EXPECT_EQ(failureOf("<base><aircrafts/></base>"), "61: XML root missing: root");
  EXPECT_EQ(failureOf(R"(<root><aircrafts><aircraft types=" , ,"/></aircrafts></root>)"), emptyTypes);
  EXPECT_EQ(testsupport::namesInFolder(log.folder()), std::vector<std::string>{"dbase.enc"});

  EXPECT_FALSE(readEncrypted("<root><aircrafts>"));
  EXPECT_TRUE(log.text().starts_with("==> '" + encrypted.string() + "' not read because of "));
  EXPECT_EQ(testsupport::namesInFolder(log.folder()), std::vector<std::string>{"dbase.enc"});

  const std::string undecryptable = encrypted.string() + " stream decrypt failed";
  testsupport::writeBytes(encrypted, std::string(100, 'x'));  // not made with the key
  EXPECT_EQ(failureOf(std::nullopt), undecryptable);
  EXPECT_EQ(testsupport::namesInFolder(log.folder()), std::vector<std::string>{"dbase.enc"});
  std::filesystem::remove(encrypted);
  EXPECT_EQ(failureOf(std::nullopt), encrypted.string() + " not available");

  // A folder where the file should be is named as such, not read as data.
  std::filesystem::create_directory(encrypted);
  EXPECT_EQ(failureOf(std::nullopt), undecryptable);
  EXPECT_EQ(log.lines(), std::vector<std::string>{"gf_streamDecrypt exception: Could not open input file: " +
                                                  encrypted.string() + " is a folder"});
  EXPECT_THAT([&] { gf_readDbaseXml(encrypted); },
              ::testing::ThrowsMessage<std::runtime_error>(::testing::HasSubstr(" is a folder")));
}

// Every record keeps its own codes however many there are: more distinct
// codes than any look-up shortcut holds, codes longer than four characters,
// and records out of order (of two with one registration the first counts).
TEST_F(DbaseReaderTest, RegistrationRecordsKeepTheirCodesInAnyNumberAndOrder) {
  constexpr int records = 6000;
  std::string dbase = "<dbase>";
  for (int n = records - 1; n >= 0; --n) {
    const std::string airline = n % 7 == 0 ? fmt::format("L{:05}", n) : fmt::format("{:04}", n);
    dbase += fmt::format(R"(<d r="R{:05}" a="{}" m="M{}"/>)", n, airline, n % 5);
  }
  dbase += R"(<d r="R00001" a="LATE" m="M9"/></dbase>)";
  ASSERT_TRUE(readEncrypted(dbaseXml({}, dbase)));
  ASSERT_EQ(dbaseRecords.size(), static_cast<std::size_t>(records));
  int wrong = 0;
  for (int n = 0; n < records; ++n) {
    const DbaseRecord& record = dbaseRecords[static_cast<std::size_t>(n)];
    const std::string airline = n % 7 == 0 ? fmt::format("L{:05}", n) : fmt::format("{:04}", n);
    const bool right = record.registration == fmt::format("R{:05}", n) && airlinePool.code(record.key.airline) == airline &&
                       modelPool.code(record.key.model) == fmt::format("M{}", n % 5) && record.key.airlineOperator == 0;
    wrong += right ? 0 : 1;
  }
  EXPECT_EQ(wrong, 0);
}

// The real database, encrypted with the build's key into input/ of the
// working folder and read the way the start-up reads it.
TEST_F(DbaseReaderTest, RealDatabaseLoadsAtStartUp) {
  const std::string xml = testsupport::readBytes(std::filesystem::path(GWR_SOURCE_DIR) / "data/dbase/dbase.xml");
  ASSERT_FALSE(xml.empty());
  std::filesystem::create_directories(log.folder() / inputFolder);
  testsupport::writeEncrypted(log.folder() / dbaseEncFile, xml, gf_programDataKey());
  ASSERT_TRUE(gf_readDbase());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(log.folder() / inputFolder), {}), 1);

  EXPECT_EQ(gf_modelCategoryOfCode("B738"), AcCategory::Large);
  EXPECT_NEAR(gf_halfWingspan(gf_modelIndex("B738")), 0.0097, 0.0001);
  EXPECT_EQ(gf_modelCategoryOfCode("A388"), AcCategory::Heavy);
  EXPECT_TRUE(gf_isIcaoModel("A1"));  // two-character designators are models too
  // Every designator of the database has a half-span slot.
  EXPECT_LE(modelPool.size(), halfSpanSlots);

  const auto key = gf_lookupRegistration("DAIBA");
  ASSERT_TRUE(key.has_value());
  EXPECT_EQ(*key, gf_findDbaseRecord("D-AIBA")->key);
  EXPECT_EQ(airlinePool.code(key->airline), "DLH");
  EXPECT_FALSE(gf_equivalentPrefixes("D-").empty());
  // A maker's BAe 146 liveries give their type as a bare number.
  for (const auto& [wrong, correct] : {std::pair{"142", "B462"}, std::pair{"143", "B463"}})
    EXPECT_EQ(modelFixes.count(wrong) ? modelFixes.at(wrong) : "", correct) << wrong;

  // Airlines of today's AI liveries, and aircraft whose older records had a
  // coarser type or another airline.
  for (const char* airline : {"NSZ", "NOZ", "JYH", "TKJ", "ITY", "SJX", "VKG", "VRE", "MGH"})
    EXPECT_TRUE(gf_isIcaoAirline(airline)) << airline;
  const struct { const char* registration; const char* airline; const char* model; } current[] = {
      {"TF-ICA", "ICE", "B39M"}, {"EI-FSK", "EAI", "AT76"}, {"SE-MKM", "BRX", "AT76"}};
  for (const auto& aircraft : current) {
    const auto found = gf_lookupRegistration(aircraft.registration);
    ASSERT_TRUE(found.has_value()) << aircraft.registration;
    EXPECT_EQ(gf_airlineCode(found->airline), aircraft.airline);
    EXPECT_EQ(gf_modelCode(found->model), aircraft.model);
  }
}

} // namespace
} // namespace gwr
