#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Every call the program makes to the operating system, for POSIX systems
// and for Windows. Paths are UTF-8 text on both (Windows gets them as
// UTF-16). A failure is a FileError reading "I/O error N: " and the system's
// explanation, N being the errno value on POSIX and the system error code on
// Windows, unless a function says otherwise.
namespace robustez::platform {

// What the name of an executable file ends in.
#ifdef _WIN32
inline constexpr std::string_view kExecutableSuffix = ".exe";
#else
inline constexpr std::string_view kExecutableSuffix = "";
#endif

// A file open for reading, closed when it goes.
class FileReader {
public:
    // Opens the file: FileError "File not found" when there is none (nor the
    // folder it would be in). A FIFO without a writer is not waited for: it
    // reads as empty.
    explicit FileReader(const std::string& path);
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    ~FileReader();

    // Appends the next bytes, at most `most` of them, to `buffer`. False at
    // the end of the file.
    bool read(std::string& buffer, std::size_t most);

    // True for a regular file, which ends; a device or a pipe may never do so.
    bool regular() const { return regular_; }

    // The size a regular file had when it was opened; 0 when not known (a
    // device, a pipe, a file of the system's such as /proc's, and on Windows).
    std::size_t sizeWhenOpened() const { return size_; }

private:
    std::intptr_t handle_ = -1;
    bool regular_ = false;
    std::size_t size_ = 0;
    bool nonBlocking_ = false; // opened so, and not cleared yet
};

// Replaces what a file holds with `bytes` so that the save never changes
// what the file is.
// Symbolic links are followed to the file they lead to, which is written (and
// created, for a link whose target does not exist yet); the links stay links.
// A new file, and normally an existing one, is written atomically: the bytes
// go to a temporary file beside the target, which gets the permission bits,
// owner and group of the file it replaces (on Windows its attributes, and
// its security by ReplaceFileW), is flushed to disk and renamed over the
// target; a failed save leaves the previous file as it was.
// An existing file this process may not open for writing is not replaced: the
// save fails ("I/O error 13: Permission denied"; on Windows, where the file
// is read-only, "I/O error 5" and the system's text) and leaves it as it was.
// Where a rename would not keep what the file is -- other hard links to it,
// not a regular file (device, FIFO), an owner or group this process may not
// give, or a folder that refuses a new file -- the file is written in place,
// as a plain write would: from its start, cut to the new length and flushed.
// A failure midway through such a write may leave the file partly written;
// a failure while writing the temporary file (disk full) fails the save and
// leaves the previous file as it was. A new file gets mode 0666 less the
// umask. A FIFO with no reader is refused ("I/O error 6") instead of waited
// on.
void replaceFileContents(const std::string& path, std::string_view bytes);

// The folder of the running executable, without a separator at its end;
// empty when it cannot be told.
std::string executableDirectory();

// True when `path` names a file that this process may run.
bool isExecutable(const std::string& path);

// What became of an attempt to run a program.
struct ProgramRun {
    bool ran = false; // it ran to its end, with exitStatus
    int exitStatus = 0;
    std::string error; // the system's explanation when it could not be started
};

// Runs the program at `path` with `arguments` (UTF-8 text, the program's
// name not among them). On POSIX the process becomes that program (execv),
// so a return means it could not be started. On Windows, where a process
// cannot become another, the program runs with this process's standard
// streams until it ends, and its exit status is given.
ProgramRun runProgram(const std::string& path, const std::vector<std::string>& arguments);

// The arguments the program was started with, argv[1..], as UTF-8 text. On
// POSIX they are argv's bytes as they are. On Windows main() receives them in
// the ANSI code page, which holds only some of the characters a file name may
// have ("Valoración.w1o" on a Greek system, any Greek name on a Spanish one):
// they are taken from the process's UTF-16 command line instead, split as
// CommandLineToArgvW splits it; from argv, converted from the ANSI code page,
// only should the two not count the same arguments.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// An argument written in a Windows command line so that the C runtime of the
// program started reads it back as it is: quoted when it is empty or holds a
// space, tab, line feed, vertical tab or double quote, with the backslashes
// before a quote doubled and the quote escaped.
std::string windowsCommandLineArgument(std::string_view argument);

// Makes standard output write its bytes as they are: on Windows it would
// otherwise turn every LF into CR LF. Nothing to do on POSIX.
void setBinaryStandardOutput();

} // namespace robustez::platform
