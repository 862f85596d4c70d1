// A stand-in for the scroll bar until the sliders are linked in: a weak
// definition that counts its calls; the real one wins once it is there,
// and this file goes.
#pragma once

namespace stand_in {
extern int slider_calls;
}
