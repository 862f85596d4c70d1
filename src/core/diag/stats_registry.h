// Named statistics: floats that register themselves by type so a tool could
// list, publish or reset them.  They are globals, often built before the
// registry's own unit, so early ones wait on a list until init_stats.
#pragma once

#include <map>
#include <set>

using UTL_stat_type = int;

class UTL_stat {
public:
    UTL_stat(const char* name, UTL_stat_type type, float init);
    // Stands for an outside float; `value` is left unset.
    UTL_stat(float* target, const char* name, UTL_stat_type type);
    // A statistic stays registered for the life of the program.
    ~UTL_stat() {}

    void publish();
    static void init_stats();
    // Zeroes `value` of every statistic of the type (an outside float stays).
    static void reset_stats(UTL_stat_type type);

    // Never destroyed, so a statistic may be looked up from any destructor.
    static std::map<UTL_stat_type, std::set<UTL_stat*>>& all_stats();
    // Plain data, valid before any constructor runs.
    static int stat_initialized;
    static UTL_stat* waiting;  // newest first

    float value;
    UTL_stat_type type;
    UTL_stat* next;
    float* target;
    const char* name;

private:
    void enroll();
};
