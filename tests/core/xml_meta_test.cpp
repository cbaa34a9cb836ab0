// The meta header of the program's XML files: written and read back, and
// headers that are incomplete or repeat themselves.
#include "core/xml_meta.h"

#include <gtest/gtest.h>

#include "core/clock.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

std::string header(const std::string& infos, bool underRoot = true) {
  const std::string meta = "<meta>" + infos + "</meta>";
  return underRoot ? "<root>" + meta + "</root>" : meta;
}
std::string info(const std::string& name, const std::string& value) {
  return "<info name=\"" + name + "\" value=\"" + value + "\"/>";
}

TEST(XmlMeta, WrittenHeaderReadsBack) {
  pugi::xml_document document;
  MetaInfo written;
  written.version = "12.5.5";
  written.sim = 2;
  ASSERT_TRUE(gf_writeMeta(document, written));
  const auto read = gf_readMeta(document, false);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->author, "Gatewright");
  EXPECT_EQ(read->version, "12.5.5");
  EXPECT_EQ(read->date, gf_dateText());
  EXPECT_EQ(read->sim, 2);
  EXPECT_EQ(std::distance(document.child("root").child("meta").children("info").begin(),
                          document.child("root").child("meta").children("info").end()),
            5);
}

TEST(XmlMeta, HeadersWithoutNoticeOrEditionGiveNone) {
  testsupport::LogCapture log;
  struct Case {
    const char* what;
    std::string text;
    bool simOptional;
    bool found;
    std::size_t warnings;
  };
  const std::vector<Case> cases = {
      {"empty copyright", header(info("copyright", "") + info("sim", "1")), true, false, 1},
      {"copyright without value", header("<info name=\"copyright\"/>" + info("sim", "1")), true, false, 1},
      {"no copyright", header(info("sim", "1")), true, false, 0},
      {"no edition, required", header(info("copyright", "c")), false, false, 0},
      {"no edition, optional", header(info("copyright", "c")), true, true, 0},
      {"MSFS counts as edition", header(info("copyright", "c") + info("MSFS", "x")), false, true, 0},
      {"no meta", "<root/>", true, false, 0},
  };
  for (const auto& c : cases) {
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(c.text.c_str())) << c.what;
    log.mark();
    const auto read = gf_readMeta(document, c.simOptional);
    EXPECT_EQ(read.has_value(), c.found) << c.what;
    EXPECT_EQ(log.lines().size(), c.warnings) << c.what;
    if (c.warnings > 0) {
      EXPECT_EQ(log.lines()[0], "==> no copyright info in the file?");
    }
    if (read) {
      EXPECT_EQ(read->sim, -1) << c.what;
    }
  }
}

TEST(XmlMeta, FirstOfEachNameCountsAndRootIsOptional) {
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(
      header(info("version", "1.0.0") + info("copyright", "c") + info("version", "2.0.0") + info("copyright", "") +
                 info("sim", "abc") + info("P3D", "v5") + info("unknown", "u"),
             false)
          .c_str()));
  const auto read = gf_readMeta(document, false);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->version, "1.0.0");
  EXPECT_EQ(read->sim, 0);  // not a number
  EXPECT_EQ(read->p3d, "v5");
}

} // namespace
} // namespace gwr
