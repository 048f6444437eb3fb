// User interface services the scan code calls.
#pragma once

// Asks a question in the tool's message dialog. style takes the system message box's bits
// (0x24 Yes/No with question icon, 0x41 OK/Cancel with information icon); returns the system
// result codes (1 OK, 2 Cancel, 6 Yes, 7 No), or -1 when the dialog could not be shown.
int ShowMessageDialog(const char* text, const char* caption, unsigned style);
