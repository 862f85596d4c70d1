// A client of the editing engine for tests: a std::string, fixed-width
// characters (every UTF-8 character five units wide), a ten-unit line
// height, bounds the test sets, and a record of every draw, edit and
// scroll the engine asks for.
#pragma once

#include <string>
#include <vector>

#include "widgets/ogle.h"

struct recorded_rect {
    float left, bottom, right, top;
};

struct recorded_string {
    std::string text;
    float x, y;
};

class ogle_test_client {
public:
    static constexpr float char_width = 5.0f;
    static constexpr float line_height = 10.0f;

    // Visible and logical bounds both (0, -100, width, 0) until a test
    // changes them; the engine's record is made with this client as ref.
    explicit ogle_test_client(const std::string& text = "", float width = 100.0f);
    ~ogle_test_client();
    ogle_test_client(const ogle_test_client&) = delete;
    ogle_test_client& operator=(const ogle_test_client&) = delete;

    OGLE_Rec* rec;
    std::string text;
    float visible[4];
    // The logical bounds are the visible ones moved back by the scroll offset
    // and `extra_width` wider, as the toolkit's field makes them.
    float extra_width = 0.0f;
    float scroll[2] = {0.0f, 0.0f};

    std::vector<recorded_rect> selections;  // DrawSelection, carets included
    std::vector<recorded_string> strings;   // DrawString
    int replace_calls = 0;
    int scroll_calls = 0;
    float told_height = -1.0f;

    void set_width(float width);
    void logical(float* rect) const;
    // Line starts as the engine holds them.
    std::vector<int> lines() const { return rec->line_starts; }
    void select(int start, int end) { OGLE_SetSelection(rec, start, end); }
    std::pair<int, int> selection() const { return {rec->sel_start, rec->sel_end}; }
    void clear_drawing();
    // Types a string one UTF-8 character at a time, as the field hands keys over.
    void type(const std::string& utf8, int extend = 0);

    static const OGLE_Callbacks callbacks;
};
