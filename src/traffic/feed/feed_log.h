// The feed's log lines: what a datagram brings is outside text, so its lines
// are escaped and cut short, and a flood of them is counted instead of
// written: one line per kind and interval, then a summary with the readers'
// counters.
#pragma once

#include <chrono>
#include <cstddef>
#include <string_view>

namespace gwr {

enum class FeedLogKind { trafficLine, pressure, oversized, queueFull };

inline constexpr std::chrono::seconds feedLogInterval{10};  // at most one line per kind in this
inline constexpr std::size_t feedLogLineBytes = 512;        // longer escaped text is cut

// Writes text (a warning line when asked) unless a line of its kind was
// written less than the interval ago; then it is only counted. A written
// line follows the summary of the lines held back before it. Any thread.
void gf_logFeed(FeedLogKind kind, std::string_view text, bool warning = false);
// Summaries of held-back lines whose interval has passed; the watchdog calls it.
void gf_flushFeedLog();
// A new run or a test: nothing held back, the next line of each kind is written.
void gf_resetFeedLog();

// Tests: the clock the intervals are measured on (null: the steady clock).
using FeedLogClock = std::chrono::steady_clock::time_point (*)();
void gf_setFeedLogClock(FeedLogClock clock);

} // namespace gwr
