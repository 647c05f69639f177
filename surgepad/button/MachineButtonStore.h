#pragma once
// The machine-wide power-button record, in the common application data,
// "KORA\Surgepad\": one file per account, "PowerButton-ACCOUNT.txt", which only that
// account's copy writes, and the one file "PowerButton.txt" an earlier version shared
// between the accounts (still read, never written). A standard user cannot write the
// local machine's registry; every account may add a file of its own to the folder.
//
// Another account may have put anything in the folder. So nothing of it is written
// through a name that exists: a record is written to a new file of an unguessable
// name, made so that it fails rather than follow a link there, and moved over the
// account's record (a move replaces a link, never its target). Nothing is read through
// a reparse point, or from anything but a plain file of a record's size; every value
// read is checked; and every read and write runs on a thread of its own, waited for a
// bounded time, so that a file another account holds open (or a pipe behind a link)
// cannot hang the caller.

#include <optional>
#include <string>

#include "surgepad/button/ButtonRecords.h"

namespace surgepad {

class MachineButtonStore {
public:
    // The folder under the common application data.
    static MachineButtonStore& Instance();
    // A read or write of the records may take this long before the caller goes on
    // without it (a file another account holds, a pipe behind a link).
    static constexpr uint32_t kWaitMs = 3000;

    // `folder` with a trailing backslash; made when missing.
    explicit MachineButtonStore(std::string folder, uint32_t waitMs = kWaitMs)
        : m_folder(std::move(folder)), m_waitMs(waitMs) {}

    // The machine's view merged from every record; nothing when there is no record or
    // the folder cannot be read in time.
    std::optional<MachineButtonRecord> Read() const;
    // Replaces `account`'s record with `record` at the turn after the newest one.
    [[nodiscard]] bool Write(const std::string& account, AccountButtonRecord record) const;
    const std::string& Folder() const { return m_folder; }

private:
    std::string m_folder;
    uint32_t m_waitMs;
};

}  // namespace surgepad
