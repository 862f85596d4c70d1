// The ids of the program's windows.  The main window is 0; the modal
// windows the shell, the widgets and the wizard open over it take the ids
// below, which the frame clock, the window stack and the widgets all test,
// so each is named here once.
#pragma once

namespace window_ids {

inline constexpr int main = 0;
inline constexpr int eula = 1;
inline constexpr int prefs = 2;               // the installer's options
inline constexpr int livery = 992;
inline constexpr int about = 993;             // "Version and Updates"
inline constexpr int alert = 994;             // the central alert, "BE ADVISED"
inline constexpr int save_changes = 995;      // "SAY INTENTIONS": save, don't save, cancel
inline constexpr int file_question = 996;     // the file plan's question about a changed file
inline constexpr int install_question = 997;  // continue or cancel a running install
inline constexpr int open_file = 998;         // the file chooser's Open, the folder picker
inline constexpr int save_file = 999;         // the file chooser's Save

// The modal windows of the fixed set: the alert to Save.
inline constexpr bool is_modal(int id) { return id >= alert && id <= save_file; }

}  // namespace window_ids
