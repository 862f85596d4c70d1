#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "core/diag/log_stream.h"
#include "core/shell_hooks.h"
#include "display_for_tests.h"
#include "shell/glx_context.h"
#include "shell/mnw_state.h"
#include "shell/startup.h"
#include "shell/x11_events.h"
#include "shell/x11_window.h"
#include "test_support.h"

// After the test framework: Xlib's macros (None, Bool) would break it.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

using testing_support::read_file;

class x11_and_glx : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const std::string display = testing_support::display_for_tests();
        ASSERT_FALSE(display.empty()) << "no test display";
        setenv("DISPLAY", display.c_str(), 1);
        MACIBM_install_hooks();
        mnw.screen_width = 800;
        mnw.screen_height = 600;
        x11_open_display();
        ASSERT_NE(mnw.x_display, nullptr);
    }
    void SetUp() override { xer.open(dir_ / "log.txt"); }
    void TearDown() override { xer.close(); }
    std::string log()
    {
        xer << std::flush;
        return read_file(dir_ / "log.txt");
    }
    static XEvent key_event(int type, KeySym sym)
    {
        XEvent event{};
        event.type = type;
        event.xkey.display = mnw.x_display;
        event.xkey.keycode = XKeysymToKeycode(mnw.x_display, sym);
        return event;
    }
    testing_support::scratch_dir dir_;
};

TEST_F(x11_and_glx, XErrorsAreLoggedAndTheProgramGoesOn)
{
    const int before = x11_error_count();
    XDestroyWindow(mnw.x_display, 0x7ffffff);  // no such window
    XSync(mnw.x_display, False);
    EXPECT_EQ(x11_error_count(), before + 1);
    EXPECT_NE(log().find("X error 3 (BadWindow"), std::string::npos) << log();
}

TEST_F(x11_and_glx, WindowContextAndWorkerLoaderContexts)
{
    mnw.antialias_request = 0;
    ASSERT_EQ(MACIBM_make_context(0), 1) << log();
    EXPECT_NE(mnw.main_window, 0u);
    EXPECT_EQ(mnw.antialias_level, 0);
    EXPECT_EQ(glXGetCurrentContext(), mnw.main_context);

    __GLXcontextRec* loader = MACIBM_make_context_loader();
    ASSERT_NE(loader, nullptr);
    bool current = false;
    std::thread worker([&] {
        current = MACIBM_set_context_loader(loader);
        glXMakeCurrent(mnw.x_display, 0, nullptr);
    });
    worker.join();
    EXPECT_TRUE(current) << log();
    glXDestroyContext(mnw.x_display, loader);

    MACIBM_nuke_context(0);
    EXPECT_EQ(mnw.main_window, 0u);
    EXPECT_EQ(mnw.main_context, nullptr);
    MACIBM_nuke_context(0);  // nothing left: nothing happens
    XSync(mnw.x_display, False);
    EXPECT_EQ(log().find("X error"), std::string::npos) << log();
}

TEST_F(x11_and_glx, ModifierKeysOnlyTrackTheirState)
{
    mnw.key_pressed = mnw.key_down = 0;
    XEvent alt = key_event(KeyPress, XK_Alt_L);
    LIN_handleevt(&alt, 0);
    EXPECT_EQ(linkey_optn, 1);
    EXPECT_EQ(mnw.key_pressed, 0);
    alt.type = KeyRelease;
    LIN_handleevt(&alt, 0);
    EXPECT_EQ(linkey_optn, 0);

    XEvent super = key_event(KeyPress, XK_Super_L);
    LIN_handleevt(&super, 0);
    EXPECT_EQ(mnw.key_down, 0) << "pressing Super is ignored";
    mnw.key_down = 1;
    super.type = KeyRelease;
    LIN_handleevt(&super, 0);
    EXPECT_EQ(mnw.key_down, 0) << "releasing Super reaches the key handling";

    XEvent letter = key_event(KeyPress, XK_a);
    LIN_handleevt(&letter, 0);
    EXPECT_EQ(mnw.key_pressed, 1);
    EXPECT_EQ(mnw.key_down, 1);
}

TEST_F(x11_and_glx, CloseRequestEndsTheMainLoop)
{
    app_done = 0;
    XEvent message{};
    message.type = ClientMessage;
    message.xclient.message_type = XInternAtom(mnw.x_display, "WM_PROTOCOLS", False);
    message.xclient.format = 32;
    message.xclient.data.l[0] = static_cast<long>(XInternAtom(mnw.x_display, "WM_TAKE_FOCUS", False));
    LIN_handleevt(&message, 0);
    EXPECT_EQ(app_done, 0);
    message.xclient.data.l[0] = static_cast<long>(XInternAtom(mnw.x_display, "WM_DELETE_WINDOW", False));
    LIN_handleevt(&message, 0);
    EXPECT_EQ(app_done, 1);
    app_done = 0;
}

TEST_F(x11_and_glx, APressIsTakenWhereItWentDownAndTheRestWaitsForTheNextFrame)
{
    ASSERT_EQ(MACIBM_make_context(0), 1) << log();
    mnw.ui_scale = 1;
    mnw.origin_x = mnw.origin_y = 0;
    mnw.second_window_open = 0;
    mnw.open_menu = -1;
    mnw.click = 0;
    mnw.mouse_x = mnw.mouse_y = -1;
    XSync(mnw.x_display, True);  // the window's own making is no part of it
    // A press, its release and a move on, all read by one slow frame.
    XEvent event{};
    event.xbutton.display = mnw.x_display;
    event.xbutton.window = mnw.main_window;
    event.xbutton.x = 123;
    event.xbutton.y = 77;
    event.xbutton.button = 1;
    for (int type : {ButtonPress, ButtonRelease, MotionNotify}) {
        event.type = type;
        XSendEvent(mnw.x_display, mnw.main_window, False,
                   ButtonPressMask | ButtonReleaseMask | PointerMotionMask, &event);
    }
    XSync(mnw.x_display, False);

    x11_handle_pending_events(0);
    EXPECT_EQ(mnw.click, 1);
    EXPECT_EQ(mnw.mouse_x, 123) << "the click was taken where the pointer is, not where it went down";
    EXPECT_EQ(mnw.mouse_y, 600 - 77);
    EXPECT_EQ(XPending(mnw.x_display), 2) << "what came after the press was read in the press's frame";
    x11_handle_pending_events(0);
    EXPECT_EQ(XPending(mnw.x_display), 0);
    MACIBM_nuke_context(0);
}

}  // namespace
