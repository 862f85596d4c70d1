// The installer's start: off the DVD when run from one, the shell's
// start-up, the skin, the installer state and preferences, "-path", the
// registry, then one frame per pass until the run is done.
#pragma once

#include <string>

// Runs the whole program; main returns its result.
int wizard_main(int argc, char** argv);

// The folder after "-path" when "-path" is exactly the first argument and a
// folder follows it; else "".
std::string path_argument(int argc, const char* const* argv);
// That folder as the road uses it: absolute (a relative one is taken from
// `start_folder`, where the program was started), with its links and dot
// folders resolved when it exists, and "/" last.  "" stays "".
std::string command_line_folder(const std::string& argument, const std::string& start_folder);

// The built-in skin of a language (0 English .. 5 Spanish; any other value
// English).
std::string skin_texture_for_language(int language);

// Makes the run's private folder in `parent` (make_run_temp_folder); when
// it cannot be made, a fatal alert says so.  0 or the error number (when
// the alert hook returns, as a test's does).
int start_run_temp_folder(const std::string& parent);

// The installer state at its start values, then the installer preference
// file (and its "--pref:" overrides) read over them and made safe to use.
void read_installer_settings();
