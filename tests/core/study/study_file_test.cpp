#include "core/study/study_file.h"

#include "core/report/text_report.h"
#include "core/study/errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace robustez {
namespace {

namespace fs = std::filesystem;

const std::string kOutOfRange = "Datos fuera de límite, 2-10 valoraciones (Replicaciones).";
// The user and group "nobody", as which saves without root's rights run.
constexpr uid_t kNobody = 65534;

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

TEST(StudyFileCodec, CodePageConversions) {
    // Every byte survives the trip to UTF-8 and back, the five undefined
    // ones included.
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    const std::string utf8 = cp1252ToUtf8(all);
    EXPECT_TRUE(fitsCp1252(utf8.substr(utf8.find(' '))));
    EXPECT_EQ(utf8ToCp1252(utf8), all);

    EXPECT_EQ(cp1252ToUtf8("\x80\x81\x9f\xaa\xb0\xd1\xe9"), "€\u0081Ÿª°Ñé");
    EXPECT_EQ(utf8ToCp1252("Método Ñ ª ° €"), "M\xe9todo \xd1 \xaa \xb0 \x80");
    // Characters outside the code page and malformed UTF-8 become '?'.
    EXPECT_EQ(utf8ToCp1252("a日b"), "a?b");
    EXPECT_EQ(utf8ToCp1252("x\xff\xc3"), "x??");
    EXPECT_EQ(utf8ToCp1252("\xc0\xaf"), "??");      // overlong '/'
    EXPECT_EQ(utf8ToCp1252("\xed\xa0\x80"), "???"); // surrogate
    EXPECT_EQ(utf8ToCp1252("\xe2\x82"), "??");      // truncated €
    EXPECT_EQ(utf8ToCp1252("\u0080"), "?");         // C1 control with no byte

    EXPECT_TRUE(fitsCp1252("Método Ñ ª ° € “x” —"));
    EXPECT_TRUE(fitsCp1252("a\nb")); // a lone LF survives the file
    EXPECT_FALSE(fitsCp1252("日本"));
    EXPECT_FALSE(fitsCp1252("\xff"));
    EXPECT_FALSE(fitsCp1252("a\rb"));  // would end the line
    EXPECT_FALSE(fitsCp1252("a\x1a")); // would end the file
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

TEST(StudyFileCodec, ReadingRules) {
    const std::string body[] = {"M", "A",  "D", "2", "C",  "s1", "1",
                                "2", "s2", "3", "4", "s3", "5",  "6"};
    auto lines = [&](const std::string& end) {
        std::string bytes;
        for (const std::string& line : body) {
            bytes += line + end;
        }
        return bytes;
    };
    // CR LF and CR alone both end a line.
    for (const std::string end : {"\r\n", "\r"}) {
        const StudyRecord study = decodeStudy(lines(end));
        EXPECT_EQ(study.methodName, "M");
        EXPECT_EQ(study.conditionName, "C");
        EXPECT_EQ(study.levelSetting(3), "s3");
        EXPECT_EQ(study.value(3, 2), "6");
    }
}

TEST(StudyFileCodec, ReadingRulesLineBreaks) {
    // Only one LF after a CR is skipped; a lone LF stays in the text.
    const StudyRecord study = decodeStudy("a\nb\r\n\nB\rD\r2\r\n");
    EXPECT_EQ(study.methodName, "a\nb");
    EXPECT_EQ(study.analystName, "\nB");
    EXPECT_EQ(study.dateText, "D");
    EXPECT_EQ(study.replicateCountText, "2");
    EXPECT_EQ(study.conditionName, "");
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

    // An empty file, and a file whose lines end in LF only: one long first
    // line, line 4 empty.
    EXPECT_EQ(decodeError(""), "'' is not a valid integer value");
    EXPECT_EQ(decodeError("M\nA\nD\n3\nC\n"), "'' is not a valid integer value");
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

class StudyFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "robustez-file-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    static std::string readBytes(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void writeBytes(const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
    }
    static std::string fileError(const std::function<void()>& action) {
        try {
            action();
        } catch (const FileError& error) {
            return error.what();
        }
        return "(no file error)";
    }
    static std::size_t openDescriptors() {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
    }
    static struct stat statOf(const fs::path& path) {
        struct stat info {};
        EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
        return info;
    }
    // Saves as user and group kNobody in a child process when this process
    // is root, directly otherwise. Answers as fileError does.
    static std::string saveUnprivileged(const fs::path& path, const StudyRecord& study) {
        const auto save = [&] { return fileError([&] { saveStudyFile(path.string(), study); }); };
        int channel[2];
        if (::geteuid() != 0 || ::pipe(channel) != 0) {
            return ::geteuid() != 0 ? save() : "(no pipe)";
        }
        const pid_t child = ::fork();
        if (child == 0) {
            const bool dropped =
                ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
            const std::string result = dropped ? save() : "(cannot drop rights)";
            _exit(::write(channel[1], result.data(), result.size()) < 0);
        }
        ::close(channel[1]);
        std::string result;
        char buffer[256];
        for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
            result.append(buffer, static_cast<std::size_t>(got));
        }
        ::close(channel[0]);
        ::waitpid(child, nullptr, 0);
        return result;
    }

    fs::path dir_;
};

TEST_F(StudyFileOnDisk, SaveThenLoad) {
    const fs::path path = dir_ / "estudio.w1o";
    const StudyRecord study = sampleStudy();
    saveStudyFile(path.string(), study);
    EXPECT_EQ(readBytes(path), encodeStudy(study));
    EXPECT_EQ(entries(), 1u); // no temporary file left behind
    expectSameStudy(loadStudyFile(path.string()), study, 3);

    // Saving again replaces the file whole and keeps its permissions.
    ::chmod(path.c_str(), 0640);
    StudyRecord changed = study;
    changed.methodName = "Otro";
    saveStudyFile(path.string(), changed);
    EXPECT_EQ(readBytes(path), encodeStudy(changed));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(entries(), 1u);

    // A relative name is saved in the working directory.
    const fs::path here = fs::current_path();
    fs::current_path(dir_);
    saveStudyFile("relativo.w1o", study);
    fs::current_path(here);
    EXPECT_EQ(readBytes(dir_ / "relativo.w1o"), encodeStudy(study));

    // A symbolic link keeps pointing at the study it names.
    const fs::path link = dir_ / "enlace.w1o";
    fs::create_symlink(path, link);
    saveStudyFile(link.string(), study);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readBytes(path), encodeStudy(study));
}

TEST_F(StudyFileOnDisk, FailedSaveLeavesTheOldFile) {
    const fs::path path = dir_ / "estudio.w1o";
    const std::string old = "old contents\r\n";
    writeBytes(path, old);

    // A count that is not a whole number: nothing is written at all.
    StudyRecord bad = sampleStudy();
    bad.replicateCountText = "x";
    EXPECT_THROW(saveStudyFile(path.string(), bad), ConversionError);
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(entries(), 1u);

    // Writing the temporary file fails partway (as on a full disk): the old
    // file is not written in place instead.
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlim_t unlimited = limit.rlim_cur;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = 8;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const std::string tooLarge = fileError([&] { saveStudyFile(path.string(), sampleStudy()); });
    limit.rlim_cur = unlimited;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(tooLarge, "I/O error 27: File too large");
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(entries(), 1u);

    // A folder that does not exist.
    EXPECT_EQ(fileError([&] { saveStudyFile((dir_ / "no" / "x.w1o").string(), sampleStudy()); }),
              "I/O error 2: No such file or directory");

    // A target that is a folder: the folder and its contents stay, and the
    // temporary file is removed.
    const fs::path folder = dir_ / "carpeta.w1o";
    fs::create_directory(folder);
    writeBytes(folder / "dentro", "keep");
    EXPECT_EQ(fileError([&] { saveStudyFile(folder.string(), sampleStudy()); }),
              "I/O error 21: Is a directory");
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(readBytes(folder / "dentro"), "keep");
    EXPECT_EQ(entries(), 2u);
    EXPECT_EQ(readBytes(path), old);
}

TEST_F(StudyFileOnDisk, SaveKeepsModeLinksAndFifos) {
    const std::size_t descriptors = openDescriptors();
    const fs::path path = dir_ / "estudio.w1o";
    const StudyRecord study = sampleStudy();
    const std::string bytes = encodeStudy(study);
    for (const mode_t mode : {0640, 0604}) {
        writeBytes(path, "old");
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        saveStudyFile(path.string(), study);
        EXPECT_EQ(statOf(path).st_mode & 07777, mode);
        EXPECT_EQ(readBytes(path), bytes);
    }

    // Links stay links: relative ones read from their own folder, a chain,
    // and one whose target does not exist yet and is created.
    fs::create_directory(dir_ / "sub");
    fs::create_symlink("../estudio.w1o", dir_ / "sub" / "rel.w1o");
    fs::create_symlink("sub/rel.w1o", dir_ / "chain.w1o");
    fs::create_symlink("sub/nuevo.w1o", dir_ / "dangling.w1o");
    writeBytes(path, "old");
    saveStudyFile((dir_ / "chain.w1o").string(), study);
    saveStudyFile((dir_ / "dangling.w1o").string(), study);
    for (const char* link : {"chain.w1o", "sub/rel.w1o", "dangling.w1o"}) {
        EXPECT_TRUE(fs::is_symlink(dir_ / link)) << link;
    }
    EXPECT_EQ(readBytes(path), bytes);
    EXPECT_EQ(readBytes(dir_ / "sub" / "nuevo.w1o"), bytes);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(statOf(dir_ / "sub" / "nuevo.w1o").st_mode & 07777, 0666 & ~mask);

    // A file with another name is written in place and cut to length.
    fs::create_hard_link(path, dir_ / "otro.w1o");
    writeBytes(path, std::string(300, 'x'));
    const ino_t inode = statOf(path).st_ino;
    saveStudyFile((dir_ / "otro.w1o").string(), study);
    EXPECT_EQ(readBytes(path), bytes);
    EXPECT_EQ(statOf(dir_ / "otro.w1o").st_ino, inode);

    // A FIFO is written to, never replaced; without a reader the save fails.
    const fs::path fifo = dir_ / "tubo.w1o";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(fileError([&] { saveStudyFile(fifo.string(), study); }),
              "I/O error 6: No such device or address");
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    saveStudyFile(fifo.string(), study);
    std::string received(bytes.size() + 1, '\0');
    received.resize(static_cast<std::size_t>(
        std::max<ssize_t>(0, ::read(reader, received.data(), received.size()))));
    ::close(reader);
    EXPECT_EQ(received, bytes);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(openDescriptors(), descriptors);
}

TEST_F(StudyFileOnDisk, SaveWithoutRightsToTheFileOrFolder) {
    ASSERT_EQ(::chmod(dir_.c_str(), 0777), 0);
    const StudyRecord study = sampleStudy();
    // A read-only file is refused although its folder would let it be replaced.
    const fs::path readOnly = dir_ / "lectura.w1o";
    writeBytes(readOnly, "old");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    EXPECT_EQ(saveUnprivileged(readOnly, study), "I/O error 13: Permission denied");
    EXPECT_EQ(readBytes(readOnly), "old");
    EXPECT_EQ(entries(), 1u);

    // A writable file of the user's own in a folder closed to new files.
    const fs::path locked = dir_ / "cerrada";
    const fs::path inside = locked / "estudio.w1o";
    fs::create_directory(locked);
    writeBytes(inside, std::string(300, 'x'));
    ASSERT_EQ(::chmod(inside.c_str(), 0666), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(inside.c_str(), kNobody, kNobody), 0);
    }
    const ino_t inode = statOf(inside).st_ino;
    ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
    EXPECT_EQ(saveUnprivileged(inside, study), "(no file error)");
    ASSERT_EQ(::chmod(locked.c_str(), 0755), 0);
    EXPECT_EQ(readBytes(inside), encodeStudy(study));
    EXPECT_EQ(statOf(inside).st_ino, inode);
}

TEST_F(StudyFileOnDisk, SaveKeepsOwnerAndGroup) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give files to another user and act as that user";
    }
    const StudyRecord study = sampleStudy();
    const fs::path theirs = dir_ / "ajeno.w1o";
    writeBytes(theirs, "old");
    ASSERT_EQ(::chown(theirs.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(theirs.c_str(), 0640), 0);
    saveStudyFile(theirs.string(), study);
    const struct stat saved = statOf(theirs);
    EXPECT_EQ(saved.st_uid, kNobody);
    EXPECT_EQ(saved.st_gid, kNobody);
    EXPECT_EQ(saved.st_mode & 07777, 0640u);
    EXPECT_EQ(readBytes(theirs), encodeStudy(study));

    // A user who may not give a file away writes root's writable file in place.
    ASSERT_EQ(::chmod(dir_.c_str(), 0777), 0);
    const fs::path roots = dir_ / "raiz.w1o";
    writeBytes(roots, std::string(300, 'x'));
    ASSERT_EQ(::chmod(roots.c_str(), 0666), 0);
    const ino_t inode = statOf(roots).st_ino;
    EXPECT_EQ(saveUnprivileged(roots, study), "(no file error)");
    const struct stat after = statOf(roots);
    EXPECT_EQ(after.st_uid, 0u);
    EXPECT_EQ(after.st_gid, 0u);
    EXPECT_EQ(after.st_ino, inode);
    EXPECT_EQ(readBytes(roots), encodeStudy(study));
    EXPECT_EQ(entries(), 2u);
}

TEST_F(StudyFileOnDisk, LoadFailures) {
    EXPECT_EQ(fileError([&] { loadStudyFile((dir_ / "falta.w1o").string()); }), "File not found");
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

    // Count errors of a file are those of the codec.
    const fs::path wide = dir_ / "wide.w1o";
    writeBytes(wide, joinLines({"M", "A", "D", "12", "C"}));
    try {
        loadStudyFile(wide.string());
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
    const StudyRecord study = loadStudyFile(path.string());
    EXPECT_EQ(study.methodName, longLine);
    EXPECT_EQ(study.analystName, "A");
    EXPECT_EQ(study.value(3, 2), "6");

    // A CR at the very end of a read chunk followed by LF in the next one.
    for (std::size_t length : {64 * 1024 - 1, 64 * 1024, 64 * 1024 + 1}) {
        const std::string first(length, 'q');
        writeBytes(path, joinLines({first, "A", "D", "2", "C", "s1", "1"}));
        const StudyRecord split = loadStudyFile(path.string());
        EXPECT_EQ(split.methodName, first);
        EXPECT_EQ(split.analystName, "A");
        EXPECT_EQ(split.value(1, 1), "1");
    }
}

TEST(StudyFileExample, ShippedExampleLoadsAndReports) {
    const fs::path root =
        fs::path(__FILE__).parent_path().parent_path().parent_path().parent_path();
    const StudyRecord study = loadStudyFile((root / "examples" / "ejemplo.w1o").string());
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
