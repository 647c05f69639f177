// Fuzz target of the machine-wide power-button records another account may have
// written (surgepad/ButtonRecords): one account's record, the earlier version's shared
// record, and the merge of several.
//
// Input: parts split by the part marker (FuzzSupport.h): the earlier version's record,
// then one account's record each (accounts "A", "B", ...).
//
// An account's record is taken whole or not at all; what is taken holds only values a
// copy may act on (a pair the system defines, scheme actions it defines, well-formed
// scheme ids, a turn a machine reaches), and reads back the same from its own text. The
// earlier version's record keeps only such values too. The merge names as holder only
// an account whose record holds, with the newest turn.
#include <string>

#include "surgepad/button/ButtonPlan.h"
#include "surgepad/button/ButtonRecords.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

void CheckSetting(const std::optional<std::pair<uint32_t, uint32_t>>& saved,
                  const std::map<std::string, uint32_t>& schemes, const char* whose) {
    if (saved && !surgepad::IsDefinedLibraryPair(saved->first, saved->second)) {
        fuzz::Fail(std::string(whose) + ": a pair the system does not define");
    }
    for (const auto& [id, action] : schemes) {
        if (id.size() != 38 || id.front() != '{' || id.back() != '}' || action > surgepad::kLargestRecordedAction) {
            fuzz::Fail(std::string(whose) + ": scheme " + id + " with action " + std::to_string(action));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string_view> parts = fuzz::SplitParts(data, size);
    const surgepad::MachineButtonRecord older = surgepad::ParseMachineButtonRecord(parts[0]);
    CheckSetting(older.saved, older.schemes, "the earlier version's record");
    if (surgepad::ParseMachineButtonRecord(surgepad::FormatMachineButtonRecord(older)) != older) {
        fuzz::Fail("the earlier version's record does not read back");
    }
    std::map<std::string, surgepad::AccountButtonRecord> accounts;
    for (size_t i = 1; i < parts.size() && i <= 26; ++i) {
        const auto record = surgepad::ParseAccountButtonRecord(parts[i]);
        if (!record) {
            continue;
        }
        CheckSetting(record->saved, record->schemes, "an account's record");
        if (record->turn > surgepad::kLargestTurn) {
            fuzz::Fail("a turn beyond any count");
        }
        if (surgepad::ParseAccountButtonRecord(surgepad::FormatAccountButtonRecord(*record)) != record) {
            fuzz::Fail("an account's record does not read back");
        }
        accounts[std::string(1, static_cast<char>('A' + i - 1))] = *record;
    }
    const surgepad::MachineButtonRecord merged = surgepad::MergeButtonRecords(older, accounts);
    if (!merged.holder.empty() && !accounts.empty()) {
        const auto found = accounts.find(merged.holder);
        if (found == accounts.end() || !found->second.holds || found->second.turn != merged.turn) {
            fuzz::Fail("the holder " + merged.holder + " is not the newest holding record");
        }
    }
    for (const auto& [account, record] : accounts) {
        if (record.turn > merged.turn) {
            fuzz::Fail("a record newer than the merge's turn");
        }
    }
    return 0;
}
