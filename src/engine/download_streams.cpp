#include "engine/download_streams.h"

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
    cursor = 0;
    for (int k = 0; k < kStreamCount; ++k) {
        active[k] = wants_next[k] = k < 2;
        file_index[k] = 0;
    }
    start_time = xtim.real_time;
    in_progress_kb = downloaded_kb = installed_kb = 0;
}

float next_class::rate(float now) const
{
    float seconds = now - start_time;
    if (seconds < 1) seconds = 1;
    return (downloaded_kb + in_progress_kb) / seconds;
}
