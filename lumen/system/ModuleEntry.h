#pragma once
// Binding libraries at run time: typed entries of a loaded module, and whether a
// library file is there to load.
#include <windows.h>

#include <string>

namespace lumen {

// GetProcAddress's FARPROC as the entry's own type: through the generic function
// pointer type, which GCC accepts as convertible to every other one.
template <typename Fn>
Fn ProcAs(FARPROC proc) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

// The entry `name` of `module` as type Fn; nullptr when the module is null or lacks it.
template <typename Fn>
Fn ProcAddress(HMODULE module, const char* name) {
    return module != nullptr ? ProcAs<Fn>(GetProcAddress(module, name)) : nullptr;
}

// A file (not a folder) is at `path`.
inline bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace lumen
