// A canvas for tests: a fixed size in twips, recording every drawing operation in order.
#pragma once

#include "platform/Canvas.h"

#include <vector>

struct CanvasOp {
    enum Kind { Clear, Line, Circle } kind;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0, radius = 0;
    Rgb colour{};
    LineStyle style = LineStyle::Solid;
};

class RecordingCanvas : public Canvas {
public:
    RecordingCanvas(float width, float height) : width(width), height(height) {}

    float Width() const override { return width; }
    float Height() const override { return height; }
    void Clear() override { ops.push_back({CanvasOp::Clear}); }
    void Line(float x1, float y1, float x2, float y2, Rgb colour, LineStyle style) override {
        ops.push_back({CanvasOp::Line, x1, y1, x2, y2, 0, colour, style});
    }
    void Circle(float x, float y, float radius, Rgb colour) override {
        ops.push_back({CanvasOp::Circle, x, y, 0, 0, radius, colour});
    }
    Rgb ForeColor() const override { return foreColor; }

    float width;
    float height;
    Rgb foreColor{0, 0, 0};
    std::vector<CanvasOp> ops;
};
