#include "tool/locale_separator.h"

#include "tool/locale_separator_table.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace robustez {

namespace {

constexpr std::string_view kPoint = ".";
constexpr std::string_view kTagSeparators = "_-.@";

// The language and territory tags of a locale name; `valid` is false when
// the name has no language tag.
struct LocaleTags {
    bool valid = false;
    std::string language;
    std::string territory;
};

bool isAsciiAlphanumeric(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isValidTag(std::string_view tag) {
    return !tag.empty() && std::all_of(tag.begin(), tag.end(), isAsciiAlphanumeric);
}

bool isScriptTag(std::string_view tag) {
    const std::string_view codes = locale_data::scriptCodes();
    if (tag.size() != 4) {
        return false;
    }
    for (std::size_t at = 0; at + 4 <= codes.size(); at += 4) {
        if (codes.substr(at, 4) == tag) {
            return true;
        }
    }
    return false;
}

std::string withCase(std::string_view text, int (*convert)(int)) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(convert(static_cast<unsigned char>(c)));
    }
    return out;
}

int asciiLower(int c) {
    return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

int asciiUpper(int c) {
    return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
}

// Splits the name tag by tag: the language, then a script or a territory,
// then (after a script) the territory. An invalid tag ends the reading.
LocaleTags splitLocaleName(std::string_view name) {
    LocaleTags tags;
    bool scriptSeen = false;
    while (!name.empty()) {
        const std::size_t end = std::min(name.find_first_of(kTagSeparators), name.size());
        const std::string_view tag = name.substr(0, end);
        name.remove_prefix(std::min(end + 1, name.size()));
        if (!isValidTag(tag)) {
            break;
        }
        if (!tags.valid) {
            if (tag.size() != 2 && tag.size() != 3) {
                return tags;
            }
            tags.valid = true;
            tags.language = withCase(tag, asciiLower);
        } else if (!scriptSeen && isScriptTag(tag)) {
            scriptSeen = true;
        } else {
            tags.territory = withCase(tag, asciiUpper);
            break;
        }
    }
    return tags;
}

std::string_view territorySeparator(const std::string& language, const std::string& territory) {
    const auto table = locale_data::territorySeparators();
    const auto key = [](const locale_data::TerritorySeparator& entry) {
        return std::pair(entry.language, entry.territory);
    };
    const auto wanted = std::pair(std::string_view(language), std::string_view(territory));
    const auto it = std::lower_bound(
        table.begin(), table.end(), wanted,
        [&key](const auto& entry, const auto& value) { return key(entry) < value; });
    return it != table.end() && key(*it) == wanted ? it->separator : std::string_view();
}

std::string_view languageSeparator(const std::string& language) {
    const auto table = locale_data::languageSeparators();
    const auto it = std::lower_bound(table.begin(), table.end(), std::string_view(language),
                                     [](const locale_data::LanguageSeparator& entry,
                                        std::string_view value) { return entry.language < value; });
    return it != table.end() && it->language == language ? it->separator : kPoint;
}

} // namespace

std::string_view numericLocaleName() {
    for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return value;
        }
    }
    return {};
}

std::string_view localeDecimalSeparator(std::string_view localeName) {
    const LocaleTags tags = splitLocaleName(localeName);
    if (!tags.valid) {
        return kPoint;
    }
    const std::string_view own = territorySeparator(tags.language, tags.territory);
    return own.empty() ? languageSeparator(tags.language) : own;
}

std::string_view systemDecimalSeparator() {
    return localeDecimalSeparator(numericLocaleName());
}

} // namespace robustez
