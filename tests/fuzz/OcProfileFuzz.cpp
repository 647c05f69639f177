// Fuzz target of the ".oc" profile file reader (lumen/kora/TwOcItemProfile).
//
// Input: the file. The reader gets it from a file of the fuzzer's own (in /dev/shm when
// there is one, so that the disc is spared), as the program gets the tool's files.
//
// A file whose three header words are not all there, or whose version is above 1, is
// refused; any other loads, with exactly the records that are complete and promised,
// in file order.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "lumen/kora/TwOcItemProfile.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

std::string ScratchFile() {
    std::error_code ignored;
    const std::filesystem::path folder = std::filesystem::is_directory("/dev/shm", ignored)
                                             ? std::filesystem::path("/dev/shm")
                                             : std::filesystem::temp_directory_path();
    return (folder / ("surgepad-fuzz-" + std::to_string(getpid()) + ".oc")).string();
}

const std::string& Path() {
    static const std::string path = ScratchFile();
    return path;
}

void Write(const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(Path().c_str(), "wb");
    if (f == nullptr || (size > 0 && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0) {
        fuzz::Fail("cannot write " + Path());
    }
}

struct RemoveAtExit {
    ~RemoveAtExit() { std::remove(Path().c_str()); }
} g_remove;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Write(data, size);
    kora::TwOcItemProfile profile;
    const bool loaded = profile.Load(Path());
    const bool acceptable = size >= 12 && fuzz::Word(data + 4) <= 1;
    if (loaded != acceptable) {
        fuzz::Fail(loaded ? "a file without a usable header loaded" : "a file with a usable header was refused");
    }
    if (!loaded) {
        return 0;
    }
    const uint64_t promised = fuzz::Word(data + 8);
    const uint64_t whole = (size - 12) / 8;
    const uint64_t expected = promised < whole ? promised : whole;
    if (profile.Version() != fuzz::Word(data + 4) || profile.Count() != expected) {
        fuzz::Fail(std::to_string(profile.Count()) + " records, not " + std::to_string(expected));
    }
    for (size_t i = 0; i < profile.Count(); ++i) {
        const uint8_t* record = data + 12 + 8 * i;
        if (profile.Record(i).id != fuzz::Word(record) || profile.Record(i).value != fuzz::Word(record + 4)) {
            fuzz::Fail("record " + std::to_string(i) + " differs from the file");
        }
    }
    return 0;
}
