// Entry point of the tool: hands control to the application object.
#include <windows.h>

#include "ui/app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // Naming the application object links it in from the product library.
    if (GetApp() != &g_theApp)
        return 1;
    return RunWinApp(instance);
}
