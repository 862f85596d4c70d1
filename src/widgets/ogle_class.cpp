// The class form: the callbacks become virtual functions of the object
// that the record's client reference points to.
#include "widgets/ogle.h"

namespace {

OGLE* self(OGLE_Rec* rec) { return static_cast<OGLE*>(OGLE_GetRef(rec)); }

}  // namespace

const OGLE_Callbacks OGLE::trampolines = {
    GetVisibleBoundsCB, GetLogicalBoundsCB, SetLogicalHeightCB, ScrollToCB,
    GetTextCB,          ReplaceTextCB,      GetLineHeightCB,    MeasureStringCB,
    FitStringFwdCB,     FitStringRevCB,     DrawStringCB,       DrawSelectionCB,
    WordBreakCB,        MBCS_NextCB,        MBCS_NextPosCB,     MBCS_PrevPosCB,
};

OGLE::OGLE() : rec_(OGLE_Create(&trampolines, this)) {}
OGLE::~OGLE() { OGLE_Destroy(rec_); }

void OGLE::GetSelection(int* start, int* end) { OGLE_GetSelection(rec_, start, end); }
void OGLE::Repaginate() { OGLE_Repaginate(rec_); }
void OGLE::DoReplaceText(int start, int end, const char* new_begin, const char* new_end)
{
    OGLE_ReplaceText(rec_, start, end, new_begin, new_end);
}
void OGLE::RevealSelection() { OGLE_RevealSelection(rec_); }
void OGLE::Click(float x, float y, int extend) { OGLE_Click(rec_, x, y, extend); }
void OGLE::Draw(int draw_caret) { OGLE_Draw(rec_, draw_caret); }
void OGLE::SetSelection(int start, int end) { OGLE_SetSelection(rec_, start, end); }
void OGLE::Key(char code, int extend) { OGLE_Key(rec_, code, extend); }
void OGLE::Key_MBCS(int count, const char* bytes, int extend)
{
    OGLE_Key_MBCS(rec_, count, bytes, extend);
}
void OGLE::Drag(float x, float y) { OGLE_Drag(rec_, x, y); }

void OGLE::GetVisibleBoundsCB(OGLE_Rec* rec, float* rect) { self(rec)->GetVisibleBounds(rect); }
void OGLE::GetLogicalBoundsCB(OGLE_Rec* rec, float* rect) { self(rec)->GetLogicalBounds(rect); }
void OGLE::SetLogicalHeightCB(OGLE_Rec* rec, float height) { self(rec)->SetLogicalHeight(height); }
void OGLE::ScrollToCB(OGLE_Rec* rec, float* offset) { self(rec)->ScrollTo(offset); }
void OGLE::GetTextCB(OGLE_Rec* rec, const char** begin, const char** end)
{
    self(rec)->GetText(begin, end);
}
void OGLE::ReplaceTextCB(OGLE_Rec* rec, int start, int end, const char* new_begin,
                         const char* new_end)
{
    self(rec)->ReplaceText(start, end, new_begin, new_end);
}
float OGLE::GetLineHeightCB(OGLE_Rec* rec) { return self(rec)->GetLineHeight(); }
float OGLE::MeasureStringCB(OGLE_Rec* rec, const char* begin, const char* end)
{
    return self(rec)->MeasureString(begin, end);
}
int OGLE::FitStringFwdCB(OGLE_Rec* rec, const char* begin, const char* end, float width)
{
    return self(rec)->FitStringFwd(begin, end, width);
}
int OGLE::FitStringRevCB(OGLE_Rec* rec, const char* begin, const char* end, float width)
{
    return self(rec)->FitStringRev(begin, end, width);
}
void OGLE::DrawStringCB(OGLE_Rec* rec, const char* begin, const char* end, float x, float y)
{
    self(rec)->DrawString(begin, end, x, y);
}
void OGLE::DrawSelectionCB(OGLE_Rec* rec, float* rect) { self(rec)->DrawSelection(rect); }
const char* OGLE::WordBreakCB(OGLE_Rec* rec, const char* begin, const char* end)
{
    return self(rec)->WordBreak(begin, end);
}
const char* OGLE::MBCS_NextCB(OGLE_Rec* rec, const char* p) { return self(rec)->MBCS_Next(p); }
int OGLE::MBCS_NextPosCB(OGLE_Rec* rec, int pos) { return self(rec)->MBCS_NextPos(pos); }
int OGLE::MBCS_PrevPosCB(OGLE_Rec* rec, int pos) { return self(rec)->MBCS_PrevPos(pos); }
