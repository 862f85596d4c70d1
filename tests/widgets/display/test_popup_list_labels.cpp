// The pop-up list button drawn and read back: its labels show beside the
// button, clear of its frame, whatever the language makes of its width.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "widget_window.h"
#include "widgets/popup_list.h"

namespace {

constexpr int window_w = 400, window_h = 100;

// Right and top exclusive.
struct ink_box {
    int left = window_w, bottom = window_h, right = -1, top = -1;
    bool empty() const { return right < 0; }
};

class popup_list_window : public widget_window {
protected:
    popup_list_window() : widget_window(window_w, window_h) {}
    void TearDown() override
    {
        mnw.language = 0;
        widget_window::TearDown();
    }

    // The back buffer after `draw` ran in a fresh frame, GL_RGB bottom row first.
    std::vector<unsigned char> drawn(const std::function<void()>& draw)
    {
        begin_frame();
        draw();
        std::vector<unsigned char> rgb(window_w * window_h * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, window_w, window_h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    }
    // The box of the pixels where two captures differ, within columns [x1, x2).
    static ink_box difference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b,
                              int x1 = 0, int x2 = window_w)
    {
        ink_box box;
        for (int y = 0; y < window_h; ++y)
            for (int x = x1; x < x2; ++x) {
                const size_t i = (size_t(y) * window_w + x) * 3;
                if (!std::equal(&a[i], &a[i] + 3, &b[i])) {
                    box.left = std::min(box.left, x);
                    box.right = std::max(box.right, x + 1);
                    box.bottom = std::min(box.bottom, y);
                    box.top = std::max(box.top, y + 1);
                }
            }
        return box;
    }
};

}  // namespace

TEST_F(popup_list_window, LabelsStandBesideTheButtonClearOfItsFrame)
{
    // German narrows the button to 0.9 of its widest entry: the labels go
    // with the frame, not with the entry.
    mnw.language = 2;
    int value = 0;
    const auto empty = drawn([] {});
    const auto button = drawn([&] { BTN_textlist(200, 50, &value, "Macintosh-Windows-Linux", ""); });
    const auto labelled = drawn([&] { BTN_textlist(200, 50, &value, "Macintosh-Windows-Linux", "Left|Right"); });
    const ink_box frame = difference(button, empty);
    const ink_box left = difference(labelled, button, 0, 200);
    const ink_box right = difference(labelled, button, 200);
    ASSERT_FALSE(frame.empty() || left.empty() || right.empty()) << "nothing drawn";
    // One unit off the frame, less the glyphs' bearings: a gap of 1 to 3
    // pixels, the labels' ink on the button's row.
    EXPECT_GE(frame.left - left.right, 1) << "the left label runs onto the frame";
    EXPECT_LE(frame.left - left.right, 3) << "the left label stands too far off the button";
    EXPECT_GE(right.left - frame.right, 1) << "the right label runs onto the frame";
    EXPECT_LE(right.left - frame.right, 3) << "the right label stands too far off the button";
    for (const ink_box& label : {left, right})
        EXPECT_TRUE(label.bottom >= frame.bottom && label.top <= frame.top)
            << "a label's rows " << label.bottom << " to " << label.top << " leave the button's " << frame.bottom
            << " to " << frame.top;
}
