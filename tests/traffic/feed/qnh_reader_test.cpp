// Tests of the pressure datagram: values in hPa, hundredths of inHg and inHg
// as integer, float or string; empty and malformed datagrams change nothing.
#include "traffic/feed/qnh_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/main_window_state.h"
#include "support/log_capture.h"
#include "traffic/feed/feed_log.h"
#include "traffic/feed/traffic_reader.h"

namespace gwr {
namespace {

class QnhReaderTest : public ::testing::Test {
 protected:
  QnhReaderTest() { currentQnh.store(startQnhHpa); gf_resetFeedLog(); }
  ~QnhReaderTest() override { currentQnh.store(startQnhHpa); }

  testsupport::LogCapture log;
  TrafficReader traffic;
  QnhReader qnh{traffic};
};

TEST_F(QnhReaderTest, PressureInEachUnitGivesWholeHectopascals) {
  // Expected values worked out by hand: 1 inHg = 33.8639 hPa.
  const struct { const char* datagram; std::int32_t hpa; } cases[] = {
      {R"({"QNH":1009})", 1009},        {R"({"QNH":1009.4})", 1009},   {R"({"QNH":1009.5})", 1010},
      {R"({"QNH":"1009"})", 1009},      {R"({"QNH":"1009 hPa"})", 1009}, {R"({"QNH":2992})", 1013},
      {R"({"QNH":3010})", 1019},        {R"({"QNH":"2992"})", 1013},   {R"({"QNH":29.92})", 1013},
      {R"({"QNH":"29.92"})", 1013},     {R"({"QNH":30.12})", 1020},    {R"({"QNH":28})", 948},
      {R"({"QNH":850})", 900},          {R"({"QNH":1150})", 900},      {R"({"QNH":9999})", 1100},
      {R"({"QNH":-3})", 900},           {R"({"QNH":1100})", 1100},     {R"({"QNH":900, "x":1})", 900},
      {R"({"QNH":40})", 1100},  // still inHg: 1354.6 hPa, held at the top
  };
  for (const auto& c : cases) {
    qnh.handleTextForTests(R"({"QNH":1013})");  // a fresh start for each value
    qnh.handleTextForTests(c.datagram);
    EXPECT_EQ(qnh.lastQnh(), c.hpa) << c.datagram;
    EXPECT_EQ(traffic.qnh.load(), c.hpa) << c.datagram;
    EXPECT_EQ(currentQnh.load(), c.hpa) << c.datagram;
  }
  EXPECT_TRUE(log.lines().empty());
}

// A string is read up to the end of its leading integer, never rounded: hPa
// directly, above 1100 as hundredths of an inch (x 0.33865307, then rounded).
TEST_F(QnhReaderTest, AStringGivesItsLeadingDecimalInteger) {
  const struct { const char* datagram; std::int32_t hpa; } cases[] = {
      {R"({"QNH":"1009.7"})", 1009},   {R"({"QNH":"1009.5"})", 1009}, {R"({"QNH":"1012.99 hPa"})", 1012},
      {R"({"QNH":"1099.9"})", 1099},   {R"({"QNH":"2992.8"})", 1013},  // 2992 -> 1013.25, where 2993 gives 1014
      {R"({"QNH":"950,6"})", 950},
  };
  for (const auto& c : cases) {
    qnh.handleTextForTests(R"({"QNH":1013})");
    qnh.handleTextForTests(c.datagram);
    EXPECT_EQ(qnh.lastQnh(), c.hpa) << c.datagram;
    EXPECT_EQ(currentQnh.load(), c.hpa) << c.datagram;
  }
  EXPECT_TRUE(log.lines().empty());
}

TEST_F(QnhReaderTest, UnusableDatagramsAreLoggedAndChangeNothing) {
  qnh.handleTextForTests(R"({"QNH":1009})");
  log.mark();
  const struct { std::string datagram; std::string logLine; } cases[] = {
      {R"({"QNH":null})", R"(no QNH {"QNH":null})"},
      {R"({"QNH":{}})", R"(no QNH {"QNH":{}})"},
      {R"({"QNH":[]})", R"(no QNH {"QNH":[]})"},
      {R"({"qnh":1000})", R"(no QNH {"qnh":1000})"},
      {R"({"QNH":"high"})", R"(==> QNH string parse error: high in {"QNH":"high"})"},
      {R"({"QNH":"nan"})", R"(==> QNH string parse error: nan in {"QNH":"nan"})"},
      {R"({"QNH":".5"})", R"(==> QNH string parse error: .5 in {"QNH":".5"})"},
      {R"({"QNH":"99999999999999999999"})", R"(Exception narrowing_error, in {"QNH":"99999999999999999999"})"},
      {R"({"QNH":true})", "Exception [json.exception.type_error.302] type must be string, but is boolean, in "
                          R"({"QNH":true})"},
      {R"({"QNH":[1000]})", "Exception [json.exception.type_error.302] type must be string, but is array, in "
                            R"({"QNH":[1000]})"},
      {R"({"QNH":1e300})", R"(Exception narrowing_error, in {"QNH":1e300})"},
      {R"([1000])", "Exception [json.exception.type_error.304] cannot use at() with array, in [1000]"},
  };
  for (const auto& c : cases) {
    log.mark();
    gf_resetFeedLog();  // each case is its own first line
    qnh.handleTextForTests(c.datagram);
    EXPECT_EQ(log.lines(), std::vector<std::string>{c.logLine}) << c.datagram;
    EXPECT_EQ(qnh.lastQnh(), 1009) << c.datagram;
    EXPECT_EQ(traffic.qnh.load(), 1009) << c.datagram;
  }
  for (const char* broken : {R"({"QNH":10)", "", "\x01\x02\xff", R"({"QNH":1000,})"}) {
    log.mark();
    gf_resetFeedLog();  // each case is its own first line
    qnh.handleTextForTests(broken);
    ASSERT_EQ(log.lines().size(), 1U) << broken;
    EXPECT_EQ(log.lines()[0].rfind("Exception [json.exception.parse_error.101]", 0), 0U) << log.lines()[0];
    EXPECT_EQ(qnh.lastQnh(), 1009);
  }
}

TEST_F(QnhReaderTest, ARepeatedValueRepaintsOnceExceptStandard) {
  static int repaints = 0;
  repaints = 0;
  gf_installWindowInvalidator([](const platform::Rect&) { ++repaints; });
  qnh.status.store(ReaderStatus::noData);
  qnh.handleTextForTests(R"({"QNH":1009})");
  EXPECT_EQ(qnh.status.load(), ReaderStatus::receiving);  // data again
  qnh.handleTextForTests(R"({"QNH":1009})");
  EXPECT_EQ(repaints, 1);
  qnh.handleTextForTests(R"({"QNH":1013})");
  qnh.handleTextForTests(R"({"QNH":1013})");
  EXPECT_EQ(repaints, 3);
  gf_installWindowInvalidator({});
}

} // namespace
} // namespace gwr
