#include "sim/Simulator.h"

#include "sim/BoardParser.h"
#include "sim/Platform.h"

namespace sim {

Simulator::Simulator(std::string moduleFolder) : m_moduleFolder(std::move(moduleFolder)) {}

void Simulator::Journal(const std::string& line) {
    if (const std::optional<std::string> path = platform::GetEnvironment("KORA_SIM_JOURNAL")) {
        // A journal that cannot be written loses the line; the call it records stands.
        (void)platform::AppendToFile(*path, line + "\n");
    }
}

void Simulator::ReportOnce(std::string* last, const std::string& line) {
    if (*last == line) {
        return;
    }
    *last = line;
    platform::WriteDebugLine(line);
    Journal(line);
}

std::shared_ptr<const Board> Simulator::LoadBoard() {
    const std::optional<std::string> named = platform::GetEnvironment("KORA_SIM_BOARD");
    const std::string path = named ? *named : m_moduleFolder + "board.txt";
    std::optional<std::string> text = platform::ReadWholeFile(path);
    if (text && m_board && path == m_boardPath && *text == m_boardText) {
        return m_board;
    }
    m_board.reset();
    m_boardPath.clear();
    m_boardText.clear();
    m_memoryState.reset();
    if (!text) {
        // A board someone named but that is not there is a mistake worth a line; the
        // absent default board is the ordinary case of "no board".
        if (named) {
            ReportOnce(&m_boardReport, path + ": cannot read the board file");
        }
        return nullptr;
    }
    std::string error;
    std::optional<Board> board = ParseBoard(*text, path, &error);
    if (!board) {
        ReportOnce(&m_boardReport, error);
        return nullptr;
    }
    m_boardReport.clear();
    m_board = std::make_shared<const Board>(std::move(*board));
    m_boardPath = path;
    m_boardText = std::move(*text);
    return m_board;
}

SimState Simulator::LoadState(const Board& board, const std::optional<std::string>& statePath) {
    if (!statePath) {
        if (!m_memoryState) {
            m_memoryState = InitialState(board);
        }
        return *m_memoryState;
    }
    // The file is the state now; should it be unset later, the process starts afresh.
    m_memoryState.reset();
    SimState state = InitialState(board);
    const std::optional<std::string> text = platform::ReadWholeFile(*statePath);
    if (!text) {
        return state;  // nothing stored yet
    }
    std::string error;
    if (ReadStateText(*text, *statePath, board, &state, &error)) {
        m_stateReport.clear();
    } else {
        ReportOnce(&m_stateReport, error);
    }
    return state;
}

Simulator::Outcome Simulator::Run(const Operation& operation) {
    std::lock_guard<std::mutex> lock(m_lock);
    const std::shared_ptr<const Board> board = LoadBoard();
    if (!board) {
        return Outcome::NoBoard;
    }
    const std::optional<std::string> statePath = platform::GetEnvironment("KORA_SIM_STATE");
    SimState state = LoadState(*board, statePath);
    if (!operation(*board, state)) {
        return Outcome::Done;
    }
    if (!statePath) {
        m_memoryState = std::move(state);
        return Outcome::Done;
    }
    if (!platform::ReplaceFileAtomically(*statePath, StateText(state))) {
        ReportOnce(&m_stateReport, *statePath + ": cannot write the state file");
        return Outcome::NotSaved;
    }
    return Outcome::Done;
}

}  // namespace sim
