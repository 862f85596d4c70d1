// The about box's window: one frame fetches, draws and moves the update on
// by one step, so nothing waits on the network.
//
//   -- Files and slots ---
//   -- The frame ---
//   -- The update ---
#include "shell/about_box.h"

#include <algorithm>
#include <cerrno>
#include <memory>

#include "core/archives/archive_destination.h"
#include "core/archives/archive_reader.h"
#include "core/diag/error_codes.h"
#include "core/diag/log_stream.h"
#include "core/files/file_ops.h"
#include "core/files/launch_app.h"
#include "core/files/own_files_folder.h"
#include "core/files/system_paths.h"
#include "core/maker_site.h"
#include "core/shell_hooks.h"
#include "core/window_ids.h"
#include "engine/http_client.h"
#include "engine/server_list.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/fonts/text_drawing.h"
#include "shell/frame_loop.h"
#include "shell/mnw_state.h"
#include "shell/save_changes_and_links.h"
#include "shell/widget_hooks.h"
#include "shell/window_stack.h"

namespace {

constexpr int kListSlot = 0;
constexpr int kInstallerSlot = 1;
const char kHomePage[] = "http://" NIMBREL_MAKER_HOST "/";

const char* const kCredits[8] = {
    "Simulator and flight model: the Nimbrel simulator team",
    "Aircraft and instruments: the Nimbrel aircraft team",
    "Scenery and world map: the Nimbrel scenery team",
    "Graphics, textures and fonts: the Nimbrel graphics team",
    "Installer and updater: the Nimbrel installer team",
    "Translations: the Nimbrel translators",
    "Download servers: the Nimbrel mirror hosts",
    "Testing: the Nimbrel beta pilots",
};

// -- Files and slots ---

// Everything the box writes lies in the folder of the run's own files (the
// program's folder when it is the user's own), named in full: the
// download, the unpacking and the hand-over must agree on the place
// whatever the working folder is.  With no such folder the box fetches
// nothing: its names are fixed, and it runs what it unpacks.
struct about_files {
    std::string folder, output, preferences, list, archive;
};

about_files files_here()
{
    about_files f;
    f.folder = own_files_folder();
    if (f.folder.empty()) return f;
    f.output = f.folder + "Output/";
    f.preferences = f.output + "preferences/";
    f.list = f.preferences + "serverlist9.txt";
    f.archive = f.preferences + "installer.zip";
    return f;
}

// The HTTP client tells of a file missing on the server with an alert,
// which returns to the main window: the box comes back rather than vanish
// with the message it was about to show.
int poll(int slot, const std::string& server, const std::string& path, const std::string& file,
         int64_t body_limit)
{
    const bool open = mnw.current_window == window_ids::about;
    const int result = http.net_check(slot, server, path, file, body_limit);
    if (open && mnw.current_window != window_ids::about && !app_done) MACIBM_startwind(window_ids::about, 0);
    return result;
}

// What the box says in the log each time it says something new, so a
// user's report shows what the check found.
void log_outcome(const about_state& s)
{
    static std::string last;
    std::string text;
    if (s.ins_state == 1)
        text = std::string("Offering the ") + (s.is_beta ? "beta" : "final release") + " installer from " +
               s.installer_server + s.installer_path;
    else if (s.ins_state == 4)
        text = s.err_msg;
    if (text.empty() || text == last) return;
    last = text;
    xer << "Version check: " << text << "\n" << std::flush;
}

void fail(about_state& s, const std::string& message)
{
    s.err_msg = message;
    s.ins_state = 4;
    log_outcome(s);
}

std::string with_code(const char* what, int err)
{
    return what + error_str(err) + " (" + std::to_string(err) + ")";
}

// -- The frame ---

void fetch(about_state& s, const about_files& f)
{
    if (f.folder.empty()) return;
    make_folder(f.output);
    make_folder(f.preferences);
    if (s.version_str_found || s.update_begun) return;
    if (!http.free_for(kListSlot, kMakerWebHost, "/serverlist9.txt", f.list)) return;
    if (poll(kListSlot, kMakerWebHost, "/serverlist9.txt", f.list, kServerListMaxBytes) != 1) return;
    about_read_list(f.list, s);
    log_outcome(s);
}

void text_line(int colour, float y, const std::string& text)
{
    OGL_string(colour, 20, y, text, mnw.window_width - 40, charset_regular, 0);
}

void draw(const about_state& s)
{
    const float h = mnw.window_height;
    OGL_plot_back_col();
    shell_widgets().BTN_fillwin(1, 24);
    float right = 0, top = 0;
    shell_widgets().BTN_subwin(0, 18, -1, 35, -1, -1, "", &right, &top);

    text_line(52, h - 45, kProgramVersionText);
    text_line(52, h - 55, "Nimbrel is made by Orrindale Labs.");
    text_line(52, h - 65, NIMBREL_MAKER_HOST);
    text_line(50, h - 85, about_status_line(s));
    for (int i = 0; i < 8; ++i) text_line(50, h - 115 - 10 * i, kCredits[i]);
    text_line(50, h - 195, "Nimbrel uses FreeType to render fonts. www.freetype.org");

    // At its own place, 191, the caption's left end would stand outside the
    // box: the button moves right just enough to sit inside the panel.
    static const std::string site = "Go to " NIMBREL_MAKER_HOST " for free updates and tons of other cool stuff!";
    const float width = str_dx(site) + 21;
    if (shell_widgets().BTN_action(std::max(191.0f, 10 + width / 2), 17, width, 0, 1, site, "-"))
        go_to_URL(kHomePage);
}

// -- The update ---

void download(about_state& s, const about_files& f)
{
    // The wizard fetches its manifest through the same slot: while that
    // runs, the box waits rather than step a transfer that is not its own.
    int result = 0;
    int percent = 0;
    if (http.free_for(kInstallerSlot, s.installer_server, s.installer_path, f.archive)) {
        result = poll(kInstallerSlot, s.installer_server, s.installer_path, f.archive, kDefaultBodyLimit);
        if (const down_class* mine = http.transfer(kInstallerSlot))
            percent = about_download_percent(mine->BytesWritten(), mine->ContentLength());
    }
    if (result == 2) return fail(s, "I was unable to download the installer from the net.");
    if (result == 0) return text_line(61, mnw.window_height - 235, about_progress_line(percent));

    // What a server sends is started: only one whole program is taken, and
    // anything else is as good as no installer at all.
    const int err = about_unpack_installer(f.archive, f.folder, s.installer_app_name);
    if (err == kErrZipOpen) return fail(s, "I was unable to download the installer from the net.");
    if (err) return fail(s, with_code("There was an error unzipping the installer: ", err));
    s.ins_state = 3;
}

// Why an archive is no installer, for the log; null for one that is.
const char* not_an_installer(const archive_item& item, unsigned long long max_bytes)
{
    if (item.kind != entry_kind::file) return "its entry is no regular file";
    if (item.name.find('/') != std::string::npos) return "its file lies in a folder";
    if (!item.attrs.set_mode || !(item.attrs.mode & 0111)) return "its file is not executable";
    if (item.size > max_bytes) return "its file is larger than any installer";
    return nullptr;
}

int refuse_installer(const std::string& archive, const std::string& why)
{
    xer << "Version check: refused the installer archive " << archive << ": " << why << ".\n";
    return kErrZipOpen;
}

void hand_over(about_state& s, const about_files& f)
{
    // Returns only when the installer could not be started.
    const int err = launch_app(f.folder + s.installer_app_name, f.folder, 1);
    fail(s, with_code("There was an error launching the installer: ", err));
}

void work(about_state& s, const about_files& f)
{
    switch (s.ins_state) {
    case 1:
        if (shell_widgets().BTN_action(492, 17, 0, 0, 1, s.is_beta ? " Get New Beta! " : "Update Nimbrel!", "-")) {
            s.ins_state = 2;
            s.update_begun = true;
        }
        break;
    case 2: download(s, f); break;
    case 3: hand_over(s, f); break;
    case 4: text_line(61, mnw.window_height - 235, s.err_msg); break;
    default: break;
    }
}

}  // namespace

int about_unpack_installer(const std::string& archive, const std::string& folder, std::string& name,
                           unsigned long long max_bytes)
{
    std::unique_ptr<archive_reader> in;
    archive_item item;
    int err = open_zip_reader(archive, in);
    if (!err) err = in->next(item);
    if (err == kEndOfArchive) return refuse_installer(archive, "it is empty");
    if (err) return refuse_installer(archive, error_str(err));
    if (const char* why = not_an_installer(item, max_bytes)) return refuse_installer(archive, why + (": " + item.name));

    confined_folder root;
    if ((err = root.open(folder, g_case_sensitive != 0)) != 0) return err;
    extract_dest dest(root);
    entry_check check;
    check.max_size = max_bytes;
    staged_entry staged;
    err = dest.stage_file(item.name, item, *in, check, staged);
    if (err) return failed_in_archive(err, in.get()) ? refuse_installer(archive, error_str(err)) : err;
    archive_item more;
    err = in->next(more);
    if (err != kEndOfArchive)
        return refuse_installer(archive, err ? error_str(err) : "it holds \"" + more.name + "\" as well");
    if ((err = staged.commit()) != 0) return err;
    name = item.name;
    return 0;
}

void MACIBM_about()
{
    about_state& s = about_box_state();
    const about_files f = files_here();
    MACIBM_startwind(window_ids::about, 0);
    // A close request or a stop signal ends the run with the box open.
    while (mnw.current_window == window_ids::about && !app_done) {
        fetch(s, f);
        draw(s);
        work(s, f);
        MACIBM_event_proc();
    }
}
