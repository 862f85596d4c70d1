#include "engine/run_temp_folder.h"

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "core/diag/log_stream.h"
#include "core/files/folder_trees.h"
#include "engine/installer_state.h"

namespace {

// What we made, so nothing but our own folder is ever removed, whatever
// temp_path holds by then.
std::string made_folder;

// The uses of the folder: those held on every thread, those of this one,
// and whether the removal has begun.  The lock also keeps two removals
// (a fatal end on a worker, exit on the main thread) from meeting.
std::mutex uses_lock;
std::condition_variable use_ended;
int uses_held = 0;
thread_local int own_uses = 0;
std::atomic<bool> going{false};

}  // namespace

run_folder_use::run_folder_use()
{
    std::lock_guard<std::mutex> hold(uses_lock);
    granted_ = !going.load(std::memory_order_relaxed);
    if (!granted_) return;
    ++uses_held;
    ++own_uses;
}

run_folder_use::~run_folder_use()
{
    if (!granted_) return;
    std::lock_guard<std::mutex> hold(uses_lock);
    --uses_held;
    --own_uses;
    use_ended.notify_all();
}

const std::atomic<bool>& run_folder_going() { return going; }

int make_run_temp_folder(const std::string& parent)
{
    std::string made = parent + "nimbrel-XXXXXX";
    char* const pattern = made.data();
    if (!mkdtemp(pattern)) {
        const int err = errno;
        xer << "Could not make a temporary folder under " << parent << ", errno " << err << "\n";
        temp_path.clear();
        return err;
    }
    // Every way out of the installer but a crash or a fatal alert passes
    // exit(): main's return, and launch_app handing over to the simulator.
    // A fatal alert aborts after the shell's shut-down, which removes it.
    static const bool removed_at_exit = std::atexit(remove_run_temp_folder) == 0;
    (void)removed_at_exit;
    {
        std::lock_guard<std::mutex> hold(uses_lock);
        made_folder = pattern;
        going.store(false, std::memory_order_relaxed);
    }
    temp_path = std::string(pattern) + "/";
    // Named in the log, so that whoever finds a folder left by a run that
    // was killed can tell whose it was.
    xer << "Temporary folder of this run = " << temp_path << "\n";
    return 0;
}

void remove_run_temp_folder()
{
    std::unique_lock<std::mutex> hold(uses_lock);
    if (made_folder.empty()) return;
    going.store(true, std::memory_order_relaxed);
    // A file made while the folder is emptied would leave it standing, and
    // one made after in a folder of that name that someone else made.
    use_ended.wait(hold, [] { return uses_held == own_uses; });
    // Runs at exit too, after the log's per-thread streams are gone:
    // standard error is what is left.
    if (const int err = remove_folder_tree(made_folder))
        std::fprintf(stderr, "Could not remove %s: %s\n", made_folder.c_str(), std::strerror(err));
    made_folder.clear();
}

void run_temp_folder_forget()
{
    std::lock_guard<std::mutex> hold(uses_lock);
    made_folder.clear();
    going.store(false, std::memory_order_relaxed);
}
