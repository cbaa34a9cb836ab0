// Test helper: runs a test in its own temporary working folder with the log
// open there, and reads back the lines the code under test wrote.
#pragma once

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "core/log.h"
#include "core/paths.h"
#include "platform/sys/known_folders.h"

namespace gwr::testsupport {

// A fresh, uniquely named folder below the system's temporary folder,
// removed again with everything in it when the object goes.
class TempFolder {
 public:
  TempFolder() {
    static std::atomic<unsigned> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            fmt::format("gwr-test-{}-{}-{}", ::getpid(), std::random_device{}(), counter++);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Makes a temporary folder the working folder for its lifetime.
class WorkingFolder {
 public:
  WorkingFolder() : previous_(std::filesystem::current_path()) { std::filesystem::current_path(folder_.path()); }
  ~WorkingFolder() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
  }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;

  const std::filesystem::path& path() const { return folder_.path(); }

 private:
  TempFolder folder_;
  std::filesystem::path previous_;
};

// Opens the log in a temporary working folder; lines() gives the lines written
// after the header (or after the last mark()). Closes the log when it goes.
// The user's known folders point into the working folder meanwhile, so that a
// setting the code under test saves never reaches the real parameters.xml.
class LogCapture {
 public:
  LogCapture() {
    platform::setKnownFolderRootForTests(working_.path() / "known");
    gf_resetPerUserPathsForTests();
    gf_openLogFile();
    mark();
  }
  ~LogCapture() {
    gf_closeLogFileForTests();
    platform::setKnownFolderRootForTests({});
    gf_resetPerUserPathsForTests();
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  const std::filesystem::path& folder() const { return working_.path(); }
  std::filesystem::path logPath() const { return working_.path() / logFileName; }

  // Everything in the log file, header included.
  std::string wholeText() const {
    std::ifstream in(logPath(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // The bytes written since the header or the last mark().
  std::string text() const { return wholeText().substr(markedSize_); }
  // Those bytes split at line feeds, without them.
  std::vector<std::string> lines() const {
    std::vector<std::string> result;
    const std::string written = text();
    std::size_t start = 0;
    while (start < written.size()) {
      std::size_t end = written.find('\n', start);
      if (end == std::string::npos) end = written.size();
      result.push_back(written.substr(start, end - start));
      start = end + 1;
    }
    return result;
  }
  void mark() { markedSize_ = wholeText().size(); }

 private:
  WorkingFolder working_;  // made first, so the log opens inside it
  std::size_t markedSize_ = 0;
};

} // namespace gwr::testsupport
