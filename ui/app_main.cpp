// Entry point of the product (placeholder until the main window lands; links the engine).
#include <windows.h>
#include "engine/engine.h"
#include "scan/scan.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    volatile bool never = false;
    if (never)
        RunScan();
    return 0;
}
