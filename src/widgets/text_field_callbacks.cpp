// The engine's sixteen callbacks for the text fields: the focused field's
// std::string, measured and drawn in the regular face, UTF-8 throughout.
#include <cctype>

#include "gfx/draw/colour_table.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/fonts/fonts.h"
#include "widgets/text_field.h"
#include "widgets/utf8_edit.h"
#include "widgets/widget_context.h"

std::string*& OGLE_input = BTN_context.OGLE_input;
int& OGLE_x = BTN_context.OGLE_x;
int& OGLE_y = BTN_context.OGLE_y;
int& OGLE_entry_dx = BTN_context.OGLE_entry_dx;
float& OGLE_dx = BTN_context.OGLE_dx;
float& OGLE_dy = BTN_context.OGLE_dy;
int& OGLE_edit = BTN_context.OGLE_edit;

namespace {

// A field's line box: from 2 below the baseline to 9 above it.
constexpr float box_below = 2.0f;
constexpr float box_above = 9.0f;
// Wider than any field, so a field's one line never wraps.
constexpr float never_wrap = 1024.0f;
constexpr int text_colour = 48;
constexpr int selection_colour = 8;
// The frame clock keeps the caret's pulsing opacity here.
constexpr int pulse_slot = 111;

const unsigned char* bytes(const char* p) { return reinterpret_cast<const unsigned char*>(p); }

int text_length() { return OGLE_input ? static_cast<int>(OGLE_input->size()) : 0; }

}  // namespace

const OGLE_Callbacks OGLE_cbs = {
    OGLE_GetVisibleBounds, OGLE_GetLogicalBounds, OGLE_SetLogicalHeight, OGLE_ScrollTo,
    OGLE_GetText,          OGLE_ReplaceTextFunc,  OGLE_GetLineHeight,    OGLE_MeasureString,
    OGLE_FitStringFwd,     OGLE_FitStringRev,     OGLE_DrawString,       OGLE_DrawSelection,
    OGLE_WordBreak,        OGLE_MBCS_Next,        OGLE_MBCS_NextPos,     OGLE_MBCS_PrevPos,
};

void OGLE_GetVisibleBounds(OGLE_Rec*, float* rect)
{
    rect[0] = static_cast<float>(OGLE_x);
    rect[1] = static_cast<float>(OGLE_y) - box_below;
    rect[2] = static_cast<float>(OGLE_x + OGLE_entry_dx);
    rect[3] = static_cast<float>(OGLE_y) + box_above;
}

void OGLE_GetLogicalBounds(OGLE_Rec* rec, float* rect)
{
    OGLE_GetVisibleBounds(rec, rect);
    rect[0] -= OGLE_dx;
    rect[1] -= OGLE_dy;
    rect[2] += never_wrap - OGLE_dx;
    rect[3] -= OGLE_dy;
}

void OGLE_SetLogicalHeight(OGLE_Rec*, float) {}

void OGLE_ScrollTo(OGLE_Rec*, float* offset)
{
    OGLE_dx = offset[0];
    OGLE_dy = offset[1];
}

void OGLE_GetText(OGLE_Rec*, const char** begin, const char** end)
{
    static const char empty = 0;
    *begin = OGLE_input ? OGLE_input->data() : &empty;
    *end = *begin + text_length();
}

void OGLE_ReplaceTextFunc(OGLE_Rec*, int start, int end, const char* from, const char* to)
{
    if (!OGLE_input) return;
    OGLE_edit = 1;
    OGLE_input->replace(static_cast<size_t>(start), static_cast<size_t>(end - start), from,
                        static_cast<size_t>(to - from));
}

float OGLE_GetLineHeight(OGLE_Rec*) { return 11.0f; }

float OGLE_MeasureString(OGLE_Rec*, const char* begin, const char* end)
{
    return OGL_measure_range(bytes(begin), bytes(end), charset_regular);
}

// The boundary nearest the width: a character more than half passed counts
// as passed, so a click on a character's right half puts the caret after it.
int OGLE_FitStringFwd(OGLE_Rec*, const char* begin, const char* end, float width)
{
    const unsigned char* fits = OGL_fit_forward(bytes(begin), bytes(end), width, charset_regular);
    if (fits < bytes(end)) {
        const unsigned char* next = bytes(OGLE_MBCS_Next(nullptr, reinterpret_cast<const char*>(fits)));
        if (next > bytes(end)) next = bytes(end);
        const float before = OGL_measure_range(bytes(begin), fits, charset_regular);
        const float own = OGL_measure_range(fits, next, charset_regular);
        if (width - before > own / 2.0f) fits = next;
    }
    return static_cast<int>(fits - bytes(begin));
}

int OGLE_FitStringRev(OGLE_Rec*, const char* begin, const char* end, float width)
{
    return static_cast<int>(bytes(end) - OGL_fit_reverse(bytes(begin), bytes(end), width, charset_regular));
}

// A field has one line, always drawn at the field's origin less the scroll.
void OGLE_DrawString(OGLE_Rec*, const char* begin, const char* end, float, float)
{
    // OGL_string draws a unit below the baseline it is given; the range
    // form does not, so the unit is taken off here.
    OGL_font_string_range(text_colour, static_cast<float>(OGLE_x) - OGLE_dx,
                          static_cast<float>(OGLE_y) - OGLE_dy - 1.0f, bytes(begin), bytes(end), 9999.0f,
                          charset_regular, 0, 0);
}

void OGLE_DrawSelection(OGLE_Rec*, float* r)
{
    if (r[0] == r[2]) OGL_line(text_colour, colr.colours[pulse_slot][0], r[0], r[1], r[0], r[3]);
    else OGL_fillrect(selection_colour, 1.0f, r[0], r[1], r[2] - r[0], r[3] - r[1]);
}

const char* OGLE_WordBreak(OGLE_Rec*, const char* begin, const char* end)
{
    const char* p = begin;
    while (p < end && std::isspace(static_cast<unsigned char>(*p))) ++p;
    while (p < end && !std::isspace(static_cast<unsigned char>(*p))) ++p;
    return p;
}

const char* OGLE_MBCS_Next(OGLE_Rec*, const char* p)
{
    const char* begin = OGLE_input ? OGLE_input->data() : p;
    const char* end = begin + text_length();
    if (p < begin || p >= end) return p + 1;
    while (p > begin && utf8_is_continuation(*p)) --p;
    ++p;
    while (p < end && utf8_is_continuation(*p)) ++p;
    return p;
}

int OGLE_MBCS_NextPos(OGLE_Rec* rec, int pos)
{
    if (pos >= text_length() || pos < 0) return pos + 1;
    return static_cast<int>(OGLE_MBCS_Next(rec, OGLE_input->data() + pos) - OGLE_input->data());
}

int OGLE_MBCS_PrevPos(OGLE_Rec*, int pos)
{
    if (pos <= 0) return -1;
    if (!OGLE_input) return pos - 1;
    const int length = text_length();
    if (pos > length) pos = length;
    const std::string& text = *OGLE_input;
    while (pos > 0 && pos < length && utf8_is_continuation(text[static_cast<size_t>(pos)])) --pos;
    --pos;
    while (pos > 0 && utf8_is_continuation(text[static_cast<size_t>(pos)])) --pos;
    return pos;
}
