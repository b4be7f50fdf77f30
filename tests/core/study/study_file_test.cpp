#include "core/study/study_file.h"

#include "core/platform/scratch_folder.h"
#include "core/report/text_report.h"
#include "core/study/errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace robustez {
namespace {

namespace fs = std::filesystem;

const std::string kOutOfRange = "Datos fuera de límite, 2-10 valoraciones (Replicaciones).";

StudyRecord sampleStudy() {
    StudyRecord study = newStudyRecord();
    study.methodName = "Valoración";
    study.analystName = "Q.F.B. María Pérez";
    study.dateText = "07/12/2026";
    study.replicateCountText = "3";
    study.conditionName = "Temperatura";
    sizeGridForCount(study.grid, 3);
    const char* cells[3][4] = {{"25 °C", "99.80", "1,5E2", "abc"},
                               {"", "99.5", "", "99.9"},
                               {"30 °C", "98.7", "99.1", "  7 "}};
    for (int level = 1; level <= 3; ++level) {
        for (int row = 1; row <= 4; ++row) {
            study.grid.setCell(level, row, cells[level - 1][row - 1]);
        }
    }
    return study;
}

// Builds the bytes of a file from its lines and a line end.
std::string joinLines(std::initializer_list<std::string> lines, const std::string& end = "\r\n") {
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line + end;
    }
    return bytes;
}

std::string decodeError(std::string_view bytes) {
    try {
        decodeStudy(bytes);
    } catch (const RobustezError& error) {
        return error.what();
    }
    return "(no error)";
}

void expectSameStudy(const StudyRecord& a, const StudyRecord& b, int n) {
    EXPECT_EQ(a.methodName, b.methodName);
    EXPECT_EQ(a.analystName, b.analystName);
    EXPECT_EQ(a.dateText, b.dateText);
    EXPECT_EQ(a.replicateCountText, b.replicateCountText);
    EXPECT_EQ(a.conditionName, b.conditionName);
    for (int level = 1; level <= 3; ++level) {
        for (int row = 1; row <= n + 1; ++row) {
            EXPECT_EQ(a.grid.cell(level, row), b.grid.cell(level, row))
                << "level " << level << " row " << row;
        }
    }
}

TEST(StudyFileCodec, EncodeWritesThreeNPlusEightCrLfLines) {
    const std::string bytes = encodeStudy(sampleStudy());
    const std::string expected = joinLines({"Valoraci\xf3n",
                                            "Q.F.B. Mar\xed"
                                            "a P\xe9rez",
                                            "07/12/2026", "3", "Temperatura",
                                            "25 \xb0"
                                            "C",
                                            "99.80", "1,5E2", "abc", "", "99.5", "", "99.9",
                                            "30 \xb0"
                                            "C",
                                            "98.7", "99.1", "  7 "});
    EXPECT_EQ(bytes, expected);
    std::size_t lineEnds = 0;
    for (std::size_t pos = 0; (pos = bytes.find("\r\n", pos)) != std::string::npos; pos += 2) {
        ++lineEnds;
    }
    EXPECT_EQ(lineEnds, 17u);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");

    // The blocks follow the count text, whatever the grid's size; rows the
    // grid never held are written empty.
    StudyRecord study = sampleStudy();
    study.replicateCountText = "4";
    EXPECT_EQ(encodeStudy(study).size(), expected.size() + 3 * 2);

    // A count that is not a whole number writes nothing.
    study.replicateCountText = "3a";
    try {
        encodeStudy(study);
        FAIL();
    } catch (const ConversionError& error) {
        EXPECT_STREQ(error.what(), "'3a' is not a valid integer value");
    }
}

TEST(StudyFileCodec, RoundTripKeepsEveryTextVerbatim) {
    const StudyRecord original = sampleStudy();
    const StudyRecord loaded = decodeStudy(encodeStudy(original));
    expectSameStudy(loaded, original, 3);
    EXPECT_EQ(loaded.grid.rowCount(), 5);
    EXPECT_EQ(loaded.grid.cell(0, 0), "Muestra");
    EXPECT_EQ(loaded.levelName(1), "Normal");
    EXPECT_EQ(loaded.levelName(2), "Baja");
    EXPECT_EQ(loaded.levelName(3), "Alta");
    EXPECT_EQ(loaded.grid.cell(0, 1), "");
    EXPECT_EQ(loaded.grid.cell(0, 2), "1");
    EXPECT_EQ(loaded.grid.cell(0, 4), "3");
    EXPECT_EQ(loaded.value(1, 1), "99.80");
    EXPECT_EQ(loaded.value(1, 2), "1,5E2");
    EXPECT_EQ(loaded.value(1, 3), "abc");
    EXPECT_EQ(loaded.levelSetting(2), "");
    EXPECT_EQ(loaded.levelSetting(1), "25 °C");

    // n = 10 and n = 2 with texts that are long and full of accents.
    for (int n : {2, 10}) {
        StudyRecord study = newStudyRecord();
        study.methodName = std::string(300, 'x') + " Método Ñ ª °";
        study.replicateCountText = std::to_string(n);
        sizeGridForCount(study.grid, n);
        for (int level = 1; level <= 3; ++level) {
            for (int row = 1; row <= n + 1; ++row) {
                study.grid.setCell(level, row, std::to_string(level * 100 + row) + "ñ");
            }
        }
        const std::string bytes = encodeStudy(study);
        const StudyRecord back = decodeStudy(bytes);
        expectSameStudy(back, study, n);
        EXPECT_EQ(back.grid.rowCount(), n + 2);
        EXPECT_EQ(back.grid.cell(0, n + 1), std::to_string(n));
        EXPECT_EQ(encodeStudy(back), bytes);
    }
}

TEST(StudyFileCodec, LineEndsOfEverySystem) {
    // The 14 lines of a study with n = 2, each row giving the bytes that end
    // its lines (one per line, the last one repeated) and what follows them.
    const std::vector<std::string> body = {"M", "A",  "D", "2", "C",  "s1", "1",
                                           "2", "s2", "3", "4", "s3", "5",  "6"};
    struct Case {
        const char* name;
        std::vector<std::string> ends;
        std::string tail;
    };
    const Case cases[] = {
        {"CR LF", {"\r\n"}, ""},
        {"LF", {"\n"}, ""},
        {"CR", {"\r"}, ""},
        {"mixed", {"\r\n", "\n", "\r", "\n", "\r\n", "\r"}, ""},
        {"LF, then 0x1A", {"\n"}, "\x1a"},
        {"CR LF, then 0x1A and bytes after it", {"\r\n"}, "\x1agarbage\r\n"},
        {"LF, no end on the last line", {"\n"}, "-"},
    };
    for (const Case& c : cases) {
        std::string bytes;
        for (std::size_t i = 0; i < body.size(); ++i) {
            const bool last = i + 1 == body.size();
            bytes += body[i];
            if (!last || c.tail != "-") {
                bytes += c.ends[std::min(i, c.ends.size() - 1)];
            }
        }
        if (c.tail != "-") {
            bytes += c.tail;
        }
        const StudyRecord study = decodeStudy(bytes);
        EXPECT_EQ(study.methodName, "M") << c.name;
        EXPECT_EQ(study.dateText, "D") << c.name;
        EXPECT_EQ(study.conditionName, "C") << c.name;
        EXPECT_EQ(study.grid.rowCount(), 4) << c.name;
        EXPECT_EQ(study.levelSetting(2), "s2") << c.name;
        EXPECT_EQ(study.value(3, 1), "5") << c.name;
        EXPECT_EQ(study.value(3, 2), "6") << c.name;
        // Saved back, every line ends in CR LF.
        std::string crLf;
        for (const std::string& line : body) {
            crLf += line + "\r\n";
        }
        EXPECT_EQ(encodeStudy(study), crLf) << c.name;
    }
}

TEST(StudyFileCodec, ReadingRulesLineBreaks) {
    // One LF after a CR is skipped; a second LF ends an empty line, as a CR
    // after CR LF does.
    const StudyRecord study = decodeStudy("a\r\n\nD\r\n2\r\r\ns1\r\n");
    EXPECT_EQ(study.methodName, "a");
    EXPECT_EQ(study.analystName, "");
    EXPECT_EQ(study.dateText, "D");
    EXPECT_EQ(study.replicateCountText, "2");
    EXPECT_EQ(study.conditionName, "");
    EXPECT_EQ(study.levelSetting(1), "s1");
    EXPECT_EQ(study.grid.rowCount(), 4);

    // 0x1A ends the file, in the middle of a line too.
    const StudyRecord cut = decodeStudy(joinLines({"M", "A", "D", "2", "Co\x1an", "s1", "1"}));
    EXPECT_EQ(cut.conditionName, "Co");
    EXPECT_EQ(cut.levelSetting(1), "");
    EXPECT_EQ(cut.value(1, 1), "");

    // A file cut short reads the missing lines as empty, even without a
    // final line end.
    const StudyRecord shortFile = decodeStudy("M\r\nA\r\nD\r\n3\r\nC\r\ns1\r\n10");
    EXPECT_EQ(shortFile.levelSetting(1), "s1");
    EXPECT_EQ(shortFile.value(1, 1), "10");
    EXPECT_EQ(shortFile.value(1, 2), "");
    EXPECT_EQ(shortFile.levelSetting(3), "");
    EXPECT_EQ(shortFile.value(3, 3), "");
    EXPECT_EQ(shortFile.grid.rowCount(), 5);

    // Lines after 3n + 8 are ignored.
    const StudyRecord extra = decodeStudy(joinLines({"M", "A", "D", "2", "C", "s1", "1", "2", "s2",
                                                     "3", "4", "s3", "5", "6", "extra", "more"}));
    EXPECT_EQ(extra.value(3, 2), "6");
    EXPECT_EQ(extra.grid.cell(3, 4), "");
    EXPECT_EQ(extra.grid.cell(1, 4), "");

    // Lines of any length are kept whole.
    const std::string longLine(100 * 1024, 'v');
    const StudyRecord longStudy =
        decodeStudy(joinLines({longLine, "A", "D", "2", "C", "s1", longLine + "x"}));
    EXPECT_EQ(longStudy.methodName, longLine);
    EXPECT_EQ(longStudy.value(1, 1), longLine + "x");

    // An empty file has no count; a file cut after its header lines, whatever
    // its line ends, reads its count.
    EXPECT_EQ(decodeError(""), "'' is not a valid integer value");
    EXPECT_EQ(decodeStudy("M\nA\nD\n3\nC\n").grid.rowCount(), 5);
}

TEST(StudyFileCodec, CountOfLineFour) {
    auto withCount = [](const std::string& count) {
        return joinLines({"M", "A", "D", count, "C", "s", "1", "2", "3"});
    };
    for (const std::string count : {"0", "1", "11", "-3", "99", "2147483647"}) {
        EXPECT_EQ(decodeError(withCount(count)), kOutOfRange) << count;
    }
    EXPECT_EQ(decodeError(withCount("abc")), "'abc' is not a valid integer value");
    EXPECT_EQ(decodeError(withCount("3.0")), "'3.0' is not a valid integer value");
    EXPECT_EQ(decodeError(withCount("99999999999")), "'99999999999' is not a valid integer value");
    // The message shows the text as read, accents included.
    EXPECT_EQ(decodeError(withCount("tr\xe9s")), "'trés' is not a valid integer value");

    const StudyRecord spaced = decodeStudy(withCount(" 3"));
    EXPECT_EQ(spaced.replicateCountText, " 3");
    EXPECT_EQ(spaced.grid.rowCount(), 5);
    EXPECT_EQ(spaced.value(1, 2), "2");
    EXPECT_EQ(decodeStudy(withCount("+2")).grid.rowCount(), 4);
    EXPECT_EQ(decodeStudy(withCount("10")).grid.rowCount(), 12);
}

using StudyFileOnDisk = testing::ScratchFolder;
using testing::utf8Path;

TEST_F(StudyFileOnDisk, SaveThenLoad) {
    const fs::path path = dir_ / "estudio.w1o";
    const StudyRecord study = sampleStudy();
    saveStudyFile(utf8Path(path), study);
    EXPECT_EQ(readBytes(path), encodeStudy(study));
    EXPECT_EQ(entries(), 1u); // no temporary file left behind
    expectSameStudy(loadStudyFile(utf8Path(path)), study, 3);

    // Saving again replaces the file whole.
    StudyRecord changed = study;
    changed.methodName = "Otro";
    saveStudyFile(utf8Path(path), changed);
    EXPECT_EQ(readBytes(path), encodeStudy(changed));
    EXPECT_EQ(loadStudyFile(utf8Path(path)).methodName, "Otro");
    EXPECT_EQ(entries(), 1u);

    // A name outside ASCII, as the program's texts are UTF-8.
    const fs::path accented = dir_ / u8"válido ñ €.w1o";
    saveStudyFile(utf8Path(accented), study);
    EXPECT_EQ(readBytes(accented), encodeStudy(study));
    expectSameStudy(loadStudyFile(utf8Path(accented)), study, 3);
}

TEST_F(StudyFileOnDisk, SaveOfACountThatIsNotAWholeNumberWritesNothing) {
    const fs::path path = dir_ / "estudio.w1o";
    const std::string old = "old contents\r\n";
    writeBytes(path, old);
    StudyRecord bad = sampleStudy();
    bad.replicateCountText = "x";
    EXPECT_THROW(saveStudyFile(utf8Path(path), bad), ConversionError);
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(entries(), 1u);
    // Nor is a new file created.
    EXPECT_THROW(saveStudyFile(utf8Path(dir_ / "nuevo.w1o"), bad), ConversionError);
    EXPECT_EQ(entries(), 1u);
}

TEST_F(StudyFileOnDisk, LoadFailures) {
    // A missing file, also in a folder that is missing.
    EXPECT_EQ(fileError([&] { loadStudyFile(utf8Path(dir_ / "falta.w1o")); }), "File not found");
    EXPECT_EQ(fileError([&] { loadStudyFile(utf8Path(dir_ / "no" / "x.w1o")); }), "File not found");
#ifndef _WIN32
    EXPECT_EQ(fileError([&] { loadStudyFile(dir_.string()); }), "I/O error 21: Is a directory");
    const fs::path notDir = dir_ / "file";
    writeBytes(notDir, "x");
    EXPECT_EQ(fileError([&] { loadStudyFile((notDir / "sub.w1o").string()); }),
              "I/O error 20: Not a directory");

    // A pipe with no writer reads as an empty file instead of waiting.
    const fs::path pipe = dir_ / "tubo.w1o";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    try {
        loadStudyFile(pipe.string());
        FAIL();
    } catch (const ConversionError& error) {
        EXPECT_STREQ(error.what(), "'' is not a valid integer value");
    }

    // A device that never ends a line is read only so far.
    EXPECT_EQ(fileError([&] { loadStudyFile("/dev/zero"); }), "I/O error 27: File too large");
#endif

    // Count errors of a file are those of the codec.
    const fs::path wide = dir_ / "wide.w1o";
    writeBytes(wide, joinLines({"M", "A", "D", "12", "C"}));
    try {
        loadStudyFile(utf8Path(wide));
        FAIL();
    } catch (const FileError&) {
        FAIL() << "not a file error";
    } catch (const RobustezError& error) {
        EXPECT_EQ(error.what(), kOutOfRange);
    }
}

TEST_F(StudyFileOnDisk, LoadReadsAcrossChunksAndStopsAtTheStudy) {
    // Lines longer than one read, CR LF pairs split across reads, and a
    // large tail after the study that is never needed.
    const std::string longLine(200 * 1024 + 1, 'm');
    std::string bytes =
        joinLines({longLine, "A", "D", "2", "C", "s1", "1", "2", "s2", "3", "4", "s3", "5", "6"});
    bytes += std::string(8 * 1024 * 1024, 'z');
    const fs::path path = dir_ / "grande.w1o";
    writeBytes(path, bytes);
    const StudyRecord study = loadStudyFile(utf8Path(path));
    EXPECT_EQ(study.methodName, longLine);
    EXPECT_EQ(study.analystName, "A");
    EXPECT_EQ(study.value(3, 2), "6");

    // A CR at the very end of a read chunk followed by LF in the next one,
    // and a lone LF there.
    for (const std::string end : {"\r\n", "\n"})
        for (std::size_t length : {64 * 1024 - 1, 64 * 1024, 64 * 1024 + 1}) {
            const std::string first(length, 'q');
            writeBytes(path, joinLines({first, "A", "D", "2", "C", "s1", "1"}, end));
            const StudyRecord split = loadStudyFile(utf8Path(path));
            EXPECT_EQ(split.methodName, first);
            EXPECT_EQ(split.analystName, "A");
            EXPECT_EQ(split.value(1, 1), "1");
        }
}

TEST(StudyFileExample, ShippedExampleLoadsAndReports) {
    const StudyRecord study =
        loadStudyFile(utf8Path(fs::path(ROBUSTEZ_EXAMPLES_DIR) / "ejemplo.w1o"));
    EXPECT_EQ(study.methodName, "Valoración de ácido acetilsalicílico");
    EXPECT_EQ(study.analystName, "Q.F.B. María Pérez");
    EXPECT_EQ(study.levelSetting(1), "25 °C");
    RobustnessResults results;
    std::vector<std::string> lines;
    composeTextReport(study, ".", results, lines);
    ASSERT_EQ(lines.size(), 29u);
    EXPECT_EQ(lines[2], "Nombre del método Valoración de ácido acetilsalicílico");
    EXPECT_EQ(lines[24], "Alta" + std::string(15, ' ') + "30 °C" + std::string(26, ' ') +
                             "3.67423" + std::string(37, ' ') + "NO TOLERANTE");
}

} // namespace
} // namespace robustez
