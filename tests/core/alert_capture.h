// Alert hooks for the core's tests: one that records warnings, one that
// makes a fatal alert die with its lines on standard error, where death
// tests look.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/shell_hooks.h"

struct recorded_alert {
    std::string line1, line2, line3, line4;
    int level;
};

inline std::vector<recorded_alert>& recorded_alerts()
{
    static std::vector<recorded_alert> all;
    return all;
}

inline void record_alert_hook(int, const std::string& l1, const std::string& l2,
                              const std::string& l3, const std::string& l4, int level,
                              const char*, int)
{
    recorded_alerts().push_back({l1, l2, l3, l4, level});
}

inline void alert_to_stderr_hook(int, const std::string& l1, const std::string& l2,
                                 const std::string& l3, const std::string& l4, int level,
                                 const char*, int)
{
    std::fprintf(stderr, "alert %d: %s / %s / %s / %s\n", level, l1.c_str(), l2.c_str(), l3.c_str(),
                 l4.c_str());
    if (level == 2) std::abort();
}

// Records alerts while it lives.
class alert_recorder {
public:
    alert_recorder() { recorded_alerts().clear(); set_alert_hook(record_alert_hook); }
    ~alert_recorder() { set_alert_hook(nullptr); }
    const std::vector<recorded_alert>& alerts() const { return recorded_alerts(); }
};

// For the statement of a death test: the alert's lines reach standard error.
#define WITH_ALERTS_ON_STDERR(statement)   \
    do {                                   \
        set_alert_hook(alert_to_stderr_hook); \
        statement;                         \
    } while (0)
