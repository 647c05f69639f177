#pragma once
// A simulated board for one test: writes the board file into a fresh folder, points
// the stand-ins at it (board, state, journal) and reads the journal back.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "sim/Platform.h"

namespace testutil {

class SimBoard {
public:
    explicit SimBoard(const std::string& boardText) {
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        m_folder = std::filesystem::temp_directory_path() /
                   (std::string("surgepad-board-") + test->test_suite_name() + "-" + test->name());
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
        Rewrite(boardText);
        sim::platform::SetEnvironment("KORA_SIM_BOARD", Path("board.txt").c_str());
        sim::platform::SetEnvironment("KORA_SIM_STATE", Path("state.txt").c_str());
        sim::platform::SetEnvironment("KORA_SIM_JOURNAL", Path("journal.txt").c_str());
    }
    ~SimBoard() {
        sim::platform::SetEnvironment("KORA_SIM_BOARD", nullptr);
        sim::platform::SetEnvironment("KORA_SIM_STATE", nullptr);
        sim::platform::SetEnvironment("KORA_SIM_JOURNAL", nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    SimBoard(const SimBoard&) = delete;
    SimBoard& operator=(const SimBoard&) = delete;

    std::string Path(const char* name) const { return (m_folder / name).string(); }

    void Rewrite(const std::string& boardText) const {
        ASSERT_TRUE(sim::platform::ReplaceFileAtomically(Path("board.txt"), boardText));
    }

    // The journal's lines so far, and a fresh start for the next look.
    std::vector<std::string> TakeJournal() const {
        std::vector<std::string> lines;
        if (auto text = sim::platform::ReadWholeFile(Path("journal.txt"))) {
            std::istringstream in(*text);
            for (std::string line; std::getline(in, line);) {
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
                }
                lines.push_back(line);
            }
        }
        std::filesystem::remove(Path("journal.txt"));
        return lines;
    }

private:
    std::filesystem::path m_folder;
};

}  // namespace testutil
