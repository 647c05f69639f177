#include "lumen/core/WideText.h"

#include <windows.h>

#include "lumen/core/TextUtf8.h"

namespace lumen {
namespace {

std::wstring Decode(UINT codePage, std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

}  // namespace

std::wstring Widen(std::string_view text) {
    return Decode(IsUtf8(text) ? CP_UTF8 : CP_ACP, text);
}

std::string Utf8FromWide(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return {};
    }
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::string Utf8FromAnsi(std::string_view text) {
    if (IsUtf8(text)) {
        return std::string(text);
    }
    return Utf8FromWide(Decode(CP_ACP, text));
}

}  // namespace lumen
