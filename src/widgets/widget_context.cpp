#include "widgets/widget_context.h"

#include "widgets/ogle.h"

widget_context BTN_context;

void BTN_reset_context()
{
    OGLE_Rec* const editor = BTN_context.text_editor;
    BTN_context = widget_context();
    if (editor) OGLE_Destroy(editor);
}
