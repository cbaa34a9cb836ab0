// Downloads over HTTP(S) with libcurl: one URL into one file, and named files
// from the maker's download folder for the running major version.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include <curl/curl.h>

namespace gwr {

// What a download brings, which sets how long the whole of it may take.
enum class DownloadSize {
  small,      // a few MB at most, waited for at the start: the version list, data files, stand files
  document,   // the release notes
  installer,  // the program zip
};

// Limits that keep a dead, stalled, trickling or bursting server from holding
// up start-up.
struct DownloadTimeouts {
  long connectMs = 15'000;             // to establish the connection
  long lowSpeedBytesPerSecond = 1024;  // slower than this (a server sending a byte now and then) ...
  long lowSpeedSeconds = 60;           // ... for this long is given up
  // A whole transfer, connection included, however it comes: a server that
  // sends a burst now and then passes the floor above, which only sees the
  // last few seconds.
  long smallTransferMs = 30'000;
  long documentTransferMs = 5 * 60'000;
  long installerTransferMs = 30 * 60'000;

  long transferMs(DownloadSize size) const {
    switch (size) {
      case DownloadSize::small: return smallTransferMs;
      case DownloadSize::document: return documentTransferMs;
      case DownloadSize::installer: return installerTransferMs;
    }
    return smallTransferMs;
  }
};
inline constexpr DownloadTimeouts defaultDownloadTimeouts{};

// Set before downloads start (tests shorten them); not for concurrent use.
void gf_setDownloadTimeouts(const DownloadTimeouts& timeouts);

// The maker's download folder, ending in "/": the build's address unless
// overridden (tests point it at a local server).
void gf_setDownloadFolderUrl(const std::string& url);
std::string gf_downloadFolderUrl();

// An easy handle released by curl_easy_cleanup; libcurl is initialised once
// for the process on first use. Null when libcurl cannot make one.
using CurlHandle = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;
CurlHandle gf_newCurlHandle();

// How a download ended.
struct DownloadResult {
  bool done = false;
  bool tooLarge = false;          // more than maxBytes came or were announced
  std::uint64_t writtenBytes = 0;  // to the partial file, before it went
  explicit operator bool() const { return done; }
};

// Fetches url into destination. The data goes to a temporary file beside it
// that replaces destination only when the whole download succeeded, so a
// failure leaves the old file as it was. A moved file is followed a few hops
// over http(s) only; any answer but a 2xx, or a body shorter than announced,
// is a failure, never the file. Each download names the most bytes
// that may come (0: none may): a server that announces more is refused before
// the body, one that sends more is stopped at the limit, and nothing of it
// stays. A transfer under the low-speed floor for its time, or not done
// within the time its size allows, is given up, and so is any transfer
// within about a second of a stop request (the window closed, a restart).
// A failure is logged; never throws.
DownloadResult gf_fetchFile(CURL* handle, const std::string& url, const std::filesystem::path& destination,
                            std::uint64_t maxBytes, DownloadSize size);
inline bool gf_downloadFile(CURL* handle, const std::string& url, const std::filesystem::path& destination,
                            std::uint64_t maxBytes, DownloadSize size) {
  return gf_fetchFile(handle, url, destination, maxBytes, size).done;
}

// The temporary a download into destination writes before its rename.
std::filesystem::path gf_partialDownloadPath(const std::filesystem::path& destination);

// Fetches "<download folder><major version>/<name>" into destination.
DownloadResult gf_downloadFromSite(const std::filesystem::path& name, const std::filesystem::path& destination,
                                   std::uint64_t maxBytes, DownloadSize size);

} // namespace gwr
