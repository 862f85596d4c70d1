// The key-binding editor frame by frame, its widgets played by hooks that
// record what they were asked to draw and click where the test says.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shell/command_registry.h"
#include "shell/keys.h"
#include "shell/widget_hooks.h"
#include "shell_test_state.h"

namespace {

constexpr unsigned long f1_keysym = 0xFFBE;
constexpr unsigned shift_mask = 1, control_mask = 4;

// One frame's widgets and the clicks the next frame's widgets answer.
struct editor_widgets {
    std::vector<std::string> actions;  // button labels, in drawing order
    std::vector<std::string> lit;      // labels of buttons drawn selected
    std::vector<std::string> bools;    // check-box labels
    std::vector<std::string> checked;
    std::vector<std::string> path_fields;
    int slider_hi = 0;
    std::string click_action, click_bool;
    bool browse = false;
    std::string browse_result, typed;
};

editor_widgets& ui()
{
    static editor_widgets w;
    return w;
}

void install_editor_hooks()
{
    shell_widget_hooks h{};
    h.BTN_subwin = [](float margin, int, float x, float y, float w, float height,
                      const std::string&, float* right, float* top) {
        if (w < 0) w = mnw.window_width - x - 10;
        if (height < 0) height = mnw.window_height - y - margin - 28;
        *right = x + w + 10;
        *top = y + height + 10;
    };
    h.BTN_action = [](float, float, float, int lit, int, const std::string& label,
                      const std::string&) {
        ui().actions.push_back(label);
        if (lit) ui().lit.push_back(label);
        return label == ui().click_action ? 1 : 0;
    };
    h.BTN_bool = [](float, float, int* value, const std::string& label, int) {
        ui().bools.push_back(label);
        if (*value) ui().checked.push_back(label);
        if (label != ui().click_bool) return 0;
        *value = !*value;
        return 1;
    };
    h.BTN_vert_slider = [](int, float, float, float, int, int hi, int*) {
        ui().slider_hi = hi;
        return 0;
    };
    h.BTN_select_path_stl = [](float, float, int open_save, int file_type, std::string* path, int,
                               const std::string&, float, int) {
        EXPECT_EQ(open_save, 998);
        EXPECT_EQ(file_type, 21);
        ui().path_fields.push_back(*path);
        if (!ui().typed.empty()) *path = ui().typed;
        if (!ui().browse) return 0;
        if (!ui().browse_result.empty()) *path = ui().browse_result;
        return 1;
    };
    set_shell_widget_hooks(h);
}

class key_binding_editor : public shell_test {
protected:
    void SetUp() override
    {
        shell_test::SetUp();
        install_editor_hooks();
        cmnd = cmnd_class();
        forward = cmnd.add_cmd("sim/view/forward", "Look ahead.");
        left = cmnd.add_cmd("sim/view/left", "Look left.");
        com_up = cmnd.add_cmd("sim/radios/com1_up", "COM 1 up.");
        solo = cmnd.add_cmd("sim/solo", "A command beside the groups.");
        saved_bindings = keys.bindings;
        keys.bindings.clear();
        key_editor = key_editor_state();
        mnw.window_width = 1024;
        mnw.window_height = 768;
        mnw.key_pressed = 0;
    }
    void TearDown() override
    {
        keys.bindings = saved_bindings;
        key_editor = key_editor_state();
        cmnd = cmnd_class();
        shell_test::TearDown();
    }
    // One frame; clicks and key flags last for that frame only.
    void frame(int mode = 0)
    {
        ui() = editor_widgets{{}, {}, {}, {}, {}, 0, click_action, click_bool, browse,
                              browse_result, typed};
        keys.keys_wind(mode);
        click_action.clear();
        click_bool.clear();
        browse = false;
        browse_result.clear();
        typed.clear();
        mnw.key_pressed = 0;
    }
    // A key press that reached the key bindings, or one a focused widget
    // took, through the key pipeline as X would deliver it.
    void press(unsigned long keysym, unsigned state, bool reached = true)
    {
        if (!reached) set_key_focus_hook([](int, int, int) { return 1; });
        key_event_facts facts{key_event_facts::press, state, 38, keysym, keysym,
                              key_event_facts::lookup_none, 0, 0};
        keys.handle_key_facts(facts);
        if (release_after) {
            facts.kind = key_event_facts::release;
            facts.state = 0;  // the modifiers came up first
            keys.handle_key_facts(facts);
        }
        set_key_focus_hook(nullptr);
        mnw.key_pressed = 1;
    }
    bool release_after = false;
    static int count(const std::vector<std::string>& v, const std::string& s)
    {
        return static_cast<int>(std::count(v.begin(), v.end(), s));
    }

    std::vector<key_binding> saved_bindings;
    int forward = 0, left = 0, com_up = 0, solo = 0;
    std::string click_action, click_bool, browse_result, typed;
    bool browse = false;
};

TEST_F(key_binding_editor, AnEmptyTableShowsOnlyThePanelsHelpAndAdd)
{
    for (int mode : {0, 1}) {
        frame(mode);
        EXPECT_EQ(ui().actions, std::vector<std::string>{"Add New Key Assignment"});
        EXPECT_TRUE(ui().bools.empty());
        EXPECT_TRUE(ui().path_fields.empty());
        EXPECT_EQ(wx1, 385) << "mode " << mode;
        EXPECT_EQ(wx2, 579);
        EXPECT_EQ(wy1, 255);
        EXPECT_EQ(wx3, 1024);
    }
}

TEST_F(key_binding_editor, AddingToAFullPageScrollsTheNewRowIntoViewAndItShowsNone)
{
    for (int i = 0; i < 34; ++i) keys.bindings.push_back({112 + i % 12, 0, forward, 0});
    click_action = "Add New Key Assignment";
    frame();
    ASSERT_EQ(keys.bindings.size(), 35u);
    EXPECT_EQ(keys.bindings.back().command, 0) << "\"sim/operation/none\" is no command";
    EXPECT_EQ(key_editor.k_cen, 1);
    frame();
    EXPECT_EQ(ui().slider_hi, 1);
    EXPECT_EQ(ui().actions.back(), "-<NONE>") << "the new row is the last one shown";
    EXPECT_EQ(count(ui().actions, "-F1"), 2) << "row 0 is scrolled away, row 12 is not";
}

TEST_F(key_binding_editor, ACapturedKeyLeavesEveryOtherRowThatHadIt)
{
    keys.bindings = {{112, 1, forward, 0}, {65, 0, left, 0}, {112, 1, com_up, 0}};
    frame();
    EXPECT_EQ(ui().actions[1], "-SHIFT F1");
    click_action = "-A";
    frame();
    EXPECT_EQ(key_editor.key_edit, 1);
    press(f1_keysym, shift_mask);
    frame();
    EXPECT_EQ(keys.bindings[1].vkey, 112);
    EXPECT_EQ(keys.bindings[1].modifiers, 1);
    EXPECT_EQ(keys.bindings[0].vkey, 0);
    EXPECT_EQ(keys.bindings[0].modifiers, 0);
    EXPECT_EQ(keys.bindings[2].vkey, 0);
    press('s', 0, false);
    frame();
    EXPECT_EQ(keys.bindings[1].vkey, 112) << "a key the path field took binds nothing";
    release_after = true;
    press('a', shift_mask | control_mask);
    frame();
    EXPECT_EQ(ui().lit, std::vector<std::string>{"-SHIFT F1"}) << "drawn before the key came";
    frame();
    EXPECT_EQ(ui().lit, std::vector<std::string>{"-SHIFT+CTRL A"})
        << "the press binds, not its release after the modifiers came up";
    EXPECT_EQ(count(ui().actions, "-<NONE>"), 2);
}

TEST_F(key_binding_editor, ClickingTheSelectedRowAgainHidesTheBrowserAndModeOneNeverShowsIt)
{
    keys.bindings = {{112, 0, forward, 0}};
    click_action = "-F1";
    frame();
    frame();
    EXPECT_FALSE(ui().bools.empty());
    EXPECT_EQ(ui().path_fields, std::vector<std::string>{"sim/view/forward"});
    EXPECT_EQ(count(ui().actions, "Delete Selected Key Assignment"), 1);
    frame(1);
    EXPECT_TRUE(ui().bools.empty());
    EXPECT_EQ(count(ui().actions, "Delete Selected Key Assignment"), 1);
    click_action = "-F1";
    frame();
    EXPECT_EQ(key_editor.key_edit, -1);
    frame();
    EXPECT_TRUE(ui().bools.empty());
    EXPECT_EQ(count(ui().actions, "Delete Selected Key Assignment"), 0);
}

TEST_F(key_binding_editor, TheBrowserShowsGroupsAndItemsAndAGroupChoosesItsFirstItem)
{
    keys.bindings = {{112, 0, left, 0}};
    key_editor.key_edit = 0;
    frame();
    EXPECT_EQ(ui().bools, (std::vector<std::string>{"|none/", "|operation/", "|view/", "|radios/",
                                                    "|solo", "|-forward", "|-left"}));
    EXPECT_EQ(ui().checked, (std::vector<std::string>{"|view/", "|-left"}));
    click_bool = "|radios/";
    frame();
    EXPECT_EQ(keys.bindings[0].command, com_up);
    frame();
    EXPECT_EQ(ui().checked, (std::vector<std::string>{"|radios/", "|-com1_up"}));
    click_bool = "|-com1_up";
    frame();
    EXPECT_EQ(keys.bindings[0].command, com_up);
}

TEST_F(key_binding_editor, DeleteRemovesTheSelectedRowAndKeepsTheIndex)
{
    keys.bindings = {{112, 0, forward, 0}, {113, 0, left, 0}};
    key_editor.key_edit = 0;
    click_action = "Delete Selected Key Assignment";
    frame();
    ASSERT_EQ(keys.bindings.size(), 1u);
    EXPECT_EQ(keys.bindings[0].command, left);
    EXPECT_EQ(key_editor.key_edit, 0);
    click_action = "Delete Selected Key Assignment";
    frame();
    EXPECT_TRUE(keys.bindings.empty());
    frame();
    EXPECT_EQ(ui().actions, std::vector<std::string>{"Add New Key Assignment"});
}

TEST_F(key_binding_editor, TheBrowseButtonAndATypedPathSetTheCommand)
{
    keys.bindings = {{112, 0, forward, 0}};
    key_editor.key_edit = 0;
    browse = true;
    browse_result = "sim/view/left";
    frame();
    EXPECT_EQ(keys.bindings[0].command, left);
    browse = true;
    browse_result = "sim/view/nowhere";
    frame();
    EXPECT_EQ(keys.bindings[0].command, 0) << "an unregistered path is command 0";

    keys.bindings[0].command = forward;
    typed = "sim/rad";
    frame();
    EXPECT_EQ(keys.bindings[0].command, forward);
    frame();
    EXPECT_EQ(ui().path_fields.back(), "sim/rad") << "a partial path stays in the field";
    typed = "sim/radios/com1_up";
    frame();
    EXPECT_EQ(keys.bindings[0].command, com_up);
    frame();
    EXPECT_EQ(ui().path_fields.back(), "sim/radios/com1_up");
}

TEST_F(key_binding_editor, RowsWithCommandsOutsideTheRegistryShowNoPathAndNoBrowser)
{
    keys.bindings = {{112, 0, 99, 0}, {113, 0, -4, 0}};
    for (int row : {0, 1}) {
        key_editor.key_edit = row;
        frame();
        EXPECT_TRUE(ui().bools.empty()) << "row " << row;
        EXPECT_TRUE(ui().path_fields.empty());
        EXPECT_EQ(count(ui().actions, "Delete Selected Key Assignment"), 1);
    }
}

TEST_F(key_binding_editor, AGroupWithoutItemsLeavesTheCommandAlone)
{
    keys.bindings = {{112, 0, forward, 0}};
    key_editor.key_edit = 0;
    click_bool = "|solo";
    frame();
    EXPECT_EQ(keys.bindings[0].command, forward);
}

}  // namespace
