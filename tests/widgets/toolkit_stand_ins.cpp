#include "toolkit_stand_ins.h"

#include "widgets/field_needs.h"

namespace stand_in {
int slider_calls = 0;
}

__attribute__((weak)) int BTN_vert_slider(int, float, float, float, int, int, int*)
{
    ++stand_in::slider_calls;
    return 0;
}
