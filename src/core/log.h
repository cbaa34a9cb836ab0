// The program's log: "Log.txt" in the program folder, written whole-line under
// one leaf mutex by every thread, with three older generations kept at start.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace gwr {

// The dash of the log's texts, in the log's own UTF-8 (one rule for every line).
inline constexpr std::string_view logDash = "\u2014";

// The log's file name, relative: it names the file in the current folder.
inline constexpr std::string_view logFileName = "Log.txt";

// Copies the older generations on, opens "Log.txt" in the current folder and
// writes the header line. Throws std::runtime_error when it cannot be opened;
// a pipe, device or another user's link in its place is not opened at all:
// one line on standard error says so and the program runs on without a log.
void gf_openLogFile();

void gf_log(std::string_view text);          // text + "\n"
void gf_logError(std::string_view text);     // "==> " + text + "\n"
void gf_logIndented(std::string_view text);  // ten blanks + text + "\n"
void gf_logIfRunning(const std::string& text);  // gf_log unless a stop flag is set

// Moves Log0 -> Log00 -> Log000 on and copies the file to its "0" generation.
bool gf_saveUpto3GenerationsOf(const std::filesystem::path& file);

// The UTF-8 path text of generation n (1..3) of file: n "0"s before the last dot of the
// file name; empty when the file name has no dot (a folder's dot never counts).
std::string gf_generationName(const std::filesystem::path& file, int n);

// Tests only: close the log so that the next gf_openLogFile opens it afresh.
void gf_closeLogFileForTests();

} // namespace gwr
