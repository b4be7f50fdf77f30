#pragma once

#include "core/study/code_page.h"
#include "core/study/study_record.h"

#include <string>
#include <string_view>

namespace robustez {

// Study files ("*.w1o"): one field per line in Windows-1252 (code_page.h),
// lines ending in CR LF, 3n + 8 lines. Texts inside the program are UTF-8.

// Reads a study from the bytes of a study file (reading rules: a line ends at
// CR, one LF right after it is skipped, a lone LF ends a line too, so files
// with LF or CR line ends read as CR LF files do; 0x1A ends the file, missing
// lines read as empty, lines after 3n + 8 are ignored).
// The grid gets n + 2 rows with its headers and sample numbers. Throws
// ConversionError when line 4 is not a whole number, and RobustezError with
// "Datos fuera de límite, 2-10 valoraciones (Replicaciones)." when it is
// outside 2 to 10.
StudyRecord decodeStudy(std::string_view bytes);

// The bytes of the study file for a study: the five header lines, then for
// each level its setting and its n values, every line ending in CR LF; n is
// the whole-number value of replicateCountText (ConversionError otherwise).
std::string encodeStudy(const StudyRecord& study);

// Reads and decodes a study file. File errors (FileError) read "File not
// found" for a missing file, otherwise "I/O error N" followed by the
// system's explanation. What is read from a device or a pipe, which may
// never end, is bounded ("I/O error 27: File too large").
StudyRecord loadStudyFile(const std::string& path);

// Writes a study file so that the save never changes what the file is, as
// platform::replaceFileContents (core/platform/platform.h) writes a file:
// links followed, the file replaced atomically with its permission bits,
// owner and group, or written in place where a rename would not keep what it
// is; a file this process may not write is refused ("I/O error 13:
// Permission denied"). The study is encoded before the disk is touched: a
// count that is not a whole number (ConversionError) leaves the file as it
// was.
void saveStudyFile(const std::string& path, const StudyRecord& study);

} // namespace robustez
