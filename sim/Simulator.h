#pragma once
// One stand-in's road to the board and its state, shared by every stand-in (KRACPI.DLL,
// the power-feature library, the power schemes, kora-sim.exe). Each call of a stand-in
// runs one operation:
//   - the board file is KORA_SIM_BOARD, else "board.txt" in the stand-in's own folder;
//     when that is missing too, the board is empty and every call fails. The file is
//     read at every call (and parsed again when its text changed), so a test may
//     switch boards between calls;
//   - the state comes from the file KORA_SIM_STATE, read at every call and replaced
//     atomically after every change, so another process's change is seen at once;
//     without it the state lives in this process and starts from the board;
//   - a board (or state file) with a syntax error makes the stand-in report one line,
//     "FILE:LINE: what", to the debugger output and to the journal, once until the
//     file is mended; an unusable board fails every call.
// Operations of several threads of the process run one at a time.

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "sim/Board.h"
#include "sim/SimState.h"

namespace sim {

class Simulator {
public:
    // `moduleFolder`: the stand-in's folder with a trailing separator, where
    // "board.txt" is looked for when KORA_SIM_BOARD is unset.
    explicit Simulator(std::string moduleFolder);

    enum class Outcome {
        Done,      // the operation ran (and a change it made is stored)
        NoBoard,   // no usable board: the operation did not run
        NotSaved,  // the operation changed the state but the state file could not be written
    };
    // Returns true when it changed the state, which is then stored.
    using Operation = std::function<bool(const Board& board, SimState& state)>;

    Outcome Run(const Operation& operation);

    // Appends one line to the journal KORA_SIM_JOURNAL, when it is set.
    static void Journal(const std::string& line);

private:
    std::shared_ptr<const Board> LoadBoard();
    SimState LoadState(const Board& board, const std::optional<std::string>& statePath);
    // Reports a problem once: again only after a different one, or after it was mended.
    static void ReportOnce(std::string* last, const std::string& line);

    std::mutex m_lock;
    const std::string m_moduleFolder;
    std::string m_boardPath;
    std::string m_boardText;
    std::shared_ptr<const Board> m_board;
    std::optional<SimState> m_memoryState;  // without a state file
    std::string m_boardReport;
    std::string m_stateReport;
};

}  // namespace sim
