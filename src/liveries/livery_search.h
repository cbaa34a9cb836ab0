// The search of one livery folder: the walk that picks out the aircraft.cfg
// files and the short-lived worker threads that read them, results in walk order.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "liveries/livery_record.h"

namespace gwr {

// Entries whose path inside the searched folder holds one of these words are
// not gone into (case-sensitive).
inline constexpr std::array<std::string_view, 9> excludedPathWords{
    "airport", "lvfr", "mkstudios", "simwings", "fsdreamteam", "navigraph", "flytampa", "inibuilds", "_CVT_"};
// Folders whose full path reaches this many bytes of UTF-8 are not gone into.
inline constexpr std::size_t pathLengthLimitBytes = 250;
// Real aircraft.cfg files stay well below 1 MB; a larger one is refused unread.
inline constexpr std::uintmax_t bytesPerMegabyte = 1024 * 1024;
inline constexpr std::uintmax_t maxCfgFileBytes = 4 * bytesPerMegabyte;
// When the hardware names no thread count.
inline constexpr int fallbackSearchWorkerLimit = 2;

// The waits of the search; tests shorten them.
struct SearchWaits {
  std::chrono::milliseconds result{10'000};       // for the oldest pending result
  std::chrono::milliseconds workerPlace{10'000};  // for a free worker place; then the search stalls
  std::chrono::milliseconds drain{30'000};        // in gf_awaitSearchWorkers, for workers given up
};
extern SearchWaits searchWaits;

// Workers started and not yet ended, given-up ones included.
extern std::atomic<int> runningSearchWorkers;
// The most workers at once.
extern std::atomic<int> searchWorkerLimit;

// searchWorkerLimit := the hardware thread count (2 when none is known);
// runningSearchWorkers is left alone, as a worker of an earlier scan may still run.
void gf_setupSearchWorkers();

enum class SearchOutcome {
  Completed,  // every file was searched or given up
  Stopped,    // a stop or quit request ended the walk early
  Stalled,    // no worker place came free in time: workers hang
};

// Walks the folder and appends the liveries of its aircraft.cfg files to
// ScannedLiveries, grouped by file in walk order; a title shared by two files
// stays with the earlier one. Start-up thread only.
SearchOutcome gf_searchLiveriesInFolder(int folderRank, const std::filesystem::path& folder);

// The lines of an aircraft.cfg that carry text, as valid UTF-8; false (with a
// log and an InvalidCfgLines line naming the file and the cause) when it
// cannot be read or is larger than maxCfgFileBytes.
bool gf_readCfgFileLines(const std::filesystem::path& file, std::vector<std::string>& lines);

// The two worker functions: an ordinary file and an IVAO package file (an
// aircraft.cfg whose full path holds an ivaoPackageNames name in any case).
LiveryList gf_searchLiveriesInFile(int folderRank, const std::filesystem::path& file);
LiveryList gf_searchLiveriesInIvaoFile(int folderRank, const std::filesystem::path& file);

// Joins the workers given up that have ended and lets the others run on by
// themselves; they write nothing the scan reads. The number still running.
std::size_t gf_releaseSearchWorkers();

// Waits, at most searchWaits.drain, for every worker still running (those
// whose results were given up), then releases them. False when some still run.
bool gf_awaitSearchWorkers();

// Tests only: called by every worker with its file before it reads it.
void gf_setSearchFileHookForTests(std::function<void(const std::filesystem::path&)> hook);

} // namespace gwr
