// The central alert as tests see it: every alert raised while a recorder
// lives is kept instead of shown, and a fatal one returns to its caller,
// which must then cope (the tests check that it does).
//
//   testing_support::alert_recorder alerts(testing_support::headless_sheet_alert);
//   load_something_broken();
//   ASSERT_EQ(alerts.first_lines(), std::vector<std::string>{"Could not read the file."});
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct recorded_alert {
    std::string line1, line2, line3, line4;
    int level = 0;
    std::string file;  // where it was raised
    int line = 0;
};

class alert_recorder {
public:
    // Alerts that `ignore` answers true for are dropped.
    using filter = bool (*)(const recorded_alert&);
    explicit alert_recorder(filter ignore = nullptr);
    // The default alert again.
    ~alert_recorder();
    alert_recorder(const alert_recorder&) = delete;
    alert_recorder& operator=(const alert_recorder&) = delete;

    const std::vector<recorded_alert>& alerts() const { return alerts_; }
    std::vector<recorded_alert>& alerts() { return alerts_; }
    std::vector<std::string> first_lines() const { return joined(1); }
    // The first `count` lines of each alert joined by '|': "line1|line2".
    std::vector<std::string> joined(int count) const;
    void clear() { alerts_.clear(); }
    // The recorder that takes alerts now (the last made of those alive);
    // null when none lives.
    static alert_recorder* innermost();

private:
    static void hook(int, const std::string&, const std::string&, const std::string&, const std::string&, int,
                     const char*, int);

    filter ignore_;
    std::vector<recorded_alert> alerts_;
    alert_recorder* outer_;
};

// The one alert every test without a window expects: no widget sheet can be
// loaded without GL, and the texture manager says so.
bool headless_sheet_alert(const recorded_alert& a);

// Alerts print their lines on standard error and a fatal one aborts: for
// the statement of a death test, where the lines are looked for.
void alerts_to_stderr();
#define WITH_ALERTS_ON_STDERR(statement)        \
    do {                                        \
        testing_support::alerts_to_stderr();    \
        statement;                              \
    } while (0)
// Alerts go nowhere (fuzz targets, which raise thousands).
void alerts_silenced();

}  // namespace testing_support
