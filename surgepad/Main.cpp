// Entry point of Surgepad.exe. The arguments come from the process's argument list.
#include <windows.h>

#include <cstdlib>

#include "surgepad/app/Startup.h"

// The library's default end for an uncaught exception writes the exception's demangled
// type to a console the program does not have; its demangler alone is 46 KiB of the
// release. The program catches every exception at its entry points; one that still
// escapes ends it as the library's would, without the text.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return surgepad::RunSurgepad(__argc, __argv);
}
