#include "engine/download_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "core/files/file_ops.h"
#include "core/diag/frame_clock.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"

next_class next;

namespace {

void cancel_nothing(int) {}
cancel_transfer_fn cancel_transfer = cancel_nothing;

}  // namespace

void set_cancel_transfer_hook(cancel_transfer_fn fn) { cancel_transfer = fn ? fn : cancel_nothing; }

std::string stream_archive_path(int stream)
{
    return temp_path + static_cast<char>('0' + stream) + ".zip";
}

namespace {

// The file behind stream k's archive name, in the run's private folder.
std::string stream_keeper_path(int stream) { return stream_archive_path(stream) + ".keep"; }

}  // namespace

void prepare_stream_archive(int stream)
{
    if (temp_path.empty()) return;
    const std::string archive = stream_archive_path(stream), keeper = stream_keeper_path(stream);
    if (::link(keeper.c_str(), archive.c_str()) == 0 || errno != ENOENT) return;
    // The first transfer of the run makes the file; should a second name be
    // refused anyway, the transfer makes the archive as a file of its own.
    int fd = ::open(keeper.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return;
    ::close(fd);
    ::link(keeper.c_str(), archive.c_str());
}

void next_class::reset_all_streams()
{
    // A stream's archive is only ever its own file in the run's temporary
    // folder; the destination folder may hold a user's file of any name.
    for (int k = 0; k < kStreamCount; ++k) {
        if (!active[k] || file_index[k] < 0 ||
            file_index[k] >= static_cast<int>(sim_info.size()))
            continue;
        cancel_transfer(kFirstStreamSlot + k);
        if (!temp_path.empty()) delete_file(stream_archive_path(k));
    }
    // A run begins and ends without the streams' kept files: their last
    // archives would hold the disk until the program ends.
    for (int k = 0; k < kStreamCount && !temp_path.empty(); ++k) ::unlink(stream_keeper_path(k).c_str());
    cursor = 0;
    for (int k = 0; k < kStreamCount; ++k) {
        active[k] = wants_next[k] = k < 2;
        file_index[k] = 0;
        server[k] = 0;
    }
    wrong_answers.clear();
    start_time = xtim.real_time;
    in_progress_kb = downloaded_kb = installed_kb = 0;
}

float next_class::rate(float now) const
{
    float seconds = now - start_time;
    if (seconds < 1) seconds = 1;
    return (downloaded_kb + in_progress_kb) / seconds;
}
