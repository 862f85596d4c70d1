// The four parallel download streams of the web roads, as the download pump
// leaves them between frames and the run screens read them.  Stream k
// transfers over HTTP slot k + 2 into temp_path + k + ".zip".
#pragma once

#include <map>
#include <string>

constexpr int kStreamCount = 4;
constexpr int kFirstStreamSlot = 2;

class next_class {
public:
    int cursor;                    // next sim_info history a stream takes
    int done;                      // every active stream ran past the end
    int active[kStreamCount];      // stream k is in use
    int wants_next[kStreamCount];  // stream k takes the cursor's file next
    int file_index[kStreamCount];  // the history stream k works on
    int server[kStreamCount];      // the server row stream k's transfer asks
    // By history, the server rows (a bit each) that answered with something
    // other than its file: each is asked once, then the file has failed.
    std::map<int, unsigned> wrong_answers;
    float start_time;              // xtim real time of the last reset
    float in_progress_kb;          // received part of the transfers under way
    float downloaded_kb;           // download sizes finished since the reset
    float installed_kb;            // installed sizes finished since the reset

    // Starts a run on two streams; drops what the active streams were
    // fetching (their transfers and temporary archives).  Keeps `done`.
    void reset_all_streams();

    // Kilobytes per second since the reset, at `now` on the xtim real-time
    // clock: what the run screens show and the pump sizes the streams by.
    float rate(float now) const;
};

extern next_class next;

// The temporary archive of stream k.
std::string stream_archive_path(int stream);

// Before a transfer of stream k begins: its archive's name is made a second
// name of one file the stream keeps for the run, so that downloading into
// it and deleting it afterwards allocate and free no inode.  A file made and
// deleted per download had ext4 without a journal hunt through its inode
// tables past the thousands just freed (skipped for minutes), most of a
// small-file install's time; with a journal it costs a little more than
// writing over one kept file.  Nothing happens when something is at the
// name already.  reset_all_streams removes the kept files.
void prepare_stream_archive(int stream);

// Cancels the transfer on an HTTP slot; the HTTP client installs it.  The
// default does nothing (no client, nothing in flight).
using cancel_transfer_fn = void (*)(int slot);
void set_cancel_transfer_hook(cancel_transfer_fn fn);
