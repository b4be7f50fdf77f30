#pragma once

#include "core/report/page_canvas.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace robustez::test {

// One call made on a RecordingCanvas.
struct CanvasCall {
    enum class Kind { Begin, End, Abort, Font, Text, Line };

    Kind kind = Kind::Text;
    int x = 0;
    int y = 0;
    int x2 = 0;        // Line only
    int y2 = 0;        // Line only
    std::string text;  // Text: the text; Font: the typeface
    int pointSize = 0; // Font only

    bool operator==(const CanvasCall&) const = default;
};

// Calls of each kind, for recording and for comparisons.
inline CanvasCall kindCall(CanvasCall::Kind kind) {
    CanvasCall call;
    call.kind = kind;
    return call;
}

inline CanvasCall textCall(int x, int y, std::string text) {
    CanvasCall call = kindCall(CanvasCall::Kind::Text);
    call.x = x;
    call.y = y;
    call.text = std::move(text);
    return call;
}

inline CanvasCall lineCall(int x1, int y1, int x2, int y2) {
    CanvasCall call = kindCall(CanvasCall::Kind::Line);
    call.x = x1;
    call.y = y1;
    call.x2 = x2;
    call.y2 = y2;
    return call;
}

inline CanvasCall fontCall(std::string name, int pointSize) {
    CanvasCall call = kindCall(CanvasCall::Kind::Font);
    call.text = std::move(name);
    call.pointSize = pointSize;
    return call;
}

// A page canvas that records every call. Text widths follow a fixed rule:
// `charWidth` dots per character (UTF-8 code point). Resolution and printable
// width are settable.
class RecordingCanvas : public PageCanvas {
public:
    int resolutionX = 600;
    int resolutionY = 600;
    int width = 4800;
    int charWidth = 10;
    std::vector<CanvasCall> calls;

    void beginDocument() override { calls.push_back(kindCall(CanvasCall::Kind::Begin)); }
    void endDocument() override { calls.push_back(kindCall(CanvasCall::Kind::End)); }
    void abortDocument() override { calls.push_back(kindCall(CanvasCall::Kind::Abort)); }

    void setFont(std::string_view name, int pointSize) override {
        calls.push_back(fontCall(std::string(name), pointSize));
    }

    int textWidth(std::string_view text) const override { return charWidth * codePoints(text); }

    void textOut(int x, int y, std::string_view text) override {
        calls.push_back(textCall(x, y, std::string(text)));
    }

    void line(int x1, int y1, int x2, int y2) override {
        calls.push_back(lineCall(x1, y1, x2, y2));
    }

    int dpiX() const override { return resolutionX; }
    int dpiY() const override { return resolutionY; }
    int printableWidth() const override { return width; }

    static int codePoints(std::string_view text) {
        return static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    }

    // The recorded calls of one kind, in order.
    std::vector<CanvasCall> ofKind(CanvasCall::Kind kind) const {
        std::vector<CanvasCall> found;
        std::copy_if(calls.begin(), calls.end(), std::back_inserter(found),
                     [kind](const CanvasCall& call) { return call.kind == kind; });
        return found;
    }

    std::vector<CanvasCall> texts() const { return ofKind(CanvasCall::Kind::Text); }
    std::vector<CanvasCall> lines() const { return ofKind(CanvasCall::Kind::Line); }

    // The texts drawn at one height, in order.
    std::vector<CanvasCall> textsAtY(int y) const {
        std::vector<CanvasCall> found;
        for (const CanvasCall& call : texts()) {
            if (call.y == y) {
                found.push_back(call);
            }
        }
        return found;
    }
};

} // namespace robustez::test
