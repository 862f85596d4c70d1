// Pictures as the end-to-end tests compare them: a screenshot of the
// program's window and the pictures the art generator drew, both read with
// ImageMagick (a reader other than the program's own), with the helpers
// that name a pixel by interface units or by sheet texels.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "gfx/sheet_layout.h"

struct rgba {
    int r = 0, g = 0, b = 0, a = 255;
    bool same_colour(const rgba& o) const { return r == o.r && g == o.g && b == o.b; }
    // Each channel within `slack` of `o`'s.
    bool near(const rgba& o, int slack) const;
};
std::ostream& operator<<(std::ostream& out, const rgba& c);

// Rows from the top, as the file stores them.
class picture {
public:
    // Empty when the file cannot be read.
    static picture read(const std::string& png);

    bool empty() const { return width_ == 0; }
    int width() const { return width_; }
    int height() const { return height_; }
    rgba at(int x, int y) const;
    // A pixel of an 800 by 600 window in interface units: y up from the bottom.
    rgba window(int x, int y) const { return at(x, height_ - 1 - y); }
    // A texel of a sheet: y up from the bottom row, as the layout tables
    // count it.
    rgba texel(int s, int t) const { return at(s, height_ - 1 - t); }

private:
    int width_ = 0, height_ = 0;
    std::vector<unsigned char> bytes_;
};

// Pixels that were not what they should be: how many, and the first few
// for the failure message.
class pixel_differences {
public:
    void add(int x, int y, const rgba& got, const rgba& wanted);
    bool none() const { return count_ == 0; }
    int count() const { return count_; }
    friend std::ostream& operator<<(std::ostream& out, const pixel_differences& d);

private:
    int count_ = 0;
    std::string first_;
};

// Where the opaque texels of a rectangle of the sheet stand unchanged in
// the screenshot: the top-left corners of every match, rows from the top.
// The rectangle's transparent and translucent texels match anything, as
// they show what lies beneath.
struct place {
    int x, y;
};
std::vector<place> find_opaque_texels(const picture& shot, const picture& sheet, const sheet_layout::rect& r);
