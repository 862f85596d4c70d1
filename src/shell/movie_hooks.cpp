#include "shell/movie_hooks.h"

#include "core/text/translation.h"
#include "shell/widget_hooks.h"
#include "shell/window_stack.h"

qtim_class qtim;

void qtim_class::qtim_wind()
{
    shell_widgets().BTN_fillwin(1, 24);
    const std::string notice = UTL_translate_string("NO QUICKTIME MOVIES FOR LINUX... SORRY!", 0);
    shell_widgets().BTN_subwin(0, 18, -1, -1, -1, 296, notice, &wx1, &wy1);
}
