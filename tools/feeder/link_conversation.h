// The feeder's side of the TCP link: cuts the program's byte stream into
// CR LF lines, answers the version request and hands every line on.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace gwr::feeder {

inline constexpr std::string_view versionRequest = "Qs999=version";
inline constexpr std::string_view versionReply = "gwr-feeder 1\r\n";
inline constexpr std::string_view goodbye = "exit";

class LinkConversation {
 public:
  using LineHandler = std::function<void(std::string_view line)>;
  using Sender = std::function<void(std::string_view bytes)>;

  LinkConversation(LineHandler onLine, Sender send) : onLine_(std::move(onLine)), send_(std::move(send)) {}

  // Takes received bytes; complete lines go to the handler without their line end.
  void receive(std::string_view bytes);

  bool goodbyeSeen() const { return goodbyeSeen_; }
  // Lines dropped because they grew past the longest line we keep.
  std::size_t droppedLines() const { return dropped_; }

 private:
  void takeLine(std::string_view line);

  LineHandler onLine_;
  Sender send_;
  std::string pending_;
  bool discarding_ = false;  // inside an over-long line, up to its end
  bool goodbyeSeen_ = false;
  std::size_t dropped_ = 0;
};

} // namespace gwr::feeder
