#include "core/diag/remote_cmds.h"

UTL_remote_cmd* UTL_remote_cmd::cmd_list = nullptr;
int UTL_remote_cmd::free_id = 1;
int UTL_remote_cmd::inited = 0;

UTL_remote_cmd::UTL_remote_cmd(const char* n, void (*f)())
    : next(cmd_list), fn(f), name(n), id(free_id++)
{
    cmd_list = this;
}

void UTL_remote_cmd::invoke(void*, int id)
{
    for (UTL_remote_cmd* cmd = cmd_list; cmd; cmd = cmd->next)
        if (cmd->id == id) {
            cmd->fn();
            return;
        }
}

void UTL_remote_cmd::init_remote_cmds()
{
    inited = 1;
}
