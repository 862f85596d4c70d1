#include "widgets/widget_draw.h"
#include "widgets/widget_sheet.h"

namespace {

constexpr size_t split_length = 12;

// The blank, '-' or '/' nearest the middle (the earlier on a tie), or 0.
size_t split_point(const std::string& text)
{
    const long middle = long(text.size() / 2);
    size_t best = 0;
    long best_distance = 0;
    for (size_t p = 1; p + 1 <= text.size() - 1; ++p) {
        const char c = text[p];
        if (c != ' ' && c != '-' && c != '/') continue;
        const long d = long(p) > middle ? long(p) - middle : middle - long(p);
        if (best == 0 || d < best_distance) {
            best = p;
            best_distance = d;
        }
    }
    return best;
}

}  // namespace

void BTN_expand_label(const std::string& label, std::string* left, std::string* right,
                      std::string* help)
{
    const size_t bar = label.rfind('|');
    const size_t brace = label.rfind('{');
    const size_t brace_at = brace == std::string::npos ? label.size() : brace;
    const size_t cut = bar == std::string::npos ? brace_at : bar;
    left->assign(label, 0, cut);
    if (bar == std::string::npos || bar + 1 > brace_at)
        right->clear();
    else
        right->assign(label, bar + 1, brace_at - bar - 1);
    if (brace == std::string::npos || brace + 2 > label.size())
        help->clear();
    else
        help->assign(label, brace + 2, std::string::npos);
}

void BTN_util_draw_label(float x, float y, int align, const std::string& text, int highlight)
{
    if (text.empty()) return;
    // Reused from frame to frame: a label drawn every frame costs no
    // allocation once the buffers have grown.
    static std::string first, second;
    const int colour = highlight ? 85 : 46;
    const int text_align = align == 0 ? 2 : align == 1 ? 1 : 0;
    const bool whole = text[0] == '-';
    if (whole)
        first.assign(text, 1, std::string::npos);
    else
        first.assign(text);
    second.clear();
    if (!whole && align != 1 && text.size() > split_length) {
        const size_t p = split_point(text);
        if (p > 0 && p < text.size() - 1) {
            first.assign(text, 0, p);
            second.assign(text, p + 1, std::string::npos);
            y += 5;
        }
    }
    BTN_text(colour, x, y, first, 9999, charset_regular, text_align);
    if (!second.empty()) BTN_text(colour, x, y - 10, second, 9999, charset_regular, text_align);
}
