#include "core/study/study_record.h"

#include "core/study/conversions.h"

#include <algorithm>

namespace robustez {

namespace {
const std::string kEmpty;
}

void StudyGrid::setRowCount(int rows) {
    rowCount_ = std::max(rows, 0);
}

const std::string& StudyGrid::cell(int column, int row) const {
    if (column < 0 || column >= kColumnCount || row < 0) {
        return kEmpty;
    }
    const auto& texts = columns_[static_cast<size_t>(column)];
    const auto index = static_cast<size_t>(row);
    return index < texts.size() ? texts[index] : kEmpty;
}

void StudyGrid::setCell(int column, int row, std::string text) {
    if (column < 0 || column >= kColumnCount || row < 0) {
        return;
    }
    auto& texts = columns_[static_cast<size_t>(column)];
    const auto index = static_cast<size_t>(row);
    if (index >= texts.size()) {
        if (text.empty()) {
            return;
        }
        texts.resize(index + 1);
    }
    texts[index] = std::move(text);
}

void writeGridHeaders(StudyGrid& grid) {
    for (int column = 0; column < StudyGrid::kColumnCount; ++column) {
        grid.setCell(column, 0, std::string(kGridHeaders[static_cast<size_t>(column)]));
    }
}

void writeSampleNumbers(StudyGrid& grid) {
    for (int row = 2; row < grid.rowCount(); ++row) {
        grid.setCell(0, row, std::to_string(row - 1));
    }
}

void sizeGridForCount(StudyGrid& grid, int n) {
    // The window sizes the grid from a count of at most two typed characters;
    // anything wilder is clamped rather than trusted.
    constexpr long long kMaxRows = 100'000;
    grid.setRowCount(static_cast<int>(std::clamp(n + 2LL, 0LL, kMaxRows)));
    writeSampleNumbers(grid);
    writeGridHeaders(grid);
}

StudyRecord newStudyRecord() {
    StudyRecord study;
    study.grid.setRowCount(6);
    writeSampleNumbers(study.grid);
    writeGridHeaders(study.grid);
    return study;
}

bool valuesComplete(const StudyRecord& study, std::string_view decimalSeparator) {
    int n = 0;
    if (!tryToInteger(study.replicateCountText, n) || n < 2 || n > 10) {
        return false;
    }
    for (int level = 1; level <= kLevelCount; ++level) {
        for (int replicate = 1; replicate <= n; ++replicate) {
            double value = 0;
            const std::string& text = study.value(level, replicate);
            if (text.empty() || !tryToDecimal(text, decimalSeparator, value)) {
                return false;
            }
        }
    }
    return true;
}

} // namespace robustez
