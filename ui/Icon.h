#pragma once
// An icon object: owns one icon handle, loads icon files, copies other icons.

#include <windows.h>

#include <string>

namespace ui {

class Icon {
public:
    Icon() = default;
    Icon(const Icon&) = delete;
    Icon& operator=(const Icon&) = delete;
    ~Icon();

    // Loads an icon file at the small-icon size of the system (the notification
    // area's). Throws ui::FileOpenError when the file cannot be read as an icon.
    void LoadFromFile(const std::string& path);
    // Takes a private copy of the picture (no change when it cannot be copied).
    void Assign(HICON icon);
    void Assign(const Icon& other) { Assign(other.Handle()); }
    void Clear();

    HICON Handle() const { return m_handle; }
    bool Empty() const { return m_handle == nullptr; }

private:
    HICON m_handle = nullptr;
};

}  // namespace ui
