// The list of refused downloads written back over what an earlier start or
// another hand left in it: the next start must still be able to read it.
#include "app/update/refused_downloads.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "core/paths.h"
#include "support/encrypted_fixture.h"
#include "support/settings_sandbox.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t listReadLimit = 4096;  // bytes the next start reads

std::string lf_junkLines(std::size_t lines, std::size_t bytesPerLine) {
  std::string junk;
  for (std::size_t l = 0; l < lines; ++l) {
    for (std::size_t b = 0; b < bytesPerLine; ++b) junk += static_cast<char>(0x80 + (b + l) % 0x7F);
    junk += '\n';
  }
  return junk;
}

// Whatever the list held, the refusal written back can be read at the next
// start: the file stays within the read limit and lists the new refusal, and
// an earlier refusal that reads back and fits is kept.
TEST(RefusedDownloads, TheListWrittenBackCanBeReadBack) {
  const std::string earlier = "aig.enc 3.0.0\n";
  const struct Row {
    const char* what;
    std::string before;
    bool earlierKept;
  } rows[] = {
      {"4000 bytes of junk in one line", std::string(4000, '\xFF') + "\n", false},
      {"junk lines and an earlier refusal", lf_junkLines(40, 99) + earlier, true},
      {"an earlier refusal and junk lines", earlier + lf_junkLines(15, 260), true},
      {"a long readable line", std::string(4090, 'x') + "\n", false},
      {"a long readable line, then an earlier refusal", std::string(4070, 'x') + "\n" + earlier, true},
      {"a line ending in a carriage return", "aig.enc 3.0.0\r\r\n", false},
  };
  for (const Row& row : rows) {
    testsupport::SettingsSandbox sandbox;
    const fs::path list = gf_perUserFolder() / "refused_downloads.txt";
    testsupport::writeBytes(list, row.before);
    int fetches = 0;
    const auto refuse = [&fetches] {
      ++fetches;
      return FetchOutcome::refused;
    };
    EXPECT_EQ(gf_fetchUnlessRefused("dbase.enc", VersionData(2, 0, 0), refuse), FetchOutcome::refused) << row.what;
    EXPECT_LE(fs::file_size(list), listReadLimit) << row.what;
    EXPECT_EQ(gf_fetchUnlessRefused("dbase.enc", VersionData(2, 0, 0), refuse), FetchOutcome::refusedEarlier)
        << row.what;
    const FetchOutcome earlierOutcome = gf_fetchUnlessRefused("aig.enc", VersionData(3, 0, 0), [] {
      return FetchOutcome::done;
    });
    EXPECT_EQ(earlierOutcome, row.earlierKept ? FetchOutcome::refusedEarlier : FetchOutcome::done) << row.what;
    EXPECT_EQ(fetches, 1) << row.what;
  }
}

} // namespace
} // namespace gwr
