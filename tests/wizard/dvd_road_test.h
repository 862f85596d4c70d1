// The DVD roads' screens frame by frame without a window: install DVDs the
// release tool makes in a drive of the test's own, a registry in the test's
// HOME, the engine's stop question answered by the test, and the wizard's
// frames walked as the driver switches them.
#pragma once

#include <map>
#include <string>

#include "wizard/wizard_screen.h"

#include "dvd_release.h"
#include "main_window_test.h"

// The stop and cancel questions: each asked is counted and kept, and
// answered with `answer` (1 the first button, 0 the second, 3 closed).
struct abort_answers {
    int answer = 0;
    int asked = 0;
    std::string question;
};
extern abort_answers g_abort;

// Files below the release's top folder and their contents, and two sets
// joined.
using release_files = std::map<std::string, std::string>;
release_files merged(release_files a, const release_files& b);

class dvd_road_test : public road_test {
protected:
    void SetUp() override;
    void TearDown() override;

    // `set`'s drive for the program, with disk `disk` in it (0: none).
    void use(const testing_support::dvd_release& set, int disk);
    // A folder holding the simulator's executable, the one registered copy.
    void register_copy(const std::string& folder);
    // The hub once, on its first frame.
    wizard_screen hub();
    // The destination and plan the destination screen leaves, without its
    // field (whose text lives for the whole run).
    void plan_for(const std::string& folder);

    // The wizard's frames from `screen` on, as the driver switches them,
    // until `stop` is current; the frames run and the record of the last.
    int walk(screen_fn& screen, screen_fn stop, wizard_screen& last, int limit = 200000);
};
