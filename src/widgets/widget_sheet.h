// The pieces every widget is built from: labels ("left|right{ help"), the
// one-line frames, the scroll-bar strip, the nine-slice window and panel
// frames, the title-bar boxes, tabs and the compass dial.  Nothing here
// keeps state between frames.
#pragma once

#include <string>

// One sheet rectangle centred at (sheet_x, sheet_y) onto the same size
// centred at (x, y).
void BTN_util_element(float x, float y, float sheet_x, float sheet_y, float half_w, float half_h,
                      int colour);

// The label's text before its last '|' (or '{'), after that '|', and after
// its last '{' less the one character behind it.
void BTN_expand_label(const std::string& label, std::string* left, std::string* right,
                      std::string* help);
// align 0 ends the text at x, 1 centres it, 2 starts it there; long labels
// break into two lines near their middle.
void BTN_util_draw_label(float x, float y, int align, const std::string& text, int highlight);

void BTN_frame1(int type, float x, float y, float width, int colour);
void BTN_frame0(int type, float x, float y, float height);
void BTN_frame2(int type, float x, float y, float w, float h, std::string title, float alpha);
void BTN_subwin(float top_margin, int type, float x, float y, float w, float h, std::string title,
                float* right, float* top);
void BTN_fillwin(int style, int inner);
int BTN_zap_boxes(int look);
int BTN_tab(int column, int row, int* current, int value, std::string label);
void plot_dir(float x, float y, float* heading, int style);

// Where the panels of the last BTN_subwin of the alert end.
extern float &wx, &wy;  // in widget_context.h
