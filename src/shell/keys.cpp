#include "shell/keys.h"

keys_class keys;

void keys_class::handle_key_raw(_XEvent*) {}
void keys_class::run_repeat_keys() {}
void keys_class::keys_io(int) {}
