#include "alert_recorder.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "core/shell_hooks.h"

namespace testing_support {

namespace {

// The hook is a plain function; it hands each alert to the innermost
// recorder alive.
alert_recorder* g_current = nullptr;

}  // namespace

alert_recorder::alert_recorder(filter ignore) : ignore_(ignore), outer_(g_current)
{
    g_current = this;
    set_alert_hook(hook);
}

alert_recorder::~alert_recorder()
{
    g_current = outer_;
    set_alert_hook(outer_ ? hook : nullptr);
}

void alert_recorder::hook(int, const std::string& l1, const std::string& l2, const std::string& l3,
                          const std::string& l4, int level, const char* file, int line)
{
    // A worker may raise one while the test thread raises another.
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    if (!g_current) return;
    recorded_alert a{l1, l2, l3, l4, level, file ? file : "", line};
    if (g_current->ignore_ && g_current->ignore_(a)) return;
    g_current->alerts_.push_back(std::move(a));
}

alert_recorder* alert_recorder::innermost() { return g_current; }

std::vector<std::string> alert_recorder::joined(int count) const
{
    std::vector<std::string> lines;
    for (const recorded_alert& a : alerts_) {
        const std::string* parts[] = {&a.line1, &a.line2, &a.line3, &a.line4};
        std::string line = *parts[0];
        for (int i = 1; i < count && i < 4; ++i) line += "|" + *parts[i];
        lines.push_back(line);
    }
    return lines;
}

bool headless_sheet_alert(const recorded_alert& a) { return a.line1.rfind("Null texture", 0) == 0; }

void alerts_to_stderr()
{
    set_alert_hook([](int, const std::string& l1, const std::string& l2, const std::string& l3,
                      const std::string& l4, int level, const char*, int) {
        std::fprintf(stderr, "alert %d: %s / %s / %s / %s\n", level, l1.c_str(), l2.c_str(), l3.c_str(),
                     l4.c_str());
        if (level == 2) std::abort();
    });
}

void alerts_silenced()
{
    set_alert_hook([](int, const std::string&, const std::string&, const std::string&, const std::string&, int,
                      const char*, int) {});
}

}  // namespace testing_support
