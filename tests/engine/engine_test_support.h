// Helpers of the engine tests: alerts caught instead of shown, manifests
// written from their lines, and the engine's globals back at their start.
#pragma once

#include <string>
#include <vector>

#include "core/shell_hooks.h"

namespace engine_testing {

struct alert_record {
    std::string lines[4];
    int level;
};

// Every alert raised while one of these lives is kept instead of shown; a
// fatal one returns to its caller, which must then cope.
class alert_catcher {
public:
    alert_catcher();
    ~alert_catcher();
    alert_catcher(const alert_catcher&) = delete;
    alert_catcher& operator=(const alert_catcher&) = delete;

    const std::vector<alert_record>& alerts() const;
};

// The common header of a manifest followed by the body.
std::string manifest_text(const std::string& body, int version = 900);

// sim_info, stg, the filter and the wizard's globals as before main.
void reset_engine_state();

}  // namespace engine_testing
