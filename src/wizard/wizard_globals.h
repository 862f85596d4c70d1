// The wizard's globals that its screens share; the engine's own (paths,
// servers, registered copies) are in engine/installer_state.h.
#pragma once

#include <string>

extern std::string cmd_line_path;   // the folder given after "-path"
extern int num_install_errors;      // counted by the DVD roads
extern int accept_eula;             // the licence box is ticked
// The new copy of the install in progress could not be registered (the
// engine's alert said why): its finish says so.
extern int copy_not_registered;
constexpr int is_build = 0;         // always 0 in the installer
