#include "core/threads/main_thread.h"

#include "core/threads/utl_thread.h"

int threads_inited = 0;
unsigned long main_thread = 0;

int THREAD_is_inited() { return threads_inited; }

int THREAD_is_main_thread() { return threads_inited && UTL_get_current_thread() == main_thread; }
