// Throttled log lines of the RealTraffic TCP link.
#include "traffic/engine/link_log.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <utility>

#include <fmt/format.h>

#include "core/log.h"
#include "core/repeated_lines.h"
#include "core/text_utils.h"

namespace gwr {
namespace {

constexpr std::size_t kindCount = static_cast<std::size_t>(LinkLogKind::passedOver) + 1;
constexpr std::array<std::string_view, kindCount> kindNames{
    "link peers without an answer", "link peers that closed first", "too many waiting link peers",
    "link peers without TCP_NODELAY", "failed link sends", "closed link clients", "failed link receives",
    "link receive overruns", "link re-connections", "lost links", "failed link accepts",
    "failed link version requests", "link peers passed over"};

template <std::size_t... I>
std::array<RepeatedLines, kindCount> makeKinds(std::index_sequence<I...>) {
  return {((void)I, RepeatedLines(feedLogInterval))...};
}
std::array<RepeatedLines, kindCount> repeated = makeKinds(std::make_index_sequence<kindCount>{});
std::atomic<FeedLogClock> clock{nullptr};

std::chrono::steady_clock::time_point lf_now() {
  const FeedLogClock now = clock.load();
  return now != nullptr ? now() : std::chrono::steady_clock::now();
}

void lf_logSummary(std::size_t kind, std::uint64_t heldBack) {
  gf_log(fmt::format("{} more log line{} about {} held back", heldBack, gf_plural(heldBack), kindNames[kind]));
}

} // namespace

void gf_logLink(LinkLogKind kind, std::string_view text) {
  const auto index = static_cast<std::size_t>(kind);
  const RepeatedLines::Verdict verdict = repeated[index].admit(lf_now());
  if (!verdict.write) return;
  if (verdict.heldBack > 0) lf_logSummary(index, verdict.heldBack);
  gf_log(std::string(text));
}

void gf_flushLinkLog() {
  const auto now = lf_now();
  for (std::size_t kind = 0; kind < kindCount; ++kind) {
    if (const std::uint64_t heldBack = repeated[kind].takeHeldBack(now); heldBack > 0) lf_logSummary(kind, heldBack);
  }
}

void gf_endLinkLog() {
  for (std::size_t kind = 0; kind < kindCount; ++kind) {
    if (const std::uint64_t heldBack = repeated[kind].finish(); heldBack > 0) lf_logSummary(kind, heldBack);
  }
}

void gf_resetLinkLog() {
  for (RepeatedLines& kind : repeated) kind.reset();
}

void gf_setLinkLogClock(FeedLogClock now) { clock.store(now); }

} // namespace gwr
