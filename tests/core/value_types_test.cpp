// Tests of the fixed-length codes and the version number, including the log
// line a bad version text leaves.
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "core/fixed_code.h"
#include "core/version.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

TEST(FixedCode, FoldsCaseRejectsBadTextsAsNamedOrdersByteWiseAndHashesAsFnv1a) {
  EXPECT_EQ(FixedCode<4>("b77w").text(), "B77W");
  EXPECT_EQ(FixedCode<3>("klm"), FixedCode<3>("KLM"));
  for (const std::string text : {"EHA", "EHAMX", "", "EH-M", "eh m", "EHÄM"}) {
    try {
      FixedCode<4> code(text);
      ADD_FAILURE() << "accepted " << code.text();
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()), "'" + text + "' FixedCode: invalid string (length/charset)");
    }
  }
  EXPECT_THROW(FixedCode<4>(std::string("EH\0M", 4)), std::invalid_argument);
  EXPECT_TRUE(FixedCode<4>().empty());
  EXPECT_EQ(fmt::format("[{}]|{:>5}", FixedCode<3>(), FixedCode<3>("KLM")), "[   ]|  KLM");
  EXPECT_LT(FixedCode<4>(), FixedCode<4>("0AAA"));
  EXPECT_LT(FixedCode<4>("EHA9"), FixedCode<4>("EHAM"));
  EXPECT_EQ(gf_fnv1a64("a"), 0xaf63dc4c8601ec8cULL);  // published test vector
  EXPECT_EQ(std::hash<FixedCode<4>>{}(FixedCode<4>()), gf_fnv1a64("    "));
}

TEST(VersionData, NeverThrowsAndLogsOneLinePerBadText) {
  const testsupport::LogCapture log;
  const std::vector<std::pair<std::string, VersionData>> good{
      {"12.5.5", {12, 5, 5}},
      {"4294967295.1.007", {4294967295u, 1, 7}},
      {"", {0, 0, 0}},
      {R"(  {"major": 2.5, "minor": 1, "patch": 3} )", {0, 1, 3}},
      {R"({"major": -1, "minor": 4294967296, "patch": 8})", {0, 0, 8}},
  };
  for (const auto& [text, expected] : good) EXPECT_EQ(VersionData(text), expected) << text;
  EXPECT_TRUE(log.lines().empty());

  // Bad format, a part beyond 32 bits, a JSON syntax error.
  const std::vector<std::string> bad{" 12.5.5", "1.2.99999999999", "{\"major\": "};
  for (const std::string& text : bad) EXPECT_EQ(VersionData(text), VersionData()) << text;
  ASSERT_EQ(log.lines().size(), bad.size());
  for (const std::string& line : log.lines()) EXPECT_TRUE(line.starts_with("==> VersionData exception: ")) << line;

  EXPECT_LT(VersionData("12.5.5"), VersionData("12.6.0"));
  EXPECT_GT(VersionData("13.0.0"), VersionData("12.99.99"));
}

} // namespace
} // namespace gwr
