#include "widgets/key_queue.h"

#include "widgets/field_needs.h"

int BTN_register_queue(BTN_key_queue& q, int id, int key_mask, int grab)
{
    return BTN_register_focus(id, q.char_slot, q.vkey_slot, q.flag_slot, q.id_slot, &q.ctr_slot,
                              BTN_key_queue::queue_size, key_mask, grab);
}
