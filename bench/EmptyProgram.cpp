// The baseline of the benchmarks: the smallest Win32 program with one hidden
// top-level window and a message loop, built like Surgepad (static runtime), that
// answers the press broadcast the way the benchmarks time Surgepad's answer:
//   bench_empty.exe              on a press, a small plain window is shown, and hidden
//                                again a second later or at the next press;
//   bench_empty.exe --fade PNG   the PNG is decoded at start into a 32-bit
//                                premultiplied picture; on a press a layered window of
//                                its size is shown with one UpdateLayeredWindow and then
//                                pushed 49 more times with falling SourceConstantAlpha
//                                on the display fade's schedule (a step every 50 ms,
//                                hidden at 2500 ms). Nothing else is done per step: no
//                                thread, no hand-over, no device context made per call.
//   bench_empty.exe --fade-like-program PNG
//                                the same fade made with the calls Surgepad's display
//                                makes: the steps timed by a thread of their own that
//                                hands each to the window's thread with SendMessage,
//                                and each step takes the window's DC, makes a memory DC,
//                                selects the picture, reads the window's place and passes
//                                it again. Where the fade's processor time goes.
//   bench_empty.exe --fade-pumping PNG
//                                the bare fade, but the window's thread handles its
//                                queue between steps (as any program whose windows
//                                stay responsive does) instead of sleeping through.
//   bench_empty.exe --tray       the like-for-like baseline of the idle figures: the
//                                plain program plus what any tray utility has, a tray
//                                icon (the shell's library) and the common controls
//                                loaded with a tooltip window, as Surgepad has.
// Plain Win32 without the C++ library, so that its size is the floor of any program.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <wincodec.h>

namespace {

constexpr char kBroadcastName[] = "WM_KORA_BROADCAST_MESSAGE";
constexpr WPARAM kPress = 0x2255;
constexpr UINT_PTR kHideTimer = 1;
// The display fade's schedule (surgepad/look/FadeSteps.h): 50 steps of 50 ms, steps 1..49
// applied after the page is put up at full opacity.
constexpr DWORD kSteps = 50;
constexpr DWORD kStepMs = 50;

UINT g_pressMessage = 0;
HWND g_display = nullptr;
bool g_fade = false;
bool g_likeProgram = false;
bool g_pumping = false;
HWND g_main = nullptr;
HDC g_pictureDc = nullptr;
HBITMAP g_picture = nullptr;
SIZE g_pictureSize = {};

// The GUIDs by value: MinGW's import libraries do not all carry them.
constexpr CLSID kWicFactory = {0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
constexpr IID kWicFactoryInterface = {0xec5ec8a9, 0xc395, 0x4314, {0x9c, 0x77, 0x54, 0xd7, 0xa9, 0x35, 0xff, 0x70}};
constexpr GUID kPremultipliedBgra = {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x10}};

template <typename T>
void Release(T*& object) {
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

// The picture as a premultiplied 32-bit DIB section selected into a memory DC kept for
// the whole run; false when it cannot be read.
// COM is loaded only here: the plain program imports no more than kernel32, user32 and
// gdi32, so its working set is the floor.
bool LoadPicture(const wchar_t* path) {
    using Initialize = HRESULT(WINAPI*)(void*, DWORD);
    using Create = HRESULT(WINAPI*)(REFCLSID, IUnknown*, DWORD, REFIID, void**);
    HMODULE ole = LoadLibraryA("ole32.dll");
    const auto initialize =
        reinterpret_cast<Initialize>(reinterpret_cast<void*>(GetProcAddress(ole, "CoInitializeEx")));
    const auto create = reinterpret_cast<Create>(reinterpret_cast<void*>(GetProcAddress(ole, "CoCreateInstance")));
    if (initialize == nullptr || create == nullptr || FAILED(initialize(nullptr, COINIT_APARTMENTTHREADED))) {
        return false;
    }
    IWICImagingFactory* factory = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    bool loaded = false;
    UINT width = 0;
    UINT height = 0;
    if (SUCCEEDED(create(kWicFactory, nullptr, CLSCTX_INPROC_SERVER, kWicFactoryInterface,
                         reinterpret_cast<void**>(&factory))) &&
        SUCCEEDED(factory->CreateDecoderFromFilename(path, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                     &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame, kPremultipliedBgra, WICBitmapDitherTypeNone, nullptr, 0,
                                        WICBitmapPaletteTypeCustom)) &&
        SUCCEEDED(converter->GetSize(&width, &height)) && width > 0 && height > 0) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = static_cast<LONG>(width);
        info.bmiHeader.biHeight = -static_cast<LONG>(height);
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (bitmap != nullptr &&
            SUCCEEDED(converter->CopyPixels(nullptr, width * 4, width * height * 4, static_cast<BYTE*>(bits)))) {
            g_pictureDc = CreateCompatibleDC(nullptr);
            SelectObject(g_pictureDc, bitmap);
            g_picture = bitmap;
            g_pictureSize = {static_cast<LONG>(width), static_cast<LONG>(height)};
            loaded = true;
        }
    }
    Release(converter);
    Release(frame);
    Release(decoder);
    Release(factory);
    return loaded;
}

bool Push(BYTE alpha, const POINT* at) {
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    POINT source = {0, 0};
    return UpdateLayeredWindow(g_display, nullptr, const_cast<POINT*>(at), &g_pictureSize, g_pictureDc, &source, 0,
                               &blend, ULW_ALPHA) != FALSE;
}

constexpr UINT kStepMessage = WM_APP + 1;
constexpr UINT kHideMessage = WM_APP + 2;

// One step as the program's layered-window maker pushes it.
bool PushLikeProgram(BYTE alpha) {
    BITMAP info = {};
    GetObjectA(g_picture, sizeof info, &info);
    (void)GetWindowLongPtrA(g_display, GWL_EXSTYLE);
    HDC windowDc = GetDC(g_display);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    RECT r = {};
    GetWindowRect(g_display, &r);
    POINT destination = {r.left, r.top};
    POINT source = {0, 0};
    SIZE size = {info.bmWidth, info.bmHeight};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    HGDIOBJ old = SelectObject(memoryDc, g_picture);
    const BOOL done =
        UpdateLayeredWindow(g_display, windowDc, &destination, &size, memoryDc, &source, 0, &blend, ULW_ALPHA);
    SelectObject(memoryDc, old);
    DeleteDC(memoryDc);
    ReleaseDC(g_display, windowDc);
    return done != FALSE;
}

DWORD WINAPI StepThread(void*) {
    const DWORD start = GetTickCount();
    for (DWORD step = 1; step <= kSteps; ++step) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed < step * kStepMs) {
            Sleep(step * kStepMs - elapsed);
        }
        if (step < kSteps) {
            SendMessageA(g_main, kStepMessage, 255 * (kSteps - step) / kSteps, 0);
        }
    }
    SendMessageA(g_main, kHideMessage, 0, 0);
    return 0;
}

void FadeLikeProgram() {
    RECT r = {};
    GetWindowRect(g_display, &r);
    const POINT at = {(GetSystemMetrics(SM_CXSCREEN) - g_pictureSize.cx) / 2,
                      (GetSystemMetrics(SM_CYSCREEN) - g_pictureSize.cy) / 2};
    SetWindowPos(g_display, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PushLikeProgram(255);
    ShowWindow(g_display, SW_SHOWNOACTIVATE);
    HANDLE thread = CreateThread(nullptr, 0, StepThread, nullptr, 0, nullptr);
    if (thread != nullptr) {
        CloseHandle(thread);
    }
}

// Waits `ms`, handling the thread's messages meanwhile.
void WaitHandlingMessages(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
        const auto left = static_cast<LONG>(end - GetTickCount());
        if (left <= 0) {
            return;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
    }
}

void Wait(DWORD ms) {
    if (g_pumping) {
        WaitHandlingMessages(ms);
    } else {
        Sleep(ms);
    }
}

// The whole fade, on this thread: the window procedure is busy for 2.5 s, which is
// what a baseline may do.
void Fade() {
    const POINT at = {(GetSystemMetrics(SM_CXSCREEN) - g_pictureSize.cx) / 2,
                      (GetSystemMetrics(SM_CYSCREEN) - g_pictureSize.cy) / 2};
    const DWORD start = GetTickCount();
    Push(255, &at);
    ShowWindow(g_display, SW_SHOWNOACTIVATE);
    for (DWORD step = 1; step < kSteps; ++step) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed < step * kStepMs) {
            Wait(step * kStepMs - elapsed);
        }
        Push(static_cast<BYTE>(255 * (kSteps - step) / kSteps), nullptr);
    }
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed < kSteps * kStepMs) {
        Wait(kSteps * kStepMs - elapsed);
    }
    ShowWindow(g_display, SW_HIDE);
    OutputDebugStringA("empty: faded\n");
}

void ShowSmallWindow(HWND main) {
    if (IsWindowVisible(g_display)) {
        ShowWindow(g_display, SW_HIDE);
    }
    ShowWindow(g_display, SW_SHOWNOACTIVATE);
    SetTimer(main, kHideTimer, 1000, nullptr);
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == g_pressMessage && g_pressMessage != 0) {
        if (wParam == kPress && lParam == 0) {
            if (g_likeProgram) {
                FadeLikeProgram();
            } else if (g_fade) {
                Fade();
            } else {
                ShowSmallWindow(window);
            }
        }
        return 0;
    }
    switch (message) {
        case kStepMessage:
            PushLikeProgram(static_cast<BYTE>(wParam));
            return 0;
        case kHideMessage:
            ShowWindow(g_display, SW_HIDE);
            OutputDebugStringA("empty: faded\n");
            return 0;
        case WM_TIMER:
            KillTimer(window, kHideTimer);
            ShowWindow(g_display, SW_HIDE);
            return 0;
        case WM_CLOSE:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

// The display window ignores the broadcast, which reaches every top-level window.
LRESULT CALLBACK DisplayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

// A tray icon and the common controls with a tooltip window, bound at run time so that
// the plain program imports neither library.
void AddTrayIconAndCommonControls(HINSTANCE instance) {
    using InitControls = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    using NotifyIcon = BOOL(WINAPI*)(DWORD, NOTIFYICONDATAA*);
    HMODULE comctl = LoadLibraryA("comctl32.dll");
    const auto init = reinterpret_cast<InitControls>(
        reinterpret_cast<void*>(comctl != nullptr ? GetProcAddress(comctl, "InitCommonControlsEx") : nullptr));
    if (init != nullptr) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
        init(&controls);
        CreateWindowExA(WS_EX_TOPMOST, "tooltips_class32", nullptr, WS_POPUP | 0x01 /* TTS_ALWAYSTIP */, 0, 0, 0, 0,
                        g_main, nullptr, instance, nullptr);
    }
    HMODULE shell = LoadLibraryA("shell32.dll");
    const auto notify = reinterpret_cast<NotifyIcon>(
        reinterpret_cast<void*>(shell != nullptr ? GetProcAddress(shell, "Shell_NotifyIconA") : nullptr));
    if (notify != nullptr) {
        NOTIFYICONDATAA icon = {};
        icon.cbSize = sizeof icon;
        icon.hWnd = g_main;
        icon.uID = 1;
        icon.uFlags = NIF_ICON | NIF_TIP;
        icon.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
        lstrcpynA(icon.szTip, "empty", sizeof icon.szTip);
        notify(NIM_ADD, &icon);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // "--fade[-like-program|-pumping] "PATH"": the path is what follows the first quote after the
    // switch (the benchmark always quotes it).
    const wchar_t* line = GetCommandLineW();
    const wchar_t* like = wcsstr(line, L" --fade-like-program ");
    const wchar_t* pumping = wcsstr(line, L" --fade-pumping ");
    const wchar_t* fade = like != nullptr ? like : pumping != nullptr ? pumping : wcsstr(line, L" --fade ");
    g_likeProgram = like != nullptr;
    g_pumping = pumping != nullptr;
    g_fade = fade != nullptr;
    wchar_t path[MAX_PATH] = {};
    if (const wchar_t* open = fade != nullptr ? wcschr(fade, L'"') : nullptr) {
        const wchar_t* close = wcschr(open + 1, L'"');
        const size_t length = close != nullptr ? static_cast<size_t>(close - open - 1) : wcslen(open + 1);
        lstrcpynW(path, open + 1, static_cast<int>(length < MAX_PATH - 1 ? length + 1 : MAX_PATH));
    }
    if (g_fade && !LoadPicture(path)) {
        OutputDebugStringA("empty: the picture cannot be read\n");
        return 1;
    }
    if (g_likeProgram) {
        // The program selects its picture into a new memory DC at every step.
        DeleteDC(g_pictureDc);
        g_pictureDc = nullptr;
    }
    g_pressMessage = RegisterWindowMessageA(kBroadcastName);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = instance;
    wc.lpszClassName = "SurgepadBenchEmpty";
    RegisterClassA(&wc);
    WNDCLASSA display = {};
    display.lpfnWndProc = DisplayProc;
    display.hInstance = instance;
    display.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    display.lpszClassName = "SurgepadBenchDisplay";
    RegisterClassA(&display);

    g_main = CreateWindowExA(0, wc.lpszClassName, "SurgepadBenchEmpty", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                             instance, nullptr);
    const DWORD exStyle = WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | (g_fade ? WS_EX_LAYERED : 0);
    const int width = g_fade ? g_pictureSize.cx : 120;
    const int height = g_fade ? g_pictureSize.cy : 40;
    g_display = CreateWindowExA(exStyle, display.lpszClassName, "SurgepadBenchDisplay", WS_POPUP, 100, 100, width,
                                height, nullptr, nullptr, instance, nullptr);
    if (wcsstr(line, L" --tray") != nullptr) {
        AddTrayIconAndCommonControls(instance);
    }
    OutputDebugStringA("empty: running\n");
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageA(&msg);
    }
    return 0;
}
