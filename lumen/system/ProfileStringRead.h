#pragma once
// The growing read behind IniAccess::ReadString, apart from the system's profile
// function: the system copies at most the buffer's size less 1 characters (less 2 for
// the zero-separated name lists) and returns how many it copied, so a count that
// reaches that limit may mean a cut value, and the read is repeated with twice the
// buffer.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace lumen {

// One call of the system's profile-string function into `buffer` of `size` bytes;
// returns the count of characters it copied, without the final zero.
using ProfileStringCall = std::function<size_t(char* buffer, size_t size)>;

// Calls `call` until the value surely fits, doubling `buffer` (kept for the next read)
// up to `maxSize` bytes; a value still longer comes back cut to the buffer. A buffer
// that cannot grow keeps what the last call gave. `nameList`: the call asks for the
// names of the sections or keys, zero-separated. `buffer` must not be empty.
std::string ReadWholeProfileString(std::vector<char>* buffer, bool nameList, size_t maxSize,
                                   const ProfileStringCall& call);

}  // namespace lumen
