#pragma once

#include <string_view>

namespace robustez {

// The decimal separator the program takes from QLocale::system() on Linux,
// found without Qt, from a table generated out of Qt's own locale data.

// The locale that sets the numbers: the first non-empty of LC_ALL,
// LC_NUMERIC and LANG; empty when none is set.
std::string_view numericLocaleName();

// The decimal separator (UTF-8) of a locale named "ll_TT.codeset@modifier"
// as Qt reads such a name: tags separated by '_', '-', '.' or '@'; a
// language of two or three letters (any case), an optional script, a
// territory; what follows is ignored. A territory without a locale of its own
// gives the language's; a name Qt does not read as a language ("", "C",
// "POSIX", "C.UTF-8", unknown codes) gives ".".
std::string_view localeDecimalSeparator(std::string_view localeName);

// localeDecimalSeparator(numericLocaleName()).
std::string_view systemDecimalSeparator();

} // namespace robustez
