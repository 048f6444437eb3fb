// Definitions of the user interface's process-wide values; all start empty.
#include "ui/ui_globals.h"

CDialog* g_mainDialog = nullptr;
bool g_largeFonts = false;
CFont g_labelFont;
CBrush g_whiteBrush;
bool g_scanInProgress = false;
