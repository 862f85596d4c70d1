#include "core/diag/stats_registry.h"

int UTL_stat::stat_initialized = 0;
UTL_stat* UTL_stat::waiting = nullptr;

std::map<UTL_stat_type, std::set<UTL_stat*>>& UTL_stat::all_stats()
{
    static auto* stats = new std::map<UTL_stat_type, std::set<UTL_stat*>>;
    return *stats;
}

UTL_stat::UTL_stat(const char* n, UTL_stat_type t, float init)
    : value(init), type(t), next(nullptr), target(&value), name(n)
{
    enroll();
}

UTL_stat::UTL_stat(float* outside, const char* n, UTL_stat_type t)
    : type(t), next(nullptr), target(outside), name(n)
{
    enroll();
}

void UTL_stat::enroll()
{
    if (!stat_initialized) {
        next = waiting;
        waiting = this;
        return;
    }
    publish();
}

void UTL_stat::publish() { all_stats()[type].insert(this); }

void UTL_stat::init_stats()
{
    for (UTL_stat* stat = waiting; stat; stat = stat->next) stat->publish();
    stat_initialized = 1;
}

void UTL_stat::reset_stats(UTL_stat_type type)
{
    for (UTL_stat* stat : all_stats()[type]) stat->value = 0;
}
