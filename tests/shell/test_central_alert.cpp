// The central alert's paths on the main thread and from workers: standard
// output before the window, the window's loop through the widget hooks,
// fatal endings, re-entry and "--fps_test".
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "core/text/cmdline.h"
#include "core/threads/exce.h"
#include "core/diag/log_stream.h"
#include "core/diag/memory_reserve.h"
#include "core/shell_hooks.h"
#include "core/threads/thread_layer.h"
#include "shell/central_alert.h"
#include "shell/frame_loop.h"
#include "shell/shutdown.h"
#include "alert_recorder.h"
#include "shell_test_state.h"
#include "test_support.h"

namespace {

using testing_support::read_file;

char* kept_past_the_frame = nullptr;

void ask_for_fps_test()
{
    const char* argv[] = {"installer", "--fps_test"};
    cmdline.init_unix(2, argv);
}

using testing_support::scratch_dir;

struct window_script {
    int frames = 0;           // frames the alert window drew
    int answer_on_frame = 0;  // the button reports a click on this frame
    std::vector<std::string> titles;  // the title each frame's window frame shows
    std::vector<int> radio_ids;
};

window_script& script()
{
    static window_script s;
    return s;
}

class central_alert : public shell_test {
protected:
    void SetUp() override
    {
        shell_test::SetUp();
        xer.open(dir_ / "log.txt");
        script() = window_script();
        ogl_inited = 0;
        return_hit = 0;
        // The program's first frame sets its window up once more; the
        // alerts here come later.
        MACIBM_event_proc();
    }
    void TearDown() override
    {
        xer.close();
        ogl_inited = 0;
        shell_test::TearDown();
    }
    std::string log()
    {
        xer << std::flush;
        return read_file(dir_ / "log.txt");
    }
    // An alert window that can be drawn: its button answers on the scripted
    // frame.
    static void give_alert_window()
    {
        shell_widget_hooks hooks{};
        hooks.BTN_fillwin = [](int, int) {
            ++script().frames;
            script().titles.push_back(stls.window_title);
        };
        hooks.BTN_is_int = [](float, float, int*, int mine, const std::string&) {
            script().radio_ids.push_back(mine);
            return 0;
        };
        hooks.BTN_action = [](float, float, float, int, int, const std::string&, const std::string&) {
            return script().frames == script().answer_on_frame ? 1 : 0;
        };
        set_shell_widget_hooks(hooks);
        ogl_inited = 1;
    }
    scratch_dir dir_;
};

TEST_F(central_alert, BeforeTheWindowLinesGoToStandardOutputAndTheLog)
{
    testing::internal::CaptureStdout();
    __MACIBM_alert(0, "First line", "Second", "", "", 1, "setup.cpp", 42);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "N-System Error:\nFirst line\n\nSecond\n\n\n\n\n\nSorry.\n");
    const std::string text = log();
    EXPECT_NE(text.find("OK check MemoryLog.txt!"), std::string::npos) << text;
    EXPECT_NE(text.find("\n\nFirst line\nSecond\n\n\n(setup.cpp line 42)\n"), std::string::npos) << text;
    EXPECT_EQ(alert_is_open(), 0);
}

// The stack file it leaves is checked on the real program (tests/e2e).
TEST_F(central_alert, FatalAlertAborts)
{
    EXPECT_EXIT(__MACIBM_alert(0, "Cannot go on", "", "", "", 2, "fatal.cpp", 7),
                testing::KilledBySignal(SIGABRT), "");
}

TEST_F(central_alert, FatalAlertUnderFpsTestLogsAndExitsWithOne)
{
    EXPECT_EXIT(
        {
            ask_for_fps_test();
            std::fclose(stdout);  // nothing may be printed; a print would now fail loudly
            __MACIBM_alert(0, "Benchmark stopped", "", "", "", 2, "bench.cpp", 1);
        },
        testing::ExitedWithCode(1), "");
}

TEST_F(central_alert, WarningWindowReturnsToItsWindowWithTheMouseRestored)
{
    give_alert_window();
    script().answer_on_frame = 3;
    mnw.mouse_x = 123;
    mnw.mouse_y = 45;
    __MACIBM_alert(0, "Disk almost full", "", "", "", 1, "space.cpp", 9);
    EXPECT_EQ(script().frames, 3);
    EXPECT_EQ(mnw.current_window, 0);
    EXPECT_EQ(mnw.mouse_x, 123);
    EXPECT_EQ(mnw.mouse_y, 45);
    EXPECT_EQ(alert_is_open(), 0);
    EXPECT_NE(log().find("Disk almost full\n\n\n\n(space.cpp line 9)"), std::string::npos);
}

TEST_F(central_alert, CloseRequestEndsTheWindowWithoutAnAnswer)
{
    give_alert_window();  // its button never answers
    shell_widget_hooks hooks = shell_widgets();
    hooks.BTN_fillwin = [](int, int) {
        if (++script().frames == 2) app_done = 1;
    };
    set_shell_widget_hooks(hooks);
    __MACIBM_alert(0, "Disk almost full", "", "", "", 1, "space.cpp", 9);
    const int frames = script().frames;
    app_done = 0;
    EXPECT_EQ(frames, 2) << "the alert held the close request up";
    EXPECT_EQ(mnw.current_window, 0);
    EXPECT_EQ(alert_is_open(), 0);
}

TEST_F(central_alert, ReturnStillSetFromTheRaisingFrameAnswersAtOnce)
{
    give_alert_window();
    return_hit = 1;
    __MACIBM_alert(0, "Done", "", "", "", 1, "x.cpp", 1);
    EXPECT_EQ(script().frames, 1);
    EXPECT_EQ(return_hit, 0);
}

TEST_F(central_alert, AnotherModalWindowGetsItsTurnBackAfterAWarning)
{
    give_alert_window();
    script().answer_on_frame = 1;
    MACIBM_startwind(998, 0);
    __MACIBM_alert(998, "Cannot read that folder", "", "", "", 1, "x.cpp", 1);
    EXPECT_EQ(mnw.current_window, 998);
}

TEST_F(central_alert, ChooserOffersEveryLanguageAndRetitlesAfterItsFirstFrame)
{
    give_alert_window();
    script().answer_on_frame = 2;
    MACIBM_startwind(-1, 0);
    __MACIBM_alert(-1, "-", "-", "-", "-", 0, "start.cpp", 1);
    ASSERT_EQ(script().titles.size(), 2u);
    EXPECT_EQ(script().titles[0], "BE ADVISED");
    EXPECT_EQ(script().titles[1], "Language/");
    EXPECT_EQ(script().radio_ids, (std::vector<int>{0, 1, 2, 3, 4, 5, 0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(mnw.current_window, -1);
    EXPECT_EQ(log().find("MemoryLog"), std::string::npos) << "the chooser is no error";
}

TEST_F(central_alert, FourEmptyLinesShowNoWindow)
{
    give_alert_window();
    __MACIBM_alert(0, "", "", "", "", 1, "x.cpp", 5);
    __MACIBM_alert(0, "", "", "", "", 0, "x.cpp", 6);
    EXPECT_EQ(script().frames, 0);
    EXPECT_NE(log().find("(x.cpp line 5)"), std::string::npos) << "the warning is still logged";
    EXPECT_EQ(log().find("(x.cpp line 6)"), std::string::npos);
}

TEST_F(central_alert, AlertRaisedInsideAnAlertPrintsAndEndsTheProgram)
{
    EXPECT_EXIT(
        {
            give_alert_window();
            shell_widget_hooks inner{};
            inner.BTN_action = [](float, float, float, int, int, const std::string&, const std::string&) {
                __MACIBM_alert(0, "Inner trouble", "", "", "", 1, "inner.cpp", 2);
                return 0;
            };
            set_shell_widget_hooks(inner);
            __MACIBM_alert(0, "Outer", "", "", "", 1, "outer.cpp", 1);
            _exit(0);  // not reached: a re-entered alert always ends the program
        },
        testing::KilledBySignal(SIGABRT), "");
}

TEST_F(central_alert, WorkerAlertsWaitForTheMainThreadsNextReport)
{
    THREAD_init();
    std::thread worker([] {
        __MACIBM_alert(0, "Worker warning", "", "", "", 1, "worker.cpp", 3);
        __MACIBM_alert(0, "Chooser from a worker", "", "", "", 0, "worker.cpp", 4);
    });
    worker.join();
    EXPECT_EQ(log().find("Worker warning"), std::string::npos) << "reported before the main thread asked";
    testing::internal::CaptureStdout();
    THREAD_check_exception(1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Worker warning"), std::string::npos);
    EXPECT_EQ(out.find("Chooser"), std::string::npos);
    THREAD_shutdown();
}

// A frame's allocation that found no room has the main thread's reserve
// given up for it; when what it took stays taken, the frame ends with the
// fatal alert that memory ran out, named by its source file within the
// checkout; when it came back, the reserve is set aside again and nothing
// is said.  In a child process whose address space is bounded: no bound
// can be set under a sanitizer, whose shadow takes terabytes of it.
TEST_F(central_alert, AFrameWhoseAllocationFoundNoRoomEndsWithTheOutOfMemoryAlertUnlessTheRoomCameBack)
{
    if (testing_support::under_sanitizer()) GTEST_SKIP() << "no address-space bound can be set under a sanitizer";
    struct frame_case {
        const char* what;
        void (*update)();
        std::vector<std::string> alerts;
    };
    for (const frame_case& c : {frame_case{"the room stays taken", [] { kept_past_the_frame = new char[48u << 20]; },
                                           {"The installer ran out of memory.|Error: Out of memory.|2|"
                                            "src/shell/frame_loop.cpp"}},
                                frame_case{"the room came back", [] { delete[] new char[48u << 20]; }, {}}}) {
        SCOPED_TRACE(c.what);
        const testing_support::bounded_result r = testing_support::run_bounded(
            [&c] {
                set_shell_app_hooks({c.update, nullptr});
                if (!memory_reserve_take(32u << 20)) return -2;
                testing_support::alert_recorder alerts;
                MACIBM_event_proc();
                std::vector<std::string> seen;
                for (const testing_support::recorded_alert& a : alerts.alerts())
                    seen.push_back(a.line1 + "|" + a.line2 + "|" + std::to_string(a.level) + "|" + a.file);
                return seen == c.alerts && memory_reserve_held() == c.alerts.empty() ? 1 : 0;
            },
            64 * 1024);
        EXPECT_EQ(r.result, 1);
    }
    set_shell_app_hooks({[] {}, nullptr});
}

TEST_F(central_alert, AfterShutDownAlertsPrintInsteadOfDrawing)
{
    EXPECT_EXIT(
        {
            give_alert_window();
            MACIBM_finishup(0);
            MACIBM_finishup(0);  // a second shut-down finds nothing left to do
            testing::internal::CaptureStdout();
            __MACIBM_alert(0, "Late warning", "", "", "", 1, "late.cpp", 1);
            const std::string out = testing::internal::GetCapturedStdout();
            _exit(script().frames == 0 && out.find("Late warning") != std::string::npos ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
