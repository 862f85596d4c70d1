#include "gfx/window_link.h"

namespace {

ogl_window_fields own_fields{};
show_init_hook_fn show_init_hook = nullptr;

}  // namespace

ogl_window_fields* ogl_win = &own_fields;

void set_ogl_window(ogl_window_fields* fields) { ogl_win = fields ? fields : &own_fields; }

void set_show_init_hook(show_init_hook_fn fn) { show_init_hook = fn; }

void MACIBM_show_init(const std::string& text, float* fraction)
{
    if (show_init_hook) show_init_hook(text, fraction);
}
