// The TCP link's log lines: any program can connect to the link's port, so
// its lines are counted like the feed's instead of written one per peer: one
// line per kind and interval, then a summary of the lines held back.
#pragma once

#include <string_view>

#include "traffic/feed/feed_log.h"

namespace gwr {

enum class LinkLogKind {
  noAnswer,        // a peer silent past the handshake time
  closedEarly,     // a peer gone before it answered the version request
  tooManyWaiting,  // the oldest of too many waiting peers dropped
  noDelay,         // TCP_NODELAY refused on an accepted peer
  sendFailed,
  clientClosed,
  receiveFailed,
  overrun,
  reconnected,
  gone,
  acceptFailed,    // the listener could not hand out a waiting connection
  requestFailed,   // the version request could not be sent to a new peer
  passedOver,      // a waiting peer closed because another answered first
};

// Writes text unless a line of its kind was written less than the feed's
// interval ago; then it is only counted. A written line follows the summary
// of the lines held back before it. Any thread.
void gf_logLink(LinkLogKind kind, std::string_view text);
// Summaries of held-back lines whose interval has passed; the link calls it
// every time it sends the user position.
void gf_flushLinkLog();
// The link closes: every held-back line is summarised now, and the next
// line of each kind (the next run's) is written.
void gf_endLinkLog();
// A new run or a test: nothing held back, the next line of each kind is written.
void gf_resetLinkLog();
// Tests: the clock the intervals are measured on (null: the steady clock).
void gf_setLinkLogClock(FeedLogClock clock);

} // namespace gwr
