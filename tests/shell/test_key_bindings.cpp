#include <gtest/gtest.h>

#include "core/shell_hooks.h"
#include "shell/command_registry.h"
#include "shell/key_tables.h"
#include "shell/keys.h"
#include "shell/mnw_state.h"

namespace {

struct offered_key {
    int character, vkey, flags;
    bool operator==(const offered_key& o) const
    {
        return character == o.character && vkey == o.vkey && flags == o.flags;
    }
};
std::vector<offered_key> offered;
int take_keys = 0;

constexpr unsigned shift_mask = 1, control_mask = 4;

key_event_facts key(key_event_facts::kind_t kind, unsigned keycode, unsigned long sym0,
                    unsigned long sym1, unsigned state = 0)
{
    key_event_facts e{};
    e.kind = kind;
    e.keycode = keycode;
    e.sym0 = sym0;
    e.sym1 = sym1;
    e.state = state;
    e.lookup = key_event_facts::lookup_none;
    return e;
}

class key_bindings : public ::testing::Test {
protected:
    void SetUp() override
    {
        offered.clear();
        take_keys = 0;
        set_key_focus_hook([](int c, int v, int f) {
            offered.push_back({c, v, f});
            return take_keys;
        });
        keys = keys_class();
        cmnd = cmnd_class();
        mnw.current_window = 0;
        mnw.typed_char = 0;
        return_hit = escape_hit = delete_hit = 0;
        app_done = 0;
    }
    void TearDown() override
    {
        set_key_focus_hook(nullptr);
        app_done = 0;
    }
    // A key pressed and released.
    void tap(unsigned keycode, unsigned long sym0, unsigned long sym1, unsigned state = 0)
    {
        keys.handle_key_facts(key(key_event_facts::press, keycode, sym0, sym1, state));
        keys.handle_key_facts(key(key_event_facts::release, keycode, sym0, sym1, state));
    }
};

TEST_F(key_bindings, TablesHaveTheirSizes)
{
    int names = 0;
    while (kKeyNameTable[names].display_name) ++names;
    EXPECT_EQ(names, 110);
    EXPECT_EQ(keys.max_vkey, 189);
    EXPECT_EQ(keys.free_vkeys.size(), 79u);
    EXPECT_EQ(keysymtab_rows, 758);
    EXPECT_EQ(keysymtab[0].keysym, 0x01A1);
    EXPECT_EQ(keysymtab[keysymtab_rows - 1].keysym, 0x20AC);
    for (int i = 1; i < keysymtab_rows; ++i)
        ASSERT_LT(keysymtab[i - 1].keysym, keysymtab[i].keysym) << "row " << i;
    EXPECT_EQ(keysym_to_character(0x6C1), 0x430) << "Cyrillic_a";
    EXPECT_EQ(keysym_to_character(0x20AC), 0x20AC);
    EXPECT_EQ(keysym_to_character(0xE9), 0xE9);
    EXPECT_EQ(keysym_to_character(0x1000416), 0x416);
    EXPECT_EQ(keysym_to_character(0xFF50), 0);
}

TEST_F(key_bindings, ModifiersAndLocksAloneReachNothing)
{
    for (unsigned long sym : {0xFFE1ul, 0xFFE3ul, 0xFFE9ul, 0xFFE5ul, 0xFF7Ful}) tap(50, sym, sym);
    EXPECT_TRUE(offered.empty());
}

TEST_F(key_bindings, ShiftAReportsItsCharacterOnPressAndRelease)
{
    key_event_facts press = key(key_event_facts::press, 38, 'a', 'A', shift_mask);
    press.lookup = key_event_facts::lookup_chars;
    press.lookup_char = 'A';
    keys.handle_key_facts(press);
    // Shift went up first: the release still takes the press's character
    // only when the modifiers match; with Shift still down they do.
    keys.handle_key_facts(key(key_event_facts::release, 38, 'a', 'A', shift_mask));
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_EQ(offered[0], (offered_key{'A', 65, 9}));
    EXPECT_EQ(offered[1], (offered_key{'A', 65, 17}));
}

TEST_F(key_bindings, ArrowsAndTheKeypadWithNumLockOff)
{
    tap(113, 0xFF51, 0xFF51);  // Left
    tap(111, 0xFF52, 0xFF52);  // Up
    tap(114, 0xFF53, 0xFF53);
    tap(116, 0xFF54, 0xFF54);
    EXPECT_EQ(offered[0], (offered_key{28, 37, 8}));
    EXPECT_EQ(offered[2], (offered_key{30, 38, 8}));
    EXPECT_EQ(offered[4], (offered_key{29, 39, 8}));
    EXPECT_EQ(offered[6], (offered_key{31, 40, 8}));
    offered.clear();
    tap(79, 0xFF95, 0xFFB7);  // keypad 7 as KP_Home
    EXPECT_EQ(offered[0], (offered_key{'7', 103, 8}));
}

TEST_F(key_bindings, LookupResultsAndTheFallback)
{
    key_event_facts e = key(key_event_facts::press, 47, 0x6C1, 0x6E1);
    e.lookup = key_event_facts::lookup_keysym;
    e.lookup_sym = 0x6C1;
    keys.handle_key_facts(e);
    EXPECT_EQ(offered.back().character, 0x430);
    // No input context: the press falls back to the keysym's low bits.
    keys.handle_key_facts(key(key_event_facts::press, 24, 'q', 'Q'));
    EXPECT_EQ(offered.back(), (offered_key{'q', 81, 8}));
    e.lookup = key_event_facts::lookup_chars;
    e.lookup_char = -1;
    keys.handle_key_facts(e);
    EXPECT_EQ(offered.back().character, 0x41) << "0x6C1 & 0x7F";
}

TEST_F(key_bindings, UnknownKeysGetCodesOfTheirOwn)
{
    tap(10, 0x1008FF11, 0x1008FF11);
    EXPECT_EQ(offered[0].vkey, 15);
    tap(100, 0x1008FF12, 0x1008FF12);
    EXPECT_EQ(offered[2].vkey, 211);
}

TEST_F(key_bindings, ReturnActsUnlessAWidgetTakesIt)
{
    tap(36, 0xFF0D, 0xFF0D);
    EXPECT_EQ(return_hit, 1);
    return_hit = 0;
    take_keys = 1;
    tap(36, 0xFF0D, 0xFF0D);
    EXPECT_EQ(return_hit, 0);
    take_keys = 0;
    tap(9, 0xFF1B, 0xFF1B);
    EXPECT_EQ(escape_hit, 1);
    tap(22, 0xFF08, 0xFF08);
    EXPECT_EQ(delete_hit, 1);
    tap(104, 0xFF8D, 0xFF8D);  // keypad Enter sets nothing
    EXPECT_EQ(offered.back().vkey, 188);
    tap(38, 'a', 'A');
    EXPECT_EQ(mnw.typed_char, 'a');
}

TEST_F(key_bindings, BoundKeysPressHoldAndRelease)
{
    const int cmd = cmnd.add_cmd("test/shifted_a", "");
    keys.bindings.push_back({65, 1, cmd, 0});
    tap(38, 'a', 'A');
    EXPECT_EQ(cmnd.press_counts[cmd], 0) << "A alone does not fire Shift+A";
    keys.handle_key_facts(key(key_event_facts::press, 38, 'a', 'A', shift_mask));
    EXPECT_EQ(cmnd.press_counts[cmd], 1);
    EXPECT_EQ(keys.bindings[0].held, 1);
    EXPECT_EQ(keys.cur_vkey, 65);
    EXPECT_EQ(keys.cur_modifiers, 1);
    keys.run_repeat_keys();
    keys.handle_key_facts(key(key_event_facts::release, 38, 'a', 'A', control_mask));
    EXPECT_EQ(cmnd.press_counts[cmd], 0) << "any release of A releases it";
    EXPECT_EQ(keys.bindings[0].held, 0);

    keys.bindings.push_back({81, 4, 1, 0});
    EXPECT_EQ(keys.key_bound_to(81, 4), 1);
    EXPECT_EQ(keys.key_bound_to(81, 0), 0);
    keys.handle_key_facts(key(key_event_facts::press, 24, 'q', 'Q', control_mask));
    EXPECT_EQ(app_done, 1) << "Ctrl+Q bound to the quit command";
}

TEST_F(key_bindings, SaveWindowRunsNoBindings)
{
    keys.bindings.push_back({81, 0, 1, 0});
    mnw.current_window = 999;
    tap(24, 'q', 'Q');
    EXPECT_EQ(app_done, 0);
    mnw.current_window = 0;
}

TEST_F(key_bindings, NamesAndCodes)
{
    EXPECT_EQ(keys.vkey_to_str(0), "<NONE>");
    EXPECT_EQ(keys.vkey_to_str(108), "KEY108");
    EXPECT_EQ(keys.vkey_to_str(182), "\\");
    EXPECT_EQ(keys.vkey_to_code(8), "NBPM_VK_BACK");
    EXPECT_EQ(keys.vkey_to_code(0), "0");
    EXPECT_EQ(keys.str_to_vkey("KEY108"), 108);
    EXPECT_EQ(keys.str_to_vkey("numpad-enter"), 188);
    EXPECT_EQ(keys.str_to_vkey("KEY"), 0);
    EXPECT_EQ(keys.str_to_vkey("KEY12x"), 0);
    EXPECT_EQ(keys.str_to_vkey("key12"), 0);
    EXPECT_EQ(keys.str_to_vkey("KEY99999999999999999999"), 0) << "no wrapped number";
    EXPECT_EQ(keys.str_to_vkey("KEY2147483647"), 2147483647);
    EXPECT_EQ(keys.str_to_flag("CTRL+SHIFT"), 5);
    EXPECT_EQ(keys.flag_to_str(7), "SHIFT+ALT+CTRL");
    EXPECT_EQ(keys.flag_to_str(0), "<none>");
    EXPECT_EQ(keys.flag_to_code(0), "0");
    EXPECT_EQ(keys.flag_to_code(5), "nbpm_ShiftFlag+nbpm_ControlFlag");
    int vkey = 0, flags = 0;
    EXPECT_EQ(keys.ascii_to_vkey('?', vkey, flags), 1);
    EXPECT_EQ(vkey, 184);
    EXPECT_EQ(flags, 1);
    EXPECT_EQ(keys.ascii_to_vkey(0, vkey, flags), 0);
    EXPECT_EQ(keys.ascii_to_vkey(0xE9, vkey, flags), 0);
}

TEST_F(key_bindings, KeyForACommandAndTheReset)
{
    keys.bindings.push_back({8, 0, 5, 0});
    keys.bindings.push_back({65, 5, 6, 0});
    keys.bindings.push_back({150, 0, 7, 0});
    EXPECT_EQ(keys.get_key_for_cmnd(5), "backspace");
    EXPECT_EQ(keys.get_key_for_cmnd(6), "SHIFT+CTRL-a");
    EXPECT_EQ(keys.get_key_for_cmnd(7), "kEY150");
    EXPECT_EQ(keys.get_key_for_cmnd(9), "");
    keys.keys_io(1);
    EXPECT_EQ(keys.bindings.size(), 3u);
    keys.keys_io(0);
    EXPECT_TRUE(keys.bindings.empty());
}

}  // namespace
