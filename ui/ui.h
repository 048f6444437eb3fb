// User interface services the scan code calls.
#pragma once

// Asks a question in the tool's message dialog. style takes the system message box's bits
// (MB_YESNO | MB_ICONQUESTION, MB_OKCANCEL | MB_ICONINFORMATION); returns the system result
// codes (IDOK, IDCANCEL, IDYES, IDNO), or -1 when the dialog could not be shown.
int ShowMessageDialog(const char* text, const char* caption, unsigned style);
