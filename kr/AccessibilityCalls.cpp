#include "kr/AccessibilityCalls.h"

#include <string>

#include "lumen/system/ModuleEntry.h"
#include "lumen/system/ProgramFolder.h"

namespace kr {
namespace {

// By full path from the system folder: a file of the same name beside the program is
// not loaded.
HMODULE LoadSystemLibrary(const char* name) {
    return LoadLibraryA((lumen::SystemFolder() + "\\" + name).c_str());
}

AccessibilityCalls* Load() {
    HMODULE oleacc = LoadSystemLibrary("oleacc.dll");
    HMODULE ole32 = LoadSystemLibrary("ole32.dll");
    HMODULE oleaut32 = LoadSystemLibrary("oleaut32.dll");
    static AccessibilityCalls calls;
    calls.createStdAccessibleObject =
        lumen::ProcAddress<decltype(calls.createStdAccessibleObject)>(oleacc, "CreateStdAccessibleObject");
    calls.lresultFromObject = lumen::ProcAddress<decltype(calls.lresultFromObject)>(oleacc, "LresultFromObject");
    calls.coInitializeEx = lumen::ProcAddress<decltype(calls.coInitializeEx)>(ole32, "CoInitializeEx");
    calls.sysAllocStringLen = lumen::ProcAddress<decltype(calls.sysAllocStringLen)>(oleaut32, "SysAllocStringLen");
    const bool complete = calls.createStdAccessibleObject != nullptr && calls.lresultFromObject != nullptr &&
                          calls.coInitializeEx != nullptr && calls.sysAllocStringLen != nullptr;
    return complete ? &calls : nullptr;
}

}  // namespace

const AccessibilityCalls* Accessibility() {
    static const AccessibilityCalls* const calls = Load();
    return calls;
}

}  // namespace kr
