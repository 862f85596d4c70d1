#include "widgets/toolkit_hooks.h"

#include "shell/keys.h"
#include "shell/widget_hooks.h"
#include "widgets/buttons.h"
#include "widgets/focus_ring.h"
#include "widgets/path_fields.h"
#include "widgets/sliders.h"
#include "widgets/widget_sheet.h"

void BTN_install_shell_hooks()
{
    shell_widget_hooks hooks{};
    hooks.BTN_begin_focus_ring = BTN_begin_focus_ring;
    hooks.BTN_unfocus_any = BTN_unfocus_any;
    hooks.BTN_frame1 = BTN_frame1;
    hooks.BTN_frame2 = [](int type, float x, float y, float w, float h, const std::string& title,
                          float alpha) { BTN_frame2(type, x, y, w, h, title, alpha); };
    hooks.BTN_util_element = BTN_util_element;
    hooks.BTN_zap_boxes = [](int look) { BTN_zap_boxes(look); };
    hooks.BTN_fillwin = BTN_fillwin;
    hooks.BTN_subwin = [](float margin, int type, float x, float y, float w, float h,
                          const std::string& title, float* right, float* top) {
        BTN_subwin(margin, type, x, y, w, h, title, right, top);
    };
    hooks.BTN_is_int = [](float x, float y, int* value, int choice, const std::string& label) {
        return BTN_is_int(x, y, value, choice, label);
    };
    hooks.BTN_action = [](float x, float y, float width, int state, int mode,
                          const std::string& label, const std::string& note) {
        return BTN_action(x, y, width, state, mode, label, note);
    };
    hooks.BTN_bool = [](float x, float y, int* value, const std::string& label, int look) {
        return BTN_bool(x, y, value, label, look);
    };
    hooks.BTN_vert_slider = BTN_vert_slider;
    hooks.BTN_select_path_stl = [](float x, float y, int open_save, int file_type,
                                   std::string* path, int max_len, const std::string& label,
                                   float width, int auto_focus) {
        return BTN_select_path_stl(x, y, open_save, file_type, path, max_len, label, width,
                                   auto_focus);
    };
    set_shell_widget_hooks(hooks);
    set_key_focus_hook(BTN_dispatch_to_focus);
}
