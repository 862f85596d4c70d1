// The central alert on the main thread.
//
//   -- Standard output and the log ---
//   -- The alert window ---
//   -- shell_alert ---
#include "shell/central_alert.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/diag/fatal_trace.h"
#include "core/diag/log_stream.h"
#include "core/diag/memory_report.h"
#include "core/shell_hooks.h"
#include "core/text/cmdline.h"
#include "core/text/languages.h"
#include "core/text/translation.h"
#include "core/window_ids.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/ogl_capabilities.h"
#include "gfx/fonts/text_drawing.h"
#include "shell/frame_loop.h"
#include "shell/mnw_state.h"
#include "shell/shutdown.h"
#include "shell/widget_hooks.h"
#include "shell/window_stack.h"

namespace {

int in_alert = 0;

// -- Standard output and the log ---

void print_lines(const std::string& l1, const std::string& l2, const std::string& l3,
                 const std::string& l4)
{
    std::puts("N-System Error:");
    std::printf("%s\n\n%s\n\n%s\n\n%s\n\n", l1.c_str(), l2.c_str(), l3.c_str(), l4.c_str());
    std::puts("Sorry.");
    std::fflush(stdout);
}

void log_lines(const std::string& l1, const std::string& l2, const std::string& l3,
               const std::string& l4, const std::string& position)
{
    xer << l1 << "\n" << l2 << "\n" << l3 << "\n" << l4 << "\n" << position << "\n" << std::flush;
}

// An alert may come in the middle of drawing: end whatever was begun and
// clear the error flags that leaves, so the window draws from a known state.
void reset_gl_state()
{
    glEnd();
    glEndList();
    for (int i = 0; i < 30; ++i) glGetError();
    OGL_nrml_colors();
    if (glExt.glsl_avail && glExt.glUseProgramObjectARB) glExt.glUseProgramObjectARB(0);
    if (glExt.framebuf_avail && glExt.glBindFramebufferEXT) glExt.glBindFramebufferEXT(0x8D40, 0);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_SCISSOR_TEST);
}

// -- The alert window ---

void alert_window(int return_window, const std::string* lines, const std::string& position, int level)
{
    const shell_widget_hooks& w = shell_widgets();
    reset_gl_state();
    const float saved_x = mnw.mouse_x, saved_y = mnw.mouse_y;
    MACIBM_startwind(window_ids::alert, 0);
    // A long line (a deep path, a long install name) wraps onto the lines
    // below it: it is cut where it would run into the next line or down to
    // the button, never drawn over either.
    const float wrap = 0.9f * mnw.window_width;
    std::string shown[5] = {lines[0], lines[1], lines[2], lines[3], level == 2 ? position : std::string()};
    const float baselines[5] = {205, 165, 125, 85, 45};
    OGL_fit_stacked(shown, baselines, 5, 45, wrap, charset_regular);
    std::vector<int> languages;
    // A close request ends the run: the alert must not hold it up.
    while (mnw.current_window == window_ids::alert && !app_done) {
        OGL_plot_back_col();
        w.BTN_fillwin(1, 24);
        float wx = 0, wy = 0;
        w.BTN_subwin(0, 16, -1, 35, -1, -1, "", &wx, &wy);
        std::string caption;
        if (level == 0) {
            UTL_lang_get_languages(languages);
            for (size_t i = 0; i < languages.size(); ++i)
                w.BTN_is_int(mnw.window_width / 2 - 25, 180 - 20.0f * static_cast<float>(i),
                             &mnw.language, languages[i], UTL_lang_get_button(languages[i]));
            // Set after drawing: the first frame still shows the window's
            // own title.
            stls.window_title = "Language/";
            caption = "Accept";
        } else {
            for (int i = 0; i < 5; ++i)
                OGL_string(46, mnw.window_width / 2, baselines[i], shown[i], wrap, charset_regular, 1);
            caption = UTL_translate_string("Understood", 0);
        }
        if (w.BTN_action(mnw.window_width / 2, 18, 0, 0, 1, caption, "-") || return_hit) {
            return_hit = 0;
            if (level == 2) break;
            MACIBM_startwind(return_window, 0);
            mnw.mouse_x = saved_x;
            mnw.mouse_y = saved_y;
        }
        if (mnw.current_window == window_ids::alert) MACIBM_event_proc();
    }
    if (mnw.current_window == window_ids::alert && level != 2) MACIBM_startwind(return_window, 0);
}

}  // namespace

int alert_is_open() { return in_alert; }

// -- shell_alert ---

void shell_alert(int return_window, const std::string& line1, const std::string& line2,
                 const std::string& line3, const std::string& line4, int level, const char* file,
                 int line)
{
    const std::string position = alert_position_text(file, line);
    if (level == 2) append_stack_crawl();
    if (cmdline.has_option("--fps_test")) {
        log_lines(line1, line2, line3, line4, position);
        // Worker threads may still run: no global destructors under them.
        if (level == 2) MACIBM_exit_now(1);
        return;
    }

    const int reentered = in_alert;
    in_alert = 1;
    const bool window_up = ogl_inited && !shell_is_shut_down() && alert_window_available();
    if (!window_up || reentered) {
        // The chooser has nothing to print: without its window the language
        // stays as start-up set it.
        if (level != 0 || reentered) print_lines(line1, line2, line3, line4);
    } else if (!(line1.empty() && line2.empty() && line3.empty() && line4.empty())) {
        const std::string lines[4] = {line1, line2, line3, line4};
        alert_window(return_window, lines, position, level);
    }

    if (level != 1 && level != 2 && !reentered) {
        in_alert = 0;
        return;
    }
    if (level == 1 || level == 2 || reentered) {
        dump_mem_stats("This is the dump_mem_stats call from the following code: "
                       "if(type==t_exit || type == t_alert || recursive_error)");
        xer << "\n";
        log_lines(line1, line2, line3, line4, position);
    }
    if (!reentered && level != 2) {
        in_alert = 0;
        return;
    }
    MACIBM_finishup(0);
    app_done = 1;
    std::abort();
}
