// The aircraft model code of an aircraft.cfg file: from its type designator,
// from the stock aircraft its base_container names, or from an IVAO folder name.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace gwr {

// The simulator's stock aircraft names (as they follow "..\" in a
// base_container value, case-sensitive) and their ICAO type designators.
extern const std::unordered_map<std::string, std::string> StockModelTypes;

// Known codes pass; a code with a model fix becomes its fix (a FixLines
// line); any other code gives empty (an InvalidModelLines line).
std::string gf_checkModelCode(const std::string& code, const std::filesystem::path& file);

// The type of the stock aircraft a base_container line names, upper-cased;
// empty when the line is no such line or names none of them.
std::string gf_readBaseContainerType(std::string_view line);

// The model code of an ordinary file from all its lines: the first type
// designator decides; without one, the stock aircraft of base_container.
// Empty (with its report line) when there is no usable code.
std::string gf_modelOfCfgFile(const std::filesystem::path& file, const std::vector<std::string>& lines);
std::string gf_modelFromBaseContainer(const std::filesystem::path& file, const std::vector<std::string>& lines);

// The two halves of gf_modelOfCfgFile, so that the lines can go before the
// check: the code the lines name, unchecked (empty: none), and its check with
// the report lines.
std::string gf_findModelCode(const std::vector<std::string>& lines);
std::string gf_checkFoundModelCode(const std::string& code, const std::filesystem::path& file);

// The model code of an IVAO package file from its path alone: the folder
// IVAO_<code...> in SimObjects/Airplanes of IVAO_MTL or ivao_x-csl (any case,
// either separator), cut to 4 characters.
std::string gf_ivaoModelCode(const std::filesystem::path& file);

} // namespace gwr
