// Tests of the case-blind name lookups used for names written on Windows.
// Only ASCII letters fold; an exact name wins over other spellings.
#include "platform/sys/case_insensitive.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace gwr::platform {
namespace {

TEST(CaseInsensitive, StartsWithAndContainsNoCase) {
  const struct { const char *text, *part; bool startsWith, contains; } cases[] = {
      {"IVAO_MTL", "ivao_", true, true},   {"Community/ivao_mtl", "IVAO_MTL", false, true},
      {"ivao", "ivao_", false, false},     {"abc", "", true, true},         {"a[b", "A{", false, false},
      {"x\xC3\x84", "\xC3\xA4", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(startsWithNoCase(c.text, c.part), c.startsWith) << c.text << " / " << c.part;
    EXPECT_EQ(containsNoCase(c.text, c.part), c.contains) << c.text << " / " << c.part;
  }
}

TEST(CaseInsensitive, FindChildNoCasePrefersTheExactName) {
  const auto folder = std::filesystem::temp_directory_path() / ("gwr_nocase_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder / "SimObjects");
  std::ofstream(folder / "AIRCRAFT.CFG");
  std::ofstream(folder / "Aircraft.cfg");
  EXPECT_EQ(findChildNoCase(folder, "simobjects"), folder / "SimObjects");
  EXPECT_EQ(findChildNoCase(folder, "Aircraft.cfg"), folder / "Aircraft.cfg");  // exact wins
  EXPECT_EQ(findChildNoCase(folder, "aircraft.cfg"), folder / "AIRCRAFT.CFG");  // smallest variant
  EXPECT_FALSE(findChildNoCase(folder, "texture"));
  EXPECT_FALSE(findChildNoCase(folder / "missing", "aircraft.cfg"));
  std::filesystem::remove_all(folder);
}

} // namespace
} // namespace gwr::platform
