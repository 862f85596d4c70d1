// Files a program cannot open until the test lets it: the kernel holds every
// open of a file below a folder (fanotify's permission events) while this
// holds.  A scan caught on its first file cannot end before the test has
// acted, however fast the machine:
//
//   held_opens hold(copy + "big/");
//   ASSERT_TRUE(hold.active()) << hold.problem();
//   ... start the scan ...
//   ASSERT_TRUE(hold.wait_for_open(30));      // the scan is reading, and waits
//   ASSERT_TRUE(road.press_seen(button_bar::go_back));
//   hold.release();                           // the scan may go on, or stop
//
// Only other processes wait; the test's own opens pass.  Files in folders
// made after the hold began are not held.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class held_opens {
public:
    explicit held_opens(const std::string& folder);
    ~held_opens();  // lets everything go
    held_opens(const held_opens&) = delete;
    held_opens& operator=(const held_opens&) = delete;

    // False when the kernel would not hold opens here (problem() says why).
    bool active() const { return fan_ >= 0; }
    const std::string& problem() const { return problem_; }

    // True once another process waits on an open below the folder, within
    // `seconds`.
    bool wait_for_open(double seconds);
    // Lets every waiting open go, and every later one.
    void release();

private:
    void answer_events();
    void allow(int event_fd);

    int fan_ = -1;
    int wake_[2] = {-1, -1};
    std::string problem_;
    std::mutex mutex_;
    std::condition_variable opened_;
    bool holding_ = true;
    int seen_ = 0;              // opens held so far
    std::vector<int> waiting_;  // the events' descriptors, each answered once
    std::thread thread_;
};

}  // namespace testing_support
