// What the engine's three source files share: the text and line table seen
// through the callbacks, with every position a client or a stale table
// hands in brought back inside the text.
#pragma once

#include "widgets/ogle.h"

namespace ogle_detail {

struct text_run {
    const char* begin;
    const char* end;
    int length() const { return static_cast<int>(end - begin); }
};

inline text_run get_text(OGLE_Rec* rec)
{
    text_run t{nullptr, nullptr};
    rec->cb.GetText(rec, &t.begin, &t.end);
    if (!t.begin || t.end < t.begin) t.end = t.begin;
    return t;
}

inline int clamp_pos(int pos, int length)
{
    return pos < 0 ? 0 : (pos > length ? length : pos);
}

inline int line_count(const OGLE_Rec* rec) { return static_cast<int>(rec->line_starts.size()); }

// Before the first line reads as 0, after the last as the text's end; a
// table left over from a longer text never points past the end.
inline int line_start(const OGLE_Rec* rec, int line, int length)
{
    if (line < 0) return 0;
    if (line >= line_count(rec)) return length;
    return clamp_pos(rec->line_starts[line], length);
}

inline float measure(OGLE_Rec* rec, const text_run& t, int from, int to)
{
    return to > from ? rec->cb.MeasureString(rec, t.begin + from, t.begin + to) : 0.0f;
}

// The bytes of [from, to) that fit into width, as a position in the text.
inline int fit_forward(OGLE_Rec* rec, const text_run& t, int from, int to, float width)
{
    const int fitted = rec->cb.FitStringFwd(rec, t.begin + from, t.begin + to, width);
    const int pos = from + fitted;
    return pos < from ? from : (pos > to ? to : pos);
}

// Where a point on line `line` may land: the line without the CR or LF that
// ends it.  The position after the break is the next line's start, so a
// point right of a short line would otherwise put the caret a line lower.
inline int line_content_end(OGLE_Rec* rec, const text_run& t, int line)
{
    const int from = line_start(rec, line, t.length());
    int to = line_start(rec, line + 1, t.length());
    if (to > from && (t.begin[to - 1] == '\r' || t.begin[to - 1] == '\n')) --to;
    return to;
}

}  // namespace ogle_detail
