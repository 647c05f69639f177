#pragma once
// Reads a board file:
//
//   info W0 W1 W2 W3 ...
//   item ID VALUE [attr=A] [reported=R] [base=W] [step=S] [count=N] [extra="t1","t2"]
//                 [texts="t1","t2"] [percore=V0,V1,...] [noread] [nowrite]
//   block ID INDEX W0 W1 ...
//   fail group G
//   dormix [supported=0|1] [level=N] [button=ACTION,EVENT] [pacely=0|1] [hushly=0|1]
//          [ventix3=0|1] [item=ID:VALUE ...]
//   scheme GUID AC_INDEX [active]
//   windows MAJOR.MINOR
//   power source=ac|battery [mode=N]
//
// A board with any error is refused as a whole: half a board would make the program
// under test see firmware that no board has.

#include <optional>
#include <string>
#include <string_view>

#include "sim/Board.h"

namespace sim {

// `name` is how messages call the file (its path). On an error returns nullopt and sets
// `error` to "NAME:LINE: what went wrong", e.g. `board.txt:12: unknown directive "itme"`.
std::optional<Board> ParseBoard(std::string_view text, std::string_view name, std::string* error);

}  // namespace sim
