// The record, line layout and the conversions between positions, lines
// and points.
#include <algorithm>
#include <cctype>
#include <cmath>

#include "widgets/ogle_internal.h"

using namespace ogle_detail;

OGLE_Rec* OGLE_Create(const OGLE_Callbacks* callbacks, void* ref)
{
    OGLE_Rec* rec = new OGLE_Rec;
    rec->cb = *callbacks;
    rec->ref = ref;
    rec->sel_start = 0;
    rec->sel_end = 0;
    rec->caret_at_end = 1;
    rec->remembered_x = -1.0f;
    return rec;
}

void OGLE_Destroy(OGLE_Rec* rec) { delete rec; }

void* OGLE_GetRef(OGLE_Rec* rec) { return rec->ref; }

void OGLE_GetSelection(OGLE_Rec* rec, int* start, int* end)
{
    if (start) *start = rec->sel_start;
    if (end) *end = rec->sel_end;
}

namespace {

bool is_line_break(char c) { return c == '\r' || c == '\n'; }

bool is_blank(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) && !is_line_break(c);
}

// A client's step that does not move forward, or runs past the end, would
// hang the layout or read beyond the text.
const char* step_forward(OGLE_Rec* rec, const char* p, const char* end)
{
    const char* next = rec->cb.MBCS_Next(rec, p);
    if (next <= p) return p + 1;
    return next > end ? end : next;
}

// The end of the line that starts at `p` (< end), measured word by word.
const char* end_of_line(OGLE_Rec* rec, const char* line, const char* end, float wrap_width)
{
    const char* p = line;
    float width = 0.0f;
    for (;;) {
        const char* blanks = p;
        while (p < end && is_blank(*p)) p = step_forward(rec, p, end);
        if (p >= end) return end;
        if (is_line_break(*p)) return p + 1;

        const char* word = rec->cb.WordBreak(rec, p, end);
        if (word <= p || word > end) word = step_forward(rec, p, end);
        width += rec->cb.MeasureString(rec, blanks, p) + rec->cb.MeasureString(rec, p, word);
        if (width > wrap_width) {
            // A first word wider than the whole width goes one character a
            // line; a byte would split a multi-byte character across lines.
            return p > line ? p : step_forward(rec, line, end);
        }
        p = word;
        if (p >= end) return end;
    }
}

}  // namespace

void OGLE_Repaginate(OGLE_Rec* rec)
{
    float logical[4];
    rec->cb.GetLogicalBounds(rec, logical);
    const float wrap_width = logical[2] - logical[0];
    const text_run text = get_text(rec);
    const float line_height = rec->cb.GetLineHeight(rec);

    std::vector<int>& starts = rec->line_starts;
    if (starts.empty()) starts.push_back(0);
    starts[0] = 0;
    size_t lines = 1;
    for (const char* line = text.begin; line < text.end;) {
        const char* next = end_of_line(rec, line, text.end, wrap_width);
        if (next >= text.end) break;
        const int pos = static_cast<int>(next - text.begin);
        if (lines < starts.size()) starts[lines] = pos;
        else starts.push_back(pos);
        ++lines;
        line = next;
    }
    starts.resize(lines);
    rec->cb.SetLogicalHeight(rec, static_cast<float>(lines) * line_height);
}

int OGLE_CharPosToLine(OGLE_Rec* rec, int pos)
{
    const std::vector<int>& starts = rec->line_starts;
    if (starts.empty()) return 0;
    const auto found = std::lower_bound(starts.begin(), starts.end(), pos);
    if (found == starts.end()) return line_count(rec) - 1;
    const int line = static_cast<int>(found - starts.begin());
    if (*found == pos) return line;
    return line > 0 ? line - 1 : 0;
}

int OGLE_CoordToCharPos(OGLE_Rec* rec, float x, float y)
{
    float logical[4];
    rec->cb.GetLogicalBounds(rec, logical);
    const text_run text = get_text(rec);
    const float line_height = rec->cb.GetLineHeight(rec);

    x = std::min(std::max(x, logical[0]), logical[2]);
    const float rows = line_height > 0.0f ? (logical[3] - y) / line_height : 0.0f;
    if (rows < 0.0f) return 0;
    if (rows >= static_cast<float>(line_count(rec))) return text.length();
    const int line = static_cast<int>(std::floor(rows));
    const int from = line_start(rec, line, text.length());
    return fit_forward(rec, text, from, line_content_end(rec, text, line), x - logical[0]);
}

int OGLE_CharPosVerticalAdjust(OGLE_Rec* rec, int pos, int lines, float& x)
{
    const text_run text = get_text(rec);
    pos = clamp_pos(pos, text.length());
    const int line = OGLE_CharPosToLine(rec, pos);
    if (x == -1.0f) x = measure(rec, text, line_start(rec, line, text.length()), pos);

    const int target = line + lines;
    if (target < 0) return 0;
    if (target >= line_count(rec)) return text.length();
    const int from = line_start(rec, target, text.length());
    return fit_forward(rec, text, from, line_content_end(rec, text, target), x);
}
