#pragma once
// The lexical rules the simulator's text files share (the board file, the state file):
// one directive per line, '#' starts a comment, tokens are separated by blanks, numbers
// are decimal or 0x hexadecimal, texts stand in double quotes and hold no quote and no
// zero byte.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim::syntax {

// The lines of a text, without their line ends ("\n" or "\r\n"). Line i is numbered i + 1.
std::vector<std::string_view> SplitLines(std::string_view text);

// Splits one line into tokens. Blanks (spaces, tabs) separate tokens; a '#' outside a
// text ends the line; a text in double quotes may hold blanks and '#' and stays part
// of its token (`extra="Auto","Off"` is one token). Fails on a text without its
// closing quote, with `error` telling why.
[[nodiscard]] bool SplitTokens(std::string_view line, std::vector<std::string_view>* tokens, std::string* error);

// A 32-bit number: decimal, or hexadecimal after "0x"; a decimal may carry a leading
// '-' and is then stored as two's complement (-1 is 0xFFFFFFFF).
[[nodiscard]] bool ParseNumber(std::string_view token, uint32_t* value);

// A comma-separated list: numbers ("1,2,0x3") or texts ("\"a\",\"b c\""). An empty
// list or an empty member fails.
[[nodiscard]] bool ParseNumberList(std::string_view list, std::vector<uint32_t>* values);
[[nodiscard]] bool ParseTextList(std::string_view list, std::vector<std::string>* texts);

// How a number is written in every line the simulator writes: 0x%08X.
std::string Hex32(uint32_t value);

// The token as it appears in a message: in double quotes, cut after 40 characters.
std::string Quoted(std::string_view token);

}  // namespace sim::syntax
