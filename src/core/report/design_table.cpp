#include "core/report/design_table.h"

#include "core/report/design_figure.h"
#include "core/stats/evidence.h"
#include "core/stats/number_format.h"

#include <cmath>
#include <utility>

namespace robustez {

namespace {

using design::ResponseAnalysis;

struct EstimateText {
    design::Estimate estimate;
    std::string_view text;
};
constexpr EstimateText kEstimates[] = {
    {design::Estimate::Dummy, "efectos de los factores ficticios"},
    {design::Estimate::Nominal, "ensayos nominales"},
    {design::Estimate::Dong, "algoritmo de Dong"},
    {design::Estimate::Lenth, "método de Lenth"},
};

// The t and p of a column from the estimate used, when it gives them.
struct TestOf {
    std::optional<double> t;
    std::optional<double> p;
};

TestOf testOf(const ResponseAnalysis& a, std::size_t c) {
    const auto pick = [c](const auto& block) {
        return TestOf{c < block.t.size() ? block.t[c] : std::nullopt,
                      c < block.p.size() ? block.p[c] : std::nullopt};
    };
    if (a.estimate == design::Estimate::Dummy && a.dummy) {
        return pick(*a.dummy);
    }
    if (a.estimate == design::Estimate::Nominal && a.nominal) {
        return pick(*a.nominal);
    }
    return {};
}

} // namespace

std::string designNumber(const std::optional<double>& value, std::string_view decimalSeparator) {
    return value && std::isfinite(*value) ? formatResult(*value, decimalSeparator)
                                          : std::string(kDesignUndefined);
}

std::string designPValue(const std::optional<double>& value, std::string_view decimalSeparator) {
    return value && *value >= 0 && *value <= 1 ? formatPValue(*value, decimalSeparator)
                                               : std::string(kDesignUndefined);
}

DesignEffectsTable designEffectsTable(const design::DesignStudy& study, const ResponseAnalysis& a,
                                      std::string_view separator, EquivalenceColumn equivalence) {
    const bool judged = equivalence == EquivalenceColumn::WhenJudged && a.equivalence;
    DesignEffectsTable table{{"Columna", "E", "%E", "t", "p", "E_crit", "Veredicto"}, {}, {}};
    if (judged) {
        table.header.emplace_back("Equivalencia");
    }
    const std::string critical = designNumber(a.e_crit, separator);
    for (std::size_t c = 0; c < a.effects.size(); ++c) {
        const TestOf test = testOf(a, c);
        std::vector<std::string> row = {
            c < study.columns.size() ? study.columns[c].name : std::to_string(c + 1),
            designNumber(a.effects[c], separator),
            designNumber(c < a.percent.size() ? a.percent[c] : std::nullopt, separator),
            designNumber(test.t, separator),
            designPValue(test.p, separator),
            critical};
        std::string verdict = "(ficticio)";
        for (const design::FactorVerdict& v : a.verdicts) {
            if (static_cast<std::size_t>(v.column) == c) {
                verdict = v.verdict.value_or(std::string(kDesignUndefined));
            }
        }
        table.significant.push_back(verdict == "SIGNIFICATIVO");
        row.push_back(std::move(verdict));
        if (judged) {
            std::string text;
            for (const design::FactorEquivalence& e : *a.equivalence) {
                if (static_cast<std::size_t>(e.column) == c) {
                    text = e.verdict.value_or(std::string(kDesignUndefined));
                }
            }
            row.push_back(std::move(text));
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

std::string designEffectsTsv(const DesignEffectsTable& table) {
    std::string text;
    const auto line = [&text](const std::vector<std::string>& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            text += (i ? "\t" : "") + cells[i];
        }
        text += '\n';
    };
    line(table.header);
    for (const std::vector<std::string>& row : table.rows) {
        line(row);
    }
    return text;
}

std::string_view estimateName(design::Estimate estimate) {
    for (const EstimateText& e : kEstimates) {
        if (e.estimate == estimate) {
            return e.text;
        }
    }
    return {};
}

std::string designEstimateLine(const ResponseAnalysis& a, std::string_view separator) {
    return "Estimación usada: " + std::string(estimateName(a.estimate)) +
           ", E_crit = " + designNumber(a.e_crit, separator);
}

std::optional<std::string> designEstimateFigures(const ResponseAnalysis& a,
                                                 design::Estimate estimate,
                                                 std::string_view separator) {
    const auto n = [separator](const std::optional<double>& value) {
        return designNumber(value, separator);
    };
    switch (estimate) {
    case design::Estimate::Dummy:
        if (!a.dummy) {
            return std::nullopt;
        }
        return "Ficticios: n = " + std::to_string(a.dummy->n) +
               ", gl = " + std::to_string(a.dummy->df) + ", se(E) = " + n(a.dummy->se) +
               ", t crítica = " + n(a.dummy->t_crit) + ", E_crit = " + n(a.dummy->e_crit);
    case design::Estimate::Nominal:
        if (!a.nominal) {
            return std::nullopt;
        }
        return "Nominales: n = " + std::to_string(a.nominal->n) + ", s = " + n(a.nominal->s) +
               ", gl = " + std::to_string(a.nominal->df) + ", se(E) = " + n(a.nominal->se) +
               ", t crítica = " + n(a.nominal->t_crit) + ", E_crit = " + n(a.nominal->e_crit);
    case design::Estimate::Dong:
        return "Dong: s0 = " + n(a.dong.s0) + ", límite = " + n(a.dong.limit) +
               ", m = " + std::to_string(a.dong.m) + ", s1 = " + n(a.dong.s1) +
               ", t crítica = " + n(a.dong.t_crit) + ", E_crit = " + n(a.dong.e_crit);
    case design::Estimate::Lenth:
        return "Lenth: s0 = " + n(a.lenth.s0) + ", límite = " + n(a.lenth.limit) +
               ", PSE = " + n(a.lenth.pse) + ", d = " + n(a.lenth.d) + ", ME = " + n(a.lenth.me) +
               ", SME = " + n(a.lenth.sme);
    }
    return std::nullopt;
}

std::string designBaseLine(const ResponseAnalysis& a, std::string_view separator) {
    return "Base del %E (" +
           std::string(a.percent_base.source == design::BaseSource::Nominal ? "media nominal"
                                                                            : "media de diseño") +
           ") = " + designNumber(a.percent_base.value, separator);
}

std::optional<std::string> designLimitLine(const ResponseAnalysis& a,
                                           std::optional<double> limitPct,
                                           std::string_view separator) {
    const std::optional<double> bound = equivalenceBound(a, limitPct);
    if (!bound) {
        return std::nullopt;
    }
    return "Límite de equivalencia: " + designNumber(limitPct, separator) +
           " % de la base, δ = " + designNumber(bound, separator);
}

std::string designConclusionLine(const ResponseAnalysis& a) {
    return a.conclusion.value_or("CONCLUSIÓN (" + a.response +
                                 "): sin efecto crítico, no hay veredicto.");
}

bool designNotTolerant(const ResponseAnalysis& a) {
    return a.conclusion && a.conclusion->find("NO ES TOLERANTE") != std::string::npos;
}

std::vector<std::string> designEquivalenceLines(const ResponseAnalysis& a) {
    std::vector<std::string> lines;
    if (a.equivalence) {
        for (const design::FactorEquivalence& e : *a.equivalence) {
            lines.push_back("Equivalencia (" + e.factor +
                            "): " + e.verdict.value_or(std::string(kDesignUndefined)));
        }
    }
    return lines;
}

std::vector<std::string> designIntervalLines(const ResponseAnalysis& a,
                                             std::string_view separator) {
    std::vector<std::string> lines;
    for (const design::FactorInterval& i : a.intervals) {
        lines.push_back("Intervalo sin efecto significativo (" + i.factor + "): " +
                        designNumber(i.low, separator) + " a " + designNumber(i.high, separator));
    }
    return lines;
}

} // namespace robustez
