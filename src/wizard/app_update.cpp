// The wizard driver.  Sections:
//   -- Frame        background, panels and step list
//   -- Record       title, text, choices, progress, servers
//   -- Button bar   QUIT, OPTIONS, BUY ONLINE, GO BACK, CONTINUE
#include "wizard/app_update.h"

#include "core/maker_site.h"
#include "core/shell_hooks.h"
#include "engine/installer_state.h"
#include "gfx/draw/colour_table.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/fonts/text_drawing.h"
#include "gfx/textures/texture_refs.h"
#include "shell/mnw_state.h"
#include "shell/save_changes_and_links.h"
#include "widgets/buttons.h"
#include "widgets/widget_sheet.h"
#include "wizard/options_window.h"
#include "wizard/skin_buttons.h"
#include "wizard/wizard_screen.h"

namespace {

constexpr int kBackgroundTexture = tex_ref::background;
const char* const kOrderPage = "http://" NIMBREL_MAKER_HOST "/order.html";

screen_fn g_last_screen = nullptr;

// -- Frame -------------------------------------------------------------------

void draw_frame()
{
    colr.assign(107, 1.0f, 1.0f, 1.0f);
    const float w = static_cast<float>(mnw.screen_width);
    const float h = static_cast<float>(mnw.screen_height);
    OGL_2dquad(kBackgroundTexture, 107, 1.0f, 0, 0, 0, 0, 0, h, 0, h / 1024.0f, w, h,
               w / 1024.0f, h / 1024.0f, w, 0, w / 1024.0f, 0, 1, 4);
    BTN_frame2(23, 10, 50, 190, 453, "", 1.0f);
    BTN_frame2(23, 210, 50, 580, 453, "", 1.0f);
    for (std::size_t i = 0; i < step_names.size(); ++i) {
        const bool current = i < step_funcs.size() && step_funcs[i] == g_wizard;
        OGL_string(current ? 68 : 48, 30, 480.0f - 20.0f * static_cast<float>(i), step_names[i],
                   170, current ? charset_bold : charset_regular, 0);
    }
}

// -- Record ------------------------------------------------------------------

void draw_record(const wizard_screen& rec, wizard_frame_events& events)
{
    OGL_string(12, 500, 480, rec.title, 540, charset_bold, 1);
    OGL_string(12, 230, 440, rec.text, 540, charset_regular, 0);

    for (std::size_t i = 0; i < rec.choice_labels.size(); ++i) {
        if (BTN_action(500, 350.0f - 25.0f * static_cast<float>(i), 250, 0, 1,
                       rec.choice_labels[i], "-") &&
            i < rec.choice_funcs.size()) {
            events.has_choice = true;
            events.chosen = rec.choice_funcs[i];
        }
    }

    if (rec.progress >= 0.0f) {
        const float right = wizard_progress_right(rec.progress);
        BTN_frame1(4, 500, 155, 520, 0);
        BTN_frame1(5, (240.0f + right) / 2.0f, 155, right - 240.0f, 0);
        OGL_string(12, 242, 120, rec.progress_text, 520, charset_regular, 0);
    }

    if (rec.show_servers && stg.server_count > 0) {
        const int n = stg.server_count < kMaxServers ? stg.server_count : kMaxServers;
        for (int i = 0; i < n; ++i) {
            const float y = 40.0f * static_cast<float>(n) + 38.0f - 40.0f * static_cast<float>(i);
            BTN_is_int(30, y, &stg.server_choice, i, "");
            // A plain description (the release tool's, a hand-written
            // list's) is drawn whole; only a widget label is split.
            const std::string& desc = server_desc[i];
            if (desc.find_first_of("|{") == std::string::npos) {
                OGL_string(48, 50, y, desc, 130, charset_regular, 0);
            } else {
                std::string left, right, help;
                BTN_expand_label(desc, &left, &right, &help);
                OGL_string(48, 50, y, right, 130, charset_regular, 0);
            }
        }
    }
}

// -- Button bar ----------------------------------------------------------------

void draw_button_bar(const wizard_screen& rec, wizard_frame_events& events)
{
    const bool last_screen = rec.next == wizard_quit;
    if (!last_screen && bar_button_rect(button_bar::quit, last_screen, 1, 0)) {
        if (rec.quit_hook) rec.quit_hook();
        app_done = 1;
    }
    if (bar_button_rect(button_bar::options, last_screen, rec.flag_prefs, rec.flag_prefs ? 0 : 2) &&
        rec.flag_prefs)
        handle_prefs();
    if (bar_button_rect(button_bar::buy_online, last_screen, 1, 0)) go_to_URL(kOrderPage);

    if (bar_button_rect(last_screen ? button_bar::last_quit : button_bar::next, last_screen,
                        rec.next != nullptr, rec.next ? 0 : 2))
        events.continue_clicked = true;
    if (bar_button_rect(button_bar::go_back, last_screen, rec.back != nullptr, rec.back ? 0 : 2))
        events.back_clicked = true;
}

}  // namespace

void APP_update()
{
    draw_frame();
    if (!g_wizard) {
        app_done = 1;
        return;
    }
    wizard_screen rec;
    screen_fn current = g_wizard;
    wizard_frame_events events;
    events.screen_result = current(current != g_last_screen ? 1 : 0, rec);
    g_last_screen = current;

    draw_record(rec, events);
    draw_button_bar(rec, events);
    g_wizard = wizard_next_screen(g_wizard, rec, events);
}

screen_fn wizard_screen_before() { return g_last_screen; }

void APP_handlemenu(int) {}

void function_key(int) {}
