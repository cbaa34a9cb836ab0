// The reference database reader: every section of "dbase.xml" with its list
// rules, seeding of the code pools, counts and warnings in the log.
#include "refdata/dbase_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <set>
#include <stdexcept>
#include <system_error>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "core/decrypt.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text_utils.h"
#include "core/user_error.h"
#include "platform/sys/folder_listing.h"
#include "refdata/code_pools.h"
#include "refdata/dbase_tables.h"
#include "refdata/registration_records.h"
#include "refdata/xml_attributes.h"

namespace gwr {

namespace {

constexpr std::size_t reservedSimilarGroups = 64;
constexpr std::size_t reservedPrefixGroups = 64;
constexpr std::size_t reservedPublisherGroups = 640;
constexpr std::size_t reservedThirdParties20 = 600;
constexpr std::size_t reservedThirdParties24 = 300;
constexpr double nmPerMetre = 0.0005399568034557236;  // 1 nm = 1852 m
constexpr const char* rootName = "root";
constexpr const char* rangeErrorText = "invalid array<T, N> subscript";

std::string xmlAttributeString(const pugi::xml_node& node, const char* name) {
  return node.attribute(name).as_string("");
}

// List attributes: trimmed pieces, empty ones dropped.
std::vector<std::string> lf_listPieces(const std::string& text) {
  std::vector<std::string> pieces = gf_splitComma(text);
  std::erase_if(pieces, [](const std::string& piece) { return piece.empty(); });
  return pieces;
}

pugi::xml_node lf_requiredSection(const pugi::xml_document& doc, const char* section) {
  const pugi::xml_node root = doc.child(rootName);
  if (!root) throw UserErrorException(dbaseErrorCode, fmt::format("XML root missing: {}", rootName));
  const pugi::xml_node node = root.child(section);
  if (!node) throw UserErrorException(dbaseErrorCode, fmt::format("Missing section: {}", section));
  return node;
}

void lf_readCommaListSection(const pugi::xml_document& doc, const char* section, std::set<std::string>& out,
                             const char* element, const char* attribute) {
  const pugi::xml_node node = lf_requiredSection(doc, section);
  bool anyPiece = false;
  for (const pugi::xml_node child : node.children(element)) {
    for (std::string& piece : lf_listPieces(xmlAttributeString(child, attribute))) {
      // The shipped lists are sorted: the hint makes each insertion cheap.
      out.insert(out.end(), std::move(piece));
      anyPiece = true;
    }
  }
  if (!anyPiece)
    throw UserErrorException(dbaseErrorCode,
                             fmt::format("In XML file section [{}], element [{}], attribute [{}] is empty.", section,
                                         element, attribute));
}

void lf_readTypesSection(const pugi::xml_document& doc, const char* section, std::set<std::string>& out,
                         const char* element) {
  std::set<std::string> fresh;
  lf_readCommaListSection(doc, section, fresh, element, "types");
  out = std::move(fresh);
}

void lf_readCodesSection(const pugi::xml_document& doc, const char* section, std::set<std::string>& out) {
  std::set<std::string> fresh;
  lf_readCommaListSection(doc, section, fresh, "ICAO", "codes");
  out = std::move(fresh);
}

void lf_toModelIndexSet(const std::set<std::string>& codes, std::set<std::uint16_t>& out) {
  out.clear();
  for (const std::string& code : codes) out.insert(gf_modelIndex(code));
}

pugi::xml_node lf_optionalSection(const pugi::xml_document& doc, const char* section) {
  return doc.child(rootName).child(section);
}

// Groups of sorted list pieces, one per element (similar types, prefixes).
void lf_readGroupsSection(const pugi::xml_document& doc, const char* section, std::size_t reserved,
                          std::vector<std::vector<std::string>>& out) {
  const pugi::xml_node node = lf_optionalSection(doc, section);
  if (!node) return;
  out.reserve(reserved);
  for (const pugi::xml_node child : node.children("similar")) {
    std::vector<std::string> group = lf_listPieces(xmlAttributeString(child, "types"));
    std::sort(group.begin(), group.end());
    out.push_back(std::move(group));
  }
  out.shrink_to_fit();
}

void lf_buildPrefixMap() {
  std::set<std::string> texts;
  for (const auto& group : prefixGroups) {
    if (group.size() < 2) continue;
    for (std::size_t i = 0; i < group.size(); ++i) {
      std::string text = group[i];
      for (std::size_t j = 0; j < group.size(); ++j)
        if (j != i) text += "," + group[j];
      texts.insert(std::move(text));
    }
  }
  for (const std::string& text : texts) {
    std::vector<std::string> pieces = lf_listPieces(text);
    if (pieces.size() < 2) continue;
    std::string key = pieces.front();
    pieces.erase(pieces.begin());
    prefixEquivalents.try_emplace(std::move(key), std::move(pieces));
  }
}

void lf_readPublishers(const pugi::xml_document& doc) {
  publisherGroups.reserve(reservedPublisherGroups);
  if (const pugi::xml_node node = lf_optionalSection(doc, "publishers")) {
    std::set<std::string> texts;
    for (const pugi::xml_node child : node.children("pub")) texts.insert(xmlAttributeString(child, "names"));
    for (const std::string& text : texts) {
      std::vector<std::string> group;
      for (std::string& name : gf_splitComma(text)) {
        // An empty name would be found in every package path.
        if (name.empty()) {
          gf_logError(fmt::format("empty publisher name in '{}' skipped", text));
          continue;
        }
        group.push_back(std::move(name));
      }
      if (!group.empty()) publisherGroups.push_back(std::move(group));
    }
  }
  publisherGroups.shrink_to_fit();
  gf_log(fmt::format("{:5} publishers", publisherGroups.size()));
}

void lf_fillHalfWingspans(const std::string& code, double halfSpan) {
  const std::uint16_t model = gf_modelIndex(code);
  if (model >= halfSpanSlots) {
    gf_logError(fmt::format("wsp fill what: {}", rangeErrorText));
    return;
  }
  halfSpans[model] = halfSpan;
}

void lf_readWingspans(const pugi::xml_document& doc) {
  const pugi::xml_node node = lf_optionalSection(doc, "wingspans");
  if (!node) return;
  for (const pugi::xml_node child : node.children("wingspan")) {
    const std::string type = xmlAttributeString(child, "type");
    if (type.empty() || !icaoModelCodes.contains(type)) {
      gf_logError(fmt::format("wingspan model {} is not valid, skipped", type));
      continue;
    }
    const double halfSpan = gf_attributeDouble(child.attribute("meters")) * 0.5 * nmPerMetre;
    halfSpansByCode.try_emplace(halfSpansByCode.end(), type, halfSpan);
    maxHalfSpan = std::max(maxHalfSpan, halfSpan);
  }
  for (const auto& [code, halfSpan] : halfSpansByCode) lf_fillHalfWingspans(code, halfSpan);
}

void lf_readFixes(const pugi::xml_document& doc) {
  const pugi::xml_node node = lf_optionalSection(doc, "fixes");
  if (!node) return;
  for (const pugi::xml_node child : node.children("fx")) {
    const std::string wrong = xmlAttributeString(child, "wro");
    const std::string correct = xmlAttributeString(child, "cor");
    if (correct.empty() || !icaoModelCodes.contains(correct)) {
      gf_logError(fmt::format("wrong fix {} -> {}, the latter is not valid", wrong, correct));
      continue;
    }
    if (!modelFixes.try_emplace(wrong, correct).second)
      gf_logError(fmt::format("wrong part of fix: '{}', already exists, skipped", wrong));
  }
  gf_log(fmt::format("{:5} fixes", modelFixes.size()));
}

void lf_readThirdPartiesSection(const pugi::xml_document& doc, const char* section,
                                std::vector<ThirdPartyAirports>& out, const char* element) {
  const pugi::xml_node node = lf_optionalSection(doc, section);
  if (!node) return;
  for (const pugi::xml_node child : node.children(element))
    out.push_back({xmlAttributeString(child, "pub"), lf_listPieces(xmlAttributeString(child, "arpts"))});
}

// Pool indexes of the codes already met in one read. The registration
// records repeat a few hundred short codes thousands of times, and each pool
// look-up would take the pool's lock and build a string.
class CodeIndexCache {
 public:
  using Lookup = std::uint16_t (*)(const std::string&);
  explicit CodeIndexCache(Lookup poolLookup) : lookup(poolLookup) {}

  std::uint16_t index(std::string_view code) {
    // Codes of up to four bytes pack into the key; no code holds a NUL byte.
    if (code.size() > sizeof(std::uint32_t) || used >= maxCachedCodes) return lookup(std::string(code));
    std::uint32_t key = 0;
    std::memcpy(&key, code.data(), code.size());
    for (std::size_t slot = slotOf(key);; slot = (slot + 1) & slotMask) {
      Entry& entry = slots[slot];
      if (entry.filled && entry.key == key) return entry.index;
      if (!entry.filled) {
        entry = {key, lookup(std::string(code)), true};
        ++used;
        return entry.index;
      }
    }
  }

 private:
  static constexpr unsigned slotBits = 13;
  static constexpr std::size_t slotCount = std::size_t{1} << slotBits;
  static constexpr std::size_t slotMask = slotCount - 1;
  static constexpr std::size_t maxCachedCodes = slotCount / 2;  // keeps probe runs short
  static constexpr std::uint32_t hashFactor = 2654435761U;      // Knuth's multiplicative hash

  struct Entry {
    std::uint32_t key = 0;
    std::uint16_t index = 0;
    bool filled = false;
  };
  // The top bits of the product are the well-mixed ones.
  static std::size_t slotOf(std::uint32_t key) { return (key * hashFactor) >> (32U - slotBits); }

  Lookup lookup;
  std::vector<Entry> slots = std::vector<Entry>(slotCount);
  std::size_t used = 0;
};

void lf_readRegistrations(const pugi::xml_document& doc) {
  if (dbaseRecords.capacity() < reservedDbaseRecords) dbaseRecords.reserve(reservedDbaseRecords);
  if (const pugi::xml_node node = lf_optionalSection(doc, "dbase")) {
    CodeIndexCache airlines(&gf_airlineIndex);
    CodeIndexCache models(&gf_modelIndex);
    for (const pugi::xml_node child : node.children("d")) {
      pugi::xml_attribute fields[5];  // r, a, o, m, c
      gf_singleLetterAttributes(child, "raomc", fields);
      const char* registration = fields[0].as_string("");
      const std::string_view airline = fields[1].as_string("");
      const std::string_view model = fields[3].as_string("");
      // A record without registration would match every look-up in a text.
      if (*registration == '\0') {
        gf_logError(fmt::format("registration record without registration skipped (a='{}', m='{}')", airline, model));
        continue;
      }
      LivKey key;
      key.airline = airlines.index(airline);
      key.airlineOperator = airlines.index(fields[2].as_string(""));
      key.model = models.index(model);
      key.cargo = fields[4].as_bool(false) ? 1 : 0;
      key.fromDbase = 1;
      dbaseRecords.push_back({registration, key});
    }
  }
  gf_uniqueDbaseRecords();
  gf_log(fmt::format("{:5} dbase records read", dbaseRecords.size()));
}

struct CategorySection {
  AcCategory category;
  const char* section;
  const char* element;
};

constexpr std::array<CategorySection, 5> categorySections{{{AcCategory::Heavy, "heavy", "hvy"},
                                                           {AcCategory::Large, "large", "lar"},
                                                           {AcCategory::Buzjets, "buzjet", "bzj"},
                                                           {AcCategory::HighPerf, "high_performance", "hpf"},
                                                           {AcCategory::Rotorcraft, "rotorcraft", "rot"}}};

void lf_readModels(const pugi::xml_document& doc) {
  lf_readTypesSection(doc, "aircrafts", icaoModelCodes, "aircraft");
  gf_log(fmt::format("\n{:5} ICAO model codes", icaoModelCodes.size()));
  lf_readTypesSection(doc, "cargo_types", cargoModelCodes, "cargo_type");

  gf_modelIndex("");
  for (const std::string& code : icaoModelCodes) gf_modelIndex(code);
  modelPool.setUseFixes(true);
  for (const std::string& code : cargoModelCodes) gf_modelIndex(code);

  for (const CategorySection& entry : categorySections)
    lf_readTypesSection(doc, entry.section, categoryCodes[gf_categorySlot(entry.category)], entry.element);
  for (const CategorySection& entry : categorySections) {
    const std::size_t slot = gf_categorySlot(entry.category);
    lf_toModelIndexSet(categoryCodes[slot], categoryModels[slot]);
  }
}

void lf_readAirlines(const pugi::xml_document& doc) {
  lf_readCodesSection(doc, "ICAO_airlines", icaoAirlineCodes);
  gf_log(fmt::format("{:5} ICAO airline codes", icaoAirlineCodes.size()));
  lf_readCodesSection(doc, "cargo_operators", cargoOperatorCodes);
  gf_log(fmt::format("{:5} cargo operators", cargoOperatorCodes.size()));

  gf_airlineIndex("");
  for (const std::string& code : icaoAirlineCodes) gf_airlineIndex(code);
  for (const std::string& code : cargoOperatorCodes) gf_airlineIndex(code);
}

void lf_readAirportLists(const pugi::xml_document& doc) {
  lf_readCommaListSection(doc, "simaddons20", simAddonAirports20, "simaddon20", "arpts");
  lf_readCommaListSection(doc, "simaddons24", simAddonAirports24, "simaddon24", "arpts");
  gf_log(fmt::format("{} simaddons24", simAddonAirports24.size()));

  thirdPartyAirports20.reserve(reservedThirdParties20);
  lf_readThirdPartiesSection(doc, "thirdparties20", thirdPartyAirports20, "thirdpartie20");
  thirdPartyAirports24.reserve(reservedThirdParties24);
  lf_readThirdPartiesSection(doc, "thirdparties24", thirdPartyAirports24, "thirdpartie24");
}

} // namespace

bool gf_readDbaseText(std::string& xml, const std::string& sourceName) {
  pugi::xml_document doc;
  // Parsed in place: the decrypted text is not copied once more.
  const pugi::xml_parse_result parsed = doc.load_buffer_inplace(xml.data(), xml.size());
  if (!parsed) {
    gf_logError(fmt::format("'{}' not read because of {}", sourceName, parsed.description()));
    return false;
  }
  lf_readModels(doc);

  lf_readGroupsSection(doc, "similar_types", reservedSimilarGroups, similarModelGroups);
  lf_readGroupsSection(doc, "prefixes", reservedPrefixGroups, prefixGroups);
  gf_log(fmt::format("{:5} prefixes", prefixGroups.size()));
  lf_buildPrefixMap();

  lf_readAirlines(doc);
  lf_readPublishers(doc);
  lf_readWingspans(doc);
  lf_readFixes(doc);
  lf_readAirportLists(doc);
  lf_readRegistrations(doc);
  return true;
}

bool gf_readDbaseXml(const std::filesystem::path& plain) {
  std::string xml = gf_readDataFileOrThrow(plain);
  return gf_readDbaseText(xml, plain.string());
}

bool gf_readDbaseFrom(const std::filesystem::path& encrypted, const DataFileKey& key) {
  std::error_code error;
  if (!platform::pathExists(encrypted, error))
    throw std::runtime_error(fmt::format("{} not available", encrypted.string()));
  std::optional<std::string> xml = gf_streamDecrypt(encrypted, key);
  if (!xml) throw std::runtime_error(fmt::format("{} stream decrypt failed", encrypted.string()));
  return gf_readDbaseText(*xml, encrypted.string());
}

bool gf_readDbase() { return gf_readDbaseFrom(dbaseEncFile, gf_programDataKey()); }

} // namespace gwr
