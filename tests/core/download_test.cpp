// Downloads against a real HTTP server on the loopback interface: success,
// server errors, a stalled transfer, and the destination kept on failure.
#include "core/download.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <future>
#include <tuple>

#include <fmt/format.h>

#include <gtest/gtest.h>

#include "core/exit_reason.h"
#include "core/run_state.h"
#include "support/encrypted_fixture.h"
#include "support/log_capture.h"
#include "support/loopback_http_server.h"

namespace gwr {
namespace {

using Lines = std::vector<std::string>;
using namespace testsupport;

constexpr std::uint64_t mebibyte = 1024 * 1024;

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
  ASSERT_TRUE(gf_downloadFromSite("airports.enc", destination, body.size(), DownloadSize::small));
  EXPECT_EQ(readBytes(destination), body);
  EXPECT_FALSE(std::filesystem::exists(destination.string() + ".part"));
}

// A server error and a stalled transfer (caught by the low-speed limit, not the
// transfer limit) both fail, name their cause and keep the old file.
TEST_F(DownloadTest, ServerErrorsAndStallsKeepTheOldFile) {
  server.addRoute("/broken", {404, "error page"});
  server.addRoute("/stall", {200, "partial body", true});
  server.addRoute("/short", {.status = 200, .body = "a body shorter than it said", .cutShort = true});
  DownloadTimeouts shortTimeouts;
  shortTimeouts.lowSpeedSeconds = 1;
  shortTimeouts.smallTransferMs = 60'000;
  gf_setDownloadTimeouts(shortTimeouts);
  for (const auto& [route, cause] : {std::pair{"/broken", "HTTP response code said error"},
                                     std::pair{"/stall", "Timeout was reached"},
                                     std::pair{"/short", "Transferred a partial file"}}) {
    log.mark();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(gf_downloadFile(handle.get(), server.url(route), destination, mebibyte, DownloadSize::small));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    expectOldFileKept();
    EXPECT_EQ(log.lines(), Lines{fmt::format("Download error: '{}' for {}", cause, server.url(route))});
  }
}

// A moved file is followed to its new place over http a few hops at most;
// a redirect that is not followed is never saved as the file.
TEST_F(DownloadTest, RedirectsAreFollowedWithinALimitAndNeverSavedAsTheFile) {
  const std::string page = "<html>Moved</html>";
  server.addRoute("/file", {200, "the file"});
  server.addRoute("/moved", {.status = 301, .body = page, .location = server.url("/file")});
  server.addRoute("/twice", {.status = 302, .body = page, .location = "/moved"});
  server.addRoute("/nowhere", {.status = 302, .body = page});
  server.addRoute("/loop", {.status = 302, .body = page, .location = "/loop"});
  server.addRoute("/local", {.status = 302, .body = page, .location = "file:///etc/passwd"});
  const struct {
    const char* route;
    const char* logged;  // empty when done
  } rows[] = {
      {"/moved", ""},
      {"/twice", ""},
      {"/nowhere", "Download error: HTTP status 302 for {}"},
      {"/loop", "Download error: 'Number of redirects hit maximum amount' for {}"},
      {"/local", "Download error: 'Unsupported protocol' for {}"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.route);
    writeBytes(destination, "old");
    log.mark();
    const std::string url = server.url(row.route);
    const bool done = gf_downloadFile(handle.get(), url, destination, mebibyte, DownloadSize::small);
    EXPECT_EQ(done, *row.logged == '\0');
    if (done) {
      EXPECT_EQ(readBytes(destination), "the file");
      continue;
    }
    expectOldFileKept();
    EXPECT_EQ(log.lines(), Lines{fmt::format(fmt::runtime(row.logged), url)});
  }
  const auto asked = server.requests();
  EXPECT_LE(std::count(asked.begin(), asked.end(), "/loop"), 6);
}

// Every download has its limit: a server that announces more is refused
// before the body, one that floods without a length is stopped at the limit,
// and nothing of either stays; a body of exactly the limit still comes.
TEST_F(DownloadTest, ALimitStopsAnnouncedAndFloodedBodiesAndNothingOfThemStays) {
  const std::uint64_t limit = mebibyte;
  const std::uint64_t flood = 64 * mebibyte;
  server.addRoute("/exact", {200, std::string(limit, 'e')});
  server.addRoute("/announced", {200, std::string(limit + 1, 'a')});
  LoopbackHttpServer::Route hostile;
  hostile.floodBytes = flood;
  server.addRoute("/flood", hostile);
  const struct {
    const char* route;
    bool done;
    std::uint64_t mostWritten;
  } rows[] = {{"/exact", true, limit}, {"/announced", false, 0}, {"/flood", false, limit}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.route);
    writeBytes(destination, "old");
    log.mark();
    const DownloadResult result =
        gf_fetchFile(handle.get(), server.url(row.route), destination, limit, DownloadSize::small);
    EXPECT_EQ(result.done, row.done);
    EXPECT_EQ(result.tooLarge, !row.done);
    EXPECT_LE(result.writtenBytes, row.mostWritten);
    if (row.done) continue;
    expectOldFileKept();
    EXPECT_EQ(log.lines(), Lines{fmt::format("Download stopped: {} is larger than {} bytes", server.url(row.route),
                                             limit)});
  }
  // The flood was cut off early rather than read to its end.
  EXPECT_LT(server.sentBodyBytes(), 2 * limit + flood / 2) << server.sentBodyBytes();
}

// Whatever stands at the partial file's name (a link, a second name of
// another file, a named pipe) is taken away unopened: the download neither
// writes into another file nor waits on a pipe.
TEST_F(DownloadTest, NothingAtThePartialFilesNameIsWrittenThroughOrWaitedOn) {
  server.addRoute("/file", {200, "the file"});
  const std::filesystem::path victim = log.folder() / "victim.txt";
  const std::filesystem::path partial = destination.string() + ".part";
  const struct Row {
    const char* what;
    std::function<void()> plant;
  } rows[] = {
      {"a link to another file", [&] { std::filesystem::create_symlink(victim, partial); }},
      {"a second name of another file", [&] { std::filesystem::create_hard_link(victim, partial); }},
      {"a named pipe", [&] { ASSERT_EQ(::mkfifo(partial.c_str(), 0600), 0); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    writeBytes(victim, "victim");
    writeBytes(destination, "old");
    row.plant();
    auto download = std::async(std::launch::async, [this] {
      return gf_downloadFile(handle.get(), server.url("/file"), destination, mebibyte, DownloadSize::small);
    });
    if (download.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
      ADD_FAILURE() << "the download waited on the pipe";
      const int reader = ::open(partial.c_str(), O_RDONLY | O_NONBLOCK);
      download.wait();
      if (reader >= 0) ::close(reader);
    }
    EXPECT_TRUE(download.get());
    EXPECT_EQ(readBytes(destination), "the file");
    EXPECT_EQ(readBytes(victim), "victim");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(partial)));
  }
}

// A server that is slow but never silent (a byte now and then) is given up
// once it stays under the floor for the limits' time, even for an installer;
// one that sends in bursts passes the floor but not the time a small file
// may take; a steady one is given up by neither. The program's limits and
// the servers' pace run sixty times faster here.
TEST_F(DownloadTest, TricklingAndBurstingServersAreGivenUpSteadyOnesAreNot) {
  EXPECT_EQ(defaultDownloadTimeouts.lowSpeedSeconds, 60) << "a minute under the floor";
  EXPECT_LE(defaultDownloadTimeouts.smallTransferMs, 30'000) << "a start's small file: well under a minute";
  constexpr long faster = 60;
  DownloadTimeouts limits = defaultDownloadTimeouts;
  limits.lowSpeedSeconds /= faster;
  limits.smallTransferMs /= faster;
  limits.documentTransferMs /= faster;
  limits.installerTransferMs /= faster;
  gf_setDownloadTimeouts(limits);  // the fixture puts the defaults back
  using std::chrono::milliseconds;
  const struct Row {
    const char* what;
    DownloadSize size;
    milliseconds every;
    std::size_t bytes;  // each time
    std::size_t times;
    bool givenUp;
    milliseconds within;
  } rows[] = {
      {"a byte a second", DownloadSize::installer, milliseconds(1000), 1, 200, true, milliseconds(6000)},
      {"ten bytes a second", DownloadSize::installer, milliseconds(100), 1, 200, true, milliseconds(6000)},
      {"6,000 B every 55 s", DownloadSize::small, milliseconds(55'000 / faster), 6000, 12, true,
       milliseconds(limits.smallTransferMs + 1500)},
      {"all at once", DownloadSize::small, milliseconds(0), 200, 1, false, milliseconds(6000)},
  };
  for (const Row& row : rows) {
    const std::string route = fmt::format("/trickle{}x{}", row.every.count(), row.bytes);
    const std::string body(row.bytes * row.times, 'x');
    server.addRoute(route, {.status = 200, .body = body, .trickleEvery = row.every, .trickleBytes = row.bytes});
    writeBytes(destination, "old");
    log.mark();
    const auto start = std::chrono::steady_clock::now();
    const DownloadResult result = gf_fetchFile(handle.get(), server.url(route), destination, mebibyte, row.size);
    EXPECT_NE(result.done, row.givenUp) << row.what;
    EXPECT_LT(std::chrono::steady_clock::now() - start, row.within) << row.what;
    if (row.givenUp) {
      expectOldFileKept();
      EXPECT_EQ(log.lines(), Lines{fmt::format("Download error: 'Timeout was reached' for {}", server.url(route))})
          << row.what;
    } else {
      EXPECT_EQ(readBytes(destination), body) << row.what;
    }
  }
}

// Closing the window during a trickling download ends it within about a
// second, leaving the old file; the download does not run on to its end.
TEST_F(DownloadTest, AStopRequestEndsARunningDownloadWithinASecond) {
  server.addRoute("/trickle", {.status = 200, .body = std::string(200, 'x'),
                               .trickleEvery = std::chrono::milliseconds(50)});
  auto download = std::async(std::launch::async, [this] {
    return gf_downloadFile(handle.get(), server.url("/trickle"), destination, mebibyte, DownloadSize::small);
  });
  // The transfer is under way once the first bytes went out.
  const auto give = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (server.sentBodyBytes() == 0 && std::chrono::steady_clock::now() < give)
    download.wait_for(std::chrono::milliseconds(10));
  ASSERT_GT(server.sentBodyBytes(), 0U);
  gf_requestUserStop();
  const auto stopped = std::chrono::steady_clock::now();
  const bool ended = download.wait_for(std::chrono::milliseconds(1500)) == std::future_status::ready;
  const auto took = std::chrono::steady_clock::now() - stopped;
  stopRequested.store(false);
  exitReason.store(ExitReason::NotYetSet);
  ASSERT_TRUE(ended) << "the download ran on after the stop";
  EXPECT_LT(took, std::chrono::milliseconds(1500));
  EXPECT_FALSE(download.get());
  expectOldFileKept();
  EXPECT_NE(log.text().find(fmt::format("Download stopped: {} (the program is stopping)", server.url("/trickle"))),
            std::string::npos);
}

} // namespace
} // namespace gwr
