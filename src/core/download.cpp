// libcurl downloads into a temporary file beside the destination, renamed
// over it only on success, with time-outs against dead and stalled servers.
#include "core/download.h"

#include <cstdio>
#include <mutex>
#include <system_error>

#include <fmt/format.h>

#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/run_state.h"
#include "core/version.h"
#include "gwr/build_config.h"
#include "platform/sys/native_path.h"

namespace gwr {

namespace {

constexpr const char* lf_userAgent = "GWRT";
constexpr const char* lf_partialSuffix = ".part";
// A moved file is followed a few hops, over the web's own protocols only.
constexpr long lf_maxRedirects = 5;
constexpr const char* lf_webProtocols = "http,https";
constexpr long lf_firstSuccessStatus = 200;
constexpr long lf_firstNonSuccessStatus = 300;

DownloadTimeouts timeouts = defaultDownloadTimeouts;

std::mutex folderUrlMutex;
std::string folderUrl = build::downloadFolderUrl;

// Where the data goes and how much of it may come.
struct Sink {
  std::FILE* file = nullptr;
  std::uint64_t maxBytes = 0;
  std::uint64_t written = 0;
  bool tooLarge = false;
};

size_t lf_writeToFile(char* data, size_t size, size_t count, void* target) {
  Sink& sink = *static_cast<Sink*>(target);
  const std::uint64_t bytes = static_cast<std::uint64_t>(size) * count;
  if (sink.written + bytes > sink.maxBytes) {
    sink.tooLarge = true;
    return 0;  // libcurl ends the transfer with a write error
  }
  sink.written += bytes;
  return std::fwrite(data, 1, bytes, sink.file);
}

// Closes the file however the download ends.
struct FileCloser {
  std::FILE* file = nullptr;
  ~FileCloser() { close(); }
  bool close() {
    if (!file) return true;
    const bool ok = std::fclose(file) == 0;
    file = nullptr;
    return ok;
  }
};

// Called by libcurl while data comes and about once a second while none does:
// a stop request ends the transfer, so closing the window never waits for it.
int lf_stopOnRequest(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) { return gf_stopping() ? 1 : 0; }

void lf_setOptions(CURL* handle, const std::string& url, Sink* sink, const DownloadTimeouts& limits,
                   DownloadSize size) {
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_USERAGENT, lf_userAgent);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, lf_writeToFile);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, sink);
  curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, lf_webProtocols);
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, lf_maxRedirects);
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, lf_webProtocols);
  // Time-outs must not rely on signals: downloads run on a worker thread.
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, limits.connectMs);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytesPerSecond);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, limits.lowSpeedSeconds);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, limits.transferMs(size));
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, lf_stopOnRequest);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  // A server that announces more than may come is refused before its body.
  curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(sink->maxBytes));
}

} // namespace

std::filesystem::path gf_partialDownloadPath(const std::filesystem::path& destination) {
  std::filesystem::path partial = destination;
  partial += lf_partialSuffix;
  return partial;
}

void gf_setDownloadTimeouts(const DownloadTimeouts& newTimeouts) { timeouts = newTimeouts; }

void gf_setDownloadFolderUrl(const std::string& url) {
  const std::lock_guard lock(folderUrlMutex);
  folderUrl = url;
}

std::string gf_downloadFolderUrl() {
  const std::lock_guard lock(folderUrlMutex);
  return folderUrl;
}

CurlHandle gf_newCurlHandle() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  return CurlHandle(curl_easy_init(), &curl_easy_cleanup);
}

DownloadResult gf_fetchFile(CURL* handle, const std::string& url, const std::filesystem::path& destination,
                            std::uint64_t maxBytes, DownloadSize size) {
  DownloadResult outcome;
  if (!handle) return outcome;
  const std::filesystem::path partial = gf_partialDownloadPath(destination);
  const std::filesystem::path partialName = partial.filename();
  FileCloser closer;
  // A partial file that cannot be removed is harmless: the next try makes it new.
  try {
    // Made new, never opened where it stands: a link or pipe left at the
    // partial file's name would take the bytes elsewhere or hold the start.
    // Made and renamed through the folder's descriptor, so that a folder
    // swapped on the path meanwhile cannot take the file.
    platform::FileKind kind = platform::FileKind::missing;
    const platform::Folder folder = platform::Folder::of(destination, kind);
    platform::FileMade made = platform::FileMade::failed;
    closer.file = platform::createIn(folder, partialName, nullptr, made);
    if (!closer.file) {
      gf_log(fmt::format("Could not open output file: {}", platform::pathToUtf8(destination)));
      return outcome;
    }
    Sink sink{closer.file, maxBytes};
    lf_setOptions(handle, url, &sink, timeouts, size);
    const CURLcode result = curl_easy_perform(handle);
    const bool written = closer.close();
    outcome.writtenBytes = sink.written;
    if (sink.tooLarge || result == CURLE_FILESIZE_EXCEEDED) {
      outcome.tooLarge = true;
      gf_log(fmt::format("Download stopped: {} is larger than {} bytes", url, maxBytes));
      platform::removeIn(folder, partialName);
      return outcome;
    }
    if (result == CURLE_ABORTED_BY_CALLBACK) {
      gf_log(fmt::format("Download stopped: {} (the program is stopping)", url));
      platform::removeIn(folder, partialName);
      return outcome;
    }
    if (result != CURLE_OK) {
      gf_log(fmt::format("Download error: '{}' for {}", curl_easy_strerror(result), url));
      platform::removeIn(folder, partialName);
      return outcome;
    }
    // A redirect that was not followed (no Location) leaves its own small
    // page, which is not the file.
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    if (status < lf_firstSuccessStatus || status >= lf_firstNonSuccessStatus) {
      gf_log(fmt::format("Download error: HTTP status {} for {}", status, url));
      platform::removeIn(folder, partialName);
      return outcome;
    }
    if (!written) {
      gf_log(fmt::format("Could not write output file: {}", platform::pathToUtf8(destination)));
      platform::removeIn(folder, partialName);
      return outcome;
    }
    if (!platform::renameIn(folder, partialName, folder, destination.filename())) {
      gf_log(fmt::format("Could not replace {}: {}", platform::pathToUtf8(destination),
                         std::generic_category().message(errno)));
      platform::removeIn(folder, partialName);
      return outcome;
    }
    outcome.done = true;
    return outcome;
  } catch (const std::exception& e) {
    gf_log(fmt::format("Downloader exception: '{}', {} => {}", e.what(), url, platform::pathToUtf8(destination)));
    closer.close();
    gf_removeIfPresent(partial);
    return outcome;
  }
}

DownloadResult gf_downloadFromSite(const std::filesystem::path& name, const std::filesystem::path& destination,
                                   std::uint64_t maxBytes, DownloadSize size) {
  const CurlHandle handle = gf_newCurlHandle();
  const std::string url = fmt::format("{}{}/{}", gf_downloadFolderUrl(), programVersion.major, name.generic_string());
  const DownloadResult outcome = gf_fetchFile(handle.get(), url, destination, maxBytes, size);
  if (outcome)
    gf_log(fmt::format("Downloaded '{}' to '{}'", url, platform::pathToUtf8(destination)));
  else
    gf_logError(fmt::format("Downloading '{}' failed !", url));
  return outcome;
}

} // namespace gwr
