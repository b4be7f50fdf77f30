#include "core/study/study_record.h"

#include <gtest/gtest.h>

using namespace robustez;

TEST(StudyRecord, NewStudyHasHeadersSampleNumbersAndUnacceptedCount) {
    const StudyRecord study = newStudyRecord();
    EXPECT_EQ(study.replicateCountText, "3");
    EXPECT_EQ(study.grid.rowCount(), 6);
    EXPECT_EQ(study.grid.cell(0, 0), "Muestra");
    EXPECT_EQ(study.levelName(1), "Normal");
    EXPECT_EQ(study.levelName(2), "Baja");
    EXPECT_EQ(study.levelName(3), "Alta");
    EXPECT_EQ(study.grid.cell(0, 1), "");
    for (int row = 2; row < 6; ++row) {
        EXPECT_EQ(study.grid.cell(0, row), std::to_string(row - 1));
    }
    EXPECT_EQ(study.grid.cell(0, 6), "");
}

TEST(StudyRecord, GridKeepsHiddenRowsAndReadsUnwrittenCellsAsEmpty) {
    StudyRecord study = newStudyRecord();
    sizeGridForCount(study.grid, 5);
    EXPECT_EQ(study.grid.rowCount(), 7);
    for (int r = 1; r <= 5; ++r) {
        study.grid.setCell(1, r + 1, "10" + std::to_string(r));
    }
    sizeGridForCount(study.grid, 3);
    EXPECT_EQ(study.grid.rowCount(), 5);
    EXPECT_EQ(study.value(1, 4), "104"); // hidden, still held
    sizeGridForCount(study.grid, 5);
    EXPECT_EQ(study.value(1, 5), "105");
    EXPECT_EQ(study.grid.cell(0, 6), "5");

    sizeGridForCount(study.grid, 2);
    EXPECT_EQ(study.grid.rowCount(), 4);
    EXPECT_EQ(study.grid.cell(0, 3), "2");
    sizeGridForCount(study.grid, 10);
    EXPECT_EQ(study.grid.rowCount(), 12);
    EXPECT_EQ(study.grid.cell(0, 11), "10");

    EXPECT_EQ(study.grid.cell(3, 500), "");
    EXPECT_EQ(study.grid.cell(4, 2), "");
    EXPECT_EQ(study.grid.cell(-1, 2), "");
    EXPECT_EQ(study.grid.cell(1, -1), "");
    study.grid.setCell(9, 2, "ignored");
    sizeGridForCount(study.grid, -9);
    EXPECT_EQ(study.grid.rowCount(), 0);
    sizeGridForCount(study.grid, 2147483647);
    EXPECT_GT(study.grid.rowCount(), 0);
}

TEST(StudyRecord, ValuesCompleteOnlyWhenEveryValueConverts) {
    // The worked example with n = 2; settings left empty (they are free text).
    StudyRecord study = newStudyRecord();
    study.replicateCountText = "2";
    sizeGridForCount(study.grid, 2);
    const char* values[3][2] = {{"99.8", "100.2"}, {"99.5", "99.9"}, {"98.7", "99.1"}};
    for (int level = 1; level <= 3; ++level) {
        for (int r = 1; r <= 2; ++r) {
            study.grid.setCell(level, r + 1, values[level - 1][r - 1]);
        }
    }
    EXPECT_TRUE(valuesComplete(study, "."));
    // The other separator does not read "99.8".
    EXPECT_FALSE(valuesComplete(study, ","));
    // One value missing, or not a number.
    StudyRecord missing = study;
    missing.grid.setCell(3, 3, "");
    EXPECT_FALSE(valuesComplete(missing, "."));
    StudyRecord text = study;
    text.grid.setCell(2, 2, "abc");
    EXPECT_FALSE(valuesComplete(text, "."));
    // A count outside 2..10 or not a whole number.
    for (const char* count : {"1", "11", "x", ""}) {
        StudyRecord bad = study;
        bad.replicateCountText = count;
        EXPECT_FALSE(valuesComplete(bad, ".")) << count;
    }
    // A count of 3 with only two values per level typed.
    StudyRecord grown = study;
    grown.replicateCountText = "3";
    EXPECT_FALSE(valuesComplete(grown, "."));
}
