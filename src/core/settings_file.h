// parameters.xml: loading every setting at start, writing them all, and the
// window position read before the main window exists.
#pragma once

namespace gwr {

// Loads every registered setting, clamping numbers in memory, appends missing
// ones and writes the file back. True when the file had to be made anew with
// the defaults (missing, unreadable, or without `parameters`); an unreadable
// file is kept as its "0" generation first.
bool gf_loadParameters();

// Writes every registered setting into a new file: the defaults (and the
// running version as PROGRAM_VERSION's default) or the current values.
void gf_saveParameters(bool defaults);

// Writes the whole file anew, with a `root` around the settings.
void gf_addRootToParametersXml();

// Before the window exists: a file that cannot be parsed is kept as its "0"
// generation and removed; a good one gives MAIN_WINDOW_X and MAIN_WINDOW_Y.
void gf_readWindowPosition();

} // namespace gwr
