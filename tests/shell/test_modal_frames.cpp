// Modal windows run frames of their own from inside the program's frame.
#include "core/shell_hooks.h"
#include "shell/frame_loop.h"
#include "shell_test_state.h"

namespace {

int g_updates = 0;
int g_modal_frames = 0;

// As a click on the window's close box does while its frame handles input.
void close_the_modal_window()
{
    static bool closing = false;  // the window change calls this hook too
    if (mnw.current_window != 997 || closing) return;
    closing = true;
    MACIBM_startwind(0, 0);
    closing = false;
}

void update_that_runs_a_modal_window()
{
    if (++g_updates > 1) return;
    MACIBM_startwind(997, 0);
    while (mnw.current_window == 997) {
        ++g_modal_frames;
        MACIBM_event_proc();
    }
}

class modal_frames : public shell_test {
protected:
    void SetUp() override
    {
        shell_test::SetUp();
        g_updates = g_modal_frames = 0;
    }
    void TearDown() override
    {
        set_shell_app_hooks({[] {}, nullptr});
        shell_test::TearDown();
    }
};

TEST_F(modal_frames, WindowClosedInsideItsOwnFrameLeavesTheProgramsUpdateToTheNextFrame)
{
    shell_widget_hooks hooks{};
    hooks.BTN_begin_focus_ring = close_the_modal_window;
    set_shell_widget_hooks(hooks);
    set_shell_app_hooks({update_that_runs_a_modal_window, nullptr});

    MACIBM_event_proc();
    EXPECT_EQ(g_modal_frames, 1);
    EXPECT_EQ(g_updates, 1) << "the program's update was entered again from inside itself";
    EXPECT_EQ(mnw.current_window, 0);
    MACIBM_event_proc();
    EXPECT_EQ(g_updates, 2) << "the next frame is an ordinary one";
}

}  // namespace
