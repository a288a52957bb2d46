// A drawing area measured in twips (1/1440 inch; 15 twips per pixel at 96 dpi),
// origin at the top left, y growing downwards.
#pragma once

#include <cstdint>

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

enum class LineStyle { Solid, Dot };

class Canvas {
public:
    virtual ~Canvas() = default;
    virtual float Width() const = 0;
    virtual float Height() const = 0;
    virtual void Clear() = 0;
    virtual void Line(float x1, float y1, float x2, float y2, Rgb colour,
                      LineStyle style = LineStyle::Solid) = 0;
    virtual void Circle(float x, float y, float radius, Rgb colour) = 0;
    virtual Rgb ForeColor() const = 0;
};
