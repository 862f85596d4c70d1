// Screens and pieces that several roads share: the licence, the disk-space
// readout, the cancel confirmation, picking an installed copy, and the run
// road that starts the simulator.
#pragma once

#include <string>
#include <vector>

#include "wizard/wizard_screen.h"

// -- Licence -----------------------------------------------------------------
int see_eula(int first_frame, wizard_screen& record);
// The licence's text, translated.
std::string eula_text();
// The screens around the licence on the road in progress; `demo_start` and
// `dvd_start` are the first screens the roads put on their step lists.
struct eula_neighbours {
    screen_fn back, next;
};
// The roads set these when they come: the web-demo road on its welcome
// screen, the DVD road on its destination screen.
extern eula_neighbours g_eula_road;

// -- Destination ---------------------------------------------------------------
// The new folder a destination screen edits; kept by the screen for the run.
struct destination_choice {
    bool defaults_set = false;   // the screen has given its defaults
    std::string parent_dir;      // "" while there is none: the user picks one
    std::string install_folder;  // the new folder's name
    std::string desktop_f;       // the desktop, for the sentence saying so
};
// "Change Destination" with its folder picker (asking `picker_prompt`) and
// the "Install Name:" field; true when either changed the choice.
bool edit_destination(destination_choice& choice, const std::string& picker_prompt);
// Sets dest_dir_path from the choice and the record's text; true when the
// new folder can be made: it has a name a folder can have and no folder of
// that name is there yet.  Without a parent folder the text asks for one
// with `picker_prompt`.
bool describe_destination(const destination_choice& choice, const std::string& picker_prompt,
                          wizard_screen& record);
// The destination folder of a parent folder ("/" last) and a new folder's
// name: the parent alone while the name is empty.
std::string destination_folder(const std::string& parent, const std::string& name);
// ".", "..", a "/", a control byte, or longer than a folder name can be.
bool is_unsafe_folder_name(const std::string& name);
// The checksum pass over dest_dir_path to its end within this frame: for a
// folder that does not exist yet it ends on its first step.
void check_destination_now();
// The plan for a folder that does not exist yet: every simulator file to
// install, no scenery tile, and the sizes of that.
void plan_fresh_install();
// Registers the new copy at dest_dir_path, noting in copy_not_registered
// whether that failed; and what its finish adds then ("" when it did not).
void register_new_copy();
std::string unregistered_copy_note();

// -- Scanning a copy ------------------------------------------------------------
// One frame of the checksum pass over dest_dir_path (a mode of
// checksum_pump.h): true once it is through; while it runs the record shows
// how many files are handed out and its bar, and QUIT stops it.
bool scan_copy_frame(int& cursor, int mode, wizard_screen& record);

// -- Disk space and cancel ---------------------------------------------------
// Draws the readout below the screen's text; true when the free space
// exceeds the need, or cannot be found out.
bool UTIL_disk_space(const std::string& enough_text, const std::string& short_text);
// The readout's text and answer for given byte counts and need (KB).
std::string disk_space_text(unsigned long long total_bytes, unsigned long long free_bytes,
                            float needed_k, const std::string& enough_text,
                            const std::string& short_text, bool* enough);
// The question on the way back to a running install, with the road's own
// texts: true to go back to it, which only "Continue" does.  "Cancel", or
// the window closed otherwise, stops the pumps and removes the partial copy
// when this run made its folder (copy_remove_all); nothing else.
bool keep_running_install(const std::string& question, const std::string& cancel_text,
                          const std::string& continue_text);
// 1 the first button, 0 the second, 3 the window closed otherwise.
int UTIL_cancel_install(std::string intro, std::string question, std::string first_button,
                        std::string first_text, std::string second_button,
                        std::string second_text);

// -- Failing servers -----------------------------------------------------------
// What the web roads say while the maker's server, or every download server
// of the list, fails: `host` is the one named (the maker's, or the download
// server in use; the only one when the list holds one), and the proxy when
// one is set.  The engine keeps trying
// meanwhile, slowly; the user may go back or quit.
std::string server_trouble_text(const std::string& host, bool every_download_server);

// -- Installed copies ----------------------------------------------------------
// The registered copies as radio buttons and "Find It"; sets dest_dir_path.
void UTIL_pick_install();
// On a road's first look at dest_dir_path: a folder another road left
// there (a new copy's destination, say) that is neither a registered copy
// nor a simulator folder is no copy to run, scan or change.
void forget_destination_unless_a_copy();
// A copy picker's text: the note that there are several copies, when there
// are, then `sentence` (English, translated here).
std::string pick_copy_text(const char* sentence);
// The frame of a road's copy picker, after the caller set the title, Back
// and Next: on the first frame a scan left running (GO BACK from it) stops
// and a folder that is no copy is forgotten; one copy registered is chosen
// by itself; no copy chosen dims CONTINUE.
void pick_copy_frame(int first_frame, const char* sentence, wizard_screen& record);
// After "Find It": walks up from the folder in dest_dir_path to the copy
// that holds it, which is chosen and registered; when there is none the
// user is told why and `previous` is chosen again.
void choose_copy_holding(const std::string& previous);
// The folder above `path` ("/a/b/" gives "/a/"; "/" gives "/"; "" without a
// "/").
std::string parent_folder(const std::string& path);

// Where a new copy is made unless the user picks another folder: the
// default applications folder, or without a home folder the program's own,
// absolute and ending in "/"; each only while it is the user's own to
// write (users_writable_folder), and "" when neither is.
std::string default_install_parent();
// The first of `folders` that is the user's own to write, so given: "/"
// last, a relative one made absolute; "" when none is.
std::string first_install_parent(const std::vector<std::string>& folders);

// -- Run road ------------------------------------------------------------------
int dvd_pick_run_sim(int first_frame, wizard_screen& record);
int dvd_do_run_sim(int first_frame, wizard_screen& record);
// The simulator executable of the copy in `folder`.
std::string simulator_path(const std::string& folder);
