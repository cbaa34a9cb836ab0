// The folder walk of the livery scan and its worker threads: at most
// searchWorkerLimit at once, results taken in walk order with bounded waits.
#include "liveries/livery_search.h"

#include <condition_variable>
#include <cstdint>
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
#include "platform/sys/folder_listing.h"

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

// One file's liveries with the titles it claimed and its report lines; both
// are taken only when the result is, so the file earlier in walk order keeps
// a shared title and a worker given up writes nowhere.
struct FileResult {
  LiveryList liveries;
  FileFindings findings;
};

struct Pending {
  std::future<FileResult> result;
  Worker worker;
  fs::path file;
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

// A file whose liveries are lost, named in the report.
void lf_reportFileLeftOut(const fs::path& file, const std::string& why) {
  gf_addInvalidCfgLine(fmt::format("{} {}, its liveries are left out", gf_reportPathText(file), why));
}

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
    // An unreadable folder costs that folder, not the rest of the package.
    const platform::PassOver passOver = [this](const fs::path& folder, const std::error_code& cause) {
      if (folder == root) {
        gf_logError(fmt::format("liveries search cannot read folder {}: {}", gf_pathToUtf8(root), cause.message()));
        return false;
      }
      gf_logError(fmt::format("liveries search skips folder {}: {}", gf_pathToUtf8(folder), cause.message()));
      return true;
    };
    platform::walkTree(root, [this](const platform::ListedEntry& entry) {
      if (gf_stopping()) {
        outcome = SearchOutcome::Stopped;
        return platform::TreeStep::stop;
      }
      return handleEntry(entry) ? platform::TreeStep::into : platform::TreeStep::over;
    }, error, passOver);
  }

  // Searches the entry when it is an aircraft.cfg; true when the walk goes into it.
  bool handleEntry(const platform::ListedEntry& entry) {
    try {
      const std::string fullText = gf_pathToUtf8(entry.path);
      // Words in the folders above the searched one say nothing about its content.
      const std::string insideText = gf_pathToUtf8(entry.path.lexically_relative(root));
      const bool descend = !lf_holdsAnyWord(insideText, excludedPathWords) &&
                           fullText.size() < pathLengthLimitBytes && entry.isFolder() && !entry.link;
      if (entry.isRegular() && lf_isAircraftCfg(entry.path)) {
        const WorkerFunction function =
            lf_isIvaoPackagePath(fullText) ? gf_searchLiveriesInIvaoFile : gf_searchLiveriesInFile;
        startWorker(function, entry.path);
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
          fmt::format("liveries search in {} aborted, cause: {}", gf_pathToUtf8(entry.path), error.what()));
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
      const FindingsScope scope(result.findings);
      if (hook) hook(file);
      result.liveries = function(rank, file);
      return result;
    });
    Pending started{task.get_future(), Worker{{}, std::make_shared<std::atomic<bool>>(false)}, file};
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
  // kept among the given-up ones (and its findings go with its result). Either
  // names the file in a report line.
  void takeOldest() {
    Pending oldest = std::move(pending.front());
    pending.pop_front();
    if (oldest.result.wait_for(searchWaits.result) != std::future_status::ready) {
      givenUpWorkers.push_back(std::move(oldest.worker));
      const std::string seconds = lf_secondsText(searchWaits.result);
      lf_reportFileLeftOut(oldest.file, fmt::format("took longer than {} seconds to search", seconds));
      throw std::runtime_error(
          fmt::format("Future wait timed out after {} seconds for {}", seconds, gf_pathToUtf8(oldest.file)));
    }
    oldest.worker.thread.join();
    FileResult found;
    try {
      found = oldest.result.get();
    } catch (const std::exception& error) {
      lf_reportFileLeftOut(oldest.file, fmt::format("could not be searched ({})", error.what()));
      throw;
    }
    found.findings.settle(found.liveries);
    ScannedLiveries.splice(ScannedLiveries.end(), found.liveries);
  }

  const int rank;
  const fs::path root;
  FileHook hook;
  std::deque<Pending> pending;
  SearchOutcome outcome = SearchOutcome::Completed;
};

// A file the scan cannot read, with the system's reason.
void lf_reportUnreadable(const fs::path& file, const std::string& cause) {
  gf_log(fmt::format("! Cannot read {}: {}", gf_pathToUtf8(file), cause));
  gf_addInvalidCfgLine(fmt::format("{} cannot be read: {}", gf_reportPathText(file), cause));
}

} // namespace

bool gf_readCfgFileLines(const fs::path& file, std::vector<std::string>& lines) {
  std::error_code error;
  const platform::FileLook look = platform::lookAt(file, error);
  if (!error && !look.isRegular())
    error = std::make_error_code(look.isFolder() ? std::errc::is_a_directory : std::errc::not_supported);
  if (error) {
    lf_reportUnreadable(file, error.message());
    return false;
  }
  const std::uintmax_t size = look.bytes;
  if (size > maxCfgFileBytes) {
    gf_log(fmt::format("! {} has {} bytes, not searched", gf_pathToUtf8(file), size));
    gf_addInvalidCfgLine(fmt::format("{} has {} bytes, more than the {} MB an aircraft.cfg may have, not searched",
                                     gf_reportPathText(file), size, maxCfgFileBytes / bytesPerMegabyte));
    return false;
  }
  std::string text;
  const TextRead read = gf_readUtf8Text(file, text);
  if (!read.ok()) {
    lf_reportUnreadable(file, read.error);
    return false;
  }
  // Blank lines carry nothing any reader of the scan looks at.
  gf_splitTextLines(text, lines);
  return true;
}

namespace {

LiveryList lf_searchFile(int folderRank, const fs::path& file) {
  std::error_code error;
  const platform::FileLook look = platform::lookAt(file, error);
  if (error || !look.exists()) return {};
  std::vector<std::string> lines;
  if (!gf_readCfgFileLines(file, lines)) return {};
  // The lines move into the sections, so the file's text is held once.
  const std::string found = gf_findModelCode(lines);
  FltSimSections cut = gf_cutFltSimSections(std::move(lines), false);
  std::vector<std::string>().swap(lines);
  if (!gf_checkFltSimNumbers(cut, file)) return {};
  std::string model = gf_checkFoundModelCode(found, file);
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
  if (!gf_readCfgFileLines(file, lines)) return {};
  FltSimSections cut = gf_cutFltSimSections(std::move(lines), true);
  std::vector<std::string>().swap(lines);
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

std::size_t gf_releaseSearchWorkers() {
  std::vector<Worker> stillRunning;
  for (Worker& worker : givenUpWorkers) {
    if (worker.finished->load()) {
      worker.thread.join();
    } else {
      stillRunning.push_back(std::move(worker));
    }
  }
  givenUpWorkers.clear();
  // A hung worker cannot be joined; it keeps its place in the count while it
  // runs, and what it finds goes nowhere.
  for (Worker& worker : stillRunning) worker.thread.detach();
  return stillRunning.size();
}

bool gf_awaitSearchWorkers() {
  bool allEnded = false;
  {
    std::unique_lock lock(workerLock);
    allEnded = workerEnded.wait_for(lock, searchWaits.drain, [] { return runningSearchWorkers.load() == 0; });
  }
  return gf_releaseSearchWorkers() == 0 && allEnded;
}

void gf_setSearchFileHookForTests(std::function<void(const std::filesystem::path&)> hook) {
  const std::lock_guard guard(hookLock);
  fileHook = std::move(hook);
}

} // namespace gwr
