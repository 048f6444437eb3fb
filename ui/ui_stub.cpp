// Placeholder until the message dialog lands: the system message box with the same bits.
#include <windows.h>
#include "ui/ui.h"
int ShowMessageDialog(const char* text, const char* caption, unsigned style)
{
    return MessageBoxA(nullptr, text, caption, style);
}
