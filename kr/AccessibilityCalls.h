#pragma once
// The system entries the controls' accessible objects need (oleacc, ole32, oleaut32),
// bound the first time a screen reader asks a control: a program that nobody reads
// keeps the COM libraries out of its memory.
#include <windows.h>

#include <oleacc.h>

namespace kr {

struct AccessibilityCalls {
    HRESULT(WINAPI* createStdAccessibleObject)(HWND, LONG, REFIID, void**) = nullptr;
    LRESULT(WINAPI* lresultFromObject)(REFIID, WPARAM, LPUNKNOWN) = nullptr;
    HRESULT(WINAPI* coInitializeEx)(LPVOID, DWORD) = nullptr;
    BSTR(WINAPI* sysAllocStringLen)(const OLECHAR*, UINT) = nullptr;
};

// The entries, loaded once from the system folder and kept for the process's life
// (objects handed out may outlive any control); null when a library or an entry is
// missing, and the controls then answer as plain windows.
const AccessibilityCalls* Accessibility();

}  // namespace kr
