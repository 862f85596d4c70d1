#include "wizard/modal_questions.h"

#include "core/shell_hooks.h"
#include "core/text/translation.h"
#include "core/window_ids.h"
#include "engine/dvd_install_pump.h"
#include "engine/file_plan.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/fonts/text_drawing.h"
#include "shell/frame_loop.h"
#include "shell/mnw_state.h"
#include "shell/window_stack.h"
#include "widgets/buttons.h"
#include "widgets/widget_sheet.h"

namespace {

constexpr int kConflictWindow = window_ids::file_question;
constexpr int kAbortWindow = window_ids::install_question;
// The lowest baseline whose letters clear the top of the highest button
// (20 high, centred on y 53 in the file question and 56 in the other), and
// the lowest that stays inside a window's frame.
constexpr float kAboveTheButtons = 70;
constexpr float kLowestLine = 18;

struct conflict_button {
    int answer;
    const char* install_label;
    const char* delete_label;
    float x, y, width;
};

const conflict_button kConflictButtons[] = {
    {kAnswerOverwrite, UTL_TEXT("OVERWRITE THE OLD FILE"), UTL_TEXT("DELETE THE OLD FILE"), 108, 53, 185},
    {kAnswerKeep, UTL_TEXT("KEEP THE OLD FILE"), UTL_TEXT("KEEP THE OLD FILE"), 108, 28, 185},
    {kAnswerOverwriteAll, UTL_TEXT("OVERWRITE EVERY OLD FILE IN THIS DIRECTORY"),
     UTL_TEXT("DELETE EVERY OLD FILE IN THIS DIRECTORY"), 345, 53, 285},
    {kAnswerKeepAll, UTL_TEXT("KEEP EVERY OLD FILE IN THIS DIRECTORY"),
     UTL_TEXT("KEEP EVERY OLD FILE IN THIS DIRECTORY"), 345, 28, 285},
    {kAnswerCancel, UTL_TEXT("CANCEL THE WHOLE INSTALLATION!"), UTL_TEXT("CANCEL THE WHOLE INSTALLATION!"),
     621, 28, 225},
};

std::string tr(const char* english) { return UTL_translate_string(english, 0); }

int abort_alert_dialog(const std::string& question, const std::string& label1,
                       const std::string& text1, const std::string& label2,
                       const std::string& text2)
{
    MACIBM_startwind(kAbortWindow, 0);
    // A message that names a long path could run on under the buttons: it
    // stops above the first one, and each button's text above the next.
    std::string message = question;
    const float message_line = 160;
    OGL_fit_stacked(&message, &message_line, 1, kAboveTheButtons, mnw.window_width - 40, charset_regular);
    std::string beside[2] = {text1, text2};
    const float beside_lines[2] = {53, 28};
    OGL_fit_stacked(beside, beside_lines, 2, kLowestLine, mnw.window_width - 210, charset_regular);
    while (mnw.current_window == kAbortWindow && !app_done) {
        OGL_plot_back_col();
        BTN_fillwin(1, 24);
        OGL_string(46, 20, message_line, message, mnw.window_width - 40, charset_regular, 0);
        OGL_string(46, 150, beside_lines[0], beside[0], mnw.window_width - 210, charset_regular, 0);
        OGL_string(46, 150, beside_lines[1], beside[1], mnw.window_width - 210, charset_regular, 0);
        if (BTN_action(96, 56, 100, 0, 1, label1, "-")) {
            MACIBM_startwind(0, 0);
            return 1;
        }
        if (BTN_action(96, 31, 100, 0, 1, label2, "-")) {
            MACIBM_startwind(0, 0);
            return 0;
        }
        MACIBM_event_proc();
    }
    // Closed by its corner, taken over, or the program's window closed:
    // no leave to go on, so each caller stops as for the first button (the
    // install roads then remove the partial copy this run made).
    if (mnw.current_window == kAbortWindow) MACIBM_startwind(0, 0);
    return 3;
}

}  // namespace

int select_alert_dialog(const std::string& path, int is_delete)
{
    MACIBM_startwind(kConflictWindow, 0);
    // The three lines stand 10 apart: a path longer than its line keeps its
    // folder and its file around an ellipsis rather than running over the
    // question below it, which may run on down to the buttons.
    const float wrap = mnw.window_width - 40;
    const float lines[3] = {100, 90, 80};
    std::string shown[3] = {tr(is_delete ? "I am about to DELETE:" : "I am about to install:"), path,
                            tr(is_delete ? "because we no longer use this file, but it appears you have "
                                           "modified it. What to do?"
                                         : "but it appears you have modified this file. What to do?")};
    OGL_fit_stacked(shown, lines, 3, kAboveTheButtons, wrap, charset_regular);
    while (mnw.current_window == kConflictWindow && !app_done) {
        OGL_plot_back_col();
        BTN_fillwin(1, 24);
        for (int i = 0; i < 3; ++i) OGL_string(46, 20, lines[i], shown[i], wrap, charset_regular, 0);
        for (const conflict_button& b : kConflictButtons) {
            if (BTN_action(b.x, b.y, b.width, 0, 1, tr(is_delete ? b.delete_label : b.install_label),
                           "-")) {
                MACIBM_startwind(0, 0);
                return b.answer;
            }
        }
        MACIBM_event_proc();
    }
    // Taken over or the program's window closed: nothing is decided, so the
    // plan is cancelled and no file of the user's is touched.
    if (mnw.current_window == kConflictWindow) MACIBM_startwind(0, 0);
    return kAnswerCancel;
}

void install_modal_questions()
{
    set_select_alert_hook(select_alert_dialog);
    set_abort_alert_hook(abort_alert_dialog);
}
