// A picture being drawn: RGBA in floats, premultiplied, top row first, with
// a clip rectangle that keeps every stroke inside the element being drawn.
#pragma once

#include <string>
#include <vector>

namespace art {

// A colour with straight (not premultiplied) alpha, each part 0 to 1.
struct rgba {
    float r = 0, g = 0, b = 0, a = 0;
};

constexpr rgba rgb8(int r, int g, int b, float a = 1.0f)
{
    return {r / 255.0f, g / 255.0f, b / 255.0f, a};
}
rgba mix(const rgba& from, const rgba& to, float t);
rgba with_alpha(rgba c, float a);

struct box {
    int x0, y0, x1, y1;  // columns x0 .. x1 - 1, rows y0 .. y1 - 1, top row 0
};

class canvas {
public:
    canvas(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }

    // Drawing outside the clip box changes nothing.
    void clip_to(const box& b);
    void clip_off();
    const box& clip() const { return clip_; }

    // Paints `c` over the pixel with the given coverage (0 to 1).
    void blend(int x, int y, const rgba& c, float coverage);
    // Replaces the pixel, ignoring the clip.
    void put(int x, int y, const rgba& c);
    rgba at(int x, int y) const;

    // Straight-alpha bytes, RGBA, bottom row first, as the PNG writer wants.
    std::vector<unsigned char> bottom_up_bytes() const;
    // Writes the picture as an RGBA PNG; false (and `error` says why) when
    // the file could not be written.
    bool save_png(const std::string& path, std::string& error) const;

private:
    int width_, height_;
    box clip_;
    std::vector<float> pixels_;  // premultiplied r, g, b, a
};

}  // namespace art
