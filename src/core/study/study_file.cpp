#include "core/study/study_file.h"

#include "core/platform/platform.h"
#include "core/study/conversions.h"
#include "core/study/errors.h"

#include <cerrno>
#include <cstring>
#include <functional>
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

// Splits the bytes of a study file into lines: a line ends at CR, one LF
// right after the CR is skipped, a lone LF ends a line too (files edited on
// a system that ends lines with LF or CR alone read as CR LF files do: a
// field cannot hold a line break), 0x1A ends the file, and every line past
// the end reads as empty.
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
        std::size_t scanned = 0; // bytes after pos_ known to hold no line stop
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
            if (data_[stop] == '\n') {
                return line;
            }
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
    static constexpr std::string_view kLineStops{"\r\n\x1a", 3};

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

} // namespace

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
    platform::FileReader file(path);
    // A regular file ends; a device or a pipe may never do so (/dev/zero,
    // `yes |`), so what is read from them is bounded.
    std::size_t total = 0;
    LineReader in([&file, &total](std::string& buffer) {
        if (!file.regular() && total >= kMaxStreamBytes) {
            throw FileError("I/O error " + std::to_string(EFBIG) + ": " + std::strerror(EFBIG));
        }
        const std::size_t before = buffer.size();
        const bool more = file.read(buffer, kReadChunk);
        total += buffer.size() - before;
        return more;
    });
    return decodeLines(in);
}

void saveStudyFile(const std::string& path, const StudyRecord& study) {
    // Everything is encoded before the disk is touched: a count that is not a
    // whole number leaves the old file as it was.
    platform::replaceFileContents(path, encodeStudy(study));
}

} // namespace robustez
