// The program's log: one file on "Log.txt" guarded by one leaf mutex, the
// header line, and the three older generations moved on before it is opened.
#include "core/log.h"

#include <cstdio>
#include <ctime>
#include <mutex>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>

#include "core/clock.h"
#include "core/run_state.h"
#include "core/text_files.h"
#include "core/version.h"
#include "platform/sys/folder_listing.h"
#include "platform/sys/native_path.h"

namespace gwr {

namespace {

constexpr std::string_view lf_errorPrefix = "==> ";
constexpr std::string_view lf_indentPrefix = "          ";  // ten blanks
constexpr std::string_view lf_simulatorText = "MSFS 2020/2024";
constexpr int lf_keptGenerations = 3;

// Both are constant-initialised and the file is never closed by a destructor,
// so that lines written during static initialisation or by detached threads
// at exit find a valid (possibly closed) log.
std::mutex logMutex;

std::FILE* logFile = nullptr;  // guarded by logMutex; open from gf_openLogFile to the end

void lf_writeLine(std::string_view prefix, std::string_view text) {
  const std::lock_guard lock(logMutex);
  if (logFile == nullptr) return;
  // One failed write (a full disk, say) must not silence the log for good.
  std::clearerr(logFile);
  // Paths may hold bytes of any kind; the log holds UTF-8 only.
  const std::string line = std::string(prefix) + gf_toValidUtf8(text) + '\n';
  std::fwrite(line.data(), 1, line.size(), logFile);
  std::fflush(logFile);
}

// One step of keeping the generations: copies from over to when from exists.
void lf_copyIfExists(const std::filesystem::path& from, const std::filesystem::path& to, bool& ok) {
  std::error_code error;
  const bool present = platform::pathExists(from, error);
  if (error) {
    gf_logError(fmt::format("exists({}): {}", platform::pathToUtf8(from), error.message()));
    ok = false;
    return;
  }
  if (!present) return;
  std::string cause;
  if (!gf_copyFile(from, to, cause)) {
    gf_logError(fmt::format("copy {} -> {} failed: {}", platform::pathToUtf8(from), platform::pathToUtf8(to), cause));
    ok = false;
  }
}

} // namespace

void gf_log(std::string_view text) { lf_writeLine({}, text); }

void gf_logError(std::string_view text) { lf_writeLine(lf_errorPrefix, text); }

void gf_logIndented(std::string_view text) { lf_writeLine(lf_indentPrefix, text); }

void gf_logIfRunning(const std::string& text) {
  if (gf_stopping()) return;
  gf_log(text);
}

std::string gf_generationName(const std::filesystem::path& file, int n) {
  // Only a dot of the file name itself counts: a dot in a folder name would
  // make the "generation" a file in some other folder.
  const std::string text = platform::pathToUtf8(file);
  const std::string name = platform::pathToUtf8(file.filename());
  if (n < 1 || name == "." || name == "..") return {};
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return {};
  const std::size_t dotInText = text.size() - name.size() + dot;
  std::string result = text;
  result.insert(dotInText, static_cast<std::size_t>(n), '0');
  return result;
}

bool gf_saveUpto3GenerationsOf(const std::filesystem::path& file) {
  std::filesystem::path generations[lf_keptGenerations + 1];
  generations[0] = file;
  for (int n = 1; n <= lf_keptGenerations; ++n) {
    const std::string name = gf_generationName(file, n);
    if (name.empty()) {
      gf_logError(fmt::format("gf_saveUpto3GenerationsOf: no dot in filename: {}", platform::pathToUtf8(file)));
      return false;
    }
    generations[n] = platform::pathFromUtf8(name);
  }
  // Oldest first, so that each generation is copied on before it is overwritten.
  bool ok = true;
  for (int n = lf_keptGenerations; n >= 1; --n) lf_copyIfExists(generations[n - 1], generations[n], ok);
  return ok;
}

void gf_openLogFile() {
  const std::filesystem::path path{logFileName};
  gf_saveUpto3GenerationsOf(path);
  {
    const std::lock_guard lock(logMutex);
    if (logFile != nullptr) std::fclose(logFile);
    std::string cause;
    bool refused = false;
    logFile = gf_openForWriting(path, cause, false, &refused);
    // A pipe, device or another user's link in the log's place is not
    // written, nor waited on: the run goes on without a log and says so
    // where it still can.
    if (logFile == nullptr && refused) {
      std::fputs(fmt::format("{} not written: {}\n", platform::pathToUtf8(path), cause).c_str(), stderr);
      return;
    }
    if (logFile == nullptr) throw std::runtime_error("Failed to write file " + platform::pathToUtf8(path));
  }
  gf_log(fmt::format("{} (utc) {} version {} for {}", gf_timeText(std::time(nullptr)), programName,
                     programVersion.text(), lf_simulatorText));
}

void gf_closeLogFileForTests() {
  const std::lock_guard lock(logMutex);
  if (logFile != nullptr) std::fclose(logFile);
  logFile = nullptr;
}

} // namespace gwr
