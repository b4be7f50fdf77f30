#include "core/study/study_file.h"

#include "core/study/conversions.h"
#include "core/study/errors.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace robustez {

namespace {

constexpr std::string_view kCountOutOfRange =
    "Datos fuera de límite, 2-10 valoraciones (Replicaciones).";
constexpr std::string_view kLineEnd = "\r\n";
constexpr char kEndOfFile = '\x1a';
constexpr int kMinCount = 2;
constexpr int kMaxCount = 10;
constexpr std::size_t kReadChunk = 64 * 1024;
// The most read from a source that is not a regular file.
constexpr std::size_t kMaxStreamBytes = 64 * 1024 * 1024;
// The most symbolic links followed from the name a study is saved under.
constexpr int kMaxLinkHops = 40;
// The most of the target's name kept in the name of a temporary file, which
// adds 22 characters and must stay within the 255 a file name may have.
constexpr std::size_t kMaxTemporaryBase = 200;

// Code points of the bytes 0x80..0x9F in Windows-1252. The five bytes the
// code page leaves undefined map to the C1 control of the same number, so
// that every byte survives a round trip through UTF-8.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t byteToCodePoint(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) {
        return kHighControls[byte - 0x80];
    }
    return byte;
}

// The Windows-1252 byte of a code point, or -1 when the code page has none.
int codePointToByte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<int>(cp);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == cp) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 character at `pos`. Returns its code point and advances
// `pos`; on a malformed sequence (truncated, overlong, surrogate, beyond
// U+10FFFF) returns -1 and advances by one byte.
long decodeUtf8(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return -1;
    }
    if (text.size() - pos < static_cast<std::size_t>(length)) {
        ++pos;
        return -1;
    }
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return -1;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return -1;
    }
    pos += length;
    return static_cast<long>(cp);
}

// Splits the bytes of a study file into lines by the reading rules: a line
// ends at CR, one LF right after the CR is skipped, a lone LF is part of the
// text, 0x1A ends the file, and every line past the end reads as empty.
// Bytes come either from one buffer or from a refill function that appends
// the next chunk and answers false at the end of the input; a refilled
// reader asks for no more than it needs for the next line.
class LineReader {
public:
    using Refill = std::function<bool(std::string&)>;

    explicit LineReader(std::string_view bytes) : data_(bytes) {}
    explicit LineReader(Refill refill) : refill_(std::move(refill)) {}

    std::string next() {
        if (ended_) {
            return {};
        }
        std::size_t scanned = 0; // bytes after pos_ known to hold no CR or 0x1A
        for (;;) {
            const std::size_t stop = data_.find_first_of(kLineStops, pos_ + scanned);
            if (stop == std::string_view::npos) {
                scanned = data_.size() - pos_;
                if (fetch()) {
                    continue;
                }
                ended_ = true;
                return std::string(data_.substr(pos_));
            }
            std::string line(data_.substr(pos_, stop - pos_));
            if (data_[stop] == kEndOfFile) {
                ended_ = true;
                return line;
            }
            pos_ = stop + 1;
            if (pos_ == data_.size()) {
                fetch(); // the LF that may follow the CR
            }
            if (pos_ < data_.size() && data_[pos_] == '\n') {
                ++pos_;
            }
            return line;
        }
    }

private:
    static constexpr std::string_view kLineStops{"\r\x1a", 2};

    // Drops the bytes already consumed and appends the next chunk. False
    // when nothing more came.
    bool fetch() {
        if (!refill_ || exhausted_) {
            return false;
        }
        owned_.erase(0, pos_);
        pos_ = 0;
        const std::size_t before = owned_.size();
        if (!refill_(owned_) || owned_.size() == before) {
            exhausted_ = true;
        }
        data_ = owned_;
        return owned_.size() > before;
    }

    std::string owned_;
    std::string_view data_;
    std::size_t pos_ = 0;
    bool ended_ = false;
    bool exhausted_ = false;
    Refill refill_;
};

StudyRecord decodeLines(LineReader& in) {
    StudyRecord study = newStudyRecord();
    study.methodName = cp1252ToUtf8(in.next());
    study.analystName = cp1252ToUtf8(in.next());
    study.dateText = cp1252ToUtf8(in.next());
    study.replicateCountText = cp1252ToUtf8(in.next());
    const int n = toInteger(study.replicateCountText);
    if (n < kMinCount || n > kMaxCount) {
        throw RobustezError(std::string(kCountOutOfRange));
    }
    study.conditionName = cp1252ToUtf8(in.next());
    sizeGridForCount(study.grid, n);
    for (int level = 1; level <= kLevelCount; ++level) {
        for (int row = 1; row <= n + 1; ++row) {
            study.grid.setCell(level, row, cp1252ToUtf8(in.next()));
        }
    }
    return study;
}

void appendLine(std::string& out, std::string_view text) {
    out += utf8ToCp1252(text);
    out += kLineEnd;
}

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
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
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
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[17];
        std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
        tempPath = directory + "/." + base + "." + suffix + ".tmp";
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

std::string cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        appendUtf8(out, byteToCodePoint(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const long cp = decodeUtf8(text, pos);
        const int byte = cp < 0 ? -1 : codePointToByte(static_cast<char32_t>(cp));
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
}

bool fitsCp1252(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const long cp = decodeUtf8(text, pos);
        // CR and 0x1A cannot stand inside a line of a study file.
        if (cp < 0 || cp == '\r' || cp == kEndOfFile ||
            codePointToByte(static_cast<char32_t>(cp)) < 0) {
            return false;
        }
    }
    return true;
}

StudyRecord decodeStudy(std::string_view bytes) {
    LineReader in(bytes);
    return decodeLines(in);
}

std::string encodeStudy(const StudyRecord& study) {
    std::string out;
    out.reserve(512);
    appendLine(out, study.methodName);
    appendLine(out, study.analystName);
    appendLine(out, study.dateText);
    appendLine(out, study.replicateCountText);
    appendLine(out, study.conditionName);
    for (int level = 1; level <= kLevelCount; ++level) {
        // The count is read again for every level, as the grid is written
        // column by column; it is the same text each time.
        const int n = toInteger(study.replicateCountText);
        for (int row = 1; row <= n + 1; ++row) {
            appendLine(out, study.grid.cell(level, row));
        }
    }
    return out;
}

StudyRecord loadStudyFile(const std::string& path) {
    // Non-blocking open, so that a FIFO without a writer reads as empty
    // instead of waiting; reads themselves block as usual.
    const int raw = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (raw < 0) {
        if (errno == ENOENT) {
            throw FileError("File not found");
        }
        throwIoError(errno);
    }
    FileDescriptor fd(raw);
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    }
    // A regular file ends; a device or a pipe may never do so (/dev/zero,
    // `yes |`), so what is read from them is bounded.
    struct stat info {};
    const bool regular = ::fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode);
    std::size_t total = 0;
    LineReader in([&fd, regular, &total](std::string& buffer) {
        if (!regular && total >= kMaxStreamBytes) {
            throwIoError(EFBIG);
        }
        const std::size_t before = buffer.size();
        buffer.resize(before + kReadChunk);
        for (;;) {
            const ssize_t got = ::read(fd.get(), buffer.data() + before, kReadChunk);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                const int error = errno;
                buffer.resize(before);
                throwIoError(error);
            }
            buffer.resize(before + static_cast<std::size_t>(got));
            total += static_cast<std::size_t>(got);
            return got > 0;
        }
    });
    return decodeLines(in);
}

void saveStudyFile(const std::string& path, const StudyRecord& study) {
    // Everything is encoded before the disk is touched: a count that is not a
    // whole number leaves the old file as it was.
    const std::string bytes = encodeStudy(study);
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

} // namespace robustez
