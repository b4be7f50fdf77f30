#include "core/report/json.h"

#include <array>
#include <charconv>
#include <cmath>

namespace robustez::json {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// The well-formed UTF-8 sequences by their first byte: the length and the
// range allowed for the second byte (the others are always 80..BF).
struct LeadByte {
    unsigned char first, last;
    int length;
    unsigned char secondMin, secondMax;
};
constexpr std::array<LeadByte, 9> kLeadBytes = {{
    {0x00, 0x7F, 1, 0, 0},
    {0xC2, 0xDF, 2, 0x80, 0xBF},
    {0xE0, 0xE0, 3, 0xA0, 0xBF},
    {0xE1, 0xEC, 3, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x80, 0x9F},
    {0xEE, 0xEF, 3, 0x80, 0xBF},
    {0xF0, 0xF0, 4, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x80, 0xBF},
    {0xF4, 0xF4, 4, 0x80, 0x8F},
}};

// The UTF-8 sequence at the start of `text`: its length, and whether it is
// well formed; an ill-formed one is its maximal subpart (at least one byte).
struct Sequence {
    std::size_t length;
    bool wellFormed;
};

Sequence sequenceAt(std::string_view text) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    for (const LeadByte& lead : kLeadBytes) {
        if (byte(0) < lead.first || byte(0) > lead.last) {
            continue;
        }
        for (std::size_t i = 1; i < static_cast<std::size_t>(lead.length); ++i) {
            const unsigned char min = i == 1 ? lead.secondMin : 0x80;
            const unsigned char max = i == 1 ? lead.secondMax : 0xBF;
            if (i >= text.size() || byte(i) < min || byte(i) > max) {
                return {i, false};
            }
        }
        return {static_cast<std::size_t>(lead.length), true};
    }
    return {1, false};
}

// The escape of a character that cannot stand as it is in a JSON string, or
// empty when it can.
std::string_view shortEscape(char c) {
    switch (c) {
    case '"':
        return "\\\"";
    case '\\':
        return "\\\\";
    case '\b':
        return "\\b";
    case '\f':
        return "\\f";
    case '\n':
        return "\\n";
    case '\r':
        return "\\r";
    case '\t':
        return "\\t";
    default:
        return {};
    }
}

void appendEscapedAscii(std::string& out, char c) {
    const std::string_view escape = shortEscape(c);
    if (!escape.empty()) {
        out += escape;
    } else if (static_cast<unsigned char>(c) < 0x20) {
        constexpr char kHex[] = "0123456789abcdef";
        out += "\\u00";
        out += kHex[(c >> 4) & 0xF];
        out += kHex[c & 0xF];
    } else {
        out += c;
    }
}

// Writes the elements of an array or the members of an object between the
// given brackets, separated by commas.
template <typename Items, typename AppendItem>
void appendList(std::string& out, char open, char close, const Items& items,
                AppendItem appendItem) {
    out += open;
    bool first = true;
    for (const auto& item : items) {
        if (!first) {
            out += ',';
        }
        first = false;
        appendItem(item);
    }
    out += close;
}

} // namespace

Value numberOrNull(std::optional<double> value) {
    return value ? Value(*value) : Value();
}

std::string validUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const Sequence sequence = sequenceAt(text);
        if (sequence.wellFormed) {
            out += text.substr(0, sequence.length);
        } else {
            out += kReplacementCharacter;
        }
        text.remove_prefix(sequence.length);
    }
    return out;
}

void appendString(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : validUtf8(text)) {
        appendEscapedAscii(out, c);
    }
    out += '"';
}

void appendNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void append(std::string& out, const Value& value) {
    struct Writer {
        std::string& out;
        void operator()(std::nullptr_t) const { out += "null"; }
        void operator()(bool b) const { out += b ? "true" : "false"; }
        void operator()(long long i) const { out += std::to_string(i); }
        void operator()(double d) const { appendNumber(out, d); }
        void operator()(const std::string& s) const { appendString(out, s); }
        void operator()(const Array& array) const {
            appendList(out, '[', ']', array, [this](const Value& v) { append(out, v); });
        }
        void operator()(const Object& object) const {
            appendList(out, '{', '}', object, [this](const auto& member) {
                appendString(out, member.first);
                out += ':';
                append(out, member.second);
            });
        }
    };
    std::visit(Writer{out}, value.data);
}

std::string toJson(const Value& value) {
    std::string out;
    append(out, value);
    return out;
}

} // namespace robustez::json
