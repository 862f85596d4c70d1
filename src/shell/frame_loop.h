// One frame of the whole program (MACIBM_event_proc), the mouse side of the
// menus, and the application's two per-frame hooks.
#pragma once

#include <string>

// One frame: X events, worker errors, the frame clock, the application's
// update unless a modal window is current, the chrome, the buffer swap.
void MACIBM_event_proc();

// The application above the shell: its per-frame update and drawing, and the
// command of a chosen pull-down item.  The program's entry sets them; until
// then a frame draws only the shell's own chrome.
struct shell_app_hooks {
    void (*APP_update)();
    void (*APP_handlemenu)(int command);
};
void set_shell_app_hooks(const shell_app_hooks& hooks);

// A mouse button 1 to 3 went down (0), or Return asks a modal window for its
// default action (1).
void MACIBM_handleclick(int default_action);
void MACIBM_handlerelease();
// Mouse fields from a pointer position in pixels inside an X window.
void MACIBM_load_mxy(unsigned long window, int x, int y);
void MACIBM_movemouse(int x, int y, int window_index);

int has_shiftkey();
int has_controlkey();
int has_optionkey();
int has_capslock();
int accept_item(int);
void get_check_cmnd(int, int, int*, std::string*);
