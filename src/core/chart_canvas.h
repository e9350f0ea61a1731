#pragma once
// The drawing operations every chart of the program is made of: a filled
// rectangle, a line with a pen, a text, and a copy of a rectangle of the
// canvas onto itself (the one-pixel scroll). The chart logic draws through
// this, so it is tested with a recording canvas and drawn by the widget
// layer into an image.
#include <cstdint>
#include <string>

namespace zu {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

enum class PenStyle { Solid, Dotted };

class ChartCanvas {
  public:
    virtual ~ChartCanvas() = default;
    // Corners (x1, y1) and (x2, y2), the second one excluded.
    virtual void fillRect(int x1, int y1, int x2, int y2, Rgb brush) = 0;
    // From (x1, y1) to (x2, y2), the end point excluded.
    virtual void line(int x1, int y1, int x2, int y2, Rgb pen, int width, PenStyle style) = 0;
    // (x, y) is the top left corner of the text.
    virtual void text(int x, int y, const std::string& s, Rgb colour) = 0;
    // The rectangle (x1, y1)-(x2, y2) copied so that its corner lands on (toX, toY).
    virtual void copyRect(int x1, int y1, int x2, int y2, int toX, int toY) = 0;
};

} // namespace zu
