// The fast number reading of the data files against pugixml's own, which it
// replaces: the same value for every kind of text, and the first of repeated
// single-letter attributes.
#include "refdata/xml_attributes.h"

#include <cmath>
#include <cstring>
#include <string>

#include <gtest/gtest.h>
#include <pugixml.hpp>

namespace gwr {
namespace {

// The value of attribute v of <e v="text"/>.
pugi::xml_attribute lf_attribute(pugi::xml_document& document, const std::string& text) {
  const std::string xml = "<e v=\"" + text + "\"/>";
  EXPECT_TRUE(document.load_string(xml.c_str())) << xml;
  return document.child("e").attribute("v");
}

bool lf_sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b)); }

TEST(XmlAttributeNumbers, EveryTextReadsAsPugixmlReadsIt) {
  const char* texts[] = {"52.3",    "-11",      "4.76",     "0",        "-0",       "007",     "12abc",  "1.5",
                         "1e5",     "1e",       "1e+",      ".5",       "5.",       "",         "abc",     " 12",   "\t-3.5",
                         "+7",      "0x1A",     "0X1f",     "00x5",     "-0x10",    "inf",      "-Infinity", "nan",  "1e400",
                         "-1e400",  "1e-400",   "4.9e-324", "0.1",      "2147483647", "2147483648", "-2147483648",
                         "-2147483649", "99999999999999999999", "3.4028235e38", "1.7976931348623157e308",
                         "0.30000000000000004", "123456789.123456789",
                         "52.308613", "-73.778925", "-0.5", "-.5", ".", "-", "1.2.3", "999999999999999",
                         "9999999999999999", "0.000000000000001", "0.0000000000000001", "1-2", "4.76 "};
  for (const char* text : texts) {
    SCOPED_TRACE(std::string("'") + text + "'");
    pugi::xml_document document;
    const pugi::xml_attribute attribute = lf_attribute(document, text);
    EXPECT_TRUE(lf_sameBits(gf_attributeDouble(attribute), attribute.as_double(0.0)));
    const float fast = gf_attributeFloat(attribute), slow = attribute.as_float(0.0F);
    EXPECT_TRUE(fast == slow || (std::isnan(fast) && std::isnan(slow)));
    EXPECT_EQ(gf_attributeInt(attribute), attribute.as_int(0));
  }
  // A missing attribute reads as zero.
  EXPECT_EQ(gf_attributeDouble(pugi::xml_attribute()), 0.0);
  EXPECT_EQ(gf_attributeFloat(pugi::xml_attribute()), 0.0F);
  EXPECT_EQ(gf_attributeInt(pugi::xml_attribute()), 0);
}

TEST(XmlAttributeNumbers, SingleLetterAttributesTakeTheFirstOfEachName) {
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(R"(<d rr="x" r="D-AIBA" m="A320" r="D-AIBB" a=""/>)"));
  pugi::xml_attribute found[3];
  gf_singleLetterAttributes(document.child("d"), "rao", found);
  EXPECT_STREQ(found[0].value(), "D-AIBA");
  EXPECT_TRUE(found[1]);
  EXPECT_STREQ(found[1].value(), "");
  EXPECT_FALSE(found[2]);
}

} // namespace
} // namespace gwr
