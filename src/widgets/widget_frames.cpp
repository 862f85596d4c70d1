// The frame drawers.
//
//   -- One-line frames (BTN_frame1) ---
//   -- The scroll-bar strip (BTN_frame0) ---
//   -- Window and panel frames (BTN_frame2 and its wrappers) ---
#include <algorithm>

#include "core/shell_hooks.h"
#include "core/window_ids.h"
#include "shell/mnw_state.h"
#include "widgets/widget_draw.h"
#include "widgets/widget_context.h"
#include "widgets/widget_sheet.h"

using namespace sheet_layout;

float& wx = BTN_context.wx;
float& wy = BTN_context.wy;

namespace {

void misuse(const char* what, const std::string& last_line, int line)
{
    __MACIBM_alert(0, what, "", "", last_line, 2, "butn", line);
}

// One row or column of a nine-slice frame along one axis: piece 0 is the
// near edge, piece `last` the far edge, the ones between tile the middle,
// the last of them cut where the far edge begins, its sheet end moved 1:1.
struct slice_span {
    float from, to, sheet_from, sheet_to;
};
slice_span nine_slice(int k, int last, float origin, float total, float near_edge, float far_edge,
                      float sheet0, float size)
{
    if (k == 0) return {origin, origin + near_edge, sheet0, sheet0 + near_edge};
    if (k == last)
        return {origin + total - far_edge, origin + total, sheet0 + size - far_edge, sheet0 + size};
    const float step = size - near_edge - far_edge;
    const float from = origin + near_edge + (k - 1) * step;
    const float to = std::min(from + step, origin + total - far_edge);
    const float sheet_from = sheet0 + near_edge;
    const float sheet_to = std::clamp(sheet_from + (to - from), sheet_from, sheet0 + size - far_edge);
    return {from, to, sheet_from, sheet_to};
}

// Windows whose title-bar boxes the shell draws itself, or none.
bool window_without_boxes(int id) { return id == window_ids::main || window_ids::is_modal(id); }

}  // namespace

// -- One-line frames (BTN_frame1) ---

void BTN_frame1(int type, float x, float y, float width, int colour)
{
    const strip_frame* f = find_strip_frame(type);
    if (!f) {
        misuse("Bad BTN_frame1 call!", "", __LINE__);
        return;
    }
    const float xr = BTN_round(x);
    const float half = BTN_round(width / 2);
    const float W = 2 * half + f->extra;
    if (type == 0 || type == 1) y -= 3;
    const float L = xr - W / 2, B = y - f->h / 2.0f, T = y + f->h / 2.0f;
    const float s0 = f->s0, t0 = f->t0, t1 = f->t0 + f->h;
    const float cap = f->cap, mid_end = f->mid_end, step = f->step;
    const int n = int((W - 2 * cap) / step);

    // Pieces 0 .. n + 2: the left cap, n + 1 tiles, the right cap.  A
    // frame narrower than its caps loses pieces from the left.
    sheet_run run(f->sheet, colour, 1.0f);
    for (int k = 0; k <= n + 2; ++k) {
        if (k == n + 2) {
            run.quad(L + W - cap, B, L + W, T, s0 + mid_end, t0, s0 + f->elem_w, t1);
        } else if (k == 0) {
            run.quad(L, B, L + cap, T, s0, t0, s0 + cap, t1);
        } else {
            const int i = k - 1;
            const float left = L + cap + i * step;
            const float full = L + cap + (i + 1) * step;
            const float right = std::min(full, L + W - cap);
            float s_end = s0 + mid_end;
            if (right < full)
                s_end = std::clamp(s0 + cap + (mid_end - cap) / mid_end * (right - left), s0 + cap,
                                   s0 + mid_end);
            run.quad(left, B, right, T, s0 + cap, t0, s_end, t1);
        }
    }
}

// -- The scroll-bar strip (BTN_frame0) ---

void BTN_frame0(int type, float x, float y, float height)
{
    if (type != 6) {
        misuse("Bad BTN_frame0 call!", "", __LINE__);
        return;
    }
    if (x != BTN_round(x)) {
        misuse("BTN_frame0 non-int x_center!", "", __LINE__);
        return;
    }
    if (y != BTN_round(y)) {
        misuse("BTN_frame0 non-int y_center!", "", __LINE__);
        return;
    }
    const float H = 2 * BTN_round(height / 2) + 8;
    const float B = y - H / 2;
    const float x1 = x - 10, x2 = x + 10;
    const float s1 = trough_tile.x0, s2 = trough_tile.x1;
    const int n = int((H - 20) / 20);

    sheet_run run(widget_sheet, 0, 1.0f);
    run.quad(x1, B, x2, B + 10, trough_bottom_cap);
    for (int i = 0; i <= n; ++i) {
        const float bottom = B + 10 + 20 * i;
        const float full = B + 30 + 20 * i;
        const float top = std::min(full, B + H - 10);
        float t_end = trough_tile.y1;
        if (top < full) t_end = std::clamp(248 + (10 + (top - bottom) * 2 / 3), 258.0f, 278.0f);
        run.quad(x1, bottom, x2, top, s1, trough_tile.y0, s2, t_end);
    }
    run.quad(x1, B + H - 10, x2, B + H, trough_top_cap);
}

// -- Window and panel frames (BTN_frame2 and its wrappers) ---

void BTN_frame2(int type, float x, float y, float w, float h, std::string title, float alpha)
{
    const panel_frame* f = find_panel_frame(type);
    if (!f) {
        misuse("Bad BTN_frame2 call!", title, __LINE__);
        return;
    }
    const float X0 = x - f->out_x, Y0 = y - f->out_bottom;
    const float W = w + 2 * f->out_x, H = h + f->out_bottom + f->out_top;
    const float s0 = f->s0, t0 = f->t0, size = f->size;
    const float cw = f->cw, cb = f->cb, ct = f->ct;
    const float step_x = size - 2 * cw, step_y = size - cb - ct;
    const int n_c = int((W - 2 * cw) / step_x) + 1;
    const int n_r = std::max(0, int((H - ct - cb) / step_y));

    {
        sheet_run run(f->sheet, 0, alpha);
        // Rows: bottom, n_r + 1 middle ones, top.  Columns: left, n_c middle
        // ones, right; a frame narrower than its corners loses columns from
        // the right.
        for (int r = 0; r <= n_r + 2; ++r) {
            const slice_span row = nine_slice(r, n_r + 2, Y0, H, cb, ct, t0, size);
            for (int c = 0; c <= n_c + 1; ++c) {
                const slice_span col = nine_slice(c, n_c + 1, X0, W, cw, cw, s0, size);
                run.quad(col.from, row.from, col.to, row.to, col.sheet_from, row.sheet_from,
                         col.sheet_to, row.sheet_to);
            }
        }
    }

    const float title_x = type == 23 ? x + 10 : x + w / 2 - str_dx(title) / 2;
    const float title_y = type == 14 ? y + h - 13 : y + h - 16;
    const int colour = type == 14 ? 43 : type == 18 ? 50 : 46;
    BTN_text(colour, title_x, title_y, title, 9999, charset_regular, 0);
    if (type == 14 && !window_without_boxes(mnw.current_window)) BTN_zap_boxes(0);
}

void BTN_subwin(float top_margin, int type, float x, float y, float w, float h, std::string title,
                float* right, float* top)
{
    if (x < 0) x = 10;
    if (y < 0) y = 10;
    if (w < 0) w = mnw.window_width - x - 10;
    if (h < 0) h = mnw.window_height - y - top_margin - 28;
    BTN_frame2(type, x, y, w, h, std::move(title), 1.0f);
    *right = x + w + 10;
    *top = y + h + 10;
}

void BTN_fillwin(int style, int inner)
{
    const float width = mnw.window_width, height = mnw.window_height;
    BTN_frame2(style == 0 ? 15 : 14, 0, 0, width, height, stls.window_title, 1.0f);
    if (inner == 1)
        BTN_frame1(1, width / 2, height - 50, width, 0);
    else if (inner != 24)
        BTN_frame2(inner, 10, 10, width - 20, height - 40, "", 1.0f);
}
