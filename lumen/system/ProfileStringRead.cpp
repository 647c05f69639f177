#include "lumen/system/ProfileStringRead.h"

#include <new>

namespace lumen {

std::string ReadWholeProfileString(std::vector<char>* buffer, bool nameList, size_t maxSize,
                                   const ProfileStringCall& call) {
    const size_t reserve = nameList ? 2 : 1;
    while (true) {
        const size_t n = call(buffer->data(), buffer->size());
        // A count the system should never return is cut to what the buffer holds.
        const size_t length = n < buffer->size() ? n : buffer->size() - 1;
        if (n + reserve < buffer->size() || buffer->size() >= maxSize) {
            return std::string(buffer->data(), length);
        }
        try {
            std::vector<char> bigger(buffer->size() * 2, '\0');
            buffer->swap(bigger);
        } catch (const std::bad_alloc&) {
            return std::string(buffer->data(), length);
        }
    }
}

}  // namespace lumen
