// Test helper: a program folder with settings and log, and the maker's web
// folder on the loopback server, with short time-outs and shell calls recorded.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "core/exit_reason.h"
#include "core/decrypt.h"
#include "core/download.h"
#include "core/run_state.h"
#include "core/settings_file.h"
#include "platform/sys/elevation.h"
#include "platform/sys/shell.h"
#include "support/encrypted_fixture.h"
#include "support/loopback_http_server.h"
#include "support/settings_sandbox.h"

namespace gwr::testsupport {

inline constexpr long siteConnectMs = 2'000;    // the server is on this machine
inline constexpr long siteTransferMs = 10'000;  // no test body needs longer
inline constexpr long stallTransferMs = 300;    // a stalled answer costs no more

inline void setTransferTimeout(long milliseconds) {
  DownloadTimeouts timeouts;
  timeouts.connectMs = siteConnectMs;
  timeouts.smallTransferMs = timeouts.documentTransferMs = timeouts.installerTransferMs = milliseconds;
  gf_setDownloadTimeouts(timeouts);
}

class UpdaterSite : public SettingsSandbox {
 public:
  UpdaterSite() {
    gf_setDownloadFolderUrl(server.url("/downloads/"));
    setTransferTimeout(siteTransferMs);
    platform::setShellHooksForTests(
        {.openFolder =
             [this](const std::filesystem::path& folder) {
               opened.push_back(folder);
               return openSucceeds;
             },
         .messageBox = [this](const std::string& text, const std::string&) { messageBoxes.push_back(text); }});
    platform::setElevatedForTests(false);
    std::filesystem::create_directories("input");
    std::filesystem::create_directories("output");
    gf_saveParameters(false);
  }
  ~UpdaterSite() {
    gf_setDownloadFolderUrl(savedUrl_);
    gf_setDownloadTimeouts(defaultDownloadTimeouts);
    platform::setShellHooksForTests({});
    platform::setElevatedForTests(std::nullopt);
    stopRequested.store(false);
    exitReason.store(ExitReason::NotYetSet);
  }

  void serve(const std::string& belowDownloads, LoopbackHttpServer::Route route) {
    server.addRoute("/downloads/" + belowDownloads, std::move(route));
  }
  bool requested(const std::string& belowDownloads) const {
    for (const std::string& path : server.requests())
      if (path == "/downloads/" + belowDownloads) return true;
    return false;
  }
  bool logged(const std::string& part) { return log().text().find(part) != std::string::npos; }
  // Encrypted with the program's own key, as the site's data files are.
  static std::string encrypted(const std::string& plain) {
    const TempFolder scratch;
    writeEncrypted(scratch.path() / "data.enc", plain, gf_programDataKey());
    return readBytes(scratch.path() / "data.enc");
  }

  LoopbackHttpServer server;
  bool openSucceeds = true;
  std::vector<std::filesystem::path> opened;
  std::vector<std::string> messageBoxes;

 private:
  const std::string savedUrl_ = gf_downloadFolderUrl();
};

// A versions.json of one member.
inline std::string versionList(const std::string& member, const std::string& value) {
  return fmt::format(R"({{"{}":{}}})", member, value);
}
inline std::string versionJson(unsigned major, unsigned minor, unsigned patch) {
  return fmt::format(R"({{"major":{},"minor":{},"patch":{}}})", major, minor, patch);
}

} // namespace gwr::testsupport
