// The program's log: one stream on "Log.txt" guarded by one leaf mutex, the
// header line, and the three older generations moved on before it is opened.
#include "core/log.h"

#include <ctime>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>

#include "core/clock.h"
#include "core/run_state.h"
#include "core/text_files.h"
#include "core/version.h"
#include "platform/sys/native_path.h"

namespace gwr {

namespace {

constexpr std::string_view lf_errorPrefix = "==> ";
constexpr std::string_view lf_indentPrefix = "          ";  // ten blanks
constexpr std::string_view lf_simulatorText = "MSFS 2020/2024";
constexpr int lf_keptGenerations = 3;

// The mutex is constant-initialised; the stream is made on first use and never
// destroyed, so that lines written during static initialisation or by detached
// threads at exit find a valid (possibly closed) stream.
std::mutex logMutex;

std::ofstream& lf_stream() {
  static std::ofstream* const stream = new std::ofstream;
  return *stream;
}

void lf_writeLine(std::string_view prefix, std::string_view text) {
  const std::lock_guard lock(logMutex);
  std::ofstream& stream = lf_stream();
  if (!stream.is_open()) return;
  // One failed write (a full disk, say) must not silence the log for good.
  stream.clear();
  // Paths may hold bytes of any kind; the log holds UTF-8 only.
  const std::string valid = gf_toValidUtf8(text);
  stream.write(prefix.data(), static_cast<std::streamsize>(prefix.size()));
  stream.write(valid.data(), static_cast<std::streamsize>(valid.size()));
  stream.put('\n');
  stream.flush();
}

// One step of keeping the generations: copies from over to when from exists.
void lf_copyIfExists(const std::filesystem::path& from, const std::filesystem::path& to, bool& ok) {
  std::error_code error;
  const bool present = std::filesystem::exists(from, error);
  if (error) {
    gf_logError(fmt::format("exists({}): {}", platform::pathToUtf8(from), error.message()));
    ok = false;
    return;
  }
  if (!present) return;
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
  if (error) {
    gf_logError(fmt::format("copy {} -> {} failed: {}", platform::pathToUtf8(from), platform::pathToUtf8(to),
                            error.message()));
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
    std::ofstream& stream = lf_stream();
    if (stream.is_open()) stream.close();
    stream.clear();
    stream.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!stream.is_open()) throw std::runtime_error("Failed to write file " + platform::pathToUtf8(path));
  }
  gf_log(fmt::format("{} (utc) {} version {} for {}", gf_timeText(std::time(nullptr)), programName,
                     programVersion.text(), lf_simulatorText));
}

void gf_closeLogFileForTests() {
  const std::lock_guard lock(logMutex);
  std::ofstream& stream = lf_stream();
  if (stream.is_open()) stream.close();
  stream.clear();
}

} // namespace gwr
