// Tests of the strict UTF-8 <-> UTF-16 conversions and the Windows-1252 table:
// round trips, and rejection of every malformed form.
#include "platform/sys/codepage.h"

#include <gtest/gtest.h>

namespace gwr::platform {
namespace {

TEST(Codepage, RoundTripsValidText) {
  const std::string samples[] = {"", "Z\xC3\xBCrich", "\xE2\x82\xAC 5",
                                 "\xEF\xBF\xBF",          // U+FFFF, last of the BMP
                                 "\xF0\x9F\x9B\xAB jet",  // U+1F6EB, a surrogate pair
                                 "\xF4\x8F\xBF\xBF",      // U+10FFFF, the last code point
                                 std::string("a\0b", 3)};
  for (const auto& sample : samples) {
    const auto wide = utf8ToUtf16(sample);
    ASSERT_TRUE(wide) << sample;
    EXPECT_EQ(utf16ToUtf8(*wide), sample);
  }
  EXPECT_EQ(utf8ToUtf16("\xF0\x9F\x9B\xAB"), std::u16string(u"\xD83D\xDEEB"));
}

TEST(Codepage, RejectsMalformedUtf8AndUnpairedSurrogates) {
  const char* const samples[] = {
      "\xC0\x80",     "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF",  // overlong 2-, 3- and 4-byte
      "\xED\xA0\x80", "\xF4\x90\x80\x80",                 // a surrogate, above U+10FFFF
      "\x80",         "a\xF0\x9F\x9B",                     // stray continuation, cut off at the end
      "\xE2\x28\xAC", "\xFF"};
  for (const char* sample : samples) EXPECT_FALSE(utf8ToUtf16(sample)) << testing::PrintToString(sample);
  for (const std::u16string sample : {u"a\xDC00", u"\xD83Dx", u"\xDEEB\xD83D"})
    EXPECT_FALSE(utf16ToUtf8(sample));
}

TEST(Codepage, MapsWindows1252) {
  const std::pair<unsigned char, char16_t> cases[] = {
      {0x41, u'A'}, {0x80, u'\x20AC'}, {0x81, u'\x0081'}, {0x93, u'\x201C'}, {0x9F, u'\x0178'}, {0xFF, u'\x00FF'}};
  for (const auto& [byte, expected] : cases)
    EXPECT_EQ(ansiToUtf16(std::string(1, static_cast<char>(byte))), std::u16string(1, expected)) << int(byte);
}

} // namespace
} // namespace gwr::platform
