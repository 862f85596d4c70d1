// A turn that test programs of every user of the machine take one at a
// time, for a test of something the machine has one of (a fixed path in
// /tmp/): CI runs the suite as root and as another user side by side.
#pragma once

#include <string>

namespace testing_support {

// Waits until no other process holds the turn `name`, then holds it for
// the object's life.  The turn is an abstract socket's name: it leaves
// nothing on a disk, any user may take it, and a process that ends, however
// it ends, lets it go.  A holder that hangs is ended by its own test's
// time-out; this one waits on no clock of its own.
//
//   const testing_support::machine_turn turn("nimbrel-dvd-relaunch");
//   ASSERT_TRUE(turn.held());
class machine_turn {
public:
    explicit machine_turn(const std::string& name);
    ~machine_turn();
    machine_turn(const machine_turn&) = delete;
    machine_turn& operator=(const machine_turn&) = delete;

    // False only when no socket could be made.
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace testing_support
