// Blocking first-in, first-out queues of untyped pointers.
//
// The one way threads hand each other work and results.  Any number of
// writers and readers; a reader waits forever (-1), polls (0) or waits that
// many milliseconds.  The queue never looks at or frees what an item points
// to; null and small integers are ordinary items.
#pragma once

#include <pthread.h>
#include <time.h>

#include <list>
#include <vector>

struct UTL_message_queue {
    pthread_mutex_t mutex;  // guards items and readers; not recursive
    pthread_cond_t cond;    // readers wait here; runs on the monotonic clock
    std::list<void*> items; // oldest first
    int readers = 0;        // reads in progress that may wait
};

void UTL_message_queue_create(UTL_message_queue** queue);
void UTL_message_queue_write(UTL_message_queue* queue, void* item);
// `front` non-zero puts the n items ahead of everything queued, in array
// order; wakes at most one reader per item.
void UTL_message_queue_multi_write(UTL_message_queue* queue, void** items, int n, int front);
// The oldest item; null when a poll or a timed read found none.
void* UTL_message_queue_read(UTL_message_queue* queue, int timeout_ms);
// Rewrites the contents in one locked step; wakes nobody.  The callback
// must not touch the same queue.
void UTL_message_queue_edit(UTL_message_queue* queue,
                            void (*edit)(std::vector<void*>& items, void* context),
                            void* context);
// Drops the items left (not what they point to) and frees the queue.
void UTL_message_queue_destroy(UTL_message_queue* queue);

// The absolute deadline of a read of `timeout_ms` started at `now`.
timespec UTL_message_queue_deadline(const timespec& now, int timeout_ms);
