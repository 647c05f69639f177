#pragma once
// Every handle has an owner: `Unique<Traits>` holds one handle and frees it the way its
// traits say, moves but never copies, and converts to nothing implicitly. The guards
// below pair the calls that must be paired (BeginPaint/EndPaint, GetDC/ReleaseDC,
// SelectObject and its undo).

#include <windows.h>

#include <utility>

namespace lumen {

template <class Traits>
class Unique {
public:
    using Type = typename Traits::Type;

    Unique() noexcept = default;
    explicit Unique(Type handle) noexcept : m_handle(handle) {}
    Unique(Unique&& other) noexcept : m_handle(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { reset(); }

    Type get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != Traits::Invalid(); }
    [[nodiscard]] Type release() noexcept { return std::exchange(m_handle, Traits::Invalid()); }
    void reset(Type handle = Traits::Invalid()) noexcept {
        const Type old = std::exchange(m_handle, handle);
        if (old != Traits::Invalid() && old != handle) {
            Traits::Close(old);
        }
    }

private:
    Type m_handle = Traits::Invalid();
};

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { CloseHandle(h); }
};

struct FileHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { CloseHandle(h); }
};

template <class T>
struct GdiObjectTraits {
    using Type = T;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { DeleteObject(h); }
};

struct MemoryDcTraits {
    using Type = HDC;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { DeleteDC(h); }
};

struct IconTraits {
    using Type = HICON;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { DestroyIcon(h); }
};

struct ModuleTraits {
    using Type = HMODULE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { FreeLibrary(h); }
};

struct RegionTraits : GdiObjectTraits<HRGN> {};

struct MenuTraits {
    using Type = HMENU;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { DestroyMenu(h); }
};

using UniqueHandle = Unique<KernelHandleTraits>;
using UniqueFile = Unique<FileHandleTraits>;
using UniqueBrush = Unique<GdiObjectTraits<HBRUSH>>;
using UniqueFont = Unique<GdiObjectTraits<HFONT>>;
using UniquePen = Unique<GdiObjectTraits<HPEN>>;
using UniqueBitmap = Unique<GdiObjectTraits<HBITMAP>>;
using UniqueRegion = Unique<RegionTraits>;
using UniqueDc = Unique<MemoryDcTraits>;
using UniqueIcon = Unique<IconTraits>;
using UniqueModule = Unique<ModuleTraits>;
using UniqueMenu = Unique<MenuTraits>;

// BeginPaint ... EndPaint for one WM_PAINT.
class PaintGuard {
public:
    explicit PaintGuard(HWND window) : m_window(window) { m_dc = BeginPaint(window, &m_ps); }
    PaintGuard(const PaintGuard&) = delete;
    PaintGuard& operator=(const PaintGuard&) = delete;
    ~PaintGuard() {
        if (m_dc != nullptr) {
            EndPaint(m_window, &m_ps);
        }
    }
    HDC Dc() const { return m_dc; }
    const RECT& Area() const { return m_ps.rcPaint; }

private:
    HWND m_window;
    PAINTSTRUCT m_ps = {};
    HDC m_dc = nullptr;
};

// GetDC ... ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND window) : m_window(window), m_dc(GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (m_dc != nullptr) {
            ReleaseDC(m_window, m_dc);
        }
    }
    HDC Dc() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

// SelectObject, and the previous object selected back at the end.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(dc != nullptr ? SelectObject(dc, object) : nullptr) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard() {
        if (m_previous != nullptr && m_previous != HGDI_ERROR) {
            SelectObject(m_dc, m_previous);
        }
    }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

}  // namespace lumen
