// Drawing the visible lines with their selection and the caret.
#include <algorithm>
#include <cmath>

#include "widgets/ogle_internal.h"

using namespace ogle_detail;

void OGLE_Draw(OGLE_Rec* rec, int draw_caret)
{
    float logical[4], visible[4];
    rec->cb.GetVisibleBounds(rec, visible);
    rec->cb.GetLogicalBounds(rec, logical);
    const float line_height = rec->cb.GetLineHeight(rec);
    const text_run text = get_text(rec);
    const int length = text.length();
    const int lines = line_count(rec);
    if (lines == 0 || line_height <= 0.0f) return;

    const int first = std::max(0, static_cast<int>(std::floor((logical[3] - visible[3]) / line_height)));
    const int limit = std::min(lines, static_cast<int>(std::ceil((logical[3] - visible[1]) / line_height)));
    const auto band_bottom = [&](int line) { return logical[3] - static_cast<float>(line + 1) * line_height; };
    const auto x_of = [&](int from, int pos) { return logical[0] + measure(rec, text, from, pos); };

    const int s = clamp_pos(rec->sel_start, length);
    const int e = clamp_pos(rec->sel_end, length);
    if (s < e) {
        for (int i = first; i < limit; ++i) {
            const int from = line_start(rec, i, length);
            const int to = line_start(rec, i + 1, length);
            if (from >= e) break;
            if (to <= s) continue;
            const bool starts_here = s >= from;
            const bool ends_here = e <= to;
            float rect[4] = {starts_here ? x_of(from, s) : logical[0], band_bottom(i),
                             ends_here ? x_of(from, e) : logical[2], band_bottom(i) + line_height};
            rec->cb.DrawSelection(rec, rect);
        }
    }

    for (int i = first; i < limit; ++i) {
        const int from = line_start(rec, i, length);
        const int to = line_start(rec, i + 1, length);
        rec->cb.DrawString(rec, text.begin + from, text.begin + to, logical[0], band_bottom(i));
    }

    if (!draw_caret || s != e) return;
    for (int i = first; i < limit; ++i) {
        const int from = line_start(rec, i, length);
        const int to = line_start(rec, i + 1, length);
        const bool last = i == lines - 1;
        if (from <= s && (s < to || (last && s == length))) {
            const float x = x_of(from, s);
            float rect[4] = {x, band_bottom(i), x, band_bottom(i) + line_height};
            rec->cb.DrawSelection(rec, rect);
            return;
        }
    }
}
