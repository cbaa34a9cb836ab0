// Downloads against a real HTTP server on the loopback interface: success,
// server errors, a stalled transfer, and the destination kept on failure.
#include "core/download.h"

#include <chrono>

#include <gtest/gtest.h>

#include "support/encrypted_fixture.h"
#include "support/log_capture.h"
#include "support/loopback_http_server.h"

namespace gwr {
namespace {

using Lines = std::vector<std::string>;
using namespace testsupport;

class DownloadTest : public ::testing::Test {
 protected:
  void SetUp() override { writeBytes(destination, "old"); }
  void TearDown() override {
    gf_setDownloadTimeouts(defaultDownloadTimeouts);
    gf_setDownloadFolderUrl(savedFolderUrl);
  }
  // A failed download leaves the old file and no partial one beside it.
  void expectOldFileKept() const {
    EXPECT_EQ(readBytes(destination), "old");
    EXPECT_FALSE(std::filesystem::exists(destination.string() + ".part"));
  }

  LogCapture log;
  LoopbackHttpServer server;
  CurlHandle handle = gf_newCurlHandle();
  const std::filesystem::path destination = log.folder() / "file.enc";
  const std::string savedFolderUrl = gf_downloadFolderUrl();
};

TEST_F(DownloadTest, SiteDownloadFetchesTheMajorVersionsFileAndReplacesTheOldOne) {
  const std::string body(100'000, 'x');
  server.addRoute("/downloads/12/airports.enc", {200, body});
  gf_setDownloadFolderUrl(server.url("/downloads/"));
  ASSERT_TRUE(gf_downloadFromSite("airports.enc", destination));
  EXPECT_EQ(readBytes(destination), body);
  EXPECT_FALSE(std::filesystem::exists(destination.string() + ".part"));
}

TEST_F(DownloadTest, ServerErrorsKeepTheOldFile) {
  server.addRoute("/broken", {404, "error page"});
  EXPECT_FALSE(gf_downloadFile(handle.get(), server.url("/broken"), destination, false));
  expectOldFileKept();
  EXPECT_EQ(log.lines(), Lines{"Download error: 'HTTP response code said error' for " + server.url("/broken")});
}

TEST_F(DownloadTest, StalledServerTimesOut) {
  server.addRoute("/stall", {200, "partial body", true});
  DownloadTimeouts shortTimeouts;
  shortTimeouts.lowSpeedSeconds = 1;
  shortTimeouts.transferMs = 60'000;  // the stall must be caught by the low-speed limit
  gf_setDownloadTimeouts(shortTimeouts);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(gf_downloadFile(handle.get(), server.url("/stall"), destination, true));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  expectOldFileKept();
  EXPECT_EQ(log.lines(), Lines{"Download error: 'Timeout was reached' for " + server.url("/stall")});
}

} // namespace
} // namespace gwr
