// A text field in a real window under Xvfb, typed into with xdotool:
// accented and Cyrillic text arrives whole and shows, and the editing keys
// work.  The key events are turned into the focus ring's characters and
// virtual keys by a small translation of this test's own (the program's
// key bindings are not linked here); everything from the queue on is the
// field's.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "display_for_tests.h"
#include "shell/keys.h"
#include "test_support.h"
#include "widget_window.h"
#include "widgets/focus_ring.h"
#include "widgets/text_field.h"

// Xlib's macros (None, Bool, Status) last, after everything they would clash with.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace {

constexpr int window_w = 420, window_h = 60;
constexpr float field_x = 10.0f, field_y = 25.0f, field_w = 400.0f;

class text_field_window : public widget_window {
protected:
    text_field_window() : widget_window(window_w, window_h) {}
    void SetUp() override
    {
        widget_window::SetUp();
        if (HasFatalFailure()) return;
        colr.assign(48, 0.05f, 0.05f, 0.1f);  // dark text on the light field
        colr.assign(8, 0.2f, 0.3f, 0.8f);
        colr.colours[111][0] = 1.0f;  // the caret's pulse, held still
        // The input method and context as the shell makes them for its window.
        mnw.input_method = XOpenIM(window.display(), nullptr, nullptr, nullptr);
        if (mnw.input_method)
            mnw.input_context = XCreateIC(mnw.input_method, XNInputStyle,
                                          XIMPreeditNothing | XIMStatusNothing, nullptr);
        XSelectInput(window.display(), window.window(), KeyPressMask | KeyReleaseMask | ExposureMask);
        XSync(window.display(), False);
    }
    void TearDown() override
    {
        unmap_keysyms();
        if (mnw.input_context) XDestroyIC(mnw.input_context);
        if (mnw.input_method) XCloseIM(mnw.input_method);
        mnw.input_context = nullptr;
        mnw.input_method = nullptr;
        widget_window::TearDown();
    }

    // xdotool types a character missing from the keymap by binding it to a
    // spare keycode just for its press and unbinding it at once, so a
    // client reading the event a moment later finds nothing there.  The
    // test's characters get keycodes of their own for as long as it runs.
    void map_keysyms(const std::vector<KeySym>& syms)
    {
        Display* d = window.display();
        int low = 0, high = 0, per = 0;
        XDisplayKeycodes(d, &low, &high);
        KeySym* map = XGetKeyboardMapping(d, static_cast<KeyCode>(low), high - low + 1, &per);
        size_t next = 0;
        // Keycode 8 and the lowest spare ones are where xdotool binds; take
        // spare keycodes from the top.
        for (int code = high; code >= low && next < syms.size(); --code) {
            const KeySym* row = map + (code - low) * per;
            bool spare = true;
            for (int i = 0; i < per; ++i) spare = spare && row[i] == NoSymbol;
            if (!spare) continue;
            KeySym both[2] = {syms[next], syms[next]};
            XChangeKeyboardMapping(d, code, 2, both, 1);
            mapped.push_back(code);
            ++next;
        }
        XFree(map);
        XSync(d, False);
    }
    void unmap_keysyms()
    {
        KeySym none[2] = {NoSymbol, NoSymbol};
        for (int code : mapped) XChangeKeyboardMapping(window.display(), code, 2, none, 1);
        XSync(window.display(), False);
        mapped.clear();
    }

    // One frame: pending key events through the key bindings to the
    // focused field's queue, then the field drawn as the frame would.
    void frame()
    {
        Display* d = window.display();
        while (XPending(d)) {
            XEvent event;
            XNextEvent(d, &event);
            if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
            if (event.type == KeyPress || event.type == KeyRelease) keys.handle_key_raw(&event);
        }
        BTN_begin_focus_ring();
        begin_frame();
        BTN_enterstring(field_x, field_y, &text, 80, "", field_w, 1);
        glXSwapBuffers(d, window.window());
    }

    // Runs xdotool with `args` against the window while frames go on, so
    // the events are read while xdotool's key mapping for them holds.
    void xdotool(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"xdotool", "mousemove", "--window", std::to_string(window.window()),
                                   "20", "20", "sleep", "0.1"});
        std::atomic<bool> done{false};
        testing_support::run_result result;
        std::thread runner([&] {
            // xdotool reads the text it types in its locale's encoding: where
            // the test's own is C, as a login with no LANG gives, UTF-8 text
            // is an invalid sequence to it.
            result = testing_support::run_program(
                args, {"DISPLAY=" + testing_support::display_for_tests(), "LC_ALL=C.UTF-8"});
            done = true;
        });
        while (!done) {
            frame();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        runner.join();
        for (int i = 0; i < 5; ++i) frame();
        ASSERT_EQ(result.status, 0) << result.out;
    }

    // Pixels of the field's text box dark enough to be ink.
    int ink_in_field()
    {
        int ink = 0;
        for (int y = 23; y < 34; ++y)
            for (int x = 11; x < 409; ++x) ink += window.pixel(x, y).r < 100;
        return ink;
    }

    void screenshot(const std::string& name)
    {
        const std::string folder = testing_support::test_output_dir("widgets");
        testing_support::run_program({"import", "-window", "root", folder + name + ".png"},
                                     {"DISPLAY=" + testing_support::display_for_tests()});
    }

    std::string text;
    std::vector<int> mapped;
};

}  // namespace

TEST_F(text_field_window, TypedAccentedAndCyrillicTextShowsInTheField)
{
    frame();
    frame();
    const int empty = ink_in_field();
    // é and à as Latin-1 keysyms, the Cyrillic letters as Unicode ones.
    map_keysyms({0xE9, 0xE0, 0x100043F, 0x1000440, 0x1000438, 0x1000432, 0x1000435, 0x1000442});
    xdotool({"type", "--delay", "30", "déjà vu привет"});
    EXPECT_EQ(text, "déjà vu привет");
    frame();
    // The back buffer holds the frame drawn before the last swap's.
    frame();
    EXPECT_GT(ink_in_field(), empty + 100) << "the glyphs are drawn";
    screenshot("text_field_typed");
}

TEST_F(text_field_window, EditingKeysBehave)
{
    frame();
    xdotool({"type", "--delay", "30", "abcdef"});
    xdotool({"key", "--delay", "30", "BackSpace", "Left", "Left", "BackSpace", "Home", "Delete", "End",
             "shift+Left", "shift+Left", "F1", "x"});
    // abcdef -> abcde -> caret before d -> abde -> bde -> select "de" -> typed over
    EXPECT_EQ(text, "bx");
    screenshot("text_field_edited");
}
