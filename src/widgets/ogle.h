// OGLE, the text-editing engine behind every text field.
//
// The engine owns no text, font or drawing.  It keeps the selection, the
// offset that Up and Down remember and the table of where each laid-out
// line begins, and asks its client for everything else through sixteen
// callbacks.  Positions are byte offsets into the client's text; stepping
// over multi-byte characters is the client's (MBCS_Next, MBCS_NextPos,
// MBCS_PrevPos).  Coordinates are the client's units with y up; a
// rectangle is four floats: left, bottom, right, top.
//
// Two forms over one record: the C functions on an OGLE_Rec and a callback
// table, and the class OGLE whose pure virtual functions are the callbacks.
// Main thread only; nothing is locked.
//
// Sections:
//   -- Record and callbacks ---
//   -- Record, layout and positions (ogle_layout.cpp) ---
//   -- Selection, editing and input (ogle_editing.cpp) ---
//   -- Drawing (ogle_draw.cpp) ---
//   -- The class form (ogle_class.cpp) ---
#pragma once

#include <vector>

// -- Record and callbacks ---

struct OGLE_Rec;

// In the engine's order; each receives the record first.
struct OGLE_Callbacks {
    void (*GetVisibleBounds)(OGLE_Rec* rec, float* rect);
    // Its width is the width the text wraps at.
    void (*GetLogicalBounds)(OGLE_Rec* rec, float* rect);
    // Line count times line height, after every layout.
    void (*SetLogicalHeight)(OGLE_Rec* rec, float height);
    // offset[0], offset[1]: the visible area's lower left corner from the
    // logical bounds' lower left corner.
    void (*ScrollTo)(OGLE_Rec* rec, float* offset);
    void (*GetText)(OGLE_Rec* rec, const char** begin, const char** end);
    // Bytes [start, end) become [new_begin, new_end); an empty run deletes.
    void (*ReplaceText)(OGLE_Rec* rec, int start, int end, const char* new_begin,
                        const char* new_end);
    float (*GetLineHeight)(OGLE_Rec* rec);
    float (*MeasureString)(OGLE_Rec* rec, const char* begin, const char* end);
    // Bytes from begin (FitStringRev: before end) that fit into width.
    int (*FitStringFwd)(OGLE_Rec* rec, const char* begin, const char* end, float width);
    int (*FitStringRev)(OGLE_Rec* rec, const char* begin, const char* end, float width);
    // Left end at x, on the line whose bottom is y.
    void (*DrawString)(OGLE_Rec* rec, const char* begin, const char* end, float x, float y);
    // Left equal to right is the caret.
    void (*DrawSelection)(OGLE_Rec* rec, float* rect);
    // The end of the word that starts at begin: the first blank after it, or end.
    const char* (*WordBreak)(OGLE_Rec* rec, const char* begin, const char* end);
    const char* (*MBCS_Next)(OGLE_Rec* rec, const char* p);
    int (*MBCS_NextPos)(OGLE_Rec* rec, int pos);
    int (*MBCS_PrevPos)(OGLE_Rec* rec, int pos);
};

struct OGLE_Rec {
    OGLE_Callbacks cb;
    void* ref;
    // First byte of every laid-out line, increasing; [0] is 0.  Empty until
    // the first layout.
    std::vector<int> line_starts;
    int sel_start;
    int sel_end;
    // 1: the end is the active end (the one keys and drags move); 0: the start.
    int caret_at_end;
    // The offset consecutive Up and Down keys keep; -1.0 for none.
    float remembered_x;
};

// Key codes the engine interprets; every other byte is text.
enum : char {
    OGLE_key_backspace = 8,
    OGLE_key_left = 28,
    OGLE_key_right = 29,
    OGLE_key_up = 30,
    OGLE_key_down = 31,
};

// -- Record, layout and positions (ogle_layout.cpp) ---

OGLE_Rec* OGLE_Create(const OGLE_Callbacks* callbacks, void* ref);
void OGLE_Destroy(OGLE_Rec* rec);
void* OGLE_GetRef(OGLE_Rec* rec);
// Either pointer may be null.
void OGLE_GetSelection(OGLE_Rec* rec, int* start, int* end);
// Lays the whole text out again; the client calls it after changing the
// text or the width behind the engine's back.
void OGLE_Repaginate(OGLE_Rec* rec);
int OGLE_CharPosToLine(OGLE_Rec* rec, int pos);
int OGLE_CoordToCharPos(OGLE_Rec* rec, float x, float y);
// The position `lines` lines below (negative: above) pos at offset x; an x
// of -1.0 is first set to pos's own offset in its line.
int OGLE_CharPosVerticalAdjust(OGLE_Rec* rec, int pos, int lines, float& x);

// -- Selection, editing and input (ogle_editing.cpp) ---

void OGLE_SetSelection(OGLE_Rec* rec, int start, int end);
void OGLE_ReplaceText(OGLE_Rec* rec, int start, int end, const char* new_begin,
                      const char* new_end);
void OGLE_RevealSelection(OGLE_Rec* rec);
void OGLE_Click(OGLE_Rec* rec, float x, float y, int extend);
void OGLE_Drag(OGLE_Rec* rec, float x, float y);
void OGLE_Key(OGLE_Rec* rec, char code, int extend);
// One character of `count` bytes; a single byte goes to OGLE_Key.
void OGLE_Key_MBCS(OGLE_Rec* rec, int count, const char* bytes, int extend);

// -- Drawing (ogle_draw.cpp) ---

void OGLE_Draw(OGLE_Rec* rec, int draw_caret);

// -- The class form (ogle_class.cpp) ---

class OGLE {
public:
    OGLE();
    virtual ~OGLE();
    OGLE(const OGLE&) = delete;
    OGLE& operator=(const OGLE&) = delete;

    virtual void GetVisibleBounds(float* rect) = 0;
    virtual void GetLogicalBounds(float* rect) = 0;
    virtual void SetLogicalHeight(float height) = 0;
    virtual void ScrollTo(float* offset) = 0;
    virtual void GetText(const char** begin, const char** end) = 0;
    virtual void ReplaceText(int start, int end, const char* new_begin, const char* new_end) = 0;
    virtual float GetLineHeight() = 0;
    virtual float MeasureString(const char* begin, const char* end) = 0;
    virtual int FitStringFwd(const char* begin, const char* end, float width) = 0;
    virtual int FitStringRev(const char* begin, const char* end, float width) = 0;
    virtual void DrawString(const char* begin, const char* end, float x, float y) = 0;
    virtual void DrawSelection(float* rect) = 0;
    virtual const char* WordBreak(const char* begin, const char* end) = 0;
    virtual const char* MBCS_Next(const char* p) = 0;
    virtual int MBCS_NextPos(int pos) = 0;
    virtual int MBCS_PrevPos(int pos) = 0;

    void GetSelection(int* start, int* end);
    void Repaginate();
    void DoReplaceText(int start, int end, const char* new_begin, const char* new_end);
    void RevealSelection();
    void Click(float x, float y, int extend);
    void Draw(int draw_caret);
    void SetSelection(int start, int end);
    void Key(char code, int extend);
    void Key_MBCS(int count, const char* bytes, int extend);
    void Drag(float x, float y);

private:
    static void GetVisibleBoundsCB(OGLE_Rec* rec, float* rect);
    static void GetLogicalBoundsCB(OGLE_Rec* rec, float* rect);
    static void SetLogicalHeightCB(OGLE_Rec* rec, float height);
    static void ScrollToCB(OGLE_Rec* rec, float* offset);
    static void GetTextCB(OGLE_Rec* rec, const char** begin, const char** end);
    static void ReplaceTextCB(OGLE_Rec* rec, int start, int end, const char* new_begin,
                              const char* new_end);
    static float GetLineHeightCB(OGLE_Rec* rec);
    static float MeasureStringCB(OGLE_Rec* rec, const char* begin, const char* end);
    static int FitStringFwdCB(OGLE_Rec* rec, const char* begin, const char* end, float width);
    static int FitStringRevCB(OGLE_Rec* rec, const char* begin, const char* end, float width);
    static void DrawStringCB(OGLE_Rec* rec, const char* begin, const char* end, float x, float y);
    static void DrawSelectionCB(OGLE_Rec* rec, float* rect);
    static const char* WordBreakCB(OGLE_Rec* rec, const char* begin, const char* end);
    static const char* MBCS_NextCB(OGLE_Rec* rec, const char* p);
    static int MBCS_NextPosCB(OGLE_Rec* rec, int pos);
    static int MBCS_PrevPosCB(OGLE_Rec* rec, int pos);
    static const OGLE_Callbacks trampolines;

    OGLE_Rec* rec_;
};
