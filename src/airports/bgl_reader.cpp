// The BGL scenery reader: every index taken from the file is checked against
// the file's size and the enclosing record before anything is read at it.
#include "airports/bgl_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <ios>
#include <istream>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>

#include <fmt/format.h>

#include "airports/airports_constants.h"
#include "airports/stand_record.h"
#include "core/geo.h"
#include "core/log.h"
#include "core/text_files.h"
#include "platform/sys/native_path.h"

namespace gwr {

namespace {

// The file layout (all values little-endian, indexes in 32-bit words).
constexpr std::uint32_t bglHeaderBytes = 56;
constexpr std::size_t headerSizeWord = 1;
constexpr std::size_t sectionCountWord = 5;
constexpr std::size_t sectionCountByte = 20;
constexpr std::size_t firstSectionWord = 14;
constexpr std::size_t sectionWords = 5;
constexpr std::size_t sectionHeaderBytes = 20;
constexpr std::size_t sectionSubsectionCodeWord = 1;
constexpr std::size_t sectionSubsectionCountWord = 2;
constexpr std::size_t sectionFirstSubsectionWord = 3;
constexpr std::uint32_t airportSectionType = 3;
constexpr std::uint32_t largeSubsectionBit = 0x10000;  // 20-byte subsection headers, not read
constexpr std::size_t subsectionWords = 4;
constexpr std::size_t subsectionRecordsWord = 2;
constexpr std::size_t subsectionBytesWord = 3;  // bytes of the subsection's records

constexpr std::uint16_t airportRecordId = 0x56;
constexpr std::uint16_t helipadRecordId = 0x26;
constexpr std::uint16_t parkingListRecordId = 0xE7;
constexpr std::size_t airportAltitudeWord = 5;  // millimetres
constexpr std::size_t airportIcaoWord = 10;
constexpr std::size_t airportSubrecordsWord = 17;
constexpr std::size_t helipadLonWord = 3;
constexpr std::size_t helipadLatWord = 4;
constexpr std::size_t helipadWidthWord = 7;  // f32 metres
constexpr std::size_t helipadWords = 8;
constexpr std::size_t parkingFirstEntryWord = 2;
constexpr std::size_t parkingEntryWords = 14;  // plus one per airline code
constexpr std::size_t parkingRadiusWord = 1;   // f32 metres
constexpr std::size_t parkingHeadingWord = 2;  // f32 degrees
constexpr std::size_t parkingLonWord = 7;
constexpr std::size_t parkingLatWord = 8;

constexpr double latitudeFactor = 3.3527612686157227e-07;   // 180 / 2^29
constexpr double longitudeFactor = 4.470348358154297e-07;   // 360 / (3 x 2^28)
constexpr double feetPerMetre = 3.2808399;
constexpr double millimetresPerMetre = 1000.0;
constexpr double fullCircleRad = 6.283185307179586;
constexpr std::uint32_t icaoBase = 38;
constexpr std::size_t icaoMaxDigits = 10;
constexpr std::string_view duplicateSuffixes = "abcdefghij";

constexpr std::array<std::string_view, 12> namePrefixes{"", "r", "p", "np", "ep", "sep", "sp", "swp", "wp", "nwp",
                                                        "g", ""};
constexpr std::uint32_t firstLetterName = 12;
constexpr std::uint32_t lastLetterName = 37;

std::string lf_namePrefix(std::uint32_t nameCode) {
  if (nameCode < namePrefixes.size()) return std::string(namePrefixes[nameCode]);
  if (nameCode >= firstLetterName && nameCode <= lastLetterName)
    return std::string(1, static_cast<char>('A' + (nameCode - firstLetterName)));
  return {};
}

std::string lf_positionText(double lat, double lon) { return fmt::format("{:.6f},{:.6f}", lat, lon); }

bool lf_isValidPosition(double lat, double lon) {
  if (lat < -90.0 || lat > 90.0 || lon < -180.0 || lon > 180.0) return false;
  return !(std::fabs(lat) <= bglNullPositionDeg && std::fabs(lon) <= bglNullPositionDeg);
}

// The word is signed: airports below sea level have negative altitudes.
std::int32_t lf_altitudeFeet(std::int32_t millimetres) {
  const auto feet = static_cast<std::int64_t>(std::llround(millimetres * feetPerMetre / millimetresPerMetre));
  if (feet < bglLowestAltitudeFt || feet > bglHighestAltitudeFt) return 0;
  return static_cast<std::int32_t>(feet);
}

// One pass over the words of a file.
class BglWalk {
public:
  BglWalk(const std::vector<std::uint32_t>& words, const std::filesystem::path& file, BglReaderEvents& events)
      : words_(words), file_(file), events_(events) {}

  bool run();

private:
  std::size_t count() const { return words_.size(); }
  // The u32 at byte 2 of the structure starting at word k, in words; none past the end.
  std::optional<std::size_t> sizeWordsAt(std::size_t k) const {
    if (k + 1 >= count()) return std::nullopt;
    return ((words_[k] >> 16U) | (words_[k + 1] << 16U)) / 4U;
  }
  float floatAt(std::size_t k) const { return std::bit_cast<float>(words_[k]); }
  double latitudeAt(std::size_t k) const { return 90.0 - words_[k] * latitudeFactor; }
  double longitudeAt(std::size_t k) const { return words_[k] * longitudeFactor - 180.0; }

  void damage(const std::string& what) {
    damaged_ = true;
    events_.log(fmt::format("Damaged BGL file '{}': {}", gf_pathToUtf8(file_), what), true);
  }
  void walkSection(std::size_t section);
  std::size_t sectionEnd(std::size_t header, std::size_t subsection) const;
  void noteNoAirport();
  void readAirport(std::size_t r, std::size_t size, const std::string& code);
  void readHelipad(std::size_t i, ApfData& apf);
  void readParkingList(std::size_t i, std::size_t size, ApfData& apf);
  std::optional<std::string> uniqueStandId(const std::string& id);

  const std::vector<std::uint32_t>& words_;
  const std::filesystem::path& file_;
  BglReaderEvents& events_;
  bool damaged_ = false;
  bool airportRecordSeen_ = false;  // a record of this simulator's airport kind
  bool otherFormatSeen_ = false;    // an airport section laid out for another simulator
  // Per airport.
  std::set<std::string> ids_;
  std::vector<std::pair<double, double>> helipads_;
  std::int32_t helipadCounter_ = 1;
};

// A file too short for its header, with another header size or a section
// table that cannot be is no scenery file of this kind: passed over quietly.
bool BglWalk::run() {
  if (count() <= firstSectionWord || words_[headerSizeWord] != bglHeaderBytes) return false;
  const std::size_t sections = words_[sectionCountWord];
  if (sections == 0 || count() < firstSectionWord + sectionWords * sections) return false;
  for (std::size_t s = 0; s < sections; ++s) walkSection(s);
  noteNoAirport();
  return !damaged_;
}

// A file the scan passed to this reader that gives no airport says why in the
// report, so that an airport of another simulator is not passed over silently.
void BglWalk::noteNoAirport() {
  if (damaged_ || airportRecordSeen_) return;
  if (otherFormatSeen_)
    events_.note(fmt::format("BGL file holds an airport of another simulator's format, not read: {}",
                             gf_pathToUtf8(file_)));
  else
    events_.note(fmt::format("BGL file holds no airport: {}", gf_pathToUtf8(file_)));
}

// The word after the records of the section's subsections, as their headers
// give them (at most the file's end); 0 when they hold no records.
std::size_t BglWalk::sectionEnd(std::size_t header, std::size_t subsection) const {
  const std::uint64_t subsections = std::max<std::uint64_t>(words_[header + sectionSubsectionCountWord], 1);
  std::uint64_t endByte = 0;
  for (std::uint64_t k = 0; k < subsections; ++k) {
    const std::uint64_t h = subsection + subsectionWords * k;
    if (h + subsectionBytesWord >= count()) break;
    const std::uint64_t bytes = words_[h + subsectionBytesWord];
    if (bytes != 0) endByte = std::max(endByte, words_[h + subsectionRecordsWord] + bytes);
  }
  return static_cast<std::size_t>(std::min<std::uint64_t>(endByte / 4U, count()));
}

void BglWalk::walkSection(std::size_t s) {
  const std::size_t header = firstSectionWord + sectionWords * s;
  if (words_[header] != airportSectionType) return;
  if ((words_[header + sectionSubsectionCodeWord] & largeSubsectionBit) != 0) {
    otherFormatSeen_ = true;  // 20-byte subsection headers: not this simulator's airports
    return;
  }
  const std::size_t subsection = words_[header + sectionFirstSubsectionWord] / 4U;
  if (subsection + subsectionBytesWord >= count()) {
    damage(fmt::format("airport section {} has its subsection past the end of the file", s));
    return;
  }
  std::size_t r = words_[subsection + subsectionRecordsWord] / 4U;
  // The records end with the section: what follows it in the file is not an airport's.
  const std::size_t end = sectionEnd(header, subsection);
  if (end == 0) return;  // no records
  if (r >= count()) {
    damage(fmt::format("airport section {} has its records past the end of the file", s));
    return;
  }
  for (int passes = 1; r < end; ++passes) {
    if (passes == bglMaxRecordPasses) {
      damaged_ = true;
      events_.log(fmt::format("Error: maximum loop iterations {} reached (2) {} possible corrupt BGL or malformed "
                              "input in:\n'{}'",
                              bglMaxRecordPasses, logDash, gf_pathToUtf8(file_)),
                  true);
      return;
    }
    const auto size = sizeWordsAt(r);
    if (!size) return;  // the last word of the file: no record header fits
    if ((words_[r] & 0xFFFFU) != airportRecordId) otherFormatSeen_ = true;
    if ((words_[r] & 0xFFFFU) == airportRecordId) {
      airportRecordSeen_ = true;
      if (*size == 0) {
        events_.log(fmt::format("   Warning: decodeSizeAtBoundary returned {} at o2 = {}", 0, r), true);
        damage(fmt::format("the airport record at word {} has size 0", r));
        return;
      }
      if (*size <= airportIcaoWord) {
        damage(fmt::format("the airport record at word {} is too short ({} words) for its header", r, *size));
        return;
      }
      // A record cut off by the file's end still gives what it holds; the
      // section ends with it.
      const bool cut = *size > count() - r;
      if (cut) damage(fmt::format("the airport record at word {} claims {} words, past the end of the file", r, *size));
      if (r + airportIcaoWord < count()) {
        bool valid = true;
        const std::string code = gf_decodeBglIcao(words_[r + airportIcaoWord], valid);
        if (valid && code.size() == 4 && events_.acceptCode(code)) readAirport(r, *size, code);
      }
      if (cut) return;
    }
    if (*size == 0) return;
    r += *size;
  }
}

// A damaged subrecord ends the walk; the airport is generated with the stands
// read before it.
void BglWalk::readAirport(std::size_t r, std::size_t size, const std::string& code) {
  ApfData apf;
  apf.altitude = lf_altitudeFeet(static_cast<std::int32_t>(words_[r + airportAltitudeWord]));
  apf.icao = FixedCode<4>(code);
  apf.packageFolder = file_;
  apf.BGLpath = gf_pathToUtf8(file_);
  if (!events_.wantStands(apf)) return;

  ids_.clear();
  helipads_.clear();
  helipadCounter_ = 1;
  const std::size_t end = r + size;  // past the file's end when the record is cut off
  std::size_t i = r + airportSubrecordsWord;
  for (int passes = 1; i < end; ++passes) {
    if (passes == bglMaxRecordPasses) {
      events_.log(fmt::format("Error: Maximum loop iterations reached (1) {} possible corrupt SIA or malformed input",
                              logDash),
                  true);
      damage(fmt::format("airport {} has too many subrecords", code));
      break;
    }
    if (i >= count()) {
      events_.log(fmt::format("   Error: o3={} exceeded data buffer size ({}), aborting.", i, count()), false);
      damage(fmt::format("airport {}: its subrecords run past the end of the file", code));
      break;
    }
    const auto subSize = sizeWordsAt(i);
    if (!subSize) {
      damage(fmt::format("airport {}: the subrecord at word {} runs past the end of the file", code, i));
      break;
    }
    const std::uint32_t id = words_[i] & 0xFFFFU;
    if (*subSize == 0) {
      // A helipad is read before its size is looked at; its line is a
      // warning, any other subrecord's a plain one.
      if (id == helipadRecordId && helipadWords <= count() - i) readHelipad(i, apf);
      events_.log(fmt::format("   Warning: decodeSizeAtBoundary returned 0 at o3 = {}", i), id == helipadRecordId);
      damage(fmt::format("airport {}: the subrecord at word {} has size 0", code, i));
      break;
    }
    if (*subSize > std::min(end, count()) - i) {
      damage(fmt::format("airport {}: the subrecord at word {} claims {} words, past its airport record", code, i,
                         *subSize));
      break;
    }
    if (id == helipadRecordId) {
      if (*subSize < helipadWords) {
        damage(fmt::format("airport {}: the helipad at word {} is too short ({} words)", code, i, *subSize));
        break;
      }
      readHelipad(i, apf);
    }
    if (id == parkingListRecordId) {
      readParkingList(i, *subSize, apf);
      break;  // only the first parking list counts
    }
    i += *subSize;
  }
  events_.airportRead(apf, helipadCounter_ - 1);
}

// The helipad's words lie inside the file: checked by the caller.
void BglWalk::readHelipad(std::size_t i, ApfData& apf) {
  const double lat = latitudeAt(i + helipadLatWord);
  const double lon = longitudeAt(i + helipadLonWord);
  if (!lf_isValidPosition(lat, lon)) {
    events_.note("lat/lon helipad incorrect (skipped): " + lf_positionText(lat, lon));
    return;
  }
  for (const auto& [seenLat, seenLon] : helipads_) {
    if (std::fabs(seenLat - lat) < bglSameHelipadDeg && std::fabs(seenLon - lon) < bglSameHelipadDeg) {
      events_.note("double helipad " + apf.airport_name + " (skipped) " + lf_positionText(lat, lon));
      return;
    }
  }
  const float width = floatAt(i + helipadWidthWord);
  const double radius = width * 0.5;
  if (!std::isfinite(width) || radius < 0.0 || radius > largestStandRadiusMetres) {
    damaged_ = true;
    events_.log(fmt::format("BGL file '{}': helipad at {} has the width {} (skipped)", gf_pathToUtf8(file_),
                            lf_positionText(lat, lon), width),
                true);
    return;
  }
  helipads_.emplace_back(lat, lon);
  apf.stands.emplace_back(fmt::format("helipad{}", helipadCounter_++), std::vector<StandOption>{}, lat, lon, 0.0,
                          radius, std::int16_t{0}, false, false, true);
}

// Entries that do not fit in the list end it; those before them are kept.
void BglWalk::readParkingList(std::size_t i, std::size_t size, ApfData& apf) {
  const std::size_t end = i + size;
  const std::uint32_t entries = words_[i + 1] >> 16U;
  std::size_t e = i + parkingFirstEntryWord;
  for (std::uint32_t n = 0; n < entries; ++n) {
    const std::uint32_t head = e < end ? words_[e] : 0;
    const std::size_t entryWords = parkingEntryWords + (head >> 24U);
    if (e >= end || entryWords > end - e) {
      damage(fmt::format("airport {}: the parking list at word {} counts {} entries, more than it holds",
                         apf.icao.view(), i, entries));
      return;
    }
    const std::uint32_t b1 = (head >> 8U) & 0xFFU;
    const std::uint32_t b2 = (head >> 16U) & 0xFFU;
    const std::string id = lf_namePrefix(head & 0x3FU) + fmt::format("{}", (b2 * 256U + b1) >> 4U);
    const auto type = static_cast<std::int16_t>(b1 & 0x0FU);
    const std::size_t entry = e;
    e += entryWords;
    if (type == 0 || type == 13) continue;
    const double lat = latitudeAt(entry + parkingLatWord);
    const double lon = longitudeAt(entry + parkingLonWord);
    if (!lf_isValidPosition(lat, lon)) {
      events_.note(fmt::format("LatLon {} invalid (skipped)", lf_positionText(lat, lon)));
      continue;
    }
    const float heading = floatAt(entry + parkingHeadingWord);
    const float radius = floatAt(entry + parkingRadiusWord);
    if (!std::isfinite(heading) || !std::isfinite(radius) || radius < 0.0F || radius > largestStandRadiusMetres) {
      damaged_ = true;
      events_.log(fmt::format("BGL file '{}': stand {} has the heading {} and the radius {} (skipped)",
                              gf_pathToUtf8(file_), id, heading, radius),
                  true);
      continue;
    }
    const auto unique = uniqueStandId(id);
    if (!unique) continue;
    const double headingRad = heading == 0.0F ? fullCircleRad : heading * radiansPerDegree;
    apf.stands.emplace_back(*unique, std::vector<StandOption>{}, lat, lon, headingRad, radius, type, false, false,
                            false);
  }
}

std::optional<std::string> BglWalk::uniqueStandId(const std::string& id) {
  if (ids_.insert(id).second) return id;
  for (const char suffix : duplicateSuffixes) {
    std::string candidate = id + suffix;
    if (ids_.insert(candidate).second) return candidate;
  }
  events_.note(fmt::format("{}Warning: more than 10 duplicate IDs {} in {}", "===> ", id, gf_pathToUtf8(file_)));
  return std::nullopt;
}

} // namespace

bool gf_bglHasAirport(const std::filesystem::path& file) {
  // One walk to the file: what is found there is told by the open itself.
  platform::FileKind kind = platform::FileKind::missing;
  errno = 0;
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(platform::openRegularFile(file, kind), std::fclose);
  if (!in) {
    gf_refusalCause(file, kind, "read", true);
    return false;
  }
  if (::fseeko(in.get(), 0, SEEK_END) != 0) return false;
  const std::streamoff size = ::ftello(in.get());
  if (size < static_cast<std::streamoff>(bglHeaderBytes) + 1) return false;
  std::array<unsigned char, 4> bytes{};
  auto readU32 = [&](std::streamoff at) -> std::optional<std::uint32_t> {
    if (::fseeko(in.get(), at, SEEK_SET) != 0 || std::fread(bytes.data(), 1, bytes.size(), in.get()) != bytes.size())
      return std::nullopt;
    return bytes[0] | (bytes[1] << 8U) | (bytes[2] << 16U) | (static_cast<std::uint32_t>(bytes[3]) << 24U);
  };
  const auto sections = readU32(sectionCountByte);
  if (!sections || *sections == 0 ||
      *sections > static_cast<std::uint64_t>(size - bglHeaderBytes) / sectionHeaderBytes)
    return false;
  for (std::uint32_t s = 0; s < *sections; ++s) {
    const auto type = readU32(static_cast<std::streamoff>(bglHeaderBytes + sectionHeaderBytes * s));
    if (!type) return false;
    if (*type == airportSectionType) return true;
  }
  return false;
}

void gf_readFileWords(std::istream& in, std::vector<std::uint32_t>& words) {
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  gf_readFileWords(std::string_view(bytes), words);
}

void gf_readFileWords(std::string_view bytes, std::vector<std::uint32_t>& words) {
  words.assign(bytes.size() / 4, 0);
  for (std::size_t k = 0; k < words.size(); ++k) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data() + 4 * k);
    words[k] = b[0] | (b[1] << 8U) | (b[2] << 16U) | (static_cast<std::uint32_t>(b[3]) << 24U);
  }
}

std::string gf_decodeBglIcao(std::uint32_t packed, bool& valid) {
  valid = true;
  std::string text;
  for (std::uint32_t v = packed >> 5U; v != 0; v /= icaoBase) {
    if (text.size() == icaoMaxDigits) {
      valid = false;
      break;
    }
    const std::uint32_t digit = v % icaoBase;
    if (digit == 0) {
      text += ' ';
      valid = false;
    } else if (digit == 1) {
      text += '?';
      valid = false;
    } else if (digit < 12) {
      text += static_cast<char>('0' + (digit - 2));
    } else {
      text += static_cast<char>('A' + (digit - 12));
    }
  }
  return {text.rbegin(), text.rend()};
}

bool gf_processBglWords(const std::vector<std::uint32_t>& words, const std::filesystem::path& file,
                        BglReaderEvents& events) {
  return BglWalk(words, file, events).run();
}

bool gf_processBglFile(const std::filesystem::path& file, BglReaderEvents& events) {
  try {
    std::string bytes;
    std::string cause;
    if (!gf_readFileBytes(file, bytes, cause)) return false;
    std::vector<std::uint32_t> words;
    gf_readFileWords(std::string_view(bytes), words);
    return gf_processBglWords(words, file, events);
  } catch (const std::exception& e) {
    events.log(fmt::format("Exception in lf_processBGLfile (std::ex): {} {} {}", gf_pathToUtf8(file), logDash,
                           e.what()),
               true);
  } catch (...) {
    events.log(fmt::format("Exception in lf_processBGLfile: {}", gf_pathToUtf8(file)), true);
  }
  return false;
}

} // namespace gwr
