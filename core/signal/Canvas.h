#pragma once

#include <string>

namespace kaldorium {

// An RGB colour of the drawing surface, 0 … 255 per channel.
struct Color {
    int red = 0;
    int green = 0;
    int blue = 0;

    friend constexpr bool operator==(const Color &, const Color &) = default;
};

inline constexpr Color ColorBlack{0, 0, 0};
inline constexpr Color ColorWhite{255, 255, 255};
inline constexpr Color ColorRed{255, 0, 0};
inline constexpr Color ColorGreen{0, 128, 0};

// Identifies a background a plot draws again and again (its empty grid): equal keys mean the same
// picture on a canvas of the same size.
struct BackgroundKey {
    double values[5] = {};
    int numbers[6] = {};

    friend bool operator==(const BackgroundKey &, const BackgroundKey &) = default;
};

// The drawing surface of an image: what the plots need and nothing of the toolkit. Coordinates
// are pixels, (0, 0) at the top left. The window side paints into an image; tests record the
// calls.
class Canvas {
public:
    virtual ~Canvas() = default;

    // Pixel size of the image.
    virtual int Width() const = 0;
    virtual int Height() const = 0;

    virtual void SetPenColor(Color color) = 0;
    virtual void SetPenWidth(int width) = 0;
    // Colour that Rectangle and FillRect fill with; white unless changed.
    virtual void SetFillColor(Color color) = 0;

    // Fills the rectangle from (x1, y1) to (x2, y2) with the fill colour and outlines it with the
    // pen.
    virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
    // Fills the rectangle with the fill colour, no outline.
    virtual void FillRect(int x1, int y1, int x2, int y2) = 0;
    // A line in the pen's colour and width.
    virtual void Line(int x1, int y1, int x2, int y2) = 0;
    // Text in the current font with its top left corner at (x, y).
    virtual void TextOut(int x, int y, const std::string &text) = 0;
    // The size a text takes in the current font. A canvas without fonts answers for a common
    // 9-point sans-serif face.
    virtual int TextWidth(const std::string &text) const {
        return 7 * static_cast<int>(text.size());
    }
    virtual int TextHeight() const { return 15; }

    // A canvas may keep one drawn background and put it back instead of having it drawn again.
    // RestoreBackground answers whether it did; a canvas that keeps nothing always says no.
    virtual bool RestoreBackground(const BackgroundKey &) { return false; }
    virtual void SaveBackground(const BackgroundKey &) {}
};

} // namespace kaldorium
