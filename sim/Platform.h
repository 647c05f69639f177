#pragma once
// The little the stand-ins need from the operating system, behind one interface:
// PlatformWin32.cpp for the real DLLs and programs, PlatformPosix.cpp for the native
// build, where the simulator's logic and its tests run under the sanitizers.
//
// Paths are narrow strings in the system's own form ("C:\x\board.txt" or "/tmp/board.txt").

#include <cstddef>
#include <optional>
#include <string>

namespace sim::platform {

// Largest file the simulator reads; anything bigger is treated as unreadable, so a
// stray multi-gigabyte file cannot exhaust the caller's memory.
constexpr size_t kMaxFileBytes = 4u << 20;

// The whole content of a file; nullopt when it is missing, unreadable or larger than `limit`.
[[nodiscard]] std::optional<std::string> ReadWholeFile(const std::string& path, size_t limit = kMaxFileBytes);

// Replaces a file's content at once: a reader in another process sees either the old
// content or the new, never a mix. Writes a temporary file beside the target and
// renames it over the target.
[[nodiscard]] bool ReplaceFileAtomically(const std::string& path, const std::string& content);

// Appends `data` with a single write to a file opened for appending only, so that
// lines of several processes sharing the file never interleave.
[[nodiscard]] bool AppendToFile(const std::string& path, const std::string& data);

// One line to the debugger output (a newline is added).
void WriteDebugLine(const std::string& line);

// An environment variable of the process; nullopt when it is unset or empty.
[[nodiscard]] std::optional<std::string> GetEnvironment(const char* name);
// Sets (or, with nullptr, removes) an environment variable of the process, where the
// stand-ins read it (the Win32 environment block on Windows).
bool SetEnvironment(const char* name, const char* value);

// The folder, with a trailing separator, of the module that holds `address`: the DLL
// on Windows; natively the executable, into which the simulator is linked statically.
// Empty when it cannot be found.
std::string ModuleFolder(const void* address);

}  // namespace sim::platform
