#pragma once

#include "core/report/display_list.h"
#include "core/report/summary.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace robustez {

// The figure of the summary of a method's robustness: the forest plot of
// every comparison, as a display list.

// One comparison of the forest plot, in percent of its study's Normal mean.
struct ForestLine {
    std::string condition; // the study's label (studyLabels)
    int level = 0;         // kLevelBaja or kLevelAlta
    double relativePct = 0;
    double lowPct = 0; // the simultaneous interval, low <= high (when finite)
    double highPct = 0;
    bool tolerant = true;
};

// Two lines, Baja then Alta, for each study with result, in the studies'
// order: the relative difference and 100 * the interval's ends / the Normal
// mean.
std::vector<ForestLine> forestLines(const SummaryStudies& summary);

inline constexpr Rgb kForestTolerantInk = kTolerantInk;
inline constexpr Rgb kForestNotTolerantInk = kNotTolerantInk;
inline constexpr Rgb kForestBandFill{0xD9, 0xEF, 0xD9};

// The width of the forest plot saved on its own (SVG and PNG), by the
// program and by the report tool alike.
inline constexpr double kSummaryFigureWidth = 900;

// A page holds the forest plot of this many conditions at most.
inline constexpr std::size_t kForestConditionsPerPage = 20;

// The forest plot of lines[first, first + count) in a width x height box,
// texts of base size fontSize: a bold title; a legend (a marker of each
// colour, "TOLERANTE" and "NO TOLERANTE", and with a limit the band's swatch
// and "Límite de equivalencia ±L %"); one row per line, its condition's
// label on the left (on the first of its rows' pair), its level beside it,
// the relative difference as a square within its interval, tolerant ones in
// kForestTolerantInk and the others in kForestNotTolerantInk; a solid line
// at 0, and, with a limit L, a band of kForestBandFill from -L to +L behind
// them; a horizontal axis in percent. The axis takes in 0, the limit and
// every finite value of all the lines (not only those drawn), so that the
// parts of one plot on several pages share one scale. Values that are not
// finite are left out; every coordinate is finite. With no line to draw,
// the plot says "Ningún estudio tiene resultado.".
// Throws std::invalid_argument for a box or size that is not finite and
// positive.
DisplayList composeForestPlot(const std::vector<ForestLine>& lines, std::size_t first,
                              std::size_t count, std::optional<double> limitPct, double width,
                              double height, std::string_view decimalSeparator, double fontSize);

// The height in which composeForestPlot draws `count` lines at its own row
// pitch.
double forestPlotHeight(std::size_t count, std::optional<double> limitPct, double width,
                        double fontSize);

// The whole forest plot, `width` wide and as tall as its lines need, with
// the text size following the width: what the program's window shows and
// the report tool writes as SVG.
DisplayList composeSummaryFigure(const SummaryStudies& summary, double width,
                                 std::string_view decimalSeparator);

} // namespace robustez
