#pragma once
// Files and environment for tests of the board simulator: a private temporary folder
// per test, and KORA_SIM_* variables set where the stand-ins read them (the Win32
// environment block on Windows) and put back afterwards.

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "sim/Platform.h"

namespace simtest {

class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_path = base / ("simtest-" + std::to_string(random()));
            if (std::filesystem::create_directory(m_path)) {
                return;
            }
        }
        throw std::runtime_error("no temporary folder");
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }

    // The path of a file in the folder, in the system's own form.
    std::string Path(const std::string& name) const { return (m_path / name).string(); }
    std::string Folder() const { return m_path.string(); }

    std::string Write(const std::string& name, const std::string& content) const {
        std::ofstream out(m_path / name, std::ios::binary | std::ios::trunc);
        out << content;
        return Path(name);
    }

private:
    std::filesystem::path m_path;
};

inline std::optional<std::string> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// The lines of a file ("\n"-ended); empty when the file is missing.
inline std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    const std::optional<std::string> text = ReadFile(path);
    if (!text) {
        return lines;
    }
    std::istringstream in(*text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value)
        : m_name(name), m_previous(sim::platform::GetEnvironment(name)) {
        sim::platform::SetEnvironment(name, value ? value->c_str() : nullptr);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv() { sim::platform::SetEnvironment(m_name, m_previous ? m_previous->c_str() : nullptr); }

private:
    const char* m_name;
    std::optional<std::string> m_previous;
};

// The three variables of the simulator, pointing into one temporary folder: board.txt
// (written by the test), state.txt and journal.txt (both absent at first).
class SimEnvironment {
public:
    SimEnvironment()
        : m_board("KORA_SIM_BOARD", m_folder.Path("board.txt")),
          m_state("KORA_SIM_STATE", m_folder.Path("state.txt")),
          m_journal("KORA_SIM_JOURNAL", m_folder.Path("journal.txt")) {}

    const TempFolder& Folder() const { return m_folder; }
    std::string WriteBoard(const std::string& text) const { return m_folder.Write("board.txt", text); }
    std::string BoardPath() const { return m_folder.Path("board.txt"); }
    std::string StatePath() const { return m_folder.Path("state.txt"); }
    std::string JournalPath() const { return m_folder.Path("journal.txt"); }
    std::vector<std::string> Journal() const { return ReadLines(JournalPath()); }

private:
    TempFolder m_folder;
    ScopedEnv m_board;
    ScopedEnv m_state;
    ScopedEnv m_journal;
};

// Folder of the sample boards copied into the build tree (<build>/sim/boards), found
// from the test program in <build>/bin.
inline std::string SampleBoard(const std::string& name) {
    static const char anchor = 0;
    const std::filesystem::path bin = sim::platform::ModuleFolder(&anchor);
    return (bin / ".." / "sim" / "boards" / name).string();
}

}  // namespace simtest
