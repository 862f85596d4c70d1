// The web roads as the end-to-end tests, scripts/demo and the road's
// benchmark walk them: nimbrel-installer and nimbrel-updater with the road
// walker against the sample release on loopback nginx, and what their
// screens hold beyond the bottom bar.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "road_walker.h"
#include "sample_release.h"

using testing_support::road_walker;
using testing_support::sample_release;
using testing_support::wait_until;

// nimbrel-installer through a proxy at `port`, started, its first screen
// drawn: false when no window or no first screen came.
bool start_demo(road_walker& road, unsigned short port);

// Places on the web roads' screens, in interface units.
void tick_licence(const road_walker& road);
void press_fly(const road_walker& road);
void press_cancel_question(const road_walker& road, bool cancel);

// Clicks "Fly" until the program hands over to the simulator, which ends
// it: its exit status, -1 when it still runs after `seconds`.  The click
// does nothing before the finish screen shows the button.
int fly_when_done(road_walker& road, double seconds);
// The engine's warning about an archive that did not unpack is a modal
// window that Return dismisses; it is logged, `detail` among its lines, once
// dismissed.  Then the finish screen offers no "Fly".
void dismiss_unpack_warning_and_expect_no_fly(road_walker& road, const std::string& detail);
// The right-hand QUIT of a road's last screen ends the program in order.
void quit_on_the_finish_screen(road_walker& road);

// Welcome, licence ticked, CONTINUE: on the server check.
bool walk_to_server_check(const road_walker& road);
// Welcome, licence ticked, server check: on the destination screen once
// the server check is through and the manifest lies in the run's temporary
// folder.
bool walk_to_destination(const road_walker& road, const sample_release& release);
// Replaces the text of the install name field; false when the screen did
// not change.
bool set_install_name(const road_walker& road, const std::string& name);

// The folder the demo installs into unless the user names another: the
// program takes HOME as it stands and puts "/" after it.
std::string demo_folder(const road_walker& road);
// The registry of installed copies in the program's HOME.
std::string registry(const road_walker& road);
// `copy` (ending in "/") as the one copy the registry in `home` names.
void register_copy(const std::string& home, const std::string& copy);
// Unpacks the files at `paths` (below the top folder) from a release
// folder's archives into `copy`, as an install leaves them.
bool unpack_into(const std::string& release_folder, const std::vector<std::string>& paths,
                 const std::string& copy);
// The first release as an install leaves it, in "Nimbrel 9/" of `home`,
// with the files `more` too, and registered: the copy, or "" when it could
// not be laid down.
std::string lay_down_copy(const sample_release& release, const std::string& home,
                          const std::vector<std::string>& more = {});
// Presses CONTINUE on the destination screen until the install has set
// itself up (it registers the copy first).
bool begin_install(const road_walker& road);

// The names, sizes and last writes of the streams' archives in the run's
// temporary folder.
std::string archives_in(const std::string& folder);
bool holds_archives(const std::string& folder);
// Whether the downloads get on within a second.
bool downloads_move(const std::string& folder);
// A modal window drawn over the install (no step of the list shows) and
// archives half done that stand still: the window holds the pump.  Known
// by what the window draws: archives alone may stand still for a second on
// a busy machine, with no window up.
bool pump_held(const road_walker& road, const std::string& folder);
// Whether `done` holds before the install stands still: waited for as long
// as its archives in the run's temporary folder `temp` or the program's log
// change, given up once neither did for half a minute.  A download slowed
// on purpose takes what it takes, however busy the machine.
bool wait_on_install(const road_walker& road, const std::string& temp, const std::function<bool()>& done);
// Whether every file the release installs is in `folder`.
bool install_complete(const sample_release& release, const std::string& folder);
// GO BACK on the running install until its cancel question holds the pump.
bool open_cancel_question(const road_walker& road, const std::string& temp);
// Answers that question with its continue button until the install is
// seen to go on: its downloads move, or it has already fetched and unpacked
// all it needed before the test looked again.  False at once when the
// program cancelled the install instead.
bool continue_after_cancel_question(const road_walker& road, const std::string& temp);
