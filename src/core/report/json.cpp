#include "core/report/json.h"

#include "core/text/utf8.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>

namespace robustez::json {

namespace {

// U+FFFD in UTF-8, for each maximal ill-formed subpart.
constexpr std::string_view kReplacementBytes = "\xEF\xBF\xBD";

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

// Printable ASCII without a quote or a backslash, written as it is.
bool isPlain(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\';
    });
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

void appendInteger(std::string& out, long long value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

} // namespace

Value numberOrNull(std::optional<double> value) {
    return value ? Value(*value) : Value();
}

std::string validUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const Utf8Step step = decodeUtf8(text);
        if (step.wellFormed) {
            out += text.substr(0, step.length);
        } else {
            out += kReplacementBytes;
        }
        text.remove_prefix(step.length);
    }
    return out;
}

void appendString(std::string& out, std::string_view text) {
    out += '"';
    // Printable ASCII without a quote or a backslash is written as it is;
    // anything else goes through the UTF-8 check and the escapes.
    if (isPlain(text)) {
        out += text;
    } else {
        for (const char c : validUtf8(text)) {
            appendEscapedAscii(out, c);
        }
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

void NumberTexts::append(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    const auto bits = std::bit_cast<std::uint64_t>(value);
    // Fibonacci hashing: the top bits of the product.
    Entry& entry = entries_[(bits * 0x9E3779B97F4A7C15ULL) >> (64 - 9)];
    if (entry.bits != bits) {
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        const auto size = static_cast<std::size_t>(result.ptr - buffer);
        if (size > sizeof entry.text) {
            out.append(buffer, size);
            return;
        }
        std::copy(buffer, result.ptr, entry.text);
        entry.size = static_cast<std::uint8_t>(size);
        entry.bits = bits;
    }
    out.append(entry.text, entry.size);
}

void append(std::string& out, const Value& value) {
    struct Writer {
        std::string& out;
        void operator()(std::nullptr_t) const { out += "null"; }
        void operator()(bool b) const { out += b ? "true" : "false"; }
        void operator()(long long i) const { appendInteger(out, i); }
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

namespace {

// Appends a plain text between quotes and what follows it, in one append.
bool appendShortPlain(std::string& out, std::string_view text, std::string_view after) {
    char buffer[64];
    if (text.size() + 2 + after.size() > sizeof buffer || !isPlain(text)) {
        return false;
    }
    char* end = buffer;
    *end++ = '"';
    end = std::copy(text.begin(), text.end(), end);
    *end++ = '"';
    end = std::copy(after.begin(), after.end(), end);
    out.append(buffer, end);
    return true;
}

} // namespace

void Writer::key(std::string_view text) {
    separate();
    if (!appendShortPlain(out_, text, ":")) {
        appendString(out_, text);
        out_ += ':';
    }
    afterKey_ = true;
}

void Writer::string(std::string_view text) {
    separate();
    if (!appendShortPlain(out_, text, {})) {
        appendString(out_, text);
    }
}

void Writer::integer(long long i) {
    separate();
    appendInteger(out_, i);
}

std::string quotedKey(std::string_view text) {
    std::string quoted;
    appendString(quoted, text);
    quoted += ':';
    return quoted;
}

std::string toJson(const Value& value) {
    std::string out;
    append(out, value);
    return out;
}

} // namespace robustez::json
