// Which thread is the main one: the one that started the thread layer,
// which alone may draw, show alerts and end the program.
#pragma once

extern int threads_inited;         // 1 between THREAD_init and THREAD_shutdown
extern unsigned long main_thread;  // the thread that called THREAD_init

int THREAD_is_inited();
// 1 on the thread that called THREAD_init; ask THREAD_is_inited first.
int THREAD_is_main_thread();
