// The message line's rules between notice and error, and the ageing of a
// notice by the traffic thread's seconds.
#include "app/window/message_line.h"

#include "core/log.h"
#include "core/main_window_state.h"

#include <fmt/format.h>

#include <algorithm>

namespace gwr {

bool MessageLine::showNotice(const std::string& text) {
  {
    std::lock_guard lock(mutex_);
    if (!error_.empty()) return false;
    notice_ = text;
    stamp_ = text.empty() ? 0 : std::max(seconds_, 1);
  }
  postRepaint();
  return true;
}

void MessageLine::clearNotice() { showNotice(""); }

void MessageLine::showError(const std::string& text) {
  {
    std::lock_guard lock(mutex_);
    notice_.clear();
    stamp_ = 0;
    error_ = text;
    // Logged under the line's lock: the log's mutex is always taken after
    // this one, and the line never shows an error the log has not seen.
    gf_log(fmt::format("Error {}", text));
  }
  postRepaint();
}

void MessageLine::ageOneSecond() {
  bool aged = false;
  {
    std::lock_guard lock(mutex_);
    ++seconds_;
    aged = stamp_ >= 1 && seconds_ - stamp_ >= noticeLifetimeSeconds;
  }
  if (aged) clearNotice();
}

void MessageLine::clearError(bool everything) {
  {
    std::lock_guard lock(mutex_);
    error_.clear();
    if (everything) {
      notice_.clear();
      seconds_ = 0;
      stamp_ = 0;
    }
  }
  postRepaint();
}

std::string MessageLine::notice() const {
  std::lock_guard lock(mutex_);
  return notice_;
}

std::string MessageLine::error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

MessageLine::Texts MessageLine::texts() const {
  std::lock_guard lock(mutex_);
  return Texts{notice_, error_};
}

MessageLine& gf_messageLine() {
  static MessageLine line([] { gf_repaintBand(messageBand); });
  return line;
}

void MessageLine::postRepaint() const {
  if (repaint_) repaint_();
}

} // namespace gwr
