// The folder walk of the livery scan and its worker threads: at most
// searchWorkerLimit at once, results taken in walk order with bounded waits.
#include "liveries/livery_search.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "core/log.h"
#include "core/run_state.h"
#include "core/text_files.h"
#include "core/text_utils.h"
#include "liveries/aircraft_cfg_sections.h"
#include "liveries/fltsim_section.h"
#include "liveries/ivao_section.h"
#include "liveries/model_code.h"
#include "liveries/scan_reports.h"
#include "platform/sys/case_insensitive.h"

namespace gwr {

SearchWaits searchWaits;
std::atomic<int> runningSearchWorkers{0};
std::atomic<int> searchWorkerLimit{fallbackSearchWorkerLimit};

namespace {

namespace fs = std::filesystem;

using WorkerFunction = LiveryList (*)(int, const fs::path&);
using FileHook = std::function<void(const fs::path&)>;

struct Worker {
  std::thread thread;
  std::shared_ptr<std::atomic<bool>> finished;
};

// One file's liveries with the titles it claimed; the titles are taken only
// when the result is, so the file earlier in walk order keeps a shared title.
struct FileResult {
  LiveryList liveries;
  FileTitleClaims claims;
};

struct Pending {
  std::future<FileResult> result;
  Worker worker;
};

// Guards the worker count for the waits on it; the count itself is atomic so
// that it can be read anywhere.
// Never destroyed: a hung worker that was given up may still end while the
// process exits.
std::mutex& workerLock = *new std::mutex;
std::condition_variable& workerEnded = *new std::condition_variable;

// Workers whose results were given up; the start-up thread alone keeps them.
std::vector<Worker> givenUpWorkers;

std::mutex hookLock;
FileHook fileHook;

std::string lf_secondsText(std::chrono::milliseconds wait) { return fmt::format("{}", wait.count() / 1000.0); }

bool lf_holdsAnyWord(const std::string& text, const auto& words) {
  for (std::string_view word : words)
    if (text.find(word) != std::string::npos) return true;
  return false;
}

bool lf_isIvaoPackagePath(const std::string& text) {
  for (std::string_view name : ivaoPackageNames)
    if (platform::containsNoCase(text, name)) return true;
  return false;
}

bool lf_isAircraftCfg(const fs::path& path) {
  return gf_equalsUpper("AIRCRAFT", path.stem().string()) && gf_equalsUpper(".CFG", path.extension().string());
}

void lf_runWorker(std::packaged_task<FileResult()> task, std::shared_ptr<std::atomic<bool>> finished) {
  task();
  // Notified under the lock: a detached worker must be done with the
  // condition variable before a waiter can see it ended and the process exit.
  const std::lock_guard guard(workerLock);
  runningSearchWorkers.fetch_sub(1);
  finished->store(true);
  workerEnded.notify_all();
}

// The walk of one folder with its pending results; start-up thread only.
class FolderSearch {
public:
  FolderSearch(int folderRank, fs::path root) : rank(folderRank), root(std::move(root)) {
    const std::lock_guard guard(hookLock);
    hook = fileHook;
  }

  SearchOutcome run() {
    walk();
    while (!pending.empty()) {
      try {
        takeOldest();
      } catch (const std::exception& error) {
        gf_logError(fmt::format("liveries search aborted, futs outer, {}", error.what()));
      }
    }
    return outcome;
  }

private:
  void walk() {
    std::error_code error;
    std::vector<fs::directory_iterator> folders;
    folders.emplace_back(root, error);
    if (error) {
      gf_logError(fmt::format("liveries search cannot read folder {}: {}", gf_pathToUtf8(root), error.message()));
      return;
    }
    while (!folders.empty() && outcome == SearchOutcome::Completed) {
      fs::directory_iterator& entries = folders.back();
      if (entries == fs::directory_iterator()) {
        folders.pop_back();
        continue;
      }
      const fs::directory_entry entry = *entries;
      entries.increment(error);
      if (error) {
        // The rest of this one folder is lost, not the rest of the package.
        gf_logError(fmt::format("liveries search cannot read on in {}: {}", gf_pathToUtf8(entry.path().parent_path()),
                                error.message()));
        folders.pop_back();
      }
      if (gf_stopping()) {
        outcome = SearchOutcome::Stopped;
        break;
      }
      if (!handleEntry(entry)) continue;
      fs::directory_iterator inner(entry.path(), error);
      if (error) {
        gf_logError(fmt::format("liveries search skips folder {}: {}", gf_pathToUtf8(entry.path()), error.message()));
        continue;
      }
      folders.push_back(std::move(inner));
    }
  }

  // Searches the entry when it is an aircraft.cfg; true when the walk goes into it.
  bool handleEntry(const fs::directory_entry& entry) {
    try {
      const std::string fullText = gf_pathToUtf8(entry.path());
      // Words in the folders above the searched one say nothing about its content.
      const std::string insideText = gf_pathToUtf8(entry.path().lexically_relative(root));
      std::error_code error;
      const bool descend = !lf_holdsAnyWord(insideText, excludedPathWords) &&
                           fullText.size() < pathLengthLimitBytes && entry.is_directory(error) &&
                           !entry.is_symlink(error);
      if (entry.is_regular_file(error) && lf_isAircraftCfg(entry.path())) {
        const WorkerFunction function =
            lf_isIvaoPackagePath(fullText) ? gf_searchLiveriesInIvaoFile : gf_searchLiveriesInFile;
        startWorker(function, entry.path());
        if (pending.size() > static_cast<std::size_t>(searchWorkerLimit.load())) {
          try {
            takeOldest();
          } catch (const std::exception& error) {
            gf_logError(fmt::format("liveries inner search aborted: {}", error.what()));
          }
        }
      }
      return descend;
    } catch (const std::exception& error) {
      gf_logError(
          fmt::format("liveries search in {} aborted, cause: {}", gf_pathToUtf8(entry.path()), error.what()));
      return false;
    }
  }

  void startWorker(WorkerFunction function, const fs::path& file) {
    {
      std::unique_lock lock(workerLock);
      const bool free = workerEnded.wait_for(lock, searchWaits.workerPlace, [] {
        return runningSearchWorkers.load() < searchWorkerLimit.load();
      });
      if (!free) {
        outcome = SearchOutcome::Stalled;
        gf_logError(fmt::format("liveries search stalled: no worker place came free in {} seconds",
                                lf_secondsText(searchWaits.workerPlace)));
        return;
      }
      runningSearchWorkers.fetch_add(1);
    }
    std::packaged_task<FileResult()> task([function, rank = rank, file, hook = hook] {
      FileResult result;
      const TitleClaimScope scope(result.claims);
      if (hook) hook(file);
      result.liveries = function(rank, file);
      return result;
    });
    Pending started{task.get_future(), Worker{{}, std::make_shared<std::atomic<bool>>(false)}};
    try {
      started.worker.thread = std::thread(lf_runWorker, std::move(task), started.worker.finished);
    } catch (...) {
      runningSearchWorkers.fetch_sub(1);
      throw;
    }
    pending.push_back(std::move(started));
  }

  // Moves the oldest result, less titles taken already, to the scanned list;
  // throws the worker's exception or a time-out, after which its worker is
  // kept among the given-up ones (and its claims go with its result).
  void takeOldest() {
    Pending oldest = std::move(pending.front());
    pending.pop_front();
    if (oldest.result.wait_for(searchWaits.result) != std::future_status::ready) {
      givenUpWorkers.push_back(std::move(oldest.worker));
      throw std::runtime_error(
          fmt::format("Future wait timed out after {} seconds", lf_secondsText(searchWaits.result)));
    }
    oldest.worker.thread.join();
    FileResult found = oldest.result.get();
    found.claims.settle(found.liveries);
    ScannedLiveries.splice(ScannedLiveries.end(), found.liveries);
  }

  const int rank;
  const fs::path root;
  FileHook hook;
  std::deque<Pending> pending;
  SearchOutcome outcome = SearchOutcome::Completed;
};

// The lines of a file, or none (with the log line) when it cannot be read.
bool lf_readCfgLines(const fs::path& file, std::vector<std::string>& lines, bool warnCharset) {
  const Charset charset = gf_detectCharset(file);
  if (charset == Charset::none_found) {
    const std::string text = fmt::format("! No text encoding detected for {}", gf_pathToUtf8(file));
    if (warnCharset) {
      gf_logError(text);
    } else {
      gf_log(text);
    }
    return false;
  }
  lines.reserve(reservedFileLines);
  if (!gf_readTextLines(charset, file, lines)) {
    gf_log(fmt::format("! Failed reading {}", gf_pathToUtf8(file)));
    return false;
  }
  return true;
}

LiveryList lf_searchFile(int folderRank, const fs::path& file) {
  std::error_code error;
  const fs::file_status status = fs::status(file, error);
  if (status.type() == fs::file_type::none || status.type() == fs::file_type::not_found) return {};
  std::vector<std::string> lines;
  if (!lf_readCfgLines(file, lines, false)) return {};
  FltSimSections cut = gf_cutFltSimSections(lines, false);
  if (!gf_checkFltSimNumbers(cut, file)) return {};
  std::string model = gf_modelOfCfgFile(file, lines);
  if (model.empty()) return {};
  const CfgFileContext context = gf_makeCfgFileContext(folderRank, file, std::move(model), false);
  LiveryList liveries;
  for (CfgSection& section : cut.sections) {
    LiveryList found = gf_procesFltSimSection(context, section);
    liveries.splice(liveries.end(), found);
  }
  return liveries;
}

LiveryList lf_searchIvaoFile(int folderRank, const fs::path& file) {
  std::string model = gf_ivaoModelCode(file);
  if (model.empty()) return {};
  std::vector<std::string> lines;
  if (!lf_readCfgLines(file, lines, true)) return {};
  FltSimSections cut = gf_cutFltSimSections(lines, true);
  if (!gf_checkFltSimNumbers(cut, file)) return {};
  const CfgFileContext context = gf_makeCfgFileContext(folderRank, file, std::move(model), true);
  LiveryList liveries;
  for (CfgSection& section : cut.sections) {
    LiveryData livery = gf_processIvaoFltSimSection(context, section);
    if (!gf_lacksAirlineOrModel(livery)) liveries.push_back(std::move(livery));
  }
  return liveries;
}

} // namespace

void gf_setupSearchWorkers() {
  const auto threads = static_cast<int>(std::thread::hardware_concurrency());
  searchWorkerLimit.store(threads > 0 ? threads : fallbackSearchWorkerLimit);
}

SearchOutcome gf_searchLiveriesInFolder(int folderRank, const std::filesystem::path& folder) {
  return FolderSearch(folderRank, folder).run();
}

LiveryList gf_searchLiveriesInFile(int folderRank, const std::filesystem::path& file) {
  try {
    return lf_searchFile(folderRank, file);
  } catch (const std::exception& error) {
    gf_log(fmt::format("! Exception in lf_searchLiveriesinFile {}: {}", gf_pathToUtf8(file), error.what()));
    throw;
  }
}

LiveryList gf_searchLiveriesInIvaoFile(int folderRank, const std::filesystem::path& file) {
  try {
    return lf_searchIvaoFile(folderRank, file);
  } catch (const std::exception& error) {
    gf_log(fmt::format("! Exception in lf_searchLiveriesinIVAOFile {}: {}", gf_pathToUtf8(file), error.what()));
    throw;
  } catch (...) {
    gf_log(fmt::format("! Unknown exception in lf_searchLiveriesinIVAOFile {}", gf_pathToUtf8(file)));
    throw;
  }
}

bool gf_awaitSearchWorkers() {
  bool allEnded = false;
  {
    std::unique_lock lock(workerLock);
    allEnded = workerEnded.wait_for(lock, searchWaits.drain, [] { return runningSearchWorkers.load() == 0; });
  }
  std::vector<Worker> stillRunning;
  for (Worker& worker : givenUpWorkers) {
    if (worker.finished->load()) {
      worker.thread.join();
    } else {
      stillRunning.push_back(std::move(worker));
    }
  }
  givenUpWorkers.clear();
  // A hung worker cannot be joined; it keeps its place in the count, which
  // keeps every later scan from starting while it runs.
  for (Worker& worker : stillRunning) worker.thread.detach();
  return allEnded && stillRunning.empty();
}

void gf_setSearchFileHookForTests(std::function<void(const std::filesystem::path&)> hook) {
  const std::lock_guard guard(hookLock);
  fileHook = std::move(hook);
}

} // namespace gwr
