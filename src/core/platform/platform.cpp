#include "core/platform/platform.h"

#include "core/study/errors.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>
// After windows.h, which it needs: CommandLineToArgvW.
#include <shellapi.h>
#else
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace robustez::platform {

namespace {

// The most of the target's name kept in the name of a temporary file, which
// adds 22 characters and must stay within the 255 a file name may have.
constexpr std::size_t kMaxTemporaryBase = 200;
constexpr int kTemporaryAttempts = 100;

// The random end of the name of a temporary file: 16 hexadecimal digits.
std::string randomSuffix(std::mt19937_64& random) {
    char suffix[17];
    std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
    return suffix;
}

} // namespace

std::string windowsCommandLineArgument(std::string_view argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string_view::npos) {
        return std::string(argument);
    }
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes stand for themselves unless a quote follows them.
        out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        out += c;
        backslashes = 0;
    }
    // The closing quote follows: the backslashes before it are doubled.
    out.append(2 * backslashes, '\\');
    out += '"';
    return out;
}

#ifndef _WIN32

// ---------------------------------------------------------------------------
// POSIX.

namespace {

// The most symbolic links followed from the name a file is saved under.
constexpr int kMaxLinkHops = 40;

[[noreturn]] void throwIoError(int error) {
    throw FileError("I/O error " + std::to_string(error) + ": " + std::strerror(error));
}

// Closes a descriptor once, on every path.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }
    // Closes now and reports the outcome of the close.
    int release() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

void clearNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
}

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    if (slash == 0) {
        return "/";
    }
    return path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string readLink(const std::string& path) {
    std::string target(PATH_MAX, '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length < 0) {
        throwIoError(errno);
    }
    if (static_cast<std::size_t>(length) == target.size()) {
        throwIoError(ENAMETOOLONG);
    }
    target.resize(static_cast<std::size_t>(length));
    return target;
}

// The file a save writes: symbolic links are followed one at a time, a
// relative one from the folder that holds it, so that a link whose target
// does not exist yet names the file to create, as a plain write would.
std::string resolveTarget(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return current;
        }
        const std::string next = readLink(current);
        current = next.starts_with('/') ? next : directoryOf(current) + "/" + next;
    }
    throwIoError(ELOOP);
}

// Opens an existing target for writing as a plain write would, without
// truncating it and without waiting for a reader of a FIFO. Answers -1 when
// there is no such file; throws when the file may not be written.
int openExisting(const std::string& target) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return -1;
        }
        throwIoError(errno);
    }
    clearNonBlocking(fd);
    return fd;
}

// True when a new file renamed over this one could not be the same file:
// other names link to it, or it is a device, FIFO or the like.
bool renameWouldChange(const struct stat& info) {
    return !S_ISREG(info.st_mode) || info.st_nlink > 1;
}

// True for the errors by which a folder refuses a new name (or the longer
// name of a temporary file), while the file already there may still be
// writable.
bool folderRefuses(int error) {
    return error == EACCES || error == EPERM || error == EROFS || error == EBUSY ||
           error == ENAMETOOLONG;
}

// Creates a new, uniquely named file beside `target` for writing; its name is
// cut so that it stays within the length a file name may have.
int createTemporary(const std::string& target, std::string& tempPath) {
    std::random_device seed;
    std::mt19937_64 random(seed() ^ (static_cast<std::uint64_t>(::getpid()) << 32));
    const std::string directory = directoryOf(target);
    const std::string base = baseNameOf(target).substr(0, kMaxTemporaryBase);
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        tempPath = directory + "/." + base + "." + randomSuffix(random) + ".tmp";
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

// A temporary file that is removed again unless it was renamed into place.
struct TemporaryFile {
    FileDescriptor fd;
    std::string path;
    bool renamed = false;
    ~TemporaryFile() {
        if (!renamed) {
            ::unlink(path.c_str());
        }
    }
};

// Gives the temporary file the owner, group and permission bits of the file
// it replaces. False when they cannot be given: only a privileged process may
// give a file to another user or to a group it is not a member of.
bool takeOverIdentity(int fd, const struct stat& old) {
    struct stat now {};
    if (::fstat(fd, &now) != 0) {
        return false;
    }
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) &&
        ::fchown(fd, old.st_uid, old.st_gid) != 0) {
        return false;
    }
    // After fchown, which clears the set-user-ID and set-group-ID bits.
    return ::fchmod(fd, old.st_mode & 07777) == 0;
}

void writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwIoError(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

// Makes a rename in the folder durable; the save has succeeded either way.
void syncFolder(const std::string& directory) {
    const int dir = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

// Writes the bytes to a temporary file beside the target, flushes it and
// renames it over the target. With `old`, the target's details, the new file
// gets its owner, group and permission bits, and the answer is false (nothing
// changed, the temporary file removed) when the folder refuses the new file
// or those details cannot be given. A failure while writing throws.
bool replaceByRename(const std::string& target, std::string_view bytes, const struct stat* old) {
    std::string tempPath;
    const int raw = createTemporary(target, tempPath);
    if (raw < 0) {
        if (old != nullptr && folderRefuses(errno)) {
            return false;
        }
        throwIoError(errno);
    }
    TemporaryFile temp{FileDescriptor(raw), tempPath};
    if (old != nullptr && !takeOverIdentity(temp.fd.get(), *old)) {
        return false;
    }
    writeAll(temp.fd.get(), bytes);
    if (::fsync(temp.fd.get()) != 0 || temp.fd.release() != 0) {
        throwIoError(errno);
    }
    if (::rename(temp.path.c_str(), target.c_str()) != 0) {
        if (old != nullptr && folderRefuses(errno)) {
            return false;
        }
        throwIoError(errno);
    }
    temp.renamed = true;
    syncFolder(directoryOf(target));
    return true;
}

// Writes the bytes over an open file from its start, as a plain write would,
// then cuts a regular file to their length and flushes it to disk. A device
// or FIFO that cannot be flushed takes the bytes as they are.
void writeInPlace(FileDescriptor& fd, std::string_view bytes, bool regular) {
    writeAll(fd.get(), bytes);
    if (regular && ::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) != 0) {
        throwIoError(errno);
    }
    if (::fsync(fd.get()) != 0 && (regular || errno != EINVAL)) {
        throwIoError(errno);
    }
    if (fd.release() != 0) {
        throwIoError(errno);
    }
}

} // namespace

FileReader::FileReader(const std::string& path) {
    // Non-blocking open, so that a FIFO without a writer reads as empty
    // instead of waiting; reads themselves block as usual.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) {
            throw FileError("File not found");
        }
        throwIoError(errno);
    }
    handle_ = fd;
    struct stat info {};
    regular_ = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    // O_NONBLOCK changes nothing for a regular file: only the others need it
    // cleared, which spares a regular file two calls.
    if (regular_) {
        size_ = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
        nonBlocking_ = true;
    } else {
        clearNonBlocking(fd);
    }
}

FileReader::~FileReader() {
    ::close(static_cast<int>(handle_));
}

bool FileReader::read(std::string& buffer, std::size_t most) {
    const std::size_t before = buffer.size();
    buffer.resize(before + most);
    for (;;) {
        const ssize_t got = ::read(static_cast<int>(handle_), buffer.data() + before, most);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        // Should some file system heed O_NONBLOCK on a regular file (as
        // mandatory locks once made it), the read waits as for the others.
        if (got < 0 && errno == EAGAIN && nonBlocking_) {
            clearNonBlocking(static_cast<int>(handle_));
            nonBlocking_ = false;
            continue;
        }
        if (got < 0) {
            const int error = errno;
            buffer.resize(before);
            throwIoError(error);
        }
        buffer.resize(before + static_cast<std::size_t>(got));
        return got > 0;
    }
}

void replaceFileContents(const std::string& path, std::string_view bytes) {
    const std::string target = resolveTarget(path);
    FileDescriptor existing(openExisting(target));
    if (existing.get() < 0) {
        replaceByRename(target, bytes, nullptr);
        return;
    }
    struct stat old {};
    if (::fstat(existing.get(), &old) != 0) {
        throwIoError(errno);
    }
    if (!renameWouldChange(old) && replaceByRename(target, bytes, &old)) {
        return;
    }
    writeInPlace(existing, bytes, S_ISREG(old.st_mode));
}

std::string executableDirectory() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof path) {
        return {};
    }
    const std::string executable(path, static_cast<std::size_t>(length));
    return executable.substr(0, executable.rfind('/'));
}

bool isExecutable(const std::string& path) {
    return ::access(path.c_str(), X_OK) == 0;
}

ProgramRun runProgram(const std::string& path, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    ::execv(path.c_str(), argv.data());
    return {false, 0, std::strerror(errno)};
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    return {argv + std::min(argc, 1), argv + argc};
}

void setBinaryStandardOutput() {}

#else

// ---------------------------------------------------------------------------
// Windows.

namespace {

// The attributes a file keeps across a save; the others belong to how the
// file is stored, or (read-only) refuse the save.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED |
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The most given to one ReadFile or WriteFile call.
constexpr std::size_t kMaxTransfer = 1u << 30;

std::string narrow(const wchar_t* text, int length) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    }
    return out;
}

// The system's explanation of an error code, on one line.
std::string systemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::string text = length > 0 ? narrow(buffer, static_cast<int>(length)) : std::string();
    ::LocalFree(buffer);
    while (!text.empty() && std::strchr(" \t\r\n", text.back()) != nullptr) {
        text.pop_back();
    }
    return text;
}

[[noreturn]] void throwSystemError(DWORD code) {
    throw FileError("I/O error " + std::to_string(code) + ": " + systemMessage(code));
}

// Text in a code page to UTF-16; throws on bytes the code page does not hold.
std::wstring widen(std::string_view text, UINT codePage) {
    if (text.empty()) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int size =
        ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (size <= 0) {
        throwSystemError(::GetLastError());
    }
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, out.data(), size);
    return out;
}

std::wstring widePath(const std::string& path) {
    return widen(path, CP_UTF8);
}

// Closes a handle once, on every path.
class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (valid()) {
            ::CloseHandle(handle_);
        }
    }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE get() const { return handle_; }
    // Closes now and reports the outcome of the close.
    bool release() {
        const bool closed = ::CloseHandle(handle_) != 0;
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

HANDLE openForWriting(const std::wstring& path, DWORD disposition) {
    return ::CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

// True when the name itself is a symbolic link (or another reparse point).
bool isLink(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The full name of the file an open handle leads to; empty when the system
// cannot tell it.
std::wstring finalPath(HANDLE handle) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleW(
            handle, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length);
    }
}

std::size_t lastSeparator(const std::wstring& path) {
    return path.find_last_of(L"\\/");
}

// True for the errors by which a folder refuses a new name (or the longer
// name of a temporary file), or by which the file cannot be renamed over,
// while the file already there may still be writable.
bool folderRefuses(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT ||
           error == ERROR_FILENAME_EXCED_RANGE || error == ERROR_SHARING_VIOLATION ||
           error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// Creates a new, uniquely named file beside `target` for writing; its name is
// cut so that it stays within the length a file name may have.
HANDLE createTemporary(const std::wstring& target, std::wstring& tempPath) {
    std::random_device seed;
    std::mt19937_64 random(seed() ^ (static_cast<std::uint64_t>(::GetCurrentProcessId()) << 32));
    const std::size_t separator = lastSeparator(target);
    const std::wstring folder =
        separator == std::wstring::npos ? std::wstring() : target.substr(0, separator + 1);
    const std::wstring base = target.substr(folder.size()).substr(0, kMaxTemporaryBase);
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        tempPath = folder + L"." + base + L"." + widen(randomSuffix(random), CP_UTF8) + L".tmp";
        const HANDLE handle = ::CreateFileW(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE ||
            (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS)) {
            return handle;
        }
    }
    ::SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

// A temporary file that is closed and removed again unless it was put in
// the target's place, or must be kept.
struct TemporaryFile {
    Handle handle;
    std::wstring path;
    bool kept = false;
    ~TemporaryFile() {
        if (handle.valid()) {
            handle.release();
        }
        if (!kept) {
            ::DeleteFileW(path.c_str());
        }
    }
};

void writeAll(HANDLE handle, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min(bytes.size(), kMaxTransfer));
        if (!::WriteFile(handle, bytes.data(), chunk, &written, nullptr)) {
            throwSystemError(::GetLastError());
        }
        bytes.remove_prefix(written);
    }
}

bool moveIntoPlace(const std::wstring& from, const std::wstring& to) {
    return ::MoveFileExW(from.c_str(), to.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// Puts the flushed temporary file in the place of the existing target with
// ReplaceFileW, which keeps the target's security, creation time and
// streams, then gives it the target's attributes. False (nothing changed)
// when the target cannot be replaced while it may still be written.
bool replaceExisting(const std::wstring& target, TemporaryFile& temp, DWORD oldAttributes) {
    if (!::ReplaceFileW(target.c_str(), temp.path.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                        nullptr, nullptr)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
            // The old file is gone and the new one still has its temporary
            // name: it is moved into place, or else kept, as the only copy.
            temp.kept = true;
            if (!moveIntoPlace(temp.path, target)) {
                throwSystemError(::GetLastError());
            }
        } else if (folderRefuses(error)) {
            return false;
        } else {
            throwSystemError(error);
        }
    }
    temp.kept = true;
    const DWORD kept = oldAttributes & kKeptAttributes;
    ::SetFileAttributesW(target.c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL);
    return true;
}

// Writes the bytes to a temporary file beside the target, flushes it and
// puts it in the target's place. With `old`, the target's details, the answer
// is false (nothing changed, the temporary file removed) when the folder
// refuses the new file or the target cannot be replaced. A failure while
// writing throws.
bool replaceByRename(const std::wstring& target, std::string_view bytes,
                     const BY_HANDLE_FILE_INFORMATION* old) {
    std::wstring tempPath;
    const HANDLE raw = createTemporary(target, tempPath);
    if (raw == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (old != nullptr && folderRefuses(error)) {
            return false;
        }
        throwSystemError(error);
    }
    TemporaryFile temp{Handle(raw), tempPath};
    writeAll(temp.handle.get(), bytes);
    if (!::FlushFileBuffers(temp.handle.get()) || !temp.handle.release()) {
        throwSystemError(::GetLastError());
    }
    if (old != nullptr) {
        return replaceExisting(target, temp, old->dwFileAttributes);
    }
    if (!moveIntoPlace(temp.path, target)) {
        throwSystemError(::GetLastError());
    }
    temp.kept = true;
    return true;
}

// Writes the bytes over an open file from its start, as a plain write would,
// then cuts a file on disk to their length and flushes it. A device or pipe
// that cannot be flushed takes the bytes as they are.
void writeInPlace(Handle& handle, std::string_view bytes, bool onDisk) {
    writeAll(handle.get(), bytes);
    if (onDisk && !::SetEndOfFile(handle.get())) {
        throwSystemError(::GetLastError());
    }
    if (!::FlushFileBuffers(handle.get()) && onDisk) {
        throwSystemError(::GetLastError());
    }
    if (!handle.release()) {
        throwSystemError(::GetLastError());
    }
}

} // namespace

FileReader::FileReader(const std::string& path) {
    const HANDLE handle = ::CreateFileW(widePath(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            throw FileError("File not found");
        }
        throwSystemError(error);
    }
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    regular_ = ::GetFileType(handle) == FILE_TYPE_DISK;
}

FileReader::~FileReader() {
    ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

bool FileReader::read(std::string& buffer, std::size_t most) {
    const std::size_t before = buffer.size();
    const auto chunk = static_cast<DWORD>(std::min(most, kMaxTransfer));
    buffer.resize(before + chunk);
    DWORD got = 0;
    if (!::ReadFile(reinterpret_cast<HANDLE>(handle_), buffer.data() + before, chunk, &got,
                    nullptr)) {
        const DWORD error = ::GetLastError();
        buffer.resize(before);
        // A pipe whose writer is gone has ended.
        if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) {
            return false;
        }
        throwSystemError(error);
    }
    buffer.resize(before + got);
    return got > 0;
}

void replaceFileContents(const std::string& path, std::string_view bytes) {
    const std::wstring name = widePath(path);
    Handle existing(openForWriting(name, OPEN_EXISTING));
    if (!existing.valid()) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_NOT_FOUND) {
            throwSystemError(error);
        }
        if (isLink(name)) {
            // A link whose target does not exist yet: the target is created
            // through it, and the link stays.
            Handle created(openForWriting(name, OPEN_ALWAYS));
            if (!created.valid()) {
                throwSystemError(::GetLastError());
            }
            writeInPlace(created, bytes, true);
            return;
        }
        replaceByRename(name, bytes, nullptr);
        return;
    }
    if (::GetFileType(existing.get()) != FILE_TYPE_DISK) {
        writeInPlace(existing, bytes, false);
        return;
    }
    BY_HANDLE_FILE_INFORMATION old{};
    if (!::GetFileInformationByHandle(existing.get(), &old)) {
        throwSystemError(::GetLastError());
    }
    // Refused as the system refuses to open it for writing, whoever runs.
    if ((old.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        throwSystemError(ERROR_ACCESS_DENIED);
    }
    const std::wstring target = isLink(name) ? finalPath(existing.get()) : name;
    if (old.nNumberOfLinks > 1 || target.empty()) {
        writeInPlace(existing, bytes, true);
        return;
    }
    // Closed first: a file open here could not be replaced.
    existing.release();
    if (replaceByRename(target, bytes, &old)) {
        return;
    }
    Handle again(openForWriting(target, OPEN_EXISTING));
    if (!again.valid()) {
        throwSystemError(::GetLastError());
    }
    writeInPlace(again, bytes, true);
}

std::string executableDirectory() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t separator = lastSeparator(path);
    if (separator == std::wstring::npos) {
        return {};
    }
    return narrow(path.data(), static_cast<int>(separator));
}

bool isExecutable(const std::string& path) {
    try {
        const DWORD attributes = ::GetFileAttributesW(widePath(path).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    } catch (const FileError&) {
        return false;
    }
}

ProgramRun runProgram(const std::string& path, const std::vector<std::string>& arguments) {
    std::wstring program;
    std::vector<std::wstring> wideArguments;
    try {
        program = widePath(path);
        // spawn joins the arguments with spaces: each is quoted as the C
        // runtime of the program started reads it back.
        wideArguments.push_back(widen(windowsCommandLineArgument(path), CP_UTF8));
        for (const std::string& argument : arguments) {
            wideArguments.push_back(widen(windowsCommandLineArgument(argument), CP_UTF8));
        }
    } catch (const FileError& error) {
        return {false, 0, error.what()};
    }
    std::vector<const wchar_t*> pointers;
    for (const std::wstring& argument : wideArguments) {
        pointers.push_back(argument.c_str());
    }
    pointers.push_back(nullptr);
    // What this process wrote comes before what the program writes.
    std::fflush(nullptr);
    const intptr_t status = ::_wspawnv(_P_WAIT, program.c_str(), pointers.data());
    if (status == -1) {
        return {false, 0, std::strerror(errno)};
    }
    return {true, static_cast<int>(status), {}};
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide != nullptr && count == argc) {
        for (int i = 1; i < count; ++i) {
            arguments.push_back(narrow(wide[i], static_cast<int>(std::wcslen(wide[i]))));
        }
    } else {
        for (int i = 1; i < argc; ++i) {
            try {
                const std::wstring text = widen(argv[i], CP_ACP);
                arguments.push_back(narrow(text.data(), static_cast<int>(text.size())));
            } catch (const FileError&) {
                arguments.emplace_back(argv[i]);
            }
        }
    }
    if (wide != nullptr) {
        ::LocalFree(wide);
    }
    return arguments;
}

void setBinaryStandardOutput() {
    ::_setmode(::_fileno(stdout), _O_BINARY);
}

#endif

} // namespace robustez::platform
