#pragma once

#include "core/study/study_record.h"

#include <string>
#include <string_view>

namespace robustez {

// Study files ("*.w1o"): one field per line in Windows-1252, lines ending in
// CR LF, 3n + 8 lines. Texts inside the program are UTF-8.

// Windows-1252 bytes to UTF-8 text. The five bytes that Windows-1252 leaves
// undefined map to the control characters of the same number.
std::string cp1252ToUtf8(std::string_view bytes);

// UTF-8 text to Windows-1252 bytes; a character the code page cannot hold
// becomes '?'.
std::string utf8ToCp1252(std::string_view text);

// True when every character of the UTF-8 text can be written in Windows-1252
// inside one line of a study file: malformed UTF-8, characters outside the
// code page, CR (which would end the line) and 0x1A (which would end the
// file) cannot.
bool fitsCp1252(std::string_view text);

// Reads a study from the bytes of a study file (reading rules: a line ends at
// CR, one LF right after it is skipped, a lone LF stays in the text, 0x1A ends
// the file, missing lines read as empty, lines after 3n + 8 are ignored).
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
// system's explanation.
StudyRecord loadStudyFile(const std::string& path);

// Writes a study file so that the save never changes what the file is.
// Symbolic links are followed to the file they lead to, which is written (and
// created, for a link whose target does not exist yet); the links stay links.
// A new file, and normally an existing one, is written atomically: the bytes
// go to a temporary file beside the target, which gets the permission bits,
// owner and group of the file it replaces, is flushed to disk and renamed
// over the target; a failed save leaves the previous file as it was.
// An existing file this process may not open for writing is not replaced: the
// save fails ("I/O error 13: Permission denied") and leaves it as it was.
// Where a rename would not keep what the file is -- other hard links to it,
// not a regular file (device, FIFO), an owner or group this process may not
// give, or a folder that refuses a new file -- the file is written in place,
// as a plain write would: from its start, cut to the new length and flushed.
// A failure midway through such a write may leave the file partly written;
// a failure while writing the temporary file (disk full) fails the save and
// leaves the previous file as it was. A new file gets mode 0666 less the
// umask. Errors are FileError "I/O error N: " and the system's explanation;
// a FIFO with no reader is refused ("I/O error 6") instead of waited on.
void saveStudyFile(const std::string& path, const StudyRecord& study);

} // namespace robustez
