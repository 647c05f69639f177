// Entry point of Surgepad.exe. The arguments come from the process's argument list.
#include <windows.h>

#include <cstdlib>

#include "surgepad/Startup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return surgepad::RunSurgepad(__argc, __argv);
}
