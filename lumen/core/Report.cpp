#include "lumen/core/Report.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>

#include "lumen/core/TextUtf8.h"
#endif

namespace lumen {
namespace {

std::atomic<ReportSink*> g_sink{nullptr};

// The module name as the user knows it: the file name of the source module.
const char* BaseName(const char* path) {
    const char* base = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '/' || *p == '\\') {
            base = p + 1;
        }
    }
    return base;
}

std::string ExecutableName() {
#if defined(_WIN32)
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return "Surgepad.exe";
    }
    return BaseName(path);
#else
    return "Surgepad";
#endif
}

void PlatformMessage(const std::string& text, const std::string& caption) {
#if defined(_WIN32)
    // Texts are UTF-8 (those made of the system's ANSI texts, such as paths, may be in
    // its code page): shown through the wide function, any language shows.
    const auto wide = [](const std::string& utf8) {
        const UINT page = IsUtf8(utf8) ? CP_UTF8 : CP_ACP;
        const int length = MultiByteToWideChar(page, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
        std::wstring out(static_cast<size_t>(length > 0 ? length : 0), L'\0');
        if (length > 0) {
            MultiByteToWideChar(page, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), length);
        }
        return out;
    };
    MessageBoxW(nullptr, wide(text).c_str(), wide(caption).c_str(), MB_OK);
#else
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
#endif
}

}  // namespace

void ShowMessage(const std::string& text, const std::string& caption) {
    if (ReportSink* sink = g_sink.load()) {
        sink->Message(text, caption);
        return;
    }
    PlatformMessage(text, caption);
}

std::string AssertionText(const char* condition, const char* file, int line) {
    return std::string("Assertion failed: ") + condition + ", file " + BaseName(file) + ", line " +
           std::to_string(line);
}

void AssertionFailed(const char* condition, const char* file, int line) {
    const std::string text = AssertionText(condition, file, line);
    const std::string caption = ExecutableName();
    if (ReportSink* sink = g_sink.load()) {
        sink->AssertionFailed(text, caption);
    } else {
        PlatformMessage(text, caption);
    }
#if defined(_WIN32)
    ExitProcess(3);
#else
    std::abort();
#endif
}

ReportSink* SetReportSink(ReportSink* sink) {
    return g_sink.exchange(sink);
}

}  // namespace lumen
