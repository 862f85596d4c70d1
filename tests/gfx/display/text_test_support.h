// What the text display tests share: a white and a grey colour of their
// own, whole-window captures, and the box of the pixels text lit.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "gfx/draw/colour_table.h"
#include "gfx/window_link.h"
#include "gl_test_environment.h"

namespace text_test {

// Indices above 48 are drawn as stored, without the interface's lights.
constexpr int white = 100;

// The back buffer as GL_RGB bytes, bottom row first.
inline std::vector<unsigned char> capture()
{
    std::vector<unsigned char> rgb(gfx_test::screen_w * gfx_test::screen_h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, gfx_test::screen_w, gfx_test::screen_h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

// Red of pixel (x, y) of a capture.
inline int red(const std::vector<unsigned char>& shot, int x, int y)
{
    return shot[(y * gfx_test::screen_w + x) * 3];
}

// The smallest rectangle holding every pixel whose red is above
// `threshold`, within [x1, x2) by [y1, y2); empty when none is.
struct box {
    int left = 1 << 20, bottom = 1 << 20, right = -1, top = -1;  // right and top exclusive
    bool empty() const { return right < 0; }
    int width() const { return right - left; }
};
inline box lit_box(const std::vector<unsigned char>& shot, int x1 = 0, int y1 = 0,
                   int x2 = gfx_test::screen_w, int y2 = gfx_test::screen_h, int threshold = 0)
{
    box b;
    for (int y = y1; y < y2; ++y)
        for (int x = x1; x < x2; ++x)
            if (red(shot, x, y) > threshold) {
                b.left = std::min(b.left, x);
                b.right = std::max(b.right, x + 1);
                b.bottom = std::min(b.bottom, y);
                b.top = std::max(b.top, y + 1);
            }
    return b;
}

// A white colour of the tests' own for the length of a test.
class text_test_base : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int c = 0; c < 3; ++c) saved_[c] = colr.colours[white][c];
        colr.assign(white, 1, 1, 1);
        gfx_test::begin_2d_frame();
    }
    void TearDown() override
    {
        colr.assign(white, saved_[0], saved_[1], saved_[2]);
        ogl_win->origin_x = ogl_win->origin_y = 0;
    }

private:
    float saved_[3];
};

}  // namespace text_test
