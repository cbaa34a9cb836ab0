// Throttled, escaped log lines of the feed with the readers' counters.
#include "traffic/feed/feed_log.h"

#include <array>
#include <atomic>
#include <string>

#include <fmt/format.h>

#include "core/log.h"
#include "core/repeated_lines.h"
#include "core/text_utils.h"
#include "traffic/feed/reader_threads.h"
#include "traffic/feed/traffic_queue.h"

namespace gwr {
namespace {

constexpr std::size_t kindCount = 4;
constexpr std::array<std::string_view, kindCount> kindNames{"traffic lines", "pressure datagrams",
                                                            "oversized datagrams", "the full queue"};

std::array<RepeatedLines, kindCount> repeated{RepeatedLines(feedLogInterval), RepeatedLines(feedLogInterval),
                                              RepeatedLines(feedLogInterval), RepeatedLines(feedLogInterval)};
std::atomic<FeedLogClock> clock{nullptr};

std::chrono::steady_clock::time_point lf_now() {
  const FeedLogClock now = clock.load();
  return now != nullptr ? now() : std::chrono::steady_clock::now();
}

void lf_logSummary(std::size_t kind, std::uint64_t heldBack) {
  const std::uint64_t malformed = trafficReader.malformedCount.load() + qnhReader.malformedCount.load();
  const std::uint64_t tooLong = trafficReader.oversizedCount.load() + qnhReader.oversizedCount.load();
  gf_logError(fmt::format("{} more log line{} about {} held back; malformed {}, too long {}, dropped {}", heldBack,
                          gf_plural(heldBack), kindNames[kind], malformed, tooLong, gf_droppedTrafficRecords()));
}

} // namespace

void gf_logFeed(FeedLogKind kind, std::string_view text, bool warning) {
  const auto index = static_cast<std::size_t>(kind);
  const RepeatedLines::Verdict verdict = repeated[index].admit(lf_now());
  if (!verdict.write) return;
  if (verdict.heldBack > 0) lf_logSummary(index, verdict.heldBack);
  std::string line = gf_escapeControls(text.substr(0, feedLogLineBytes));
  if (text.size() > feedLogLineBytes) line += fmt::format("... ({} bytes)", text.size());
  if (warning)
    gf_logError(line);
  else
    gf_log(line);
}

void gf_flushFeedLog() {
  const auto now = lf_now();
  for (std::size_t kind = 0; kind < kindCount; ++kind) {
    if (const std::uint64_t heldBack = repeated[kind].takeHeldBack(now); heldBack > 0) lf_logSummary(kind, heldBack);
  }
}

void gf_resetFeedLog() {
  for (RepeatedLines& kind : repeated) kind.reset();
}

void gf_setFeedLogClock(FeedLogClock now) { clock.store(now); }

} // namespace gwr
