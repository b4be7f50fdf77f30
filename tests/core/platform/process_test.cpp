#include "core/platform/platform.h"
#include "core/platform/scratch_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace robustez::platform {
namespace {

namespace fs = std::filesystem;
using testing::utf8Path;

TEST(WindowsCommandLine, ArgumentsReadBackAsTheyAre) {
    // By the C runtime's rules: 2n backslashes and a quote read as n
    // backslashes and end or start a quoted stretch, 2n + 1 backslashes and a
    // quote as n backslashes and a quote; other backslashes as they are.
    EXPECT_EQ(windowsCommandLineArgument("--pdf"), "--pdf");
    EXPECT_EQ(windowsCommandLineArgument(R"(C:\dir\x.w1o)"), R"(C:\dir\x.w1o)");
    EXPECT_EQ(windowsCommandLineArgument(""), R"("")");
    EXPECT_EQ(windowsCommandLineArgument("a b"), R"("a b")");
    EXPECT_EQ(windowsCommandLineArgument("a\tb"), "\"a\tb\"");
    EXPECT_EQ(windowsCommandLineArgument(R"(a"b)"), R"("a\"b")");
    EXPECT_EQ(windowsCommandLineArgument(R"(a\"b)"), R"("a\\\"b")");
    EXPECT_EQ(windowsCommandLineArgument(R"(C:\mis estudios\)"), R"("C:\mis estudios\\")");
    EXPECT_EQ(windowsCommandLineArgument(R"(\\server\a b\\)"), R"("\\server\a b\\\\")");
    EXPECT_EQ(windowsCommandLineArgument("año ñ"), "\"año ñ\"");
}

using Executables = testing::ScratchFolder;

TEST_F(Executables, TheProgramsFolderAndWhatMayRun) {
    // The tests run from the build tree's top, beside the other programs.
    const std::string directory = executableDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_TRUE(fs::is_regular_file(fs::path(std::u8string(directory.begin(), directory.end())) /
                                    ("core_tests" + std::string(kExecutableSuffix))))
        << directory;
    EXPECT_NE(directory.back(), '/');
    EXPECT_NE(directory.back(), '\\');

    const fs::path program = dir_ / ("programa" + std::string(kExecutableSuffix));
    writeBytes(program, "x");
    EXPECT_FALSE(isExecutable(utf8Path(dir_ / "falta")));
#ifndef _WIN32
    ASSERT_EQ(::chmod(program.c_str(), 0644), 0);
    EXPECT_FALSE(isExecutable(program.string()));
    ASSERT_EQ(::chmod(program.c_str(), 0755), 0);
    EXPECT_TRUE(isExecutable(program.string()));
#else
    EXPECT_TRUE(isExecutable(utf8Path(program)));
    EXPECT_FALSE(isExecutable(utf8Path(dir_)));
#endif
}

#ifndef _WIN32

TEST(RunProgram, BecomesTheProgramWithItsArguments) {
    // A program that cannot run leaves this process as it was.
    const ProgramRun failed = runProgram("/no/such/program", {});
    EXPECT_FALSE(failed.ran);
    EXPECT_EQ(failed.error, "No such file or directory");

    // The child becomes the shell, which checks what it was given: its exit
    // status is 7 only when the argument with spaces, quotes and accents came
    // whole.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        runProgram("/bin/sh", {"-c", R"([ "$#" = 1 ] && [ "$1" = 'a "b"  ó' ] && exit 7; exit 1)",
                               "sh", R"(a "b"  ó)"});
        _exit(2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
}

#else

TEST(RunProgram, RunsTheProgramToItsEnd) {
    const ProgramRun failed = runProgram("C:\\no\\such\\program.exe", {});
    EXPECT_FALSE(failed.ran);
    EXPECT_FALSE(failed.error.empty());

    // cmd.exe /c "exit 7": the argument with a space comes whole.
    const ProgramRun run = runProgram("C:\\windows\\system32\\cmd.exe", {"/c", "exit 7"});
    EXPECT_TRUE(run.ran) << run.error;
    EXPECT_EQ(run.exitStatus, 7);
}

#endif

} // namespace
} // namespace robustez::platform
