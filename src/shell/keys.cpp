// The key bindings.
//
//   -- Construction and the key pipeline ---
//   -- Bindings ---
//   -- Names and codes ---
#include "shell/keys.h"

#include <cctype>
#include <climits>

#include "core/window_ids.h"
#include "shell/command_registry.h"
#include "shell/frame_loop.h"
#include "shell/key_tables.h"
#include "shell/mnw_state.h"

keys_class keys;

namespace {

key_focus_fn focus_hook = [](int, int, int) { return 0; };

constexpr int shift_flag = 1, alt_flag = 2, control_flag = 4, down_flag = 8, up_flag = 16;
// X's modifier masks, as the event's state carries them.
constexpr unsigned x_shift_mask = 1u << 0, x_control_mask = 1u << 2, x_mod1_mask = 1u << 3;

bool is_lock_or_modifier(unsigned long keysym)
{
    switch (keysym) {
    case 0xFF7F: case 0xFF14: case 0xFFE5: case 0xFFE6: case 0xFFE1: case 0xFFE2:
    case 0xFFE3: case 0xFFE4: case 0xFFE7: case 0xFFE8: case 0xFFE9: case 0xFFEA:
    case 0xFFEB: case 0xFFEC: case 0xFFED: case 0xFFEE:
        return true;
    default:
        return false;
    }
}

const key_name_row* name_row(int vkey)
{
    for (const key_name_row* row = kKeyNameTable; row->display_name; ++row)
        if (row->vkey == vkey) return row;
    return nullptr;
}

int vkey_of(const key_event_facts& e, const keys_class& k)
{
    for (const key_translation* t = kKeyTranslations; t->keysym || t->vkey; ++t)
        if (t->keysym == e.sym0) return t->vkey;
    const int low0 = int(e.sym0 & 0x7F), low1 = int(e.sym1 & 0x7F);
    for (const auto* pair = kAsciiMappings; (*pair)[0]; ++pair)
        if ((*pair)[0] == low0 || (*pair)[0] == low1) return (*pair)[1];
    const unsigned free_count = static_cast<unsigned>(k.free_vkeys.size());
    if (e.keycode < free_count) return k.free_vkeys[e.keycode];
    return int(e.keycode - free_count) + k.max_vkey + 1;
}

// Keys whose meaning the virtual key fixes, whatever the keyboard map
// types for them (the keypad's digits also with Num Lock off).
int character_override(int vkey, int character)
{
    switch (vkey) {
    case 8: case 9: case 13: case 27: return vkey;
    case 37: return 28;
    case 38: return 30;
    case 39: return 29;
    case 40: return 31;
    case 110: return '.';
    default: break;
    }
    if (vkey >= 96 && vkey <= 105) return '0' + (vkey - 96);
    return character;
}

}  // namespace

void set_key_focus_hook(key_focus_fn fn) { focus_hook = fn ? fn : [](int, int, int) { return 0; }; }

int keysym_to_character(unsigned long keysym)
{
    if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF)) return int(keysym);
    if ((keysym >> 24) == 0x01) return int(keysym & 0xFFFFFF);
    return keysym_table_lookup(keysym);
}

// -- Construction and the key pipeline ---

keys_class::keys_class() : cur_vkey(0), cur_modifiers(0), max_vkey(0)
{
    bool used[256] = {};
    for (const key_name_row* row = kKeyNameTable; row->display_name; ++row) {
        used[row->vkey] = true;
        if (row->vkey > max_vkey) max_vkey = row->vkey;
    }
    for (int v = 1; v <= max_vkey; ++v)
        if (!used[v]) free_vkeys.push_back(v);
}

void keys_class::handle_key_facts(const key_event_facts& e)
{
    static int last_vkey = 0, last_uni_code = 0, last_flags = 0;
    if (is_lock_or_modifier(e.sym0)) return;

    int flags = 0;
    if (e.state & x_shift_mask) flags |= shift_flag;
    if (e.state & x_control_mask) flags |= control_flag;
    if (e.state & x_mod1_mask) flags |= alt_flag;

    int character = 0;
    bool fallback = true;
    if (e.kind == key_event_facts::press) {
        flags |= down_flag;
        if (e.lookup == key_event_facts::lookup_chars || e.lookup == key_event_facts::lookup_both)
            character = e.lookup_char;
        else if (e.lookup == key_event_facts::lookup_keysym)
            character = keysym_to_character(e.lookup_sym);
        fallback = character == 0 || character == -1;
    } else if (e.kind == key_event_facts::release) {
        flags |= up_flag;
    }
    if (fallback) character = int(((flags & shift_flag) ? e.sym1 : e.sym0) & 0x7F);

    const int vkey = vkey_of(e, *this);
    character = character_override(vkey, character);

    const int modifiers = flags & ~(down_flag | up_flag);
    if (flags & down_flag) {
        last_vkey = vkey;
        last_uni_code = character;
        last_flags = modifiers;
    } else if ((flags & up_flag) && vkey == last_vkey && modifiers == last_flags) {
        character = last_uni_code;
    }
    if (flags == 0 && vkey == 0 && character == 0) return;
    if (focus_hook(character, vkey, flags)) return;

    if (!(flags & up_flag)) {
        if (vkey == 13 || vkey == 187)
            return_hit = 1;
        else if (vkey == 27)
            escape_hit = 1;
        else if (vkey == 46 || vkey == 8)
            delete_hit = 1;
        if (mnw.current_window != 0 && return_hit) {
            MACIBM_handleclick(1);
            return;
        }
        if (character > 0 && (character & 0x7F)) mnw.typed_char = character & 0x7F;
    }
    cur_vkey = vkey;
    cur_modifiers = flags & 7;
    if (flags & down_flag) {
        pressed_vkey = cur_vkey;
        pressed_modifiers = cur_modifiers;
        ++presses_reached;
    }
    if (mnw.current_window != window_ids::save_file && vkey != 0) execute_key_cmnd(vkey, flags);
}

// -- Bindings ---

void keys_class::execute_key_cmnd(int vkey, int flags)
{
    for (key_binding& row : bindings) {
        if (row.vkey != vkey) continue;
        if (row.modifiers == (flags & 7) && (flags & down_flag)) {
            cmnd.press_one(row.command);
            row.held = 1;
        }
        if ((flags & up_flag) && row.held == 1) {
            cmnd.release_one(row.command);
            row.held = 0;
        }
    }
}

void keys_class::handle_key(int vkey, int flags)
{
    if (vkey != 0) execute_key_cmnd(vkey, flags);
}

void keys_class::run_repeat_keys()
{
    for (const key_binding& row : bindings)
        if (row.held) cmnd.press_always(row.command);
}

int keys_class::key_bound_to(int vkey, int modifiers)
{
    for (const key_binding& row : bindings)
        if (row.vkey == vkey && row.modifiers == modifiers) return row.command;
    return 0;
}

std::string keys_class::get_key_for_cmnd(int command)
{
    for (const key_binding& row : bindings) {
        if (row.command != command) continue;
        if (row.vkey == 0) return std::string();
        std::string name = vkey_to_str(row.vkey);
        if (name[0] >= 'A' && name[0] <= 'Z') name[0] = char(name[0] - 'A' + 'a');
        return row.modifiers ? flag_to_str(row.modifiers) + "-" + name : name;
    }
    return std::string();
}

void keys_class::keys_io(int mode)
{
    if (mode != 0) return;
    bindings.assign(2, key_binding{0, 0, 0, 0});
    for (int r = 0; r < 2; ++r) {
        const default_command& row = default_commands[r];
        bindings[r].vkey = row.default_key;
        bindings[r].modifiers = row.default_modifiers;
        bindings[r].command = cmnd.get_cmnd_by_name(row.path);
    }
    std::vector<key_binding> kept;
    for (const key_binding& row : bindings)
        if (row.vkey != 0) kept.push_back(row);
    bindings.swap(kept);
}

void keys_class::debug() {}

// -- Names and codes ---

int keys_class::ascii_to_vkey(int character, int& vkey, int& flags)
{
    vkey = flags = 0;
    for (const auto* row = kCharTranslations; (*row)[0]; ++row) {
        if ((*row)[0] != character) continue;
        vkey = (*row)[1];
        flags = (*row)[2] ? shift_flag : 0;
        return 1;
    }
    return 0;
}

std::string keys_class::vkey_to_str(int vkey)
{
    if (vkey == 0) return "<NONE>";
    if (const key_name_row* row = name_row(vkey)) return row->display_name;
    return "KEY" + std::to_string(vkey);
}

std::string keys_class::vkey_to_code(int vkey)
{
    if (const key_name_row* row = vkey != 0 ? name_row(vkey) : nullptr) return row->code_name;
    return std::to_string(vkey);
}

int keys_class::str_to_vkey(std::string name)
{
    for (const key_name_row* row = kKeyNameTable; row->display_name; ++row) {
        const std::string display = row->display_name;
        if (display.size() != name.size()) continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(name[i])) ==
                   std::tolower(static_cast<unsigned char>(display[i]));
        if (same) return row->vkey;
    }
    if (name.size() <= 3 || name.compare(0, 3, "KEY") != 0) return 0;
    // A number too large for an int names no key rather than a wrapped one.
    long long value = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        value = value * 10 + (name[i] - '0');
        if (value > INT_MAX) return 0;
    }
    return int(value);
}

int keys_class::str_to_flag(std::string text)
{
    int flags = 0;
    if (text.find("SHIFT") != std::string::npos) flags |= shift_flag;
    if (text.find("ALT") != std::string::npos) flags |= alt_flag;
    if (text.find("CTRL") != std::string::npos) flags |= control_flag;
    return flags;
}

namespace {

std::string join_flags(int flags, const char* shift, const char* alt, const char* control,
                       const char* none)
{
    std::string out;
    const char* names[3] = {shift, alt, control};
    for (int bit = 0; bit < 3; ++bit) {
        if (!(flags & (1 << bit))) continue;
        if (!out.empty()) out += "+";
        out += names[bit];
    }
    return out.empty() ? none : out;
}

}  // namespace

std::string keys_class::flag_to_str(int flags)
{
    return join_flags(flags, "SHIFT", "ALT", "CTRL", "<none>");
}

std::string keys_class::flag_to_code(int flags)
{
    return join_flags(flags, "nbpm_ShiftFlag", "nbpm_OptionAltFlag", "nbpm_ControlFlag", "0");
}
