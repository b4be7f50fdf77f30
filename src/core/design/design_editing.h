#pragma once

#include "core/design/design_study.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace robustez::design {

// What the design window does with a screen being planned: its settings as
// typed and kept, its runs laid out again after a change, and a block of
// responses pasted from a spreadsheet.

// A setting typed in the locale's notation as the study keeps it: a number
// with "." for the decimal separator, any other text as it is.
std::string keptSetting(const std::string& typed, std::string_view decimalSeparator);
// A kept setting as the user reads it: a number in the locale's notation.
std::string shownSetting(const std::string& kept, std::string_view decimalSeparator);

// The factors' codes of a run, in factor order (dummies left out): the
// settings the analyst sets at the instrument.
std::vector<int> factorCodes(const DesignStudy& study, const DesignRun& run);

// For each run of `after`, the run of `before` that is the same experiment,
// or -1. A nominal run is the nominal run of the same number (every nominal
// run is the method at its nominal settings). A design run is a design run
// of `before` whose factors take the same settings, with as many factors:
// runs with equal settings pair off in their standard order, so that a new
// order or seed of the same design keeps every run. No run of `before` is
// used twice.
std::vector<int> survivingRuns(const DesignStudy& before, const DesignStudy& after);

// The number of responses that have a value in the study's runs.
int measuredValueCount(const DesignStudy& study);

// Gives the runs of `after` the values of the runs of `before` that survive
// (survivingRuns), response by response in the same place; returns how many
// values of `before` find no run.
int carryValues(const DesignStudy& before, DesignStudy& after);

// One cell of a pasted block of responses: its run and response (0-based)
// and its text.
struct PastedResponse {
    std::size_t run = 0;
    std::size_t response = 0;
    std::string text;
};

// A block of responses pasted at a cell, checked as typed values are.
struct PastedResponses {
    // The cells the paste writes, row by row, left to right; an empty
    // cell of the block writes nothing and leaves the value there.
    std::vector<PastedResponse> cells;
    // The cells whose text is not a number in the locale's notation.
    std::vector<PastedResponse> refused;
    // Some cell is refused and every refused one reads as a number once "."
    // and "," are swapped in it.
    bool convertible = false;
};

// Reads a block copied from a spreadsheet (rows end in CR LF, LF or CR,
// cells parted by tabs; a closing line end starts no row; empty last columns
// are dropped, as instruments end every line with a tab), its first cell at
// response `response` of run `run`. Throws RobustezError when the block does
// not fit the runs and responses from there (the message gives the block's
// size and the room).
PastedResponses readPastedResponses(std::string_view text, std::size_t run, std::size_t response,
                                    std::size_t runs, std::size_t responses,
                                    std::string_view decimalSeparator);

// The text with every "." and "," swapped.
std::string withPointAndCommaSwapped(std::string text);

// The message naming a refused pasted value: the response and the run
// ("Contenido, corrida 4: «abc»").
std::string refusedResponseMessage(const DesignStudy& study, const PastedResponse& cell);

} // namespace robustez::design
