#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace robustez::json {

// JSON values built in memory and written as UTF-8 text. Objects keep their
// members in the order they were given.
struct Value;
using Array = std::vector<Value>;
using Object = std::vector<std::pair<std::string, Value>>;

struct Value {
    std::variant<std::nullptr_t, bool, long long, double, std::string, Array, Object> data;

    Value() : data(nullptr) {}
    Value(std::nullptr_t) : data(nullptr) {}
    Value(bool b) : data(b) {}
    Value(int i) : data(static_cast<long long>(i)) {}
    Value(long long i) : data(i) {}
    Value(double d) : data(d) {}
    Value(std::string s) : data(std::move(s)) {}
    Value(std::string_view s) : data(std::string(s)) {}
    Value(const char* s) : data(std::string(s)) {}
    Value(Array a) : data(std::move(a)) {}
    Value(Object o) : data(std::move(o)) {}
};

// A number, or null when there is none.
Value numberOrNull(std::optional<double> value);

// The text with every ill-formed UTF-8 sequence replaced by U+FFFD, one for
// each maximal ill-formed subpart (as Unicode recommends): a stray byte, or
// the start of a sequence cut short.
std::string validUtf8(std::string_view text);

// Appends the text as a JSON string: quoted, '"' and '\' escaped, control
// characters as \b \f \n \r \t or \u00XX, ill-formed UTF-8 replaced as by
// validUtf8; everything else as it is.
void appendString(std::string& out, std::string_view text);

// Appends the shortest decimal form that reads back as the same double
// ("101", "0.1", "1e-05", "-0"); null for NaN and the infinities, which JSON
// cannot hold.
void appendNumber(std::string& out, double value);

// The shortest forms of numbers that come again and again (the same
// quantiles in every file of a kind), kept by their bits so that each is
// formatted once: appendNumber's bytes.
class NumberTexts {
public:
    void append(std::string& out, double value);

private:
    struct Entry {
        std::uint64_t bits = kNone;
        std::uint8_t size = 0;
        char text[27] = {};
    };
    // A NaN, which is never kept (it is written as null).
    static constexpr std::uint64_t kNone = 0x7FF8000000000001;
    std::array<Entry, 512> entries_{};
};

// Appends the value with no white space.
void append(std::string& out, const Value& value);

std::string toJson(const Value& value);

// Writes JSON text straight into a string, as append would write the same
// values built as a tree, without building it: the commas between members
// and elements are its own. A member is key() then one value or one
// begin...end.
class Writer {
public:
    explicit Writer(std::string& out) : out_(out) {}

    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    // A member's key, escaped as appendString does.
    void key(std::string_view text);
    // A member's key already written as a JSON string followed by ':' (see
    // quotedKey), for keys written again and again.
    void quotedKey(std::string_view quoted) {
        separate();
        out_ += quoted;
        afterKey_ = true;
    }
    void null() {
        separate();
        out_ += "null";
    }
    void boolean(bool b) {
        separate();
        out_ += b ? "true" : "false";
    }
    void integer(long long i);
    void number(double d) {
        separate();
        appendNumber(out_, d);
    }
    // A number that may have been written before, through `texts`.
    void number(double d, NumberTexts& texts) {
        separate();
        texts.append(out_, d);
    }
    // A value already written as JSON text (a string's quoted and escaped
    // form, a number's digits).
    void raw(std::string_view text) {
        separate();
        out_ += text;
    }
    // A number, or null when there is none.
    void number(const std::optional<double>& d) {
        separate();
        if (d) {
            appendNumber(out_, *d);
        } else {
            out_ += "null";
        }
    }
    void string(std::string_view text);
    // A string, or null when there is none.
    void stringOrNull(const std::optional<std::string>& text) {
        if (text) {
            string(*text);
        } else {
            null();
        }
    }

private:
    void separate() {
        if (afterKey_) {
            afterKey_ = false;
        } else if (!first_) {
            out_ += ',';
        }
        first_ = false;
    }
    void open(char bracket) {
        separate();
        out_ += bracket;
        first_ = true;
    }
    void close(char bracket) {
        out_ += bracket;
        first_ = false;
    }

    std::string& out_;
    // Nothing written yet at this level: no comma before the next item.
    bool first_ = true;
    // A key was written: its value follows without a comma.
    bool afterKey_ = false;
};

// The key as Writer::quotedKey takes it: the JSON string and ':'.
std::string quotedKey(std::string_view text);

} // namespace robustez::json
