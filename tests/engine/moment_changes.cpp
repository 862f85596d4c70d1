#include "moment_changes.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace engine_testing {

namespace {

moment_change* armed = nullptr;

}  // namespace

const char* moment_name(disk_moment moment)
{
    static const char* const names[] = {
        "resolving a name",      "creating beside a name",   "renaming into a name", "making a folder",
        "removing a name",       "the new folder made",      "the new folder opened", "the new folder judged",
        "the root found in place", "emptying the root",      "removing the root",
    };
    const auto i = static_cast<size_t>(moment);
    return i < sizeof names / sizeof *names ? names[i] : "?";
}

moment_change::moment_change(int at, std::function<void()> change)
    : at_(at), kind_(disk_moment::resolving), change_(std::move(change))
{
    armed = this;
    g_disk_moment_hook = on_moment;
}

moment_change::moment_change(disk_moment kind, std::function<void()> change) : moment_change(0, std::move(change))
{
    kind_ = kind;
}

moment_change::~moment_change()
{
    g_disk_moment_hook = nullptr;
    armed = nullptr;
}

void moment_change::on_moment(disk_moment moment)
{
    moment_change& self = *armed;
    ++self.reached_;
    if (self.made_ || (self.at_ ? self.reached_ != self.at_ : moment != self.kind_)) return;
    self.made_ = true;
    self.made_at_ = moment;
    self.change_();
}

void at_every_moment(const std::function<void()>& run, const std::function<void()>& change,
                     const std::function<void(bool changed)>& after)
{
    int moments = 0;
    {
        moment_change count(-1, [] {});
        run();
        moments = count.reached();
    }
    after(false);
    ASSERT_GT(moments, 0) << "the gate reached no moment: the test proves nothing";
    for (int at = 1; at <= moments; ++at) {
        SCOPED_TRACE("changed at moment " + std::to_string(at) + " of " + std::to_string(moments));
        bool made = false;
        std::string where;
        {
            moment_change swap(at, change);
            run();
            made = swap.made();
            where = moment_name(swap.made_at());
        }
        SCOPED_TRACE(where);
        EXPECT_TRUE(made) << "the run ended before the moment";
        after(true);
    }
}

}  // namespace engine_testing
