// The text field's side of editing: binding the shared engine to a field,
// the keys the engine has no operation for, and the length limit.
#include "widgets/ogle_internal.h"
#include "widgets/text_field.h"
#include "widgets/utf8_edit.h"

using namespace ogle_detail;

void text_field_bind(OGLE_Rec* rec, std::string* text, float x, float y, float width,
                     int newly_focused, int by_click)
{
    OGLE_input = text;
    OGLE_x = static_cast<int>(x);
    OGLE_y = static_cast<int>(y);
    OGLE_entry_dx = static_cast<int>(width);
    if (!newly_focused) return;
    OGLE_dx = 0.0f;
    OGLE_dy = 0.0f;
    if (!by_click) OGLE_SetSelection(rec, 0, static_cast<int>(text->size()));
    OGLE_Repaginate(rec);
}

namespace {

// Home and End: the active end to `target`; with Shift the other end stays.
void move_to(OGLE_Rec* rec, int target, int extend)
{
    rec->remembered_x = -1.0f;
    const int anchor = rec->caret_at_end ? rec->sel_start : rec->sel_end;
    rec->caret_at_end = 1;
    if (extend) OGLE_SetSelection(rec, anchor, target);
    else OGLE_SetSelection(rec, target, target);
    OGLE_RevealSelection(rec);
}

void home_or_end(OGLE_Rec* rec, bool end, int extend)
{
    const text_run text = get_text(rec);
    const int active = rec->caret_at_end ? rec->sel_end : rec->sel_start;
    const int line = OGLE_CharPosToLine(rec, clamp_pos(active, text.length()));
    move_to(rec, end ? line_content_end(rec, text, line) : line_start(rec, line, text.length()),
            extend);
}

void forward_delete(OGLE_Rec* rec)
{
    rec->remembered_x = -1.0f;
    const int length = get_text(rec).length();
    int start = clamp_pos(rec->sel_start, length);
    int end = clamp_pos(rec->sel_end, length);
    if (start == end) {
        if (end >= length) return;
        end = clamp_pos(rec->cb.MBCS_NextPos(rec, end), length);
    }
    OGLE_ReplaceText(rec, start, end, "", "");
    rec->caret_at_end = 1;
    OGLE_RevealSelection(rec);
}

}  // namespace

void text_field_key(OGLE_Rec* rec, int character, int vkey, int flags)
{
    const int extend = flags & BTN_key_shift;
    switch (vkey) {
    case BTN_vk_home: home_or_end(rec, false, extend); return;
    case BTN_vk_end: home_or_end(rec, true, extend); return;
    case BTN_vk_delete: forward_delete(rec); return;
    case BTN_vk_backspace: OGLE_Key(rec, OGLE_key_backspace, extend); return;
    case BTN_vk_left: OGLE_Key(rec, OGLE_key_left, extend); return;
    case BTN_vk_right: OGLE_Key(rec, OGLE_key_right, extend); return;
    case BTN_vk_up: OGLE_Key(rec, OGLE_key_up, extend); return;
    case BTN_vk_down: OGLE_Key(rec, OGLE_key_down, extend); return;
    default: break;
    }
    // Control characters would go into the text as bytes of their own.
    if (BTN_vkey_types_nothing(vkey) || character < 0x20 || character == 0x7F) return;
    char utf8[4];
    const int count = utf8_encode(static_cast<unsigned int>(character), utf8);
    if (count > 0) OGLE_Key_MBCS(rec, count, utf8, extend);
}

void text_field_cut(OGLE_Rec* rec, int max_len)
{
    if (!OGLE_input || max_len < 0) return;
    const size_t keep = utf8_cut_length(*OGLE_input, static_cast<size_t>(max_len));
    if (keep < OGLE_input->size())
        OGLE_ReplaceText(rec, static_cast<int>(keep), static_cast<int>(OGLE_input->size()), "", "");
}
