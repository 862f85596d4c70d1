// Selection, replacing text, keys, clicks and drags, and scrolling the
// active end into view.
#include <algorithm>

#include "widgets/ogle_internal.h"

using namespace ogle_detail;

namespace {

void clamp_selection(OGLE_Rec* rec, int length)
{
    rec->sel_start = clamp_pos(rec->sel_start, length);
    rec->sel_end = clamp_pos(rec->sel_end, length);
}

int& active_end(OGLE_Rec* rec) { return rec->caret_at_end ? rec->sel_end : rec->sel_start; }

// After the active end moved: ends that crossed change roles.
void uncross(OGLE_Rec* rec)
{
    if (rec->sel_end < rec->sel_start) {
        std::swap(rec->sel_start, rec->sel_end);
        rec->caret_at_end = !rec->caret_at_end;
    }
}

void finish_move(OGLE_Rec* rec)
{
    uncross(rec);
    clamp_selection(rec, get_text(rec).length());
    OGLE_RevealSelection(rec);
}

void type_bytes(OGLE_Rec* rec, const char* bytes, int count)
{
    rec->remembered_x = -1.0f;
    clamp_selection(rec, get_text(rec).length());
    rec->cb.ReplaceText(rec, rec->sel_start, rec->sel_end, bytes, bytes + count);
    rec->sel_start = rec->sel_end = rec->sel_start + count;
    rec->caret_at_end = 1;
    OGLE_Repaginate(rec);
    OGLE_RevealSelection(rec);
}

void backspace(OGLE_Rec* rec)
{
    rec->remembered_x = -1.0f;
    rec->caret_at_end = 1;
    clamp_selection(rec, get_text(rec).length());
    const char* none = "";
    if (rec->sel_start < rec->sel_end) {
        rec->cb.ReplaceText(rec, rec->sel_start, rec->sel_end, none, none);
        rec->sel_end = rec->sel_start;
    } else {
        if (rec->sel_start == 0) return;
        const int prev = std::max(0, std::min(rec->cb.MBCS_PrevPos(rec, rec->sel_start),
                                              rec->sel_start - 1));
        rec->cb.ReplaceText(rec, prev, rec->sel_start, none, none);
        rec->sel_start = rec->sel_end = prev;
    }
    OGLE_Repaginate(rec);
    OGLE_RevealSelection(rec);
}

// Left, Right, Up and Down: `step` moves a position by one character or
// line; `forward` names the end a collapsing selection keeps.
template <typename Step>
void move(OGLE_Rec* rec, int extend, bool forward, Step step)
{
    clamp_selection(rec, get_text(rec).length());
    if (extend) {
        int& end = active_end(rec);
        end = step(end);
    } else if (rec->sel_start == rec->sel_end) {
        rec->sel_start = rec->sel_end = step(rec->sel_start);
    } else if (forward) {
        rec->sel_start = rec->sel_end;
    } else {
        rec->sel_end = rec->sel_start;
    }
    finish_move(rec);
}

}  // namespace

void OGLE_SetSelection(OGLE_Rec* rec, int start, int end)
{
    if (end < start) {
        std::swap(start, end);
        rec->caret_at_end = !rec->caret_at_end;
    }
    rec->sel_start = start;
    rec->sel_end = end;
    clamp_selection(rec, get_text(rec).length());
}

void OGLE_ReplaceText(OGLE_Rec* rec, int start, int end, const char* new_begin,
                      const char* new_end)
{
    const int length = get_text(rec).length();
    start = clamp_pos(start, length);
    end = clamp_pos(end, length);
    if (end < start) std::swap(start, end);
    if (new_end < new_begin) new_end = new_begin;

    const int delta = static_cast<int>(new_end - new_begin) - (end - start);
    int& s = rec->sel_start;
    int& e = rec->sel_end;
    if (start <= s) {
        if (end <= s) {
            s += delta;
            e += delta;
        } else {
            const int old_s = s;
            e += delta;
            if (e < s) s = e = std::max(old_s + delta, start);
        }
    }
    rec->cb.ReplaceText(rec, start, end, new_begin, new_end);
    clamp_selection(rec, get_text(rec).length());
    OGLE_Repaginate(rec);
}

void OGLE_RevealSelection(OGLE_Rec* rec)
{
    float logical[4], visible[4];
    rec->cb.GetLogicalBounds(rec, logical);
    rec->cb.GetVisibleBounds(rec, visible);
    const float line_height = rec->cb.GetLineHeight(rec);
    const text_run text = get_text(rec);

    const int pos = clamp_pos(active_end(rec), text.length());
    const int line = OGLE_CharPosToLine(rec, pos);
    const float x = logical[0] + measure(rec, text, line_start(rec, line, text.length()), pos);
    // The whole band of the line comes into view: bringing only one edge of
    // it to the view's edge would leave the caret's line just outside.
    const float top = logical[3] - static_cast<float>(line) * line_height;
    const float bottom = top - line_height;

    const float now_x = visible[0] - logical[0];
    const float now_y = visible[1] - logical[1];
    float offset[2] = {now_x, now_y};
    if (x < visible[0]) offset[0] = x - logical[0];
    if (x > visible[2]) offset[0] = x - logical[0] - (visible[2] - visible[0]);
    if (bottom < visible[1]) offset[1] = bottom - logical[1];
    if (top > visible[3]) offset[1] = top - logical[1] - (visible[3] - visible[1]);
    if (offset[0] != now_x || offset[1] != now_y) rec->cb.ScrollTo(rec, offset);
}

void OGLE_Click(OGLE_Rec* rec, float x, float y, int extend)
{
    rec->remembered_x = -1.0f;
    const int pos = OGLE_CoordToCharPos(rec, x, y);
    if (!extend) {
        rec->sel_start = rec->sel_end = pos;
        rec->caret_at_end = 1;
    } else if (pos < rec->sel_start) {
        rec->sel_start = pos;
        rec->caret_at_end = 0;
    } else {
        rec->sel_end = pos;
        rec->caret_at_end = 1;
    }
    clamp_selection(rec, get_text(rec).length());
    OGLE_RevealSelection(rec);
}

void OGLE_Drag(OGLE_Rec* rec, float x, float y)
{
    rec->remembered_x = -1.0f;
    active_end(rec) = OGLE_CoordToCharPos(rec, x, y);
    finish_move(rec);
}

void OGLE_Key(OGLE_Rec* rec, char code, int extend)
{
    const int length = get_text(rec).length();
    const auto prev_char = [rec](int pos) { return rec->cb.MBCS_PrevPos(rec, pos); };
    const auto next_char = [rec, length](int pos) {
        return pos >= length ? length : rec->cb.MBCS_NextPos(rec, pos);
    };
    const auto line_step = [rec](int lines) {
        return [rec, lines](int pos) {
            return OGLE_CharPosVerticalAdjust(rec, pos, lines, rec->remembered_x);
        };
    };

    switch (code) {
    case OGLE_key_backspace: backspace(rec); return;
    case OGLE_key_left:
        rec->remembered_x = -1.0f;
        move(rec, extend, false, prev_char);
        return;
    case OGLE_key_right:
        rec->remembered_x = -1.0f;
        move(rec, extend, true, next_char);
        return;
    case OGLE_key_up: move(rec, extend, false, line_step(-1)); return;
    case OGLE_key_down: move(rec, extend, true, line_step(1)); return;
    default: type_bytes(rec, &code, 1); return;
    }
}

void OGLE_Key_MBCS(OGLE_Rec* rec, int count, const char* bytes, int extend)
{
    if (count == 1) {
        OGLE_Key(rec, bytes[0], extend);
    } else if (count > 1) {
        type_bytes(rec, bytes, count);
    }
}
