// The pressure datagram: JSON {"QNH": value} with the value as integer, float
// or string, in hPa or inches of mercury; published to the traffic reader.
#include "traffic/feed/qnh_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include <fmt/format.h>
#include <gsl/narrow>
#include <nlohmann/json.hpp>

#include "core/log.h"
#include "core/main_window_state.h"
#include "traffic/feed/feed_log.h"
#include "traffic/feed/leading_number.h"

namespace gwr {

std::atomic<std::int32_t> currentQnh{startQnhHpa};

namespace {

constexpr const char* qnhKey = "QNH";
constexpr double hundredthsPerInch = 100.0;

bool emptyValue(const nlohmann::json& value) {
  return value.is_null() || ((value.is_object() || value.is_array()) && value.empty());
}

std::int32_t roundedToInt(double value) {
  const double rounded = std::round(value);
  if (!(rounded >= std::numeric_limits<std::int32_t>::min() && rounded <= std::numeric_limits<std::int32_t>::max())) {
    throw gsl::narrowing_error();
  }
  return static_cast<std::int32_t>(rounded);
}

// The decimal integer a string begins with; one too long for 64 bits fails
// its narrowing like a number too large for the QNH.
std::optional<std::int64_t> leadingInteger(std::string_view text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range) throw gsl::narrowing_error();
  if (error != std::errc{}) return std::nullopt;
  return value;
}

// A string gives its leading integer, except in inches of mercury, where a
// whole inch would be 34 hPa off: there its decimals count.
std::optional<double> numberOfString(const std::string& string) {
  const auto whole = leadingInteger(string);
  if (!whole) return std::nullopt;
  if (static_cast<double>(*whole) <= maxInHgAsDecimal) {
    const auto number = gf_leadingNumber(string);
    if (number && *number <= maxInHgAsDecimal) return number;
  }
  return static_cast<double>(*whole);
}

// The value as a number, or none after logging a string without one.
std::optional<double> numberOf(const nlohmann::json& value, std::string_view text) {
  if (value.is_number_unsigned()) return static_cast<double>(value.get<std::uint64_t>());
  if (value.is_number()) return value.get<double>();
  const auto string = value.get<std::string>();  // any other type throws
  const auto number = numberOfString(string);
  if (!number) gf_logFeed(FeedLogKind::pressure, fmt::format("QNH string parse error: {} in {}", string, text), true);
  return number;
}

} // namespace

std::int32_t gf_qnhHectopascals(double value) {
  std::int32_t hpa = 0;
  if (value <= maxInHgAsDecimal) {
    hpa = roundedToInt(value * hundredthsPerInch * hpaPerHundredthInHg);
  } else {
    hpa = roundedToInt(value);
    if (hpa > maxQnhHpa) hpa = roundedToInt(hpa * hpaPerHundredthInHg);
  }
  return std::clamp(hpa, minQnhHpa, maxQnhHpa);
}

void QnhReader::handleDatagram() {
  const std::string_view text = datagram();
  try {
    const auto document = nlohmann::json::parse(text);
    const nlohmann::json value = document.is_object() ? document.value(qnhKey, nlohmann::json()) : document.at(qnhKey);
    if (emptyValue(value)) {
      gf_logFeed(FeedLogKind::pressure, fmt::format("no QNH {}", text));
      return;
    }
    const auto number = numberOf(value, text);
    if (!number) return;
    const std::int32_t hpa = gf_qnhHectopascals(*number);
    {
      const std::lock_guard lock(publishMutex);
      if (hpa == last.load() && hpa != startQnhHpa) return;
      publish(hpa);
    }
    auto noData = ReaderStatus::noData;
    status.compare_exchange_strong(noData, ReaderStatus::receiving);
    gf_repaintReaders();
  } catch (const std::exception& e) {
    malformedCount.fetch_add(1);
    gf_logFeed(FeedLogKind::pressure, fmt::format("Exception {}, in {}", e.what(), text));
  }
}

void QnhReader::onStopped() { gf_log("QNH Reader has stopped"); }

void QnhReader::handleTextForTests(std::string_view text) {
  setDatagramForTests(text);
  handleDatagram();
}

void QnhReader::publish(std::int32_t hpa) {
  last.store(hpa);
  trafficTarget.qnh.store(hpa);
  currentQnh.store(hpa);
  gf_mainWindow().qnh.store(hpa);
}

void QnhReader::resetFeed() {
  {
    const std::lock_guard lock(publishMutex);
    publish(startQnhHpa);
  }
  resetCounters();
  gf_repaintBand(statusBand);
}

} // namespace gwr
