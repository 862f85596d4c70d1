#include "core/files/own_files_folder.h"

#include <mutex>

#include "core/files/system_paths.h"
#include "core/files/users_own.h"

namespace {

std::mutex choice_lock;
bool chosen = false;
std::string own_folder, own_reason;

// The kernel's name for a program file that has none: the copy a program
// made of itself off a disk, which lies where it could run, not where its
// files belong.
constexpr char kNoName[] = " (deleted)";

void choose_own_files_folder()
{
    std::string program, program_file, resolved, why;
    get_OS_abs_path(os_dir_this_app, program);
    get_OS_abs_path(os_dir_this_app_file, program_file);
    const bool unnamed = program_file_has_no_name(program_file);
    if (unnamed) why = "the program runs from a copy with no name";
    // Owned by this user as well: a program root installed (/opt/...) is
    // no one else's to change, but neither is it this user's to write,
    // and the log would be lost.
    if (!unnamed && users_writable_folder(program, resolved, why)) {
        own_folder = resolved;
        own_reason = "the program's folder";
        return;
    }
    std::string prefs;
    get_OS_abs_path(os_dir_prefs, prefs);
    own_folder = prefs;
    own_reason = "the program's folder " + program + " is not this user's own to write (" + why + "), " +
                 (prefs.empty() ? std::string("nor is a per-user folder: none of them is written")
                                : std::string("so the per-user folder"));
}

}  // namespace

bool program_file_has_no_name(const std::string& program_file)
{
    return program_file.size() >= sizeof kNoName - 1 &&
           program_file.compare(program_file.size() - (sizeof kNoName - 1), std::string::npos, kNoName) == 0;
}

const std::string& own_files_folder()
{
    std::lock_guard<std::mutex> hold(choice_lock);
    if (!chosen) {
        choose_own_files_folder();
        chosen = true;
    }
    return own_folder;
}

const std::string& own_files_folder_reason()
{
    own_files_folder();
    return own_reason;
}

void own_files_folder_forget()
{
    std::lock_guard<std::mutex> hold(choice_lock);
    chosen = false;
    own_folder.clear();
    own_reason.clear();
}
