// Fuzz target of the simulator's board-file reader (sim/BoardParser), with what the
// stand-ins do next with a board they accept: the state it starts in, written to the
// state file's text and read back, and each item's description package as the item
// model reads it.
//
// Input: the board file's text.
//
// A refused board says why with "NAME:LINE: " and a line of the text. An accepted one
// keeps its state through the state file (as it starts, and with a plan of the user's
// added, made active and one of the board's deleted), and the item model reads each
// description as the board lists it: id, attribute, reported index, count and texts.
#include <memory>
#include <string>

#include "lumen/kora/BiosInterface.h"
#include "lumen/kora/VendorApi.h"
#include "sim/Board.h"
#include "sim/BoardParser.h"
#include "sim/SimState.h"
#include "sim/powrprof/PowerSchemes.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

fuzz::QuietReports g_reports;

size_t LineCount(std::string_view text) {
    size_t lines = 1;
    for (const char c : text) {
        lines += c == '\n' ? 1 : 0;
    }
    return lines;
}

void CheckError(std::string_view text, const std::string& error) {
    const std::string prefix = "board.txt:";
    if (error.compare(0, prefix.size(), prefix) != 0) {
        fuzz::Fail("error without the file's name: " + error);
    }
    size_t at = prefix.size();
    size_t line = 0;
    while (at < error.size() && error[at] >= '0' && error[at] <= '9' && line <= LineCount(text)) {
        line = line * 10 + static_cast<size_t>(error[at++] - '0');
    }
    if (line == 0 || line > LineCount(text) || error.compare(at, 2, ": ") != 0 || error.size() == at + 2) {
        fuzz::Fail("error without a line of the text: " + error);
    }
}

void CheckRoundTrip(const sim::Board& board, const sim::SimState& state) {
    // Read over an empty state: the text alone must carry every part of it.
    sim::SimState read;
    std::string error;
    if (!sim::ReadStateText(sim::StateText(state), "state.txt", board, &read, &error)) {
        fuzz::Fail("the state's own text is refused: " + error);
    }
    if (!(read == state)) {
        fuzz::Fail("the state changed through its text:\n" + sim::StateText(state) + "----\n" + sim::StateText(read));
    }
}

void CheckState(const sim::Board& board) {
    const sim::SimState initial = sim::InitialState(board);
    CheckRoundTrip(board, initial);
    // With the user's plans: one added and made active, the board's first deleted.
    sim::SimState changed = initial;
    sim::PowerSchemes schemes(board, changed);
    if (schemes.Add("{0F0F0F0F-1111-2222-3333-444444444444}", board.Windows().MaxButtonAction()) == sim::kPowerOk &&
        schemes.SetActive("{0F0F0F0F-1111-2222-3333-444444444444}") == sim::kPowerOk &&
        schemes.Delete(board.schemes.front().guid) != sim::kPowerOk) {
        fuzz::Fail("a plan of the board cannot be deleted while another is active");
    }
    CheckRoundTrip(board, changed);
}

std::unique_ptr<kora::BiosItem> ItemOf(const sim::BoardItem& board) {
    switch (board.Kind()) {
        case sim::ItemKind::Boolean:
            return std::make_unique<kora::BiosBooleanItem>();
        case sim::ItemKind::TextList:
            return std::make_unique<kora::BiosStringItem>();
        case sim::ItemKind::Number:
            break;
    }
    return std::make_unique<kora::BiosNumberItem>();
}

void CheckDescription(const sim::BoardItem& board) {
    const std::vector<uint8_t> package = sim::DescriptionPackage(board).Bytes();
    std::unique_ptr<kora::BiosItem> item = ItemOf(board);
    if (package.size() > kora::kPackageBufferSize) {
        return;  // the library cannot return it: the program never sees it
    }
    if (!item->Initialize(package.data(), static_cast<uint32_t>(package.size()))) {
        fuzz::Fail("the description of item " + std::to_string(board.id) + " does not parse");
    }
    if (item->Id() != board.id || item->Attribute() != board.attr || item->GetReportedIndex() != board.reported) {
        fuzz::Fail("item " + std::to_string(board.id) + " reads another head");
    }
    const std::vector<std::string>& texts = board.Kind() == sim::ItemKind::TextList ? board.texts : board.extra;
    if (board.Kind() == sim::ItemKind::Number) {
        const auto& number = static_cast<const kora::BiosNumberItem&>(*item);
        const uint64_t count = uint64_t{board.count} + board.extra.size();
        if (board.count <= 0x3FFFFFFF && static_cast<uint64_t>(number.GetCount()) != count) {
            fuzz::Fail("item " + std::to_string(board.id) + " counts " + std::to_string(number.GetCount()));
        }
        if (number.BaseWord() != board.base) {
            fuzz::Fail("item " + std::to_string(board.id) + " reads another base");
        }
    } else if (board.Kind() == sim::ItemKind::TextList && static_cast<size_t>(item->GetCount()) != texts.size()) {
        fuzz::Fail("item " + std::to_string(board.id) + " counts " + std::to_string(item->GetCount()));
    }
    if (board.Kind() != sim::ItemKind::Boolean) {
        for (size_t i = 0; i < texts.size(); ++i) {
            if (item->IndexToString(static_cast<int>(i)) != texts[i]) {
                fuzz::Fail("text " + std::to_string(i) + " of item " + std::to_string(board.id) + " reads \"" +
                           item->IndexToString(static_cast<int>(i)) + "\", not \"" + texts[i] + "\"");
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<sim::Board> board = sim::ParseBoard(text, "board.txt", &error);
    if (!board) {
        CheckError(text, error);
        return 0;
    }
    CheckState(*board);
    for (const sim::BoardItem& item : board->items) {
        CheckDescription(item);
    }
    return 0;
}
