// The scan result file: written and read back sorted and unique, the
// attributes a livery writes, and the user errors of a bad file.
#include "liveries/livery_record.h"

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/user_error.h"
#include "support/livery_world.h"

namespace gwr {
namespace {

using testsupport::LiverySpec;

class LiveryRecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world.load({"B738,A320", "B744", "B738,A320", "BE20", "F16", "H160", "KLM,DLH,MPH", "", ""}, {});
  }
  std::filesystem::path file() { return world.log().folder() / "LiveriesScanned.xml"; }
  testsupport::LiveryWorld world;
};

TEST_F(LiveryRecordTest, WrittenAndReadBackSortedAndUnique) {
  LiveryList scanned;
  // Later airline indexes first: the order must follow the code texts.
  for (const LiverySpec& spec : std::vector<LiverySpec>{{"ZZZ", "", "A320", false, "Generic A320", ""},
                                                        {"KLM", "MPH", "B744", true, "KLM Martinair", "PH-MPS"},
                                                        {"DLH", "", "A320", false, "DLH b", "D-AIZB"},
                                                        {"DLH", "", "A320", false, "DLH a", ""},
                                                        {"DLH", "", "A320", true, "DLH a", ""},
                                                        {"DLH", "", "A320", false, "DLH a", "D-AIZA"}}) {
    scanned.push_back(testsupport::toLiveryData(spec));
    scanned.back().folderRank = 3;
  }
  gf_sortUniqueLiveries(scanned);
  gf_writeLiveriesScanned(scanned, file());

  LiveryList read;
  gf_readLiveriesScanned(read, file());
  std::vector<std::string> titles;
  for (const LiveryData& livery : read) titles.push_back(livery.title + "|" + livery.registration);
  // The cargo twin is a duplicate; a different registration is not.
  EXPECT_EQ(titles, (std::vector<std::string>{"DLH a|", "DLH a|D-AIZA", "DLH b|D-AIZB", "KLM Martinair|PH-MPS",
                                              "Generic A320|"}));
  ASSERT_EQ(read.size(), scanned.size());
  for (auto a = read.begin(), b = scanned.begin(); a != read.end(); ++a, ++b) {
    EXPECT_EQ(a->key, b->key);
    EXPECT_EQ(a->folderRank, 0);
  }
  std::ifstream in(file(), std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find(R"(<l a="KLM" o="MPH" m="B744" c="true" t="KLM Martinair" r="PH-MPS" />)"), std::string::npos);
  EXPECT_NE(text.find(R"(<l a="DLH" m="A320" t="DLH b" r="D-AIZB" />)"), std::string::npos);
}

TEST_F(LiveryRecordTest, EmptyListWritesNothing) {
  gf_writeLiveriesScanned({}, file());
  EXPECT_FALSE(std::filesystem::exists(file()));
}

TEST_F(LiveryRecordTest, BadFilesRaiseUserErrors) {
  const std::string meta = R"(<meta><info name="copyright" value="x"/><info name="sim" value="1"/></meta>)";
  const struct {
    std::string content;
    std::string message;
  } cases[] = {
      {"not xml at all <", "51: File {} not found"},
      {"<root>" + meta + "</root>", "52: {} does not contain a <liveries> section"},
      {"<root>" + meta + R"(<liveries><l a="KLM" t="x"/></liveries></root>)", "999: Missing required attribute 'm' in <l>"},
      {"<root>" + meta + "<liveries/></root>", "533: {} does not contain liveries"},
      {"<other/>", "533: {} does not contain liveries"},
  };
  for (const auto& c : cases) {
    testsupport::writeBytes(file(), c.content);
    std::string expected = c.message;
    if (const auto at = expected.find("{}"); at != std::string::npos) expected.replace(at, 2, file().string());
    LiveryList read;
    try {
      gf_readLiveriesScanned(read, file());
      ADD_FAILURE() << "no error for " << c.content;
    } catch (const UserErrorException& error) {
      EXPECT_EQ(error.what(), expected);
    }
  }
}

} // namespace
} // namespace gwr
