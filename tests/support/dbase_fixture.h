// Test helper: a small reference database in XML, with every required
// section, any of which can be left out, and room for optional sections.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>

namespace gwr::testsupport {

// (section, body) of every required section, in file order.
inline constexpr std::array<std::pair<std::string_view, std::string_view>, 11> requiredDbaseSections{{
    {"aircrafts", R"(<aircraft types=" B738 , A388,,A320"/><aircraft types="A1,B744,C172,H160,F16,BE20"/>)"},
    {"cargo_types", R"(<cargo_type types="B744,B77F"/>)"},
    {"heavy", R"(<hvy types="A388,B744"/>)"},
    {"large", R"(<lar types="B738,A320,B744"/>)"},
    {"buzjet", R"(<bzj types="BE20"/>)"},
    {"high_performance", R"(<hpf types="F16"/>)"},
    {"rotorcraft", R"(<rot types="H160"/>)"},
    {"ICAO_airlines", R"(<ICAO codes="KLM,DLH"/><ICAO codes="MPH"/>)"},
    {"cargo_operators", R"(<ICAO codes="MPH,BOX"/>)"},
    {"simaddons20", R"(<simaddon20 arpts="EHAM"/>)"},
    {"simaddons24", R"(<simaddon24 arpts="EHAM,KJFK"/>)"},
}};

// Optional sections with good and bad entries of each kind.
inline constexpr std::string_view optionalDbaseSections = R"(
<similar_types><similar types="B738, A320"/></similar_types>
<prefixes><similar types="DA-,D-,DB-"/><similar types="F-"/></prefixes>
<publishers><pub names="Aerosoft, AS"/><pub names="Orbx,"/><pub names="Aerosoft, AS"/></publishers>
<wingspans><wingspan type="B738" meters="35.8"/><wingspan type="B738" meters="40"/>
  <wingspan type="XXXX" meters="10"/><wingspan type="A388" meters="79.8"/></wingspans>
<fixes><fx wro="B38" cor="B738"/><fx wro="B38" cor="A320"/><fx wro="Q1" cor="NOPE"/></fixes>
<thirdparties20><thirdpartie20 pub="Orbx" arpts="EGLC"/><thirdpartie20 pub="Orbx" arpts="LOWI, EHAM"/>
  <thirdpartie20 pub="AS" arpts="EDDF"/></thirdparties20>
<thirdparties24><thirdpartie24 pub="Orbx" arpts="EGKK"/></thirdparties24>
<dbase><d r="PH-BXA" a="KLM" o="MPH" m="B38" c="true"/><d r="D-AIBA" a="DLH" m="A320"/>
  <d a="KLM" m="B738"/><d r="PH-BXA" a="DLH" m="A388"/></dbase>
)";

// The database without the section named omit (none left out when empty),
// followed by the optional sections given as XML text.
inline std::string dbaseXml(std::string_view omit = {}, std::string_view optional = {}) {
  std::string xml = "<?xml version=\"1.0\"?>\n<root>\n";
  for (const auto& [section, body] : requiredDbaseSections) {
    if (section == omit) continue;
    xml += "<" + std::string(section) + ">" + std::string(body) + "</" + std::string(section) + ">\n";
  }
  xml += optional;
  xml += "</root>\n";
  return xml;
}

} // namespace gwr::testsupport
