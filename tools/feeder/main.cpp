// gwr-feeder: plays RealTraffic on loopback for tests, benchmarks and trying
// the program: traffic lines and pressure datagrams over UDP, and the TCP link.
#include <atomic>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <exception>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <variant>
#include <vector>

#include <fmt/format.h>

#include "core/text_utils.h"
#include "feeder/feed_clock.h"
#include "feeder/feed_schedule.h"
#include "feeder/feeder_constants.h"
#include "feeder/link_client.h"
#include "feeder/recorded_replay.h"
#include "feeder/scenario_player.h"
#include "feeder/traffic_line.h"
#include "platform/net/udp_socket.h"

namespace {

using namespace gwr::feeder;

constexpr int lf_exitUsage = 2;
constexpr int lf_exitFailure = 1;

std::atomic<bool> lf_stopRequested{false};

extern "C" void lf_onSignal(int) { lf_stopRequested.store(true); }

struct Options {
  std::vector<std::string> scenarios;
  std::string replay;
  double speed = 1.0;
  std::optional<double> interval;
  std::string qnh;
  bool link = false;
  std::string record;
  std::uint16_t trafficPort = defaultTrafficPort;
  std::uint16_t pressurePort = defaultPressurePort;
  std::uint16_t linkPort = defaultLinkPort;
  double duration = never;
  bool runLength = false;
};

// Nothing to play (a wrong call), or the usage asked for.
struct UsageWanted {
  bool asked = false;
};

// On standard output when asked for, else on standard error.
void lf_printUsage(bool asked) {
  fmt::print(asked ? stdout : stderr,
             "usage: gwr-feeder [--scenario FILE]... [--replay FILE [--speed K]] [--interval S]\n"
             "                  [--qnh VALUE] [--link [--record FILE]] [--duration S]\n"
             "                  [--traffic-port N] [--pressure-port N] [--link-port N]\n"
             "       gwr-feeder --replay FILE [--speed K] --run-length\n"
             "Plays RealTraffic on 127.0.0.1: scenario aircraft reported every S seconds (more than 1),\n"
             "recorded traffic lines at their own times shifted to now (K times faster), the pressure\n"
             "datagram {{\"QNH\":VALUE}} every {} s, and the TCP link client that answers the program's\n"
             "version request and prints (and with --record writes) every line it receives.\n"
             "--run-length prints the seconds a run of the program needs to show the replay whole\n"
             "(the replay, the program's {:.0f} s delay and {:.0f} s more) and plays nothing.\n",
             defaultPressureIntervalSeconds, programDelaySeconds, replayRunMarginSeconds);
}

template <typename T>
T lf_number(std::string_view text, std::string_view option) {
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) {
    throw std::invalid_argument(fmt::format("{} needs a number, not \"{}\"", option, text));
  }
  return value;
}

// Options as given; the usage when it was asked for or the call is wrong.
std::variant<Options, UsageWanted> lf_parseOptions(const std::vector<std::string_view>& args) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") return UsageWanted{true};
    if (arg == "--link") {
      options.link = true;
      continue;
    }
    if (arg == "--run-length") {
      options.runLength = true;
      continue;
    }
    if (i + 1 >= args.size()) return UsageWanted{};
    const std::string_view value = args[++i];
    if (arg == "--scenario") options.scenarios.emplace_back(value);
    else if (arg == "--replay") options.replay = value;
    else if (arg == "--speed") options.speed = lf_number<double>(value, arg);
    else if (arg == "--interval") options.interval = lf_number<double>(value, arg);
    else if (arg == "--qnh") options.qnh = value;
    else if (arg == "--record") options.record = value;
    else if (arg == "--duration") options.duration = lf_number<double>(value, arg);
    else if (arg == "--traffic-port") options.trafficPort = lf_number<std::uint16_t>(value, arg);
    else if (arg == "--pressure-port") options.pressurePort = lf_number<std::uint16_t>(value, arg);
    else if (arg == "--link-port") options.linkPort = lf_number<std::uint16_t>(value, arg);
    else return UsageWanted{};
  }
  const bool nothingToPlay = options.scenarios.empty() && options.replay.empty() && options.qnh.empty() && !options.link;
  if (nothingToPlay || (options.runLength && options.replay.empty())) return UsageWanted{};
  return options;
}

FeedSchedule lf_buildSchedule(const Options& options, double start) {
  FeedSchedule schedule;
  if (!options.scenarios.empty()) {
    Scenario scenario;
    for (const std::string& file : options.scenarios) gf_mergeScenario(scenario, gf_readScenarioFile(file), file);
    fmt::print("{} scenario aircraft\n", scenario.aircraft.size());
    schedule.add(std::make_unique<ScenarioPlayer>(std::move(scenario), start, options.interval));
  }
  if (!options.replay.empty()) {
    Recording recording = gf_readRecordingFile(options.replay);
    for (const std::string& problem : recording.problems) fmt::print(stderr, "{}\n", problem);
    fmt::print("{} recorded lines to replay from {:.2f} (seconds since 1970)\n", recording.lines.size(), start);
    std::fflush(stdout);  // read while the replay runs: it ties the run's clock to the recording's
    schedule.add(std::make_unique<RecordedReplay>(std::move(recording), start, options.speed));
  }
  if (!options.qnh.empty()) {
    const auto datagram = gf_formatPressureDatagram(options.qnh);
    if (!datagram) throw std::invalid_argument(fmt::format("--qnh needs a number, not \"{}\"", options.qnh));
    schedule.add(std::make_unique<PressureTicker>(*datagram, start, defaultPressureIntervalSeconds));
  }
  return schedule;
}

// Runs the link client on its own thread; every line goes to stdout and the record file.
class LinkThread {
 public:
  explicit LinkThread(const Options& options) {
    if (!options.record.empty()) {
      record_.open(options.record, std::ios::app);
      if (!record_) throw std::runtime_error(fmt::format("{}: cannot be written", options.record));
    }
    thread_ = std::thread([this, port = options.linkPort] {
      SystemFeedClock clock(lf_stopRequested);
      LinkClient client(
          port,
          [&](std::string_view line) {
            const std::lock_guard lock(outputMutex_);
            const std::string text = fmt::format("{:.3f} {}", clock.now(), line);
            fmt::print("{}\n", text);
            if (record_.is_open()) record_ << text << '\n' << std::flush;
          },
          [&](std::string_view message) {
            const std::lock_guard lock(outputMutex_);
            fmt::print(stderr, "{}\n", message);
          });
      client.run(lf_stopRequested);
    });
  }
  ~LinkThread() {
    lf_stopRequested.store(true);
    thread_.join();
  }
  LinkThread(const LinkThread&) = delete;
  LinkThread& operator=(const LinkThread&) = delete;

 private:
  std::mutex outputMutex_;
  std::ofstream record_;
  std::thread thread_;
};

int lf_printRunLength(const Options& options) {
  const Recording recording = gf_readRecordingFile(options.replay);
  for (const std::string& problem : recording.problems) fmt::print(stderr, "{}\n", problem);
  fmt::print("{:.0f}\n", std::ceil(gf_replayRunSeconds(recording, options.speed)));
  return 0;
}

int lf_run(const Options& options) {
  if (options.runLength) return lf_printRunLength(options);
  SystemFeedClock clock(lf_stopRequested);
  const double start = clock.now();
  FeedSchedule schedule = lf_buildSchedule(options, start);

  gwr::platform::UdpSocket sender;
  if (const auto error = sender.open(); error != 0) {
    fmt::print(stderr, "UDP socket not opened: {}\n", gwr::gf_winsockErrorText(error));
    return lf_exitFailure;
  }
  std::size_t trafficSent = 0;
  std::size_t pressureSent = 0;
  std::int32_t lastError = 0;
  const DatagramSink sink = [&](FeedStream stream, std::string_view datagram) {
    const bool traffic = stream == FeedStream::traffic;
    const auto sent = sender.sendTo(datagram, gwr::platform::Ipv4Address::loopback(),
                                    traffic ? options.trafficPort : options.pressurePort);
    if (!sent.ok()) {
      if (sent.error != lastError) fmt::print(stderr, "send failed: {}\n", gwr::gf_winsockErrorText(sent.error));
      lastError = sent.error;
      return;
    }
    ++(traffic ? trafficSent : pressureSent);
  };

  std::optional<LinkThread> link;
  if (options.link) link.emplace(options);
  const double end = start + options.duration;
  gf_runSchedule(schedule, clock, end, sink);
  // The link stays up until the end of the run or Ctrl-C.
  if (options.link) clock.waitUntil(end);
  link.reset();
  fmt::print("{} traffic lines and {} pressure datagrams sent\n", trafficSent, pressureSent);
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  std::signal(SIGINT, lf_onSignal);
  std::signal(SIGTERM, lf_onSignal);
  try {
    const auto parsed = lf_parseOptions(args);
    if (const auto* usage = std::get_if<UsageWanted>(&parsed)) {
      lf_printUsage(usage->asked);
      return usage->asked ? 0 : lf_exitUsage;
    }
    return lf_run(std::get<Options>(parsed));
  } catch (const std::exception& error) {
    fmt::print(stderr, "gwr-feeder: {}\n", error.what());
    return lf_exitFailure;
  }
}
