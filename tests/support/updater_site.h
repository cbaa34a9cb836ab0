// Test helper: the maker's web folder on the loopback server for the version
// check and the updater, with short time-outs and the shell calls recorded.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "core/decrypt.h"
#include "core/download.h"
#include "core/run_state.h"
#include "platform/sys/elevation.h"
#include "platform/sys/shell.h"
#include "support/encrypted_fixture.h"
#include "support/loopback_http_server.h"

namespace gwr::testsupport {

// Long enough for every test body, short enough that a stall costs little.
inline constexpr long siteConnectMs = 2'000;
inline constexpr long siteTransferMs = 10'000;
inline constexpr long stallTransferMs = 300;

class UpdaterSite {
 public:
  UpdaterSite() {
    gf_setDownloadFolderUrl(server.url("/downloads/"));
    DownloadTimeouts timeouts;
    timeouts.connectMs = siteConnectMs;
    timeouts.transferMs = siteTransferMs;
    gf_setDownloadTimeouts(timeouts);
    platform::setShellHooksForTests(
        {.openFolder = [this](const std::filesystem::path& folder) {
           openedFolders.push_back(folder);
           return openFolderSucceeds;
         },
         .messageBox = [this](const std::string& text, const std::string&) { messageBoxes.push_back(text); }});
    platform::setElevatedForTests(false);
    stopRequested.store(false);
  }
  ~UpdaterSite() {
    gf_setDownloadFolderUrl(savedFolderUrl_);
    gf_setDownloadTimeouts(defaultDownloadTimeouts);
    platform::setShellHooksForTests({});
    platform::setElevatedForTests(std::nullopt);
    stopRequested.store(false);
  }
  UpdaterSite(const UpdaterSite&) = delete;
  UpdaterSite& operator=(const UpdaterSite&) = delete;

  // A stalled answer must end by the total time-out, quickly.
  static void useStallTimeouts() {
    DownloadTimeouts timeouts;
    timeouts.connectMs = siteConnectMs;
    timeouts.transferMs = stallTransferMs;
    gf_setDownloadTimeouts(timeouts);
  }

  void serve(const std::string& pathBelowDownloads, LoopbackHttpServer::Route route) {
    server.addRoute("/downloads/" + pathBelowDownloads, std::move(route));
  }
  void serveVersions(const std::string& json) { serve("versions.json", {200, json}); }
  // A data file of the running major version, encrypted with the program's key.
  void serveDataFile(const std::string& name, const std::string& plain) {
    serve("12/" + name, {200, encryptedBytes(plain)});
  }
  static std::string encryptedBytes(const std::string& plain) {
    const TempFolder scratch;
    const std::filesystem::path file = scratch.path() / "data.enc";
    writeEncrypted(file, plain, gf_programDataKey());
    return readBytes(file);
  }
  bool requested(const std::string& pathBelowDownloads) const {
    for (const std::string& path : server.requests())
      if (path == "/downloads/" + pathBelowDownloads) return true;
    return false;
  }

  LoopbackHttpServer server;
  bool openFolderSucceeds = true;
  std::vector<std::filesystem::path> openedFolders;
  std::vector<std::string> messageBoxes;

 private:
  const std::string savedFolderUrl_ = gf_downloadFolderUrl();
};

// "{"major":a,"minor":b,"patch":c}"
inline std::string versionJson(unsigned major, unsigned minor, unsigned patch) {
  return fmt::format(R"({{"major":{},"minor":{},"patch":{}}})", major, minor, patch);
}

} // namespace gwr::testsupport
