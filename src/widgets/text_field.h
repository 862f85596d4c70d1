// The one-line text field BTN_enterstring and its binding to the editing
// engine: every text field shares one engine record, bound each frame to
// the field that holds the keyboard focus.
#pragma once

#include <string>

#include "widgets/key_queue.h"
#include "widgets/ogle.h"

// Draws and runs the field whose text starts at (x, y) in a box `width`
// wide; edits *text, at most max_len bytes.  default_focus lets it take the
// focus while nothing holds it.  1 when the text changed in this call.
int BTN_enterstring(float x, float y, std::string* text, int max_len, std::string label,
                    float width, int default_focus);
// The same over a zero-terminated buffer of max_len + 1 bytes; a text of
// 500 bytes or more is a fatal alert.
int BTN_enterstring(float x, float y, char* text, int max_len, std::string label, float width,
                    int default_focus);
// How every char* form writes its text back: a text of 500 bytes or more
// is a fatal alert and is not written; false then.
bool BTN_copy_to_chars(const std::string& text, char* out);

// -- The binding the callbacks read (fields of widget_context.h) ---

extern std::string*& OGLE_input;   // the focused field's text
extern int &OGLE_x, &OGLE_y;       // its position, truncated
extern int& OGLE_entry_dx;         // its width, truncated
extern float &OGLE_dx, &OGLE_dy;   // the engine's scroll offset
extern int& OGLE_edit;             // the engine changed the text in this call

// The sixteen callbacks over the binding, in the engine's order.
extern const OGLE_Callbacks OGLE_cbs;

void OGLE_GetVisibleBounds(OGLE_Rec* rec, float* rect);
void OGLE_GetLogicalBounds(OGLE_Rec* rec, float* rect);
void OGLE_SetLogicalHeight(OGLE_Rec* rec, float height);
void OGLE_ScrollTo(OGLE_Rec* rec, float* offset);
void OGLE_GetText(OGLE_Rec* rec, const char** begin, const char** end);
void OGLE_ReplaceTextFunc(OGLE_Rec* rec, int start, int end, const char* from, const char* to);
float OGLE_GetLineHeight(OGLE_Rec* rec);
float OGLE_MeasureString(OGLE_Rec* rec, const char* begin, const char* end);
int OGLE_FitStringFwd(OGLE_Rec* rec, const char* begin, const char* end, float width);
int OGLE_FitStringRev(OGLE_Rec* rec, const char* begin, const char* end, float width);
void OGLE_DrawString(OGLE_Rec* rec, const char* begin, const char* end, float x, float y);
void OGLE_DrawSelection(OGLE_Rec* rec, float* rect);
const char* OGLE_WordBreak(OGLE_Rec* rec, const char* begin, const char* end);
const char* OGLE_MBCS_Next(OGLE_Rec* rec, const char* p);
int OGLE_MBCS_NextPos(OGLE_Rec* rec, int pos);
int OGLE_MBCS_PrevPos(OGLE_Rec* rec, int pos);

// -- Pieces of the field, for its tests ---

// The one engine record all fields share, made on first use.
OGLE_Rec* text_field_engine();

// Points the binding at a field and, when the focus has just come to it,
// starts the engine afresh there: scroll offset 0, the whole text selected
// unless the focus came by a click, the text laid out.
void text_field_bind(OGLE_Rec* rec, std::string* text, float x, float y, float width,
                     int newly_focused, int by_click);
// One queued key of the bound field.  The engine takes the arrows and
// Backspace; Home, End and Delete are built here; keys that type no
// character (function keys, Insert, the page keys, control characters)
// change nothing.
void text_field_key(OGLE_Rec* rec, int character, int vkey, int flags);
// Cuts the bound text to max_len bytes on a character boundary, through
// the engine so the selection follows.
void text_field_cut(OGLE_Rec* rec, int max_len);
