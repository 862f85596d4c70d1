// Globals of a unit that the linker places before the registries' own
// units: they register before those units' initialisers have run.
#include <cstdio>

#include "core/diag/remote_cmds.h"
#include "core/diag/stats_registry.h"

UTL_stat early_stat("test/early", 4, 1.5f);
UTL_remote_cmd early_cmd("Early Command", [] { std::puts("early command ran"); });
