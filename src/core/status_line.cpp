// Routing of message-line texts to the installed sink and the log.
#include "core/status_line.h"

#include "core/log.h"

#include <atomic>
#include <fmt/format.h>

namespace gwr {

namespace {
std::atomic<StatusLineSink*> installedSink{nullptr};
}

void gf_installStatusLine(StatusLineSink* sink) { installedSink.store(sink); }

void setStatusText(const std::string& text, bool echoToLog) {
  try {
    auto* sink = installedSink.load();
    const bool shown = sink == nullptr || sink->showNotice(text);
    if (shown && echoToLog && !text.empty()) gf_log(text);
  } catch (...) {
    // The message line is best effort: a caller never fails because of it.
  }
}

void setStatusError(const std::string& text) {
  try {
    // The line logs it itself, under its own lock, once the error is stored.
    if (auto* sink = installedSink.load()) {
      sink->showError(text);
    } else {
      gf_log(fmt::format("Error {}", text));
    }
  } catch (...) {
  }
}

void clearStatusError() {
  try {
    if (auto* sink = installedSink.load()) sink->clearError();
  } catch (...) {
  }
}

void clearStatusText() {
  try {
    if (auto* sink = installedSink.load()) sink->clearNotice();
  } catch (...) {
  }
}

} // namespace gwr
