// The main window's message line: a notice that ages away after 25 traffic
// seconds, or an error that stays and hides every later notice.
#pragma once

#include "core/status_line.h"

#include <functional>
#include <mutex>
#include <string>

namespace gwr {

// Traffic seconds a notice stays.
inline constexpr int noticeLifetimeSeconds = 25;

class MessageLine final : public StatusLineSink {
public:
  // repaint asks the window to redraw the message area; any thread.
  explicit MessageLine(std::function<void()> repaint = {}) : repaint_(std::move(repaint)) {}

  bool showNotice(const std::string& text) override;
  void showError(const std::string& text) override;
  void clearNotice() override;
  void clearError() override { clearError(false); }

  // Once per traffic second: counts the second and clears an aged notice.
  void ageOneSecond();
  // The direct clearings (a confirmed install path, the static-parking
  // update, the reset before a restart): the error goes; with everything
  // also the notice, the seconds counter and the stamp.
  void clearError(bool everything);

  std::string notice() const;
  std::string error() const;
  // Both under one lock, so that a paint never shows a notice beside an error.
  struct Texts {
    std::string notice;
    std::string error;
  };
  Texts texts() const;

private:
  void postRepaint() const;

  mutable std::mutex mutex_;
  std::string notice_;
  std::string error_;
  int seconds_ = 0;
  int stamp_ = 0;  // seconds_ when the notice was set, at least 1; 0 without one
  std::function<void()> repaint_;
};

// The program's one message line, painted by the main window.
MessageLine& gf_messageLine();

} // namespace gwr
