#pragma once

#include "core/design/design_study.h"

#include <string>
#include <string_view>

namespace robustez::design {

// Design files ("*.w1d"): UTF-8 text, one record a line, fields parted by
// tabs, lines ending in LF (CR LF is read as well; a UTF-8 byte order mark
// at the start is skipped). The first line names the format and its version:
//
//   ROBUSTEZ-DISENO<TAB>1
//   Método<TAB>text
//   Analista<TAB>text
//   Fecha<TAB>text
//   Diseño<TAB>name<TAB>plackett-burman|fraccional|completo|tabla
//   Ensayos nominales<TAB>count
//   Orden<TAB>aleatorio|estándar<TAB>seed
//   Factores<TAB>count, then one line a factor: name, unit, low, nominal, high
//   Respuestas<TAB>count, then one line a response: name, unit
//   Columnas<TAB>count, then one line a column: name, factor number (1 for
//       the first factor) or "ficticio"
//   Ensayos<TAB>count, then one line a run, in run order: run number (1, 2,
//       ...), "diseño" or "nominal", standard index, one code a column (-1,
//       0, 1), one value a response (empty until measured)
//
// Texts hold any character: a backslash, a tab, a line feed and a carriage
// return are written "\\", "\t", "\n" and "\r", the other control characters
// "\x" and two upper-case hexadecimal digits ("\x00", "\x7F"); no other
// backslash sequence exists, and no control character stands as it is. Numbers are written with "."
// whatever the locale, with the fewest digits that read back as the same double ("99.8", "0.1",
// "1e-05").
//
// A file is read only when it is whole and consistent: a file of a later
// version of the format, or one that is damaged, is refused with a message
// naming its line ("Línea 7: ..."), and nothing is guessed.

inline constexpr std::string_view kDesignFileMagic = "ROBUSTEZ-DISENO";
inline constexpr int kDesignFileVersion = 1;

// Reads a design study from the bytes of a design file. Throws RobustezError
// with the message naming the line.
DesignStudy decodeDesignFile(std::string_view bytes);

// The bytes of the design file of a study.
std::string encodeDesignFile(const DesignStudy& study);

// The bytes of a file, for the design screen's readers. File errors
// (FileError) as for study files: "File not found", or "I/O error N" and the
// system's explanation; what is read from a device or a pipe is bounded
// ("I/O error 27: File too large").
std::string readFileBytes(const std::string& path);

// Reads and decodes a design file (file errors as readFileBytes).
DesignStudy loadDesignFile(const std::string& path);

// Writes a design file by the same safe save as study files
// (platform::replaceFileContents): the study is encoded before the disk is
// touched, and a failed save leaves the previous file as it was. A study
// whose file would not read back (runs that do not fit its columns,
// responses or design) is refused with RobustezError "El estudio no se puede
// guardar: " and the reading's message, and the file is left as it was.
void saveDesignFile(const std::string& path, const DesignStudy& study);

} // namespace robustez::design
