// Records the alerts raised while it lives instead of showing them, so a
// test can check a fatal alert's text and that the code behind it still
// cleans up when the alert returns.
#pragma once

#include <string>
#include <vector>

#include "core/shell_hooks.h"

struct recorded_alert {
    std::string lines[4];
    int level;
};

class alert_recorder {
public:
    alert_recorder()
    {
        all().clear();
        set_alert_hook(record);
    }
    ~alert_recorder() { set_alert_hook(nullptr); }
    alert_recorder(const alert_recorder&) = delete;
    alert_recorder& operator=(const alert_recorder&) = delete;

    const std::vector<recorded_alert>& alerts() const { return all(); }
    // "level: line1 | line2 | line3 | line4" of every alert, for messages.
    std::string summary() const
    {
        std::string s;
        for (const recorded_alert& a : all())
            s += std::to_string(a.level) + ": " + a.lines[0] + " | " + a.lines[1] + " | " +
                 a.lines[2] + " | " + a.lines[3] + "\n";
        return s;
    }

private:
    static std::vector<recorded_alert>& all()
    {
        static std::vector<recorded_alert> alerts;
        return alerts;
    }
    static void record(int, const std::string& l1, const std::string& l2, const std::string& l3,
                       const std::string& l4, int level, const char*, int)
    {
        all().push_back({{l1, l2, l3, l4}, level});
    }
};
