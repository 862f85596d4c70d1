// Named, parameterless commands that an outside channel could run by number.
// Each is a global that registers itself during static construction, so
// the list head and the id counter are plain data valid before any
// constructor runs.
#pragma once

class UTL_remote_cmd {
public:
    UTL_remote_cmd(const char* name, void (*fn)());
    // A command stays on the list until the program ends.
    ~UTL_remote_cmd() {}

    // Runs the command with that id; nothing when none has it.
    static void invoke(void* context, int id);
    void publish() {}
    static void init_remote_cmds();

    static UTL_remote_cmd* cmd_list;  // newest first
    static int free_id;
    static int inited;

    UTL_remote_cmd* next;
    void (*fn)();
    const char* name;
    int id;
};
