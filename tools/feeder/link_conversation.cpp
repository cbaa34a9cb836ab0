// Line handling of the feeder's TCP link: lines cut across receives, an
// over-long line dropped up to its end, the version request answered.
#include "feeder/link_conversation.h"

#include "feeder/feeder_constants.h"

namespace gwr::feeder {

void LinkConversation::receive(std::string_view bytes) {
  while (!bytes.empty()) {
    const auto newline = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, newline);
    if (!discarding_) {
      if (pending_.size() + piece.size() > maxLinkLineBytes) {
        pending_.clear();
        discarding_ = true;
        ++dropped_;
      } else {
        pending_.append(piece);
      }
    }
    if (newline == std::string_view::npos) return;
    bytes.remove_prefix(newline + 1);
    if (!discarding_) {
      std::string_view line = pending_;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      takeLine(line);
    }
    pending_.clear();
    discarding_ = false;
  }
}

void LinkConversation::takeLine(std::string_view line) {
  onLine_(line);
  if (line == versionRequest) send_(versionReply);
  if (line == goodbye) goodbyeSeen_ = true;
}

} // namespace gwr::feeder
