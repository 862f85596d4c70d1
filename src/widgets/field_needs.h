// What the key-taking fields call of the toolkit's first share: the label
// rules and frames of the widget sheet, the focus ring and the scroll bar.
// Declared here with the signatures those widgets are specified with until
// their headers land; then this file includes them instead.
#pragma once

#include <string>

int BTN_register_focus(int id, int* char_queue, int* vkey_queue, int* flag_queue, int* id_queue,
                       int* queue_count, int queue_size, int key_mask, int grab);
int BTN_no_focus_yet();

void BTN_expand_label(const std::string& label, std::string* left, std::string* right,
                      std::string* help);
void BTN_util_draw_label(float x, float y, int align, const std::string& text, int highlight);
void BTN_frame1(int type, float x, float y, float width, int colour);
void BTN_frame2(int type, float x, float y, float w, float h, std::string title, float alpha);

int BTN_vert_slider(int slot, float x, float y_bottom, float y_top, int lo, int hi, int* value);
