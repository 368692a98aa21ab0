#pragma once

#include "core/signal/Canvas.h"

#include <string>
#include <utility>
#include <vector>

namespace kaldorium::test {

// A canvas that records every drawing call with the pen in force, for checking what a plot drew.
class RecordingCanvas : public Canvas {
public:
    enum class Op { Rectangle, FillRect, Line, Text };

    struct Call {
        Op op;
        int x1 = 0;
        int y1 = 0;
        int x2 = 0;
        int y2 = 0;
        std::string text;
        Color pen;
        int penWidth = 0;
    };

    explicit RecordingCanvas(int imageWidth = 779, int imageHeight = 386)
        : w(imageWidth), h(imageHeight) {}

    int Width() const override { return w; }
    int Height() const override { return h; }
    void SetPenColor(Color color) override { pen = color; }
    void SetPenWidth(int width) override { penWidth = width; }
    void SetFillColor(Color color) override { fill = color; }
    void Rectangle(int x1, int y1, int x2, int y2) override {
        Record({Op::Rectangle, x1, y1, x2, y2, {}, pen, penWidth});
    }
    void FillRect(int x1, int y1, int x2, int y2) override {
        Record({Op::FillRect, x1, y1, x2, y2, {}, pen, penWidth});
    }
    void Line(int x1, int y1, int x2, int y2) override {
        Record({Op::Line, x1, y1, x2, y2, {}, pen, penWidth});
    }
    void TextOut(int x, int y, const std::string &text) override {
        Record({Op::Text, x, y, 0, 0, text, pen, penWidth});
    }

    std::vector<Call> Only(Op op) const {
        std::vector<Call> out;
        for (const Call &c : calls) {
            if (c.op == op) {
                out.push_back(c);
            }
        }
        return out;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const Call &c : Only(Op::Text)) {
            out.push_back(c.text);
        }
        return out;
    }
    void Clear() { calls.clear(); }

    int w;
    int h;
    Color pen{};
    Color fill = ColorWhite;
    int penWidth = 1;
    std::vector<Call> calls;

private:
    void Record(Call call) { calls.push_back(std::move(call)); }
};

} // namespace kaldorium::test
