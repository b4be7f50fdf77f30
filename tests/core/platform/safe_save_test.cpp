#include "core/platform/platform.h"
#include "core/platform/scratch_folder.h"
#include "core/study/errors.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace robustez::platform {
namespace {

namespace fs = std::filesystem;
using testing::utf8Path;

// The bytes saved: a study file's, lines ending in CR LF.
const std::string kBytes = "Valoraci\xf3n\r\nQ.F.B. Mar\xed"
                           "a P\xe9rez\r\n07/12/2026\r\n3\r\nTemperatura\r\n25 \xb0"
                           "C\r\n99.80\r\n1,5E2\r\nabc\r\n";

using SafeSave = testing::ScratchFolder;

TEST_F(SafeSave, WritesANewFileAndReplacesAnOldOneWhole) {
    const fs::path path = dir_ / "estudio.w1o";
    replaceFileContents(utf8Path(path), kBytes);
    EXPECT_EQ(readBytes(path), kBytes);
    EXPECT_EQ(entries(), 1u); // no temporary file left behind

    writeBytes(path, std::string(300, 'x'));
    replaceFileContents(utf8Path(path), "short");
    EXPECT_EQ(readBytes(path), "short");
    replaceFileContents(utf8Path(path), "");
    EXPECT_EQ(readBytes(path), "");
    EXPECT_EQ(entries(), 1u);

    // A name outside ASCII.
    const fs::path accented = dir_ / u8"ñandú € “x”.w1o";
    replaceFileContents(utf8Path(accented), kBytes);
    EXPECT_EQ(readBytes(accented), kBytes);
    EXPECT_EQ(entries(), 2u);
#ifndef _WIN32
    // A name as long as a name may be: the temporary file's name is cut to
    // fit.
    const fs::path longest = dir_ / (std::string(251, 'n') + ".w1o");
    writeBytes(longest, "old");
    replaceFileContents(longest.string(), kBytes);
    EXPECT_EQ(readBytes(longest), kBytes);
    EXPECT_EQ(entries(), 3u);
#endif

    // A relative name is saved in the working directory.
    const fs::path here = fs::current_path();
    fs::current_path(dir_);
    replaceFileContents("relativo.w1o", kBytes);
    fs::current_path(here);
    EXPECT_EQ(readBytes(dir_ / "relativo.w1o"), kBytes);
}

#ifndef _WIN32

// The user and group "nobody", as which saves without root's rights run.
constexpr uid_t kNobody = 65534;

std::size_t openDescriptors() {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

struct stat statOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info;
}

std::string saveError(const fs::path& path) {
    return SafeSave::fileError([&] { replaceFileContents(path.string(), kBytes); });
}

// Saves as user and group kNobody in a child process when this process is
// root, directly otherwise. Answers as fileError does.
std::string saveUnprivileged(const fs::path& path) {
    int channel[2];
    if (::geteuid() != 0 || ::pipe(channel) != 0) {
        return ::geteuid() != 0 ? saveError(path) : "(no pipe)";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped =
            ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
        const std::string result = dropped ? saveError(path) : "(cannot drop rights)";
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

TEST_F(SafeSave, KeepsPermissionsAndFollowsLinks) {
    const fs::path path = dir_ / "estudio.w1o";
    writeBytes(path, "old");
    ::chmod(path.c_str(), 0640);
    replaceFileContents(path.string(), kBytes);
    EXPECT_EQ(readBytes(path), kBytes);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(entries(), 1u);

    // A symbolic link keeps pointing at the file it names.
    const fs::path link = dir_ / "enlace.w1o";
    fs::create_symlink(path, link);
    replaceFileContents(link.string(), "by the link");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readBytes(path), "by the link");
}

TEST_F(SafeSave, FailedSaveLeavesTheOldFile) {
    const fs::path path = dir_ / "estudio.w1o";
    const std::string old = "old contents\r\n";
    writeBytes(path, old);

    // Writing the temporary file fails partway (as on a full disk): the old
    // file is not written in place instead.
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlim_t unlimited = limit.rlim_cur;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = 8;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const std::string tooLarge = saveError(path);
    limit.rlim_cur = unlimited;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(tooLarge, "I/O error 27: File too large");
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(entries(), 1u);

    // A folder that does not exist.
    EXPECT_EQ(saveError(dir_ / "no" / "x.w1o"), "I/O error 2: No such file or directory");

    // A target that is a folder: the folder and its contents stay, and the
    // temporary file is removed.
    const fs::path folder = dir_ / "carpeta.w1o";
    fs::create_directory(folder);
    writeBytes(folder / "dentro", "keep");
    EXPECT_EQ(saveError(folder), "I/O error 21: Is a directory");
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(readBytes(folder / "dentro"), "keep");
    EXPECT_EQ(entries(), 2u);
    EXPECT_EQ(readBytes(path), old);
}

TEST_F(SafeSave, KeepsModeLinksAndFifos) {
    const std::size_t descriptors = openDescriptors();
    const fs::path path = dir_ / "estudio.w1o";
    for (const mode_t mode : {0640, 0604}) {
        writeBytes(path, "old");
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        replaceFileContents(path.string(), kBytes);
        EXPECT_EQ(statOf(path).st_mode & 07777, mode);
        EXPECT_EQ(readBytes(path), kBytes);
    }

    // Links stay links: relative ones read from their own folder, a chain,
    // and one whose target does not exist yet and is created.
    fs::create_directory(dir_ / "sub");
    fs::create_symlink("../estudio.w1o", dir_ / "sub" / "rel.w1o");
    fs::create_symlink("sub/rel.w1o", dir_ / "chain.w1o");
    fs::create_symlink("sub/nuevo.w1o", dir_ / "dangling.w1o");
    writeBytes(path, "old");
    replaceFileContents((dir_ / "chain.w1o").string(), kBytes);
    replaceFileContents((dir_ / "dangling.w1o").string(), kBytes);
    for (const char* link : {"chain.w1o", "sub/rel.w1o", "dangling.w1o"}) {
        EXPECT_TRUE(fs::is_symlink(dir_ / link)) << link;
    }
    EXPECT_EQ(readBytes(path), kBytes);
    EXPECT_EQ(readBytes(dir_ / "sub" / "nuevo.w1o"), kBytes);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(statOf(dir_ / "sub" / "nuevo.w1o").st_mode & 07777, 0666 & ~mask);

    // A file with another name is written in place and cut to length.
    fs::create_hard_link(path, dir_ / "otro.w1o");
    writeBytes(path, std::string(300, 'x'));
    const ino_t inode = statOf(path).st_ino;
    replaceFileContents((dir_ / "otro.w1o").string(), kBytes);
    EXPECT_EQ(readBytes(path), kBytes);
    EXPECT_EQ(statOf(dir_ / "otro.w1o").st_ino, inode);

    // A FIFO is written to, never replaced; without a reader the save fails.
    const fs::path fifo = dir_ / "tubo.w1o";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(saveError(fifo), "I/O error 6: No such device or address");
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    replaceFileContents(fifo.string(), kBytes);
    std::string received(kBytes.size() + 1, '\0');
    received.resize(static_cast<std::size_t>(
        std::max<ssize_t>(0, ::read(reader, received.data(), received.size()))));
    ::close(reader);
    EXPECT_EQ(received, kBytes);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(openDescriptors(), descriptors);
}

TEST_F(SafeSave, WithoutRightsToTheFileOrFolder) {
    ASSERT_EQ(::chmod(dir_.c_str(), 0777), 0);
    // A read-only file is refused although its folder would let it be replaced.
    const fs::path readOnly = dir_ / "lectura.w1o";
    writeBytes(readOnly, "old");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    EXPECT_EQ(saveUnprivileged(readOnly), "I/O error 13: Permission denied");
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
    EXPECT_EQ(saveUnprivileged(inside), "(no file error)");
    ASSERT_EQ(::chmod(locked.c_str(), 0755), 0);
    EXPECT_EQ(readBytes(inside), kBytes);
    EXPECT_EQ(statOf(inside).st_ino, inode);
}

TEST_F(SafeSave, KeepsOwnerAndGroup) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give files to another user and act as that user";
    }
    const fs::path theirs = dir_ / "ajeno.w1o";
    writeBytes(theirs, "old");
    ASSERT_EQ(::chown(theirs.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(theirs.c_str(), 0640), 0);
    replaceFileContents(theirs.string(), kBytes);
    const struct stat saved = statOf(theirs);
    EXPECT_EQ(saved.st_uid, kNobody);
    EXPECT_EQ(saved.st_gid, kNobody);
    EXPECT_EQ(saved.st_mode & 07777, 0640u);
    EXPECT_EQ(readBytes(theirs), kBytes);

    // A user who may not give a file away writes root's writable file in place.
    ASSERT_EQ(::chmod(dir_.c_str(), 0777), 0);
    const fs::path roots = dir_ / "raiz.w1o";
    writeBytes(roots, std::string(300, 'x'));
    ASSERT_EQ(::chmod(roots.c_str(), 0666), 0);
    const ino_t inode = statOf(roots).st_ino;
    EXPECT_EQ(saveUnprivileged(roots), "(no file error)");
    const struct stat after = statOf(roots);
    EXPECT_EQ(after.st_uid, 0u);
    EXPECT_EQ(after.st_gid, 0u);
    EXPECT_EQ(after.st_ino, inode);
    EXPECT_EQ(readBytes(roots), kBytes);
    EXPECT_EQ(entries(), 2u);
}

#else

std::wstring widePath(const fs::path& path) {
    return path.wstring();
}

DWORD attributesOf(const fs::path& path) {
    return ::GetFileAttributesW(widePath(path).c_str());
}

TEST_F(SafeSave, KeepsAttributesAndRefusesReadOnlyFiles) {
    // A hidden file stays hidden, and the folder holds no temporary file.
    const fs::path hidden = dir_ / "oculto.w1o";
    writeBytes(hidden, "old");
    ASSERT_TRUE(::SetFileAttributesW(widePath(hidden).c_str(), FILE_ATTRIBUTE_HIDDEN));
    replaceFileContents(utf8Path(hidden), kBytes);
    EXPECT_EQ(readBytes(hidden), kBytes);
    EXPECT_NE(attributesOf(hidden) & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_EQ(entries(), 1u);

    // A read-only file is refused with the system's text for access denied
    // (error 5), and stays as it was.
    const fs::path readOnly = dir_ / "lectura.w1o";
    writeBytes(readOnly, "old");
    ASSERT_TRUE(::SetFileAttributesW(widePath(readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string error = fileError([&] { replaceFileContents(utf8Path(readOnly), kBytes); });
    EXPECT_EQ(error.rfind("I/O error 5: ", 0), 0u) << error;
    EXPECT_GT(error.size(), std::string("I/O error 5: ").size());
    EXPECT_EQ(error.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(readBytes(readOnly), "old");
    EXPECT_NE(attributesOf(readOnly) & FILE_ATTRIBUTE_READONLY, 0u);
    ::SetFileAttributesW(widePath(readOnly).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(entries(), 2u);

    // A folder that does not exist: error 3, the path not found.
    EXPECT_EQ(fileError([&] {
                  replaceFileContents(utf8Path(dir_ / "no" / "x.w1o"), kBytes);
              }).rfind("I/O error 3: ", 0),
              0u);
}

TEST_F(SafeSave, WritesAFileWithOtherLinksInPlace) {
    const fs::path path = dir_ / "estudio.w1o";
    const fs::path other = dir_ / "otro.w1o";
    writeBytes(path, std::string(300, 'x'));
    ASSERT_TRUE(::CreateHardLinkW(widePath(other).c_str(), widePath(path).c_str(), nullptr));
    replaceFileContents(utf8Path(other), kBytes);
    // Both names still lead to one file, which holds the new bytes only.
    EXPECT_EQ(readBytes(path), kBytes);
    EXPECT_EQ(readBytes(other), kBytes);
    writeBytes(path, "z");
    EXPECT_EQ(readBytes(other), "z");
    EXPECT_EQ(entries(), 2u);
}

#endif

} // namespace
} // namespace robustez::platform
