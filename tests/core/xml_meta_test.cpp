// The meta header of the program's XML files: written and read back, and
// headers that are incomplete or repeat themselves.
#include "core/xml_meta.h"

#include <gtest/gtest.h>

#include "core/clock.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

std::string lf_meta(const std::string& infos) { return "<root><meta>" + infos + "</meta></root>"; }
std::string lf_info(const std::string& name, const std::string& value) {
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
  EXPECT_EQ(read->author + " " + read->version + " " + read->date, "Gatewright 12.5.5 " + gf_dateText());
  EXPECT_EQ(read->sim, 2);
}

TEST(XmlMeta, HeadersWithoutNoticeOrEditionGiveNone) {
  testsupport::LogCapture log;
  const struct {
    const char* what;
    std::string text;
    bool simOptional, found, warned;
  } cases[] = {
      {"empty copyright", lf_meta(lf_info("copyright", "") + lf_info("sim", "1")), true, false, true},
      {"no copyright", lf_meta(lf_info("sim", "1")), true, false, false},
      {"no edition, required", lf_meta(lf_info("copyright", "c")), false, false, false},
      {"no edition, optional", lf_meta(lf_info("copyright", "c")), true, true, false},
      {"MSFS counts as edition", lf_meta(lf_info("copyright", "c") + lf_info("MSFS", "x")), false, true, false},
      {"no meta", "<root/>", true, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(c.text.c_str()));
    log.mark();
    const auto read = gf_readMeta(document, c.simOptional);
    EXPECT_EQ(read.has_value(), c.found);
    EXPECT_EQ(log.lines(), c.warned ? std::vector<std::string>{"==> no copyright info in the file?"}
                                    : std::vector<std::string>{});
    EXPECT_EQ(read.value_or(MetaInfo{}).sim, -1);
  }
}

TEST(XmlMeta, FirstOfEachNameCountsAndRootIsOptional) {
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(("<meta>" + lf_info("version", "1.0.0") + lf_info("copyright", "c") +
                                    lf_info("version", "2.0.0") + lf_info("copyright", "") + lf_info("sim", "abc") +
                                    lf_info("P3D", "v5") + lf_info("unknown", "u") + "</meta>")
                                       .c_str()));
  const auto read = gf_readMeta(document, false);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->version, "1.0.0");
  EXPECT_EQ(read->sim, 0);  // not a number
  EXPECT_EQ(read->p3d, "v5");
}

} // namespace
} // namespace gwr
