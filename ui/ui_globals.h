// Process-wide values of the user interface, shared by the main window, the message dialog and the label.
#pragma once
#include "ui/framework.h"

// The main window object while it exists; the message dialog centres itself on it.
extern CDialog* g_mainDialog;
// True when the screen has 120 or more logical pixels per inch (set by the main window).
extern bool g_largeFonts;
// Bold font of the coloured label; holds no font until the main window creates it.
extern CFont g_labelFont;
// White brush for the main window's background and statics.
extern CBrush g_whiteBrush;
// True from the Scan press until the scan has returned.
extern bool g_scanInProgress;
