// Changes to the disk made at a chosen moment of the copy's gate (the
// disk_moment seam), so that a race test puts its swap in each window
// itself instead of leaving it to the scheduler.
#pragma once

#include <functional>

#include "core/files/confined_folder.h"

namespace engine_testing {

// For a test's messages.
const char* moment_name(disk_moment moment);

// While this lives, `change` is made once: at the `at`-th moment the gate
// reaches (counting from 1), or at the first `kind` moment.  One at a time.
class moment_change {
public:
    moment_change(int at, std::function<void()> change);
    moment_change(disk_moment kind, std::function<void()> change);
    ~moment_change();
    moment_change(const moment_change&) = delete;
    moment_change& operator=(const moment_change&) = delete;

    int reached() const { return reached_; }
    bool made() const { return made_; }
    disk_moment made_at() const { return made_at_; }

private:
    static void on_moment(disk_moment moment);
    int at_;
    disk_moment kind_;
    std::function<void()> change_;
    int reached_ = 0;
    bool made_ = false;
    disk_moment made_at_ = disk_moment::resolving;
};

// Runs `run` once as it is, counting the moments it reaches, then once for
// each of those moments with `change` made there.  `after(changed)` follows
// every run, to check what it left and put the disk back; `changed` is
// false after the first.  Every moment is tried in every call.
void at_every_moment(const std::function<void()>& run, const std::function<void()>& change,
                     const std::function<void(bool changed)>& after);

}  // namespace engine_testing
